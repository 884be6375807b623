// The material links of a prototype, worked through the material link dialog as a
// user would: `dlist prototypes materials NODE [--json]`, `link-material NODE CODE
// [--quantity Q|auto] [--parameter ABBR] [--location LOC]`, `unlink-material NODE CODE`; and the
// named groups of links: `dlist material-groups list|new|apply|remove`.
#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/dialog_filler.h"
#include "cli/location_paths.h"
#include "cli/material_library_file.h"
#include "cli/node_path.h"
#include "cli/prototype_record.h"
#include "cli/project.h"
#include "cli/store_tree.h"
#include "foundation/element_kinds.h"
#include "host/dialog/engine.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/model/location_store.h"
#include "host/model/material_groups.h"
#include "host/model/prototype_store.h"
#include "locations/location_manager.h"
#include "materials/material_library.h"
#include "matlink/material_link.h"
#include "palettes/prototype_records.h"

namespace dlist::cli {
namespace {

// A prototype and its stored chains.
struct Preset {
  long node = 0;
  long recid = 0;
  int kind = 0;
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
};

std::optional<Preset> open_preset(const std::string& text, std::string* error) {
  std::optional<LoadedPrototype> loaded = load_prototype(text, error);
  if (!loaded) return std::nullopt;
  Preset p;
  p.node = loaded->node;
  p.recid = loaded->recid;
  p.kind = loaded->kind;
  p.mat = loaded->record->mat;
  p.attr = loaded->record->attr;
  return p;
}

// Stores mat as the prototype's material chain; false when the store fails.
bool store_chain(const Preset& p, DBMATREFCHAIN& mat) {
  std::unique_ptr<PrototypeRecord> record = record_of_kind(p.kind);
  if (!record || !record->read(p.recid)) return false;
  record->mat = mat;
  return record->write(p.recid);
}

// The user of the link dialog; answers Yes to the dialog's questions when told so.
class LinkFiller : public DialogFiller {
 public:
  explicit LinkFiller(bool yes) : DialogFiller({{kMlQuantity, "--quantity"}}), yes_(yes) {}
  std::optional<int> answer_message_box(const MessageBoxRequest& request) override {
    if (yes_) return kIdYes;
    return DialogFiller::answer_message_box(request);
  }

 private:
  bool yes_;
};

// Opens the material link on p's chains, lets filler play its script and takes the
// links back into *out.
bool run_link(Preset& p, LinkFiller& filler, DBMATREFCHAIN* out) {
  DialogUserScope scope(filler);
  void* dialog = MaterialLink(console_window(), &p.mat, &p.attr, p.kind, 1, nullptr, 0, 0);
  if (dialog == nullptr) return false;
  drive_dialog(dialog);
  SpecUpdate_MaterialRef(out);
  destroy_dialog(dialog);
  return true;
}

std::string chain_code(const DBMATREF& r) { return r.code.get(); }

bool has_code(const DBMATREFCHAIN& c, const std::string& code) {
  for (unsigned i = 0; i < c.size(); ++i)
    if (chain_code(c[i]) == code) return true;
  return false;
}

nlohmann::ordered_json quantity_json(double q) {
  if (std::fabs(q - DBMATREF::kAutoQuantity) < 1e-10) return "auto";
  return q;
}

std::string quantity_word(double q) {
  if (std::fabs(q - DBMATREF::kAutoQuantity) < 1e-10) return "auto";
  return exact_number(q);
}

std::string name_of(LISTCONTEXT& library, const std::string& code) {
  dbmaterial m;
  TEXTBUFFER t(code.c_str());
  const long id = library.get(t, m, nullptr);
  char out[kLinkedNameSize] = {};
  if (id > 0) LinkedMaterialName(&library, id, out, 1);
  return out;
}

int print_links(LISTCONTEXT& library, const DBMATREFCHAIN& mat, bool json, Output& out) {
  if (json) {
    nlohmann::ordered_json a = nlohmann::ordered_json::array();
    for (unsigned i = 0; i < mat.size(); ++i) {
      const DBMATREF& r = mat[i];
      a.push_back({{"code", chain_code(r)},
                   {"name", name_of(library, chain_code(r))},
                   {"quantity", quantity_json(r.quantity)},
                   {"parameter", std::string(r.parameter)},
                   {"location", r.location != 0 ? nlohmann::ordered_json(location_key_path(r.location))
                                                : nlohmann::ordered_json(nullptr)}});
    }
    out.out() << a.dump(2) << "\n";
    return 0;
  }
  for (unsigned i = 0; i < mat.size(); ++i) {
    const DBMATREF& r = mat[i];
    out.out() << chain_code(r) << "\t" << name_of(library, chain_code(r)) << "\t"
              << quantity_word(r.quantity) << "\t" << r.parameter << "\t"
              << location_key_path(r.location) << "\n";
  }
  return 0;
}

// Runs body with the project and the material library open and active.
using LinkBody = std::function<int(ModelDatabase&, LISTCONTEXT&, Output&)>;
void run_with_both(Context& context, const std::string& command, const LinkBody& body) {
  context.status = run_in_project(context, command, false, [&](ModelDatabase& project, Output& out) {
    LISTCONTEXT library;
    std::string error;
    const std::string path = materials_path(context.options);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) || !open_library(library, path, false, &error))
      return out.fail(error.empty() ? "no material library " + path : error);
    ActiveLibrary active(library);
    PurgeMaterialsFromMemory();
    return body(project, library, out);
  });
}

int save(ModelDatabase& project, const Preset& p, DBMATREFCHAIN& mat, Output& out,
         const std::string& done) {
  Transaction change(project);
  if (!change) return out.fail("cannot change the project " + std::string(project.fullpath()));
  if (!store_chain(p, mat) || !change.commit())
    return out.fail("cannot save the project " + std::string(project.fullpath()));
  out.note(done);
  return 0;
}

struct LinkRequest {
  std::string node;
  std::string code;
  std::string quantity;
  std::string parameter;
  std::string location;
  bool json = false;
};

int link_command(ModelDatabase& project, LISTCONTEXT& library, const LinkRequest& r, Output& out) {
  std::string error;
  std::optional<Preset> p = open_preset(r.node, &error);
  if (!p) return out.fail(error);
  const long id = find_material(library, r.code);
  if (id == 0) return out.fail(unknown_code(r.code));
  TEXTBUFFER path;
  library.get_idpath(id, path);
  const std::string code = path.get();
  long location = 0;
  if (!r.location.empty()) {
    const long key = location_key(r.location, &error);
    location = key > 0 ? LOCALIZATION().get_key_location(key) : 0;
    if (location <= 0) return out.fail("--location: " + error);
  }
  LinkFiller filler(false);
  Script& s = filler.on(kMaterialLinkContext);
  if (!r.parameter.empty()) {
    const std::vector<std::string> offered = matlink::offered_parameters(&p->attr, p->kind);
    int row = -1;
    for (std::size_t i = 0; i < offered.size(); ++i)
      if (offered[i] == r.parameter) row = static_cast<int>(i);
    if (row < 0) return out.fail("--parameter: \"" + r.parameter + "\" is no parameter of this prototype");
    s.press(kMlParameter);
    filler.on(kSelParameterContext).select_row(kSpList, row).press(kIdAccept);
  }
  std::vector<long> above;
  for (long a = library.get_parent_material(id); a > 0 && above.size() < 64;
       a = library.get_parent_material(a))
    above.insert(above.begin(), a);
  for (long a : above) s.expand(kMlTree, a);
  s.select_item(kMlTree, id).press(kMlAdd);
  if (!r.quantity.empty()) {
    s.type(kMlQuantity, r.quantity == "auto" ? dialog_text(21529) : r.quantity).enter(kMlQuantity);
  }
  if (location > 0) {
    s.press(kMlLocation);
    Script& pick = filler.on(kLocSelectContext);
    std::vector<long> outer;
    DBLOCATIONTYPE l;
    long parent = 0;
    for (long at = location; outer.size() < 100000 && LOCALIZATION().get_id_location(at, &l, &parent) == at &&
                             parent > 0;
         at = parent)
      outer.insert(outer.begin(), parent);
    for (long a : outer) pick.expand(kLocTree, a);
    pick.select_item(kLocTree, location).press(kIdAccept);
  }
  DBMATREFCHAIN before;
  DBMATREFCHAIN after;
  Preset unchanged_view = *p;
  {
    LinkFiller none(false);
    if (!run_link(unchanged_view, none, &before)) return out.fail("the material link cannot open");
  }
  if (!run_link(*p, filler, &after)) return out.fail("the material link cannot open");
  if (after.size() == before.size()) {
    if (has_code(before, code)) return out.fail(code + " is linked already");
    if (!r.parameter.empty())
      return out.fail(code + " cannot be measured by the parameter " + r.parameter);
    const std::string why = filler.refusal();
    return out.fail(code + " was not linked" + (why.empty() ? "" : ": " + why));
  }
  if (filler.warned()) return out.fail(filler.refusal() + "; the project is unchanged");
  if (location > 0) {
    DBLOCATIONTYPE l;
    LOCALIZATION().get_id_location(location, &l);
    for (unsigned i = 0; i < after.size(); ++i)
      if (chain_code(after[i]) == code && after[i].location != l.key)
        return out.fail("the location of " + code + " was not set; the project is unchanged");
  }
  return save(project, *p, after, out, "linked " + code);
}

int unlink_command(ModelDatabase& project, LISTCONTEXT& library, const LinkRequest& r, Output& out) {
  std::string error;
  std::optional<Preset> p = open_preset(r.node, &error);
  if (!p) return out.fail(error);
  DBMATREFCHAIN now;
  Preset view = *p;
  {
    LinkFiller none(false);
    if (!run_link(view, none, &now)) return out.fail("the material link cannot open");
  }
  const long id = find_material(library, r.code);
  TEXTBUFFER path;
  if (id > 0) library.get_idpath(id, path);
  int row = -1;
  for (unsigned i = 0; i < now.size(); ++i)
    if (id > 0 && chain_code(now[i]) == path.get()) row = static_cast<int>(i);
  if (row < 0) return out.fail(r.code + " is not linked to this prototype");
  LinkFiller filler(false);
  filler.on(kMaterialLinkContext).select_row(kMlLinks, row).press(kMlRemove);
  DBMATREFCHAIN after;
  if (!run_link(*p, filler, &after)) return out.fail("the material link cannot open");
  if (after.size() + 1 != now.size()) return out.fail(r.code + " was not unlinked");
  return save(project, *p, after, out, "unlinked " + std::string(path.get()));
}

// ---- groups ------------------------------------------------------------------------------

int list_groups(bool json, Output& out) {
  nlohmann::ordered_json a = nlohmann::ordered_json::array();
  DBMATGROUP g;
  if (rewind_group() < 0) return out.fail("the groups cannot be read");
  for (long id = get_group(&g); id > 0; id = get_group(&g)) {
    nlohmann::ordered_json links = nlohmann::ordered_json::array();
    MatrefIterator it(id);
    DBMATREF ref;
    while (it.next(&ref) > 0)
      links.push_back({{"code", chain_code(ref)},
                       {"quantity", quantity_json(ref.quantity)},
                       {"parameter", std::string(ref.parameter)}});
    if (json) {
      a.push_back({{"name", std::string(g.name)}, {"links", links}});
    } else {
      out.out() << g.name << "\t" << links.size() << " links\n";
    }
  }
  if (json) out.out() << a.dump(2) << "\n";
  return 0;
}

int group_new(ModelDatabase& project, const std::string& name, const std::string& node, Output& out) {
  std::string error;
  std::optional<Preset> p = open_preset(node, &error);
  if (!p) return out.fail(error);
  const auto stored = stored_field("NAME", name, &error);
  if (!stored) return out.fail(error);
  if (find_group(stored->c_str()) != 0) return out.fail("a group \"" + name + "\" exists already");
  Transaction change(project);
  if (!change) return out.fail("cannot change the project " + std::string(project.fullpath()));
  LinkFiller filler(false);
  filler.on(kMaterialLinkContext).press(kMlLinkMode).type(kMlGroupName, *stored).press(kMlGroupNew);
  DBMATREFCHAIN after;
  if (!run_link(*p, filler, &after)) return out.fail("the material link cannot open");
  if (find_group(stored->c_str()) == 0) {
    const std::string why = filler.refusal();
    return out.fail("the group was not created" + (why.empty() ? "" : ": " + why));
  }
  if (!change.commit()) return out.fail("cannot save the project " + std::string(project.fullpath()));
  out.note("created group " + name);
  return 0;
}

int group_apply(ModelDatabase& project, const std::string& name, const std::string& node,
                bool overwrite, Output& out) {
  std::string error;
  std::optional<Preset> p = open_preset(node, &error);
  if (!p) return out.fail(error);
  const auto stored = stored_field("NAME", name, &error);
  if (!stored) return out.fail(error);
  if (find_group(stored->c_str()) == 0) return out.fail("no group \"" + name + "\"");
  LinkFiller filler(false);
  filler.on(kMaterialLinkContext)
      .press(kMlLinkMode)
      .choose_combo_text(kMlGroupName, *stored)
      .press(overwrite ? kMlGroupOverwrite : kMlGroupAdd);
  DBMATREFCHAIN before;
  Preset view = *p;
  {
    LinkFiller none(false);
    if (!run_link(view, none, &before)) return out.fail("the material link cannot open");
  }
  DBMATREFCHAIN after;
  if (!run_link(*p, filler, &after)) return out.fail("the material link cannot open");
  if (overwrite) {
    for (unsigned i = 0; i < before.size(); ++i)
      if (before[i].is_auto_quantity())
        return out.fail("a link of this prototype has the automatic quantity: a group cannot "
                        "overwrite it; the project is unchanged");
  }
  return save(project, *p, after, out, "applied group " + name);
}

int group_remove(ModelDatabase& project, const std::string& name, Output& out) {
  std::string error;
  const auto stored = stored_field("NAME", name, &error);
  if (!stored) return out.fail(error);
  if (find_group(stored->c_str()) == 0) return out.fail("no group \"" + name + "\"");
  Transaction change(project);
  if (!change) return out.fail("cannot change the project " + std::string(project.fullpath()));
  LinkFiller filler(true);
  filler.on(kMaterialLinkContext)
      .press(kMlLinkMode)
      .choose_combo_text(kMlGroupName, *stored)
      .press(kMlGroupDelete);
  Preset empty;
  empty.kind = 1;
  DBMATREFCHAIN after;
  if (!run_link(empty, filler, &after)) return out.fail("the material link cannot open");
  if (find_group(stored->c_str()) != 0) return out.fail("the group was not removed");
  if (!change.commit()) return out.fail("cannot save the project " + std::string(project.fullpath()));
  out.note("removed group " + name);
  return 0;
}

CLI::App* find_sub(CLI::App& app, const std::string& name) {
  for (CLI::App* sub : app.get_subcommands({}))
    if (sub->get_name() == name) return sub;
  return nullptr;
}

}  // namespace

void add_material_link_commands(CLI::App& app, Context& context) {
  CLI::App* prototypes = find_sub(app, "prototypes");
  if (prototypes == nullptr) prototypes = app.add_subcommand("prototypes", "The prototype tree");

  CLI::App* list = prototypes->add_subcommand("materials", "The material links of a prototype");
  auto lr = std::make_shared<LinkRequest>();
  list->add_option("NODE", lr->node, "Prototype: identifier or path of names")->required();
  list->add_flag("--json", lr->json, "As JSON: code, name, quantity or \"auto\", parameter, location");
  list->callback([&context, lr] {
    run_with_both(context, "prototypes materials", [&](ModelDatabase&, LISTCONTEXT& library, Output& out) {
      std::string error;
      std::optional<Preset> p = open_preset(lr->node, &error);
      if (!p) return out.fail(error);
      LinkFiller none(false);
      DBMATREFCHAIN now;
      if (!run_link(*p, none, &now)) return out.fail("the material link cannot open");
      return print_links(library, now, lr->json, out);
    });
  });

  CLI::App* link = prototypes->add_subcommand("link-material", "Link a library material to a prototype");
  auto r = std::make_shared<LinkRequest>();
  link->add_option("NODE", r->node, "Prototype: identifier or path of names")->required();
  link->add_option("CODE", r->code, "Material code, components joined by the separator")->required();
  link->add_option("--quantity", r->quantity, "Quantity, or auto (follows from the parameter)");
  link->add_option("--parameter", r->parameter, "Abbreviation of the parameter that measures it");
  link->add_option("--location", r->location, "Location: identifier or path of names");
  link->callback([&context, r] {
    run_with_both(context, "prototypes link-material",
                  [&](ModelDatabase& project, LISTCONTEXT& library, Output& out) {
                    return link_command(project, library, *r, out);
                  });
  });

  CLI::App* unlink = prototypes->add_subcommand("unlink-material", "Remove a material link");
  auto u = std::make_shared<LinkRequest>();
  unlink->add_option("NODE", u->node, "Prototype: identifier or path of names")->required();
  unlink->add_option("CODE", u->code, "Material code")->required();
  unlink->callback([&context, u] {
    run_with_both(context, "prototypes unlink-material",
                  [&](ModelDatabase& project, LISTCONTEXT& library, Output& out) {
                    return unlink_command(project, library, *u, out);
                  });
  });

  CLI::App* groups = app.add_subcommand("material-groups", "Named groups of material links");
  groups->require_subcommand(1);
  auto json = std::make_shared<bool>(false);
  CLI::App* gl = groups->add_subcommand("list", "The groups with their links");
  gl->add_flag("--json", *json, "As JSON: name, links (code, quantity, parameter)");
  gl->callback([&context, json] {
    context.status = run_in_project(context, "material-groups list", false,
                                    [&](ModelDatabase&, Output& out) { return list_groups(*json, out); });
  });
  auto name = std::make_shared<std::string>();
  auto node = std::make_shared<std::string>();
  auto overwrite = std::make_shared<bool>(false);
  CLI::App* gn = groups->add_subcommand("new", "A group from the links of a prototype");
  gn->add_option("NAME", *name, "1 to 25 characters")->required();
  gn->add_option("--from", *node, "Prototype whose links the group takes")->required();
  gn->callback([&context, name, node] {
    run_with_both(context, "material-groups new", [&](ModelDatabase& project, LISTCONTEXT&, Output& out) {
      return group_new(project, *name, *node, out);
    });
  });
  CLI::App* ga = groups->add_subcommand("apply", "Add a group's links to a prototype");
  ga->add_option("NAME", *name, "The group")->required();
  ga->add_option("NODE", *node, "Prototype")->required();
  ga->add_flag("--overwrite", *overwrite, "Replace the prototype's links by the group's");
  ga->callback([&context, name, node, overwrite] {
    run_with_both(context, "material-groups apply", [&](ModelDatabase& project, LISTCONTEXT&, Output& out) {
      return group_apply(project, *name, *node, *overwrite, out);
    });
  });
  CLI::App* gr = groups->add_subcommand("remove", "Remove a group with its links");
  gr->add_option("NAME", *name, "The group")->required();
  gr->callback([&context, name] {
    run_with_both(context, "material-groups remove", [&](ModelDatabase& project, LISTCONTEXT&, Output& out) {
      return group_remove(project, *name, out);
    });
  });
}

}  // namespace dlist::cli
