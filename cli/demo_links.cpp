// The demonstration's material links (demo_links.h).
#include "cli/demo_links.h"

#include <cmath>
#include <functional>
#include <vector>

#include "cli/project.h"
#include "cli/store_tree.h"
#include "foundation/element_kinds.h"
#include "host/dialog/dialog_user.h"
#include "host/dialog/engine.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/model/material_groups.h"
#include "host/model/prototype_store.h"
#include "matlink/material_link.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "palettes/prototype_records.h"

namespace dlist::cli {
namespace {

// The first wall prototypes (leaves) of the active project, in tree order.
std::vector<long> wall_leaves(std::size_t n) {
  std::vector<long> out;
  PROTOTYPES store;
  DBPROTOTYPENODE node;
  if (store.rew_prototypenode() == 0) return out;
  for (long id = store.get_prototypenode(&node); id > 0 && out.size() < n;
       id = store.get_prototypenode(&node)) {
    short kind = 0;
    if (PROTOTYPES().get_id_prototype(id, &kind) > 0 && kind == 1) out.push_back(id);
  }
  return out;
}

// The chains of wall prototype node; false when it cannot be read.
bool read_wall(long node, DBWALLTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
               DBATTREFCHAIN* attr, long* recid) {
  *recid = PROTOTYPES().get_id_prototype(node);
  return *recid > 0 &&
         get_id_record(*recid, reinterpret_cast<unsigned long>(rec), 1, surf, mat, attr) > 0;
}

// Opens the material link on wall prototype node, plays script and stores the links.
bool link_wall(long node, const std::function<void(Script&, ScriptedUser&, DBATTREFCHAIN&)>& script) {
  DBWALLTYPE rec;
  DBSURFREFTYPE surf;
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
  long recid = 0;
  if (!read_wall(node, &rec, &surf, &mat, &attr, &recid)) return false;
  ScriptedUser user;
  script(user.on(kMaterialLinkContext), user, attr);
  DialogUserScope scope(user);
  void* dialog = MaterialLink(nullptr, &mat, &attr, 1, 1, nullptr, 0, 0);
  if (dialog == nullptr) return false;
  drive_dialog(dialog);
  SpecUpdate_MaterialRef(&mat);
  destroy_dialog(dialog);
  return MOD_PROTOTYPE(recid, reinterpret_cast<unsigned long>(&rec), 1, &surf, &mat, &attr) != 0;
}

void add(Script& s, LISTCONTEXT& library, const char* code, const char* quantity) {
  dbmaterial m;
  const long id = library.get(TEXTBUFFER(code), m, nullptr);
  std::vector<long> above;
  for (long a = library.get_parent_material(id); a > 0; a = library.get_parent_material(a))
    above.insert(above.begin(), a);
  for (long a : above) s.expand(kMlTree, a);
  s.select_item(kMlTree, id).press(kMlAdd).type(kMlQuantity, quantity).enter(kMlQuantity);
}

// Each wall prototype's links as text, in tree order.
std::vector<std::string> link_prints(std::size_t n) {
  std::vector<std::string> out;
  for (long node : wall_leaves(n)) {
    DBWALLTYPE rec;
    DBSURFREFTYPE surf;
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    long recid = 0;
    std::string line;
    if (read_wall(node, &rec, &surf, &mat, &attr, &recid))
      for (unsigned i = 0; i < mat.size(); ++i)
        line += std::string(mat[i].code.get()) + " " +
                (mat[i].is_auto_quantity() ? std::string("auto") : std::to_string(mat[i].quantity)) +
                " " + mat[i].parameter +
                (mat[i].location != 0 ? " at location " + std::to_string(mat[i].location) : "") + "; ";
    out.push_back(line);
  }
  return out;
}

}  // namespace

bool run_link_demo(const std::filesystem::path& dir, const std::filesystem::path& project,
                   LISTCONTEXT& library, std::ostream& out, std::string* error) {
  std::vector<std::string> first;
  {
    ModelDatabase db;
    if (!open_project(db, project.string(), false, error)) return false;
    ActiveModel active(db);
    PurgeMaterialsFromMemory();
    const std::vector<long> walls = wall_leaves(2);
    if (walls.size() < 2) {
      *error = "the demo project has fewer than two wall prototypes";
      return false;
    }
    Transaction change(db);
    const std::string automatic = dialog_text(21529);
    bool ok = static_cast<bool>(change);
    ok = ok && link_wall(walls[0], [&](Script& s, ScriptedUser& user, DBATTREFCHAIN& attr) {
      add(s, library, "1.1.1", "12");
      const std::vector<std::string> offered = matlink::offered_parameters(&attr, 1);
      int row = 0;
      for (std::size_t i = 0; i < offered.size(); ++i)
        if (offered[i] == "AREA") row = static_cast<int>(i);
      s.press(kMlParameter);
      user.on(kSelParameterContext).select_row(kSpList, row).press(kIdAccept);
      add(s, library, "2.1.1", automatic.c_str());
      s.press(kMlLinkMode).type(kMlGroupName, "Plastered wall").press(kMlGroupNew);
    });
    ok = ok && link_wall(walls[1], [&](Script& s, ScriptedUser&, DBATTREFCHAIN&) {
      add(s, library, "2.2.1", "0.5");
      // The new link stays selected: a double click in the location tree places it.
      s.double_click(kMlLocations, ItemRef::with_text("Outside"));
      s.press(kMlLinkMode).choose_combo_text(kMlGroupName, "Plastered wall").press(kMlGroupAdd);
    });
    if (!ok || !change.commit()) {
      *error = "cannot link the materials in " + project.string();
      return false;
    }
    first = link_prints(2);
    out << "linked materials of the library to 2 wall prototypes (fixed and automatic "
           "quantities, the parameter AREA, a location) and stored the group \"Plastered wall\":\n";
    for (const std::string& line : first) out << "  " << line << "\n";
    std::string file = (dir / kDemoLinkFile).string();
    std::string description = "dlist demo: prototypes with material links";
    if (PrototypeExport(nullptr, StoreTree(ModelTree::kPrototypes).root(), file.data(),
                        description.data(), 1) != 1) {
      *error = "cannot write " + file;
      return false;
    }
  }
  ModelDatabase db;
  if (!open_project(db, (dir / kDemoLinkProject).string(), true, error)) return false;
  ActiveModel active(db);
  std::string file = (dir / kDemoLinkFile).string();
  if (PrototypeImport(nullptr, StoreTree(ModelTree::kPrototypes).root(), file.data()) != 1) {
    *error = "cannot import " + file;
    return false;
  }
  if (link_prints(2) != first) {
    *error = "the material links differ after the prototype file";
    return false;
  }
  out << "exported the prototypes to " << file << " and imported them into "
      << (dir / kDemoLinkProject).string() << ": the material links are equal\n";
  return true;
}

}  // namespace dlist::cli
