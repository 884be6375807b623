// The material link dialog, its parameter selection and the material table.

#include "matlink/material_link.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/material_records.h"
#include "host/database_task.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/message_box.h"
#include "host/dialog/owner_draw.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/list/list_context.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/location_store.h"
#include "host/model/material_groups.h"
#include "host/model/model_database.h"
#include "host/report.h"
#include "host/settings.h"
#include "locations/location_manager.h"
#include "host/dialog/menu.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"

namespace dlist::matlink {
namespace {

// One row of the link list, kept while the dialog is open.
struct LinkRecord {
  long material = 0;
  double quantity = 1.0;
  int32_t location = 0;
  char parameter[7] = {};
};

// One parameter offered: its name, abbreviation and the unit it is measured in.
struct ParameterRow {
  std::string name;
  std::string abbrev;
  std::string unit;
  int source = 0;  // 0 the element's attribute, 1 a project attribute, 2 built in
};

struct LinkState {
  std::vector<LinkRecord> links;
  std::vector<DBMATREF> group_links;
  long group = 0;
  std::vector<ParameterRow> parameters;
  std::string parameter;  // abbreviation of the chosen parameter, empty: none
  int dimension = -1;     // its dimension, -1: none
  char* state = nullptr;
  void* parent = nullptr;
  int mode = 1;
  bool group_mode = false;
  char group_name[kMatGroupNameSize] = {};
  int chosen_row = -1;  // of the parameter selection
  bool linkable_only = false;  // the view: the tree shows only linkable materials
  int width = 0, height = 0;   // of the dialog
};

LinkState g_state;
MaterialTable g_table;
void* g_images = nullptr;
void* g_location_images = nullptr;
int g_label_mode = 0;   // 0 code and name, 1 name, 2 code
int g_split_tree = 0;   // the splitters' positions, kept between dialogs (0: the middle)
int g_split_lists = 0;
int g_sort_column = 0;  // of the parameter selection
bool g_sort_up = true;

constexpr const char* kIcons[] = {"invalid", "material", "cover", "coverinv"};
constexpr int kSortTitles[] = {21409, 21410, 20402, 21005};

// Loads the four icons of the trees once.
bool ensure_images() {
  if (g_images != nullptr) return true;
  g_images = image_list_create(16, 16);
  if (g_images == nullptr) return false;
  for (const char* icon : kIcons)
    if (image_list_add_icon(g_images, icon) < 0) return false;
  return true;
}

void show_state_bitmaps();

bool is_auto(double q) { return std::fabs(q - DBMATREF::kAutoQuantity) < 1e-10; }

LISTCONTEXT* library() { return MaterialLibrary().GetPC(); }

bool flag_on() { return g_state.state == nullptr || g_state.state[kLinkFlagOffset] != 0; }

std::string text(int id) { return dialog_text(id); }

std::string material_label(long id) {
  char out[kLinkedNameSize] = {};
  if (library() != nullptr) LinkedMaterialName(library(), id, out, static_cast<short>(g_label_mode));
  return out;
}

std::string material_name(long id) {
  char out[kLinkedNameSize] = {};
  if (library() != nullptr) LinkedMaterialName(library(), id, out, 1);
  return out;
}

std::string quantity_text(double q) {
  if (is_auto(q)) return text(21529);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6f", q);
  return buffer;
}

int dimension_of(const std::string& abbrev) {
  for (const ParameterRow& p : g_state.parameters)
    if (p.abbrev == abbrev)
      return p.unit.empty() || library() == nullptr ? -1
                                                    : DimensionNumber(library(), p.unit.c_str());
  return -1;
}

void collect_parameters(DBATTREFCHAIN* attrs, int kind) {
  g_state.parameters.clear();
  const uint32_t mask = kind < 0 ? 0x200000u : ElementClassBit(kind);
  auto add = [](std::string name, std::string abbrev, std::string unit, int source) {
    for (const ParameterRow& p : g_state.parameters)
      if (p.abbrev == abbrev) return;
    g_state.parameters.push_back({std::move(name), std::move(abbrev), std::move(unit), source});
  };
  if (attrs != nullptr) {
    for (unsigned i = 0; i < attrs->size(); ++i) {
      DBATTRIBUTETYPE d;
      char abbrev[8] = {};
      std::memcpy(abbrev, (*attrs)[i].abbrev, sizeof (*attrs)[i].abbrev);
      if (abbrev[0] != 0 && ATTRIBUTES().get_abbrev_attribute(abbrev, &d) > 0)
        add(std::string(d.name, strnlen(d.name, sizeof d.name)), abbrev,
            std::string(d.unit, strnlen(d.unit, sizeof d.unit)), 0);
    }
  }
  for (const PROJECTATTRIBUTE& a : ProjectAttributes()) {
    if ((a.definition.Filter() & mask) == 0) continue;
    const DBATTRIBUTETYPE& d = a.definition;
    add(std::string(d.name, strnlen(d.name, sizeof d.name)),
        std::string(d.abbrev, strnlen(d.abbrev, sizeof d.abbrev)),
        std::string(d.unit, strnlen(d.unit, sizeof d.unit)), 1);
  }
  const int n = nParameter(mask);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(mask, i, &p) == 0) continue;
    add(std::string(p.name, strnlen(p.name, sizeof p.name)),
        std::string(p.abbrev, strnlen(p.abbrev, sizeof p.abbrev)),
        std::string(p.unit, strnlen(p.unit, sizeof p.unit)), 2);
  }
}

// ---- the link list ------------------------------------------------------------------

void* links_list(void* dialog) { return GetControlHWND(dialog, kMlLinks); }

}  // namespace

std::string location_path(long key) {
  std::string out;
  if (key <= 0) return out;
  DBLOCATIONTYPE l;
  long parent = 0;
  long id = LOCALIZATION().get_key_location(key);
  for (int depth = 0; id > 0 && depth < 100000; ++depth) {
    if (LOCALIZATION().get_id_location(id, &l, &parent) != id) break;
    out = std::string(l.name, strnlen(l.name, sizeof l.name)) + (out.empty() ? "" : "/" + out);
    id = parent;
  }
  return out;
}

namespace {

void fill_link_row(void* list, int row) {
  const LinkRecord& r = g_state.links[static_cast<std::size_t>(row)];
  const std::string first = "(" + std::string(r.parameter) + ") " + material_name(r.material);
  list_set_text(list, row, 0, first.c_str());
  list_set_text(list, row, 1, quantity_text(r.quantity).c_str());
  list_set_text(list, row, 2, location_path(r.location).c_str());
}

void refill_links(void* dialog) {
  void* list = links_list(dialog);
  list_delete_all(list);
  for (std::size_t i = 0; i < g_state.links.size(); ++i) {
    list_insert_row(list, static_cast<int>(i), "", static_cast<intptr_t>(g_state.links[i].material));
    fill_link_row(list, static_cast<int>(i));
  }
  SetInputActivitet(dialog, kMlLocation, g_state.links.empty() ? 0 : 1);
}

void show_quantity(void* dialog, int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= g_state.links.size()) {
    ShowDlgInput(dialog, kMlQuantity, 0);
    return;
  }
  const std::string q = quantity_text(g_state.links[static_cast<std::size_t>(row)].quantity);
  set_control_text(dialog, kMlQuantity, q.c_str());
  ShowDlgInput(dialog, kMlQuantity, 1);
}

void select_link(void* dialog, int row) {
  void* list = links_list(dialog);
  list_set_state(list, row, kLvisSelected, kLvisSelected);
  show_quantity(dialog, row);
}

// ---- the tree --------------------------------------------------------------------------

bool shown_in_tree(const MaterialEntry& e) {
  return !g_state.linkable_only || e.mark == kMarkMaterial || e.mark == kMarkCover;
}

// Fills the tree from the table; with the view of linkable materials only those and
// the materials above them (which are marked "cover").
void fill_tree(void* dialog) {
  void* tree = GetControlHWND(dialog, kMlTree);
  tree_delete_all(tree);
  for (MaterialEntry& e : g_table.entries()) {
    e.item = nullptr;
    if (!shown_in_tree(e)) continue;
    MaterialEntry* parent = e.parent > 0 ? g_table.find(e.parent) : nullptr;
    _TREEITEM* under = parent != nullptr && parent->item != nullptr ? parent->item : kTviRoot;
    e.item = tree_insert(tree, under, kTviLast, material_label(e.id).c_str(), e.mark, e.mark, e.id);
  }
}

void mark_tree(void* dialog) {
  g_table.mark(g_state.dimension);
  if (g_state.linkable_only) return fill_tree(dialog);
  void* tree = GetControlHWND(dialog, kMlTree);
  for (MaterialEntry& e : g_table.entries())
    if (e.item != nullptr) tree_set_image(tree, e.item, e.mark, e.mark);
}

void relabel_tree(void* dialog) {
  void* tree = GetControlHWND(dialog, kMlTree);
  for (MaterialEntry& e : g_table.entries())
    if (e.item != nullptr) tree_set_text(tree, e.item, material_label(e.id).c_str());
}

// ---- commands ------------------------------------------------------------------------

void switch_flag_on(void* dialog) {
  if (g_state.state != nullptr && g_state.state[kLinkFlagOffset] == 0) {
    g_state.state[kLinkFlagOffset] = 1;
    set_control_check(dialog, kMlFlag, 1);
    show_state_bitmaps();
  }
}

void add_selected(void* dialog) {
  void* tree = GetControlHWND(dialog, kMlTree);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  const long id = item != nullptr ? static_cast<long>(tree_param(tree, item)) : 0;
  MaterialEntry* e = id > 0 ? g_table.find(id) : nullptr;
  if (e == nullptr || e->mark == kMarkInvalid || e->mark == kMarkCoverInvalid) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  for (const LinkRecord& r : g_state.links)
    if (r.material == id) {
      SpecBeep(1, units::kDmatlink, __LINE__);
      return;
    }
  LinkRecord r;
  r.material = id;
  set_field(r.parameter, sizeof r.parameter, g_state.parameter.c_str());
  g_state.links.push_back(r);
  switch_flag_on(dialog);
  refill_links(dialog);
  select_link(dialog, static_cast<int>(g_state.links.size()) - 1);
}

void remove_selected(void* dialog) {
  const int row = list_selected(links_list(dialog));
  if (row < 0 || static_cast<std::size_t>(row) >= g_state.links.size()) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  g_state.links.erase(g_state.links.begin() + row);
  refill_links(dialog);
  show_quantity(dialog, -1);
}

void set_auto(void* dialog) {
  const int row = list_selected(links_list(dialog));
  if (row < 0 || static_cast<std::size_t>(row) >= g_state.links.size()) return;
  g_state.links[static_cast<std::size_t>(row)].quantity = DBMATREF::kAutoQuantity;
  fill_link_row(links_list(dialog), row);
  show_quantity(dialog, row);
}

// Lets the user choose the location of the selected link.
void choose_location(void* dialog) {
  const int row = list_selected(links_list(dialog));
  if (row < 0 || static_cast<std::size_t>(row) >= g_state.links.size()) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  long key = g_state.links[static_cast<std::size_t>(row)].location;
  if (CrtSelectLocation(dialog, &key) == 0) return;
  if (key != g_state.links[static_cast<std::size_t>(row)].location) switch_flag_on(dialog);
  g_state.links[static_cast<std::size_t>(row)].location = static_cast<int32_t>(key);
  fill_link_row(links_list(dialog), row);
  select_link(dialog, row);
}

// ---- the location tree ------------------------------------------------------------------

void* locations_tree(void* dialog) { return GetControlHWND(dialog, kMlLocations); }

// The tree item of location id, searched depth-first; null when it is not shown.
_TREEITEM* location_item(void* tree, long id) {
  std::vector<_TREEITEM*> pending = tree_children(tree, nullptr);
  while (!pending.empty()) {
    _TREEITEM* item = pending.back();
    pending.pop_back();
    if (static_cast<long>(tree_param(tree, item)) == id) return item;
    for (_TREEITEM* child : tree_children(tree, item)) pending.push_back(child);
  }
  return nullptr;
}

// Fills the location tree again, selecting location id when it is shown.
void refill_locations(void* dialog, long id) {
  FillLocationTreeView(dialog, kMlLocations);
  void* tree = locations_tree(dialog);
  if (_TREEITEM* item = id > 0 ? location_item(tree, id) : nullptr) {
    tree_ensure_visible(tree, item);
    tree_select(tree, item);
  }
}

long selected_location(void* dialog) {
  void* tree = locations_tree(dialog);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  return item != nullptr ? static_cast<long>(tree_param(tree, item)) : 0;
}

int selected_link(void* dialog) {
  const int row = list_selected(links_list(dialog));
  return row >= 0 && static_cast<std::size_t>(row) < g_state.links.size() ? row : -1;
}

// Gives the selected link the location of key (0: none).
void set_link_location(void* dialog, long key) {
  const int row = selected_link(dialog);
  if (row < 0) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  LinkRecord& r = g_state.links[static_cast<std::size_t>(row)];
  if (r.location != key) switch_flag_on(dialog);
  r.location = static_cast<int32_t>(key);
  fill_link_row(links_list(dialog), row);
  select_link(dialog, row);
}

void use_selected_location(void* dialog) {
  DBLOCATIONTYPE l;
  const long id = selected_location(dialog);
  if (id <= 0 || LOCALIZATION().get_id_location(id, &l) != id) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  set_link_location(dialog, l.key);
}

void new_location_here(void* dialog, bool under) {
  const long at = selected_location(dialog);
  long parent = 0;
  DBLOCATIONTYPE l;
  if (at > 0 && LOCALIZATION().get_id_location(at, &l, &parent) != at) return;
  const long made = NewLocationInDialog(dialog, under ? at : parent, under);
  if (made > 0) refill_locations(dialog, made);
}

void edit_selected_location(void* dialog) {
  const long id = selected_location(dialog);
  if (id <= 0 || !EditLocationInDialog(dialog, id)) return;
  DBLOCATIONTYPE l;
  if (LOCALIZATION().get_id_location(id, &l) == id)
    if (_TREEITEM* item = location_item(locations_tree(dialog), id))
      tree_set_text(locations_tree(dialog), item, l.name);
  refill_links(dialog);  // the paths of the locations below it changed too
}

// Deletes the selected location with its subtree, asking first (saying so when a
// preset or one of the dialog's links uses it). Links whose location went with it
// are left without a location.
void delete_selected_location(void* dialog) {
  const long id = selected_location(dialog);
  DBLOCATIONTYPE l;
  if (id <= 0 || LOCALIZATION().get_id_location(id, &l) != id || l.key == 0) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  LOCALIZATION loc;
  const bool used_here = std::any_of(g_state.links.begin(), g_state.links.end(), [&](const LinkRecord& r) {
    if (r.location == 0) return false;
    for (long at = loc.get_key_location(r.location), parent = 0, depth = 0; at > 0 && depth < 100000;
         at = parent, ++depth) {
      DBLOCATIONTYPE up;
      if (at == id) return true;
      if (loc.get_id_location(at, &up, &parent) != at) break;
    }
    return false;
  });
  if (!AskDeleteLocation(dialog, l.key, used_here)) return;
  if (loc.del_location(id) == 0) {
    SpecBeep(0, units::kDmatlink, __LINE__);
    return;
  }
  for (LinkRecord& r : g_state.links)
    if (r.location != 0 && loc.get_key_location(r.location) <= 0) r.location = 0;
  const int row = selected_link(dialog);
  refill_links(dialog);
  if (row >= 0) select_link(dialog, row);
  refill_locations(dialog, 0);
}

void location_command(void* dialog, int command) {
  switch (command) {
    case kMlLocUse: return use_selected_location(dialog);
    case kMlLocNone: return set_link_location(dialog, 0);
    case kMlLocNewBeside:
    case kMlLocNewUnder: return new_location_here(dialog, command == kMlLocNewUnder);
    case kMlLocEdit: return edit_selected_location(dialog);
    case kMlLocDelete: return delete_selected_location(dialog);
    default: return;
  }
}

// The location tree's context menu over the clicked item (none: the commands that
// need a location are disabled).
void location_context_menu(void* dialog, _TREEITEM* item) {
  void* tree = locations_tree(dialog);
  if (item != nullptr) tree_select(tree, item);
  const long id = item != nullptr ? static_cast<long>(tree_param(tree, item)) : 0;
  DBLOCATIONTYPE l;
  const bool located = id > 0 && LOCALIZATION().get_id_location(id, &l) == id;
  const bool link = selected_link(dialog) >= 0;
  void* menu = menu_create();
  if (menu == nullptr) return;
  menu_append(menu, kMlLocUse, text(22024).c_str());
  menu_append(menu, kMlLocNone, text(22030).c_str());
  menu_append_separator(menu);
  menu_append(menu, kMlLocNewBeside, text(22571).c_str());
  menu_append(menu, kMlLocNewUnder, text(22570).c_str());
  menu_append(menu, kMlLocEdit, text(22572).c_str());
  menu_append(menu, kMlLocDelete, text(22573).c_str());
  menu_append_separator(menu);
  menu_append(menu, kMlLocCancel, text(37).c_str());
  menu_enable(menu, kMlLocUse, located && link);
  menu_enable(menu, kMlLocNone, link);
  menu_enable(menu, kMlLocNewUnder, located);
  menu_enable(menu, kMlLocEdit, located);
  menu_enable(menu, kMlLocDelete, located && l.key != 0);
  const int chosen = menu_track(menu, dialog);
  menu_destroy(menu);
  location_command(dialog, chosen);
}

// The context menus: of the tree (add) and of the link list (remove, remove all,
// automatic quantity, location). The command chosen; 0 when dismissed.
int link_context_menu(void* dialog, bool tree) {
  void* menu = menu_create();
  if (menu == nullptr) return 0;
  if (tree) {
    menu_append(menu, kMlMenuAdd, text(21354).c_str());
  } else {
    const bool any = !g_state.links.empty();
    menu_append(menu, kMlMenuRemove, text(21356).c_str());
    menu_append(menu, kMlMenuRemoveAll, text(50883).c_str());
    menu_append(menu, kMlMenuAuto, text(50884).c_str());
    menu_append(menu, kMlMenuLocation, text(22024).c_str());
    for (int id : {kMlMenuRemove, kMlMenuRemoveAll, kMlMenuAuto, kMlMenuLocation}) menu_enable(menu, id, any);
  }
  const int chosen = menu_track(menu, dialog);
  menu_destroy(menu);
  return chosen;
}

bool any_auto() {
  return std::any_of(g_state.links.begin(), g_state.links.end(),
                     [](const LinkRecord& r) { return is_auto(r.quantity); });
}

// ---- groups ----------------------------------------------------------------------------

void fill_group_combo(void* dialog) {
  void* combo = GetControlHWND(dialog, kMlGroupName);
  combo_clear(combo);
  DBMATGROUP g;
  if (rewind_group() < 0) return;
  for (long id = get_group(&g); id > 0; id = get_group(&g)) combo_add(combo, g.name, id);
}

void load_group(void* dialog, long group) {
  g_state.group = group;
  g_state.group_links.clear();
  void* list = GetControlHWND(dialog, kMlGroupLinks);
  list_delete_all(list);
  ShowDlgInput(dialog, kMlGroupQuantity, 0);
  if (group <= 0) return;
  MatrefIterator it(group);
  DBMATREF ref;
  while (it.next(&ref) > 0 && g_state.group_links.size() < 100000) {
    const int row = static_cast<int>(g_state.group_links.size());
    g_state.group_links.push_back(ref);
    const std::string first = "(" + std::string(ref.parameter) + ") " + ref.code.get();
    list_insert_row(list, row, first.c_str(), row);
    list_set_text(list, row, 1, quantity_text(ref.quantity).c_str());
  }
}

long selected_group(void* dialog) {
  void* combo = GetControlHWND(dialog, kMlGroupName);
  const std::string name = control_text(dialog, kMlGroupName);
  const int at = combo_find(combo, name.c_str());
  return at >= 0 ? static_cast<long>(combo_param(combo, at)) : find_group(name.c_str());
}

bool store_links(long group) {
  LISTCONTEXT* lib = library();
  for (const LinkRecord& r : g_state.links) {
    DBMATREF ref;
    if (lib == nullptr || lib->get_idpath(r.material, ref.code) == 0) return false;
    ref.quantity = r.quantity;
    ref.set_parameter(r.parameter);
    if (cre_group_matref(group, ref) == 0) return false;
  }
  return true;
}

// A new group named name holding the current links, made in one change: never a
// group without its references. Its identifier; 0 when it cannot be made.
long create_group_of_links(const std::string& name) {
  TaskTransaction change(active_model());
  const long id = change ? create_group(name.c_str()) : 0;
  return id != 0 && store_links(id) && change.commit() ? id : 0;
}

void group_new(void* dialog) {
  const std::string name = control_text(dialog, kMlGroupName);
  if (name.empty() || name.size() >= static_cast<std::size_t>(kMatGroupNameSize) ||
      find_group(name.c_str()) != 0) {
    SetErrorId(kMlGroupName);
    WarningProc(dialog, kMlGroupName);
    return;
  }
  const long id = create_group_of_links(name);
  if (id == 0) {
    SpecBeep(0, units::kDmatlink, __LINE__);
    return;
  }
  fill_group_combo(dialog);
  load_group(dialog, id);
}

// Puts refs in place of the references of group id, in one change: when a write
// fails the group keeps what it held.
bool rewrite_group(long id, const std::vector<DBMATREF>& refs) {
  TaskTransaction change(active_model());
  if (!change || remove_matref(id) == 0) return false;
  for (const DBMATREF& ref : refs)
    if (cre_group_matref(id, ref) == 0) return false;
  return change.commit();
}

// Puts the current links in place of group id's references, in one change.
bool store_links_in_place_of(long id) {
  TaskTransaction change(active_model());
  return change && remove_matref(id) != 0 && store_links(id) && change.commit();
}

void group_replace(void* dialog) {
  const long id = selected_group(dialog);
  if (id <= 0 || any_auto()) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  if (!store_links_in_place_of(id)) SpecBeep(0, units::kDmatlink, __LINE__);
  load_group(dialog, id);
}

int selected_group_link(void* dialog) {
  const int row = list_selected(GetControlHWND(dialog, kMlGroupLinks));
  return row >= 0 && static_cast<std::size_t>(row) < g_state.group_links.size() ? row : -1;
}

void show_group_quantity(void* dialog, int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= g_state.group_links.size()) {
    ShowDlgInput(dialog, kMlGroupQuantity, 0);
    return;
  }
  const std::string q = quantity_text(g_state.group_links[static_cast<std::size_t>(row)].quantity);
  set_control_text(dialog, kMlGroupQuantity, q.c_str());
  ShowDlgInput(dialog, kMlGroupQuantity, 1);
}

// Changes the selected group's links as change says and stores the group; the list
// shows what the group holds afterwards, also when the store refused.
template <typename Change>
void change_group_link(void* dialog, Change change) {
  const int row = selected_group_link(dialog);
  if (g_state.group <= 0 || row < 0) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  std::vector<DBMATREF> refs = g_state.group_links;
  if (!change(refs, static_cast<std::size_t>(row))) return;
  if (!rewrite_group(g_state.group, refs)) SpecBeep(0, units::kDmatlink, __LINE__);
  load_group(dialog, g_state.group);
  const int rows = static_cast<int>(g_state.group_links.size());
  if (rows > 0) {
    const int at = std::min(row, rows - 1);
    list_set_state(GetControlHWND(dialog, kMlGroupLinks), at, kLvisSelected, kLvisSelected);
    show_group_quantity(dialog, at);
  } else {
    show_group_quantity(dialog, -1);
  }
}

void set_group_quantity(void* dialog, double value) {
  change_group_link(dialog, [&](std::vector<DBMATREF>& refs, std::size_t row) {
    if (std::fabs(refs[row].quantity - value) < 1e-6) return false;
    refs[row].quantity = value;
    return true;
  });
}

void remove_group_link(void* dialog) {
  change_group_link(dialog, [](std::vector<DBMATREF>& refs, std::size_t row) {
    refs.erase(refs.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
  });
}

// The group list's context menu over the clicked row.
void group_context_menu(void* dialog, int row) {
  void* list = GetControlHWND(dialog, kMlGroupLinks);
  if (row >= 0 && static_cast<std::size_t>(row) < g_state.group_links.size()) {
    list_set_state(list, row, kLvisSelected, kLvisSelected);
    show_group_quantity(dialog, row);
  }
  void* menu = menu_create();
  if (menu == nullptr) return;
  menu_append(menu, kMlMenuGroupRemove, text(21356).c_str());
  menu_append(menu, kMlMenuGroupAuto, text(50884).c_str());
  const bool any = selected_group_link(dialog) >= 0;
  for (int id : {kMlMenuGroupRemove, kMlMenuGroupAuto}) menu_enable(menu, id, any);
  const int chosen = menu_track(menu, dialog);
  menu_destroy(menu);
  if (chosen == kMlMenuGroupRemove) remove_group_link(dialog);
  if (chosen == kMlMenuGroupAuto) set_group_quantity(dialog, DBMATREF::kAutoQuantity);
}

void group_delete(void* dialog) {
  const long id = selected_group(dialog);
  if (id <= 0) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  if (message_box(dialog, text(21370).c_str(), text(21358).c_str(), kMbYesNo) != kIdYes) return;
  if (remove_group(id) == 0) SpecBeep(0, units::kDmatlink, __LINE__);
  fill_group_combo(dialog);
  set_control_text(dialog, kMlGroupName, "");
  load_group(dialog, 0);
}

// The group's links whose material is in the library; missing counts the others.
std::vector<LinkRecord> group_records(int* missing) {
  std::vector<LinkRecord> out;
  *missing = 0;
  LISTCONTEXT* lib = library();
  for (const DBMATREF& ref : g_state.group_links) {
    dbmaterial m;
    const long id = lib != nullptr ? lib->get(ref.code, m, nullptr) : 0;
    if (id <= 0) {
      ++*missing;
      continue;
    }
    LinkRecord r;
    r.material = id;
    r.quantity = ref.quantity;
    std::memcpy(r.parameter, ref.parameter, sizeof r.parameter);
    r.parameter[sizeof r.parameter - 1] = 0;
    out.push_back(r);
  }
  return out;
}

// The warning about the group's links, when there is one; false when it is answered No.
bool confirm_group(void* dialog, int missing, int caption) {
  if (missing == 0) return true;
  const std::string warning = text(50880) + " " + std::to_string(missing);
  return message_box(dialog, warning.c_str(), text(caption).c_str(), kMbYesNo) == kIdYes;
}

void group_apply(void* dialog, bool overwrite) {
  const long id = selected_group(dialog);
  if (id <= 0 || (overwrite && any_auto())) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  if (id != g_state.group) load_group(dialog, id);
  int missing = 0;
  std::vector<LinkRecord> records = group_records(&missing);
  if (!confirm_group(dialog, missing, overwrite ? 21360 : 21359)) return;
  if (overwrite) {
    g_state.links = std::move(records);
  } else {
    for (const LinkRecord& r : records) {
      auto same = std::find_if(g_state.links.begin(), g_state.links.end(), [&](const LinkRecord& l) {
        return l.material == r.material && std::strcmp(l.parameter, r.parameter) == 0;
      });
      if (same != g_state.links.end()) {
        same->quantity = r.quantity;
      } else {
        g_state.links.push_back(r);
      }
    }
  }
  switch_flag_on(dialog);
  refill_links(dialog);
}

// The bitmaps of the state buttons: the caller's flag ("checkon", "checkoff"), the
// link or group mode ("linkmode1", "linkmode2"), the label mode ("mtstat1" to
// "mtstat3") and the host's mode ("selmode%d", "matmode%d" in material mode).
void show_state_bitmaps() {
  char name[32];
  std::snprintf(name, sizeof name, "linkmode%d", g_state.group_mode ? 2 : 1);
  SetInpCont_Bitmap(kMlLinkMode, name);
  std::snprintf(name, sizeof name, "mtstat%d", g_label_mode + 1);
  SetInpCont_Bitmap(kMlLabelMode, name);
  std::snprintf(name, sizeof name, g_state.mode == 4 ? "matmode%d" : "selmode%d",
                std::clamp(GetMatSelectMode(), 1, 4));
  SetInpCont_Bitmap(g_state.mode == 4 ? kMlMatMode : kMlSelMode, name);
  if (g_state.state != nullptr)
    SetInpCont_Bitmap(kMlFlag, g_state.state[kLinkFlagOffset] != 0 ? "checkon" : "checkoff");
}

void show_group_mode(void* dialog) {
  const bool group = g_state.group_mode;
  for (int id : {kMlGroupName, kMlGroupLinks, kMlGroupNew, kMlGroupReplace, kMlGroupDelete,
                 kMlGroupAdd, kMlGroupOverwrite})
    ShowDlgInput(dialog, id, group ? 1 : 0);
  for (int id : {kMlAdd, kMlRemove, kMlView, kMlLocation, kMlLocations}) ShowDlgInput(dialog, id, group ? 0 : 1);
  if (group) {
    ShowDlgInput(dialog, kMlQuantity, 0);
  } else {
    ShowDlgInput(dialog, kMlGroupQuantity, 0);
  }
  set_control_check(dialog, kMlLinkMode, group ? 1 : 0);
  show_state_bitmaps();
}

// ---- the layout -----------------------------------------------------------------------

struct Box {
  int x = 0, y = 0, cx = 0, cy = 0;
};

// Where the panes stand: the material tree left of the upright splitter; right of
// it the link list, its quantity editor, the flat splitter and the pane below it
// (the location tree in link mode, the group's links in group mode).
struct LinkLayout {
  Box tree, split_tree, links, quantity, split_lists, lower, group_quantity;
};

constexpr int kTop = 30;         // below the row of mode buttons
constexpr int kButtonRow = 30;   // the command buttons at the bottom
constexpr int kBar = 6;          // a splitter's thickness
constexpr int kSplitMargin = 32; // a splitter keeps this far from the edges
constexpr int kEditorRow = 24;   // an editor's row below its list

// The layout for the dialog's size; the splitters' positions are first brought
// inside their margins (the middle when they are unset).
LinkLayout link_layout(int w, int h) {
  const int bottom = h - kButtonRow;
  if (g_split_tree < kSplitMargin || g_split_tree > w - kSplitMargin - kBar) g_split_tree = w / 2;
  if (g_split_lists < kTop + kSplitMargin || g_split_lists > bottom - kSplitMargin - kBar)
    g_split_lists = kTop + (bottom - kTop) / 2;
  const int x0 = g_split_tree + kBar, rw = w - x0;
  LinkLayout l;
  l.tree = {0, kTop, g_split_tree, bottom - kTop};
  l.split_tree = {g_split_tree, kTop, kBar, bottom - kTop};
  l.links = {x0, kTop, rw, std::max(0, g_split_lists - kTop - kEditorRow)};
  l.quantity = {x0, g_split_lists - kEditorRow + 2, 120, 20};
  l.split_lists = {x0, g_split_lists, rw, kBar};
  l.lower = {x0, g_split_lists + kBar, rw, std::max(0, bottom - g_split_lists - kBar - kEditorRow)};
  l.group_quantity = {x0, bottom - kEditorRow + 2, 120, 20};
  return l;
}

// Lays the panes out again after a splitter moved.
void relayout(void* dialog) {
  const LinkLayout l = link_layout(g_state.width, g_state.height);
  const std::pair<int, Box> boxes[] = {
      {kMlTree, l.tree},           {kMlSplitTree, l.split_tree}, {kMlLinks, l.links},
      {kMlQuantity, l.quantity},   {kMlSplitLists, l.split_lists}, {kMlLocations, l.lower},
      {kMlGroupLinks, l.lower},    {kMlGroupQuantity, l.group_quantity}};
  for (const auto& [id, b] : boxes) move_control(dialog, id, b.x, b.y, b.cx, b.cy);
}

// A splitter was dragged to where the engine put it: keep the position and lay out.
void splitter_moved(void* dialog, int control) {
  int x = 0, y = 0;
  if (!control_rect(dialog, control, &x, &y, nullptr, nullptr)) return;
  if (control == kMlSplitTree) {
    g_split_tree = std::clamp(x, kSplitMargin, std::max(kSplitMargin, g_state.width - kSplitMargin - kBar));
  } else {
    g_split_lists = std::clamp(y, kTop + kSplitMargin,
                               std::max(kTop + kSplitMargin, g_state.height - kButtonRow - kSplitMargin - kBar));
  }
  relayout(dialog);
}

// ---- the parameter selection ----------------------------------------------------------

std::vector<int> g_order;  // rows of the selection: indexes into parameters

std::string column_value(const ParameterRow& p, int column) {
  switch (column) {
    case 0: return p.name;
    case 1: return p.abbrev;
    case 2: return p.unit;
    default: return std::to_string(p.source);
  }
}

void fill_order() {
  g_order.resize(g_state.parameters.size());
  for (std::size_t i = 0; i < g_order.size(); ++i) g_order[i] = static_cast<int>(i);
  std::stable_sort(g_order.begin(), g_order.end(), [](int a, int b) {
    const std::string x = column_value(g_state.parameters[static_cast<std::size_t>(a)], g_sort_column);
    const std::string y = column_value(g_state.parameters[static_cast<std::size_t>(b)], g_sort_column);
    return g_sort_up ? x < y : y < x;
  });
}

void fill_parameter_list(void* dialog) {
  void* list = GetControlHWND(dialog, kSpList);
  fill_order();
  list_delete_all(list);
  for (std::size_t r = 0; r < g_order.size(); ++r) {
    const ParameterRow& p = g_state.parameters[static_cast<std::size_t>(g_order[r])];
    const int row = static_cast<int>(r);
    list_insert_row(list, row, p.name.c_str(), g_order[r]);
    list_set_text(list, row, 1, p.abbrev.c_str());
    list_set_text(list, row, 2, p.unit.c_str());
    list_set_text(list, row, 3, text(p.source == 2 ? 50881 : 50882).c_str());
    if (p.abbrev == g_state.parameter) list_set_state(list, row, kLvisSelected, kLvisSelected);
  }
}

int choose_parameter(void* parent) {
  g_state.chosen_row = -1;
  if (AllocTmpBuffers(2) == 0) return 0;
  int result = 0;
  if (MakeMainUnit(parent, text(21350).c_str(), "SelParam", 420, 300) != nullptr &&
      ListViewInputA(kSpList, 0, 0, 420, 260) != 0 && CommandButton(kIdAccept, 36, 250, 270, 80, 24) &&
      CommandButton(2, 37, 335, 270, 80, 24) && SetDlgInitProc(SelParameter_Init_Proc) &&
      SetAllInputProc(SelParameter_ExtAction_Proc)) {
    result = RunModalDialog(parent, 0, kSelParameterContext, 0);
  } else {
    SpecBeep(0, units::kDmatlink, __LINE__);
  }
  PurgeTmpBuffers();
  if (result == 0 || g_state.chosen_row < 0) return 0;
  const std::size_t at = static_cast<std::size_t>(g_order[static_cast<std::size_t>(g_state.chosen_row)]);
  g_state.parameter = g_state.parameters[at].abbrev;
  g_state.dimension = dimension_of(g_state.parameter);
  return 1;
}

}  // namespace

// ---- the material table ------------------------------------------------------------------

MaterialTable& material_table() { return g_table; }

void MaterialTable::clear() {
  entries_.clear();
  heads_.clear();
  next_.clear();
  bits_ = 1;
  filled_ = false;
}

void MaterialTable::rehash(std::size_t count) {
  bits_ = 1;
  while (bits_ < 30 && (std::size_t{1} << bits_) < count) ++bits_;
  heads_.assign(std::size_t{1} << bits_, -1);
  next_.assign(entries_.size(), -1);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const uint32_t b = bucket(entries_[i].id);
    next_[i] = heads_[b];
    heads_[b] = static_cast<int32_t>(i);
  }
}

MaterialEntry* MaterialTable::find(long id) {
  if (heads_.empty()) return nullptr;
  for (int32_t i = heads_[bucket(id)]; i >= 0; i = next_[static_cast<std::size_t>(i)])
    if (entries_[static_cast<std::size_t>(i)].id == id) return &entries_[static_cast<std::size_t>(i)];
  return nullptr;
}

bool MaterialTable::fill(LISTCONTEXT& library) {
  clear();
  library.read_lock();
  std::vector<long> level{0};
  std::vector<long> below;
  bool ok = true;
  while (ok && !level.empty()) {
    below.clear();
    for (long parent : level) {
      if (library.rewind_material(parent) < 0) {
        ok = false;
        break;
      }
      const std::size_t first = below.size();
      dbmaterial m;
      long id;
      while ((id = library.get(m, nullptr)) > 0) below.push_back(id);
      if (id < 0) ok = false;
      for (std::size_t i = first; i < below.size(); ++i) {
        MaterialEntry e;
        e.id = below[i];
        e.parent = parent;
        e.mask = MaterialDimensionMask(&library, below[i]);
        entries_.push_back(e);
      }
    }
    level.swap(below);
  }
  library.read_unlock();
  if (!ok) {
    clear();
    return false;
  }
  rehash(entries_.size());
  for (MaterialEntry& e : entries_)
    if (e.parent > 0)
      if (MaterialEntry* p = find(e.parent)) p->has_children = true;
  filled_ = true;
  return true;
}

void MaterialTable::mark(int dimension) {
  // Levels follow each other, so walking backwards meets every child before its parent.
  std::vector<char> any(entries_.size(), 0);
  for (std::size_t k = entries_.size(); k-- > 0;) {
    MaterialEntry& e = entries_[k];
    const bool linkable =
        dimension < 0 || (dimension < 32 && ((e.mask >> dimension) & 1u) != 0);
    if (e.has_children) {
      e.mark = any[k] ? kMarkCover : kMarkCoverInvalid;
    } else {
      e.mark = linkable ? kMarkMaterial : kMarkInvalid;
    }
    const bool counts = linkable || any[k];
    if (counts && e.parent > 0) {
      MaterialEntry* p = find(e.parent);
      if (p != nullptr) any[static_cast<std::size_t>(p - entries_.data())] = 1;
    }
  }
}

std::vector<std::string> offered_parameters(DBATTREFCHAIN* attrs, int kind) {
  collect_parameters(attrs, kind);
  fill_order();
  std::vector<std::string> out;
  for (int i : g_order) out.push_back(g_state.parameters[static_cast<std::size_t>(i)].abbrev);
  return out;
}

}  // namespace dlist::matlink

using namespace dlist;
using namespace dlist::matlink;

// ---- callbacks ----------------------------------------------------------------------------

int DLIST_CALL MaterialLink_Init_Proc(void* dialog) {
  if (!ensure_images()) return 0;
  tree_set_image_list(GetControlHWND(dialog, kMlTree), g_images);
  void* list = links_list(dialog);
  list_insert_column(list, 0, text(21364).c_str(), 200);
  list_insert_column(list, 1, text(21365).c_str(), 100);
  list_insert_column(list, 2, text(22024).c_str(), 100);
  void* group_list = GetControlHWND(dialog, kMlGroupLinks);
  list_insert_column(group_list, 0, text(21367).c_str(), 200);
  list_insert_column(group_list, 1, text(21365).c_str(), 100);
  if (!g_table.filled() && (library() == nullptr || !g_table.fill(*library()))) return 0;
  g_table.mark(g_state.dimension);
  fill_tree(dialog);
  refill_links(dialog);
  if (g_location_images == nullptr) {
    g_location_images = image_list_create(16, 16);
    if (g_location_images != nullptr && image_list_add_icon(g_location_images, "location") < 0) {
      image_list_destroy(g_location_images);
      g_location_images = nullptr;
    }
  }
  tree_set_image_list(locations_tree(dialog), g_location_images);
  refill_locations(dialog, 0);
  fill_group_combo(dialog);
  show_group_mode(dialog);
  ShowDlgInput(dialog, kMlQuantity, 0);
  ShowDlgInput(dialog, kMlGroupQuantity, 0);
  set_control_check(dialog, kMlLabelMode, g_label_mode);
  if (g_state.state != nullptr) set_control_check(dialog, kMlFlag, g_state.state[kLinkFlagOffset] != 0);
  return 1;
}

int DLIST_CALL MaterialLink_ExtAction_Proc(void* dialog, int control, int code) {
  const Notification* n = notification();
  switch (control) {
    case kMlFlag:
      if (code == kBnClicked && g_state.state != nullptr) {
        g_state.state[kLinkFlagOffset] = g_state.state[kLinkFlagOffset] != 0 ? 0 : 1;
        set_control_check(dialog, kMlFlag, g_state.state[kLinkFlagOffset]);
        show_state_bitmaps();
      }
      return 0;
    case kMlParameter:
      if (code == kBnClicked && choose_parameter(dialog) != 0) {
        set_control_text(dialog, kMlParameterText, g_state.parameter.c_str());
        mark_tree(dialog);
      }
      return 0;
    case kMlAdd:
    case kMlMenuAdd:
      if (code == kBnClicked) add_selected(dialog);
      return 0;
    case kMlRemove:
    case kMlMenuRemove:
      if (code == kBnClicked) remove_selected(dialog);
      return 0;
    case kMlMenuRemoveAll:
      g_state.links.clear();
      refill_links(dialog);
      show_quantity(dialog, -1);
      return 0;
    case kMlMenuAuto:
      set_auto(dialog);
      return 0;
    case kMlLocation:
    case kMlMenuLocation:
      if (code == kBnClicked) choose_location(dialog);
      return 0;
    case kMlLinks:
      if (code == kLvnItemChanged && n != nullptr && (n->new_state & kLvisSelected) != 0)
        show_quantity(dialog, n->row);
      if (code == kNmRClick && !g_state.group_mode) {
        if (n != nullptr && n->row >= 0 && static_cast<std::size_t>(n->row) < g_state.links.size())
          select_link(dialog, n->row);
        const int chosen = link_context_menu(dialog, false);
        if (chosen != 0) MaterialLink_ExtAction_Proc(dialog, chosen, kBnClicked);
      }
      return 0;
    case kMlTree:
      if (code == kNmRClick && !g_state.group_mode) {
        if (n != nullptr && n->item != nullptr) tree_select(GetControlHWND(dialog, kMlTree), n->item);
        const int chosen = link_context_menu(dialog, true);
        if (chosen != 0) MaterialLink_ExtAction_Proc(dialog, chosen, kBnClicked);
      }
      return 0;
    case kMlLocations:
      if (code == kNmRClick && !g_state.group_mode) location_context_menu(dialog, n != nullptr ? n->item : nullptr);
      if (code == kNmDblClk && !g_state.group_mode) use_selected_location(dialog);
      return 0;
    case kMlLocUse:
    case kMlLocNone:
    case kMlLocNewBeside:
    case kMlLocNewUnder:
    case kMlLocEdit:
    case kMlLocDelete:
      location_command(dialog, control);
      return 0;
    case kMlGroupLinks:
      if (code == kLvnItemChanged && n != nullptr && (n->new_state & kLvisSelected) != 0)
        show_group_quantity(dialog, n->row);
      if (code == kNmRClick && g_state.group_mode) group_context_menu(dialog, n != nullptr ? n->row : -1);
      return 0;
    case kMlMenuGroupRemove:
      remove_group_link(dialog);
      return 0;
    case kMlMenuGroupAuto:
      set_group_quantity(dialog, DBMATREF::kAutoQuantity);
      return 0;
    case kMlView:
      if (code == kBnClicked) {
        g_state.linkable_only = control_check(dialog, kMlView) != 0;
        fill_tree(dialog);
      }
      return 0;
    case kMlSplitTree:
    case kMlSplitLists:
      if (code == kDragButtonUp) splitter_moved(dialog, control);
      return 0;
    case kMlLinkMode:
      if (code == kBnClicked) {
        g_state.group_mode = !g_state.group_mode;
        show_group_mode(dialog);
      }
      return 0;
    case kMlLabelMode:
      if (code == kBnClicked) {
        g_label_mode = (g_label_mode + 1) % 3;
        set_control_check(dialog, kMlLabelMode, g_label_mode);
        show_state_bitmaps();
        relabel_tree(dialog);
      }
      return 0;
    case kMlGroupName:
      if (code == kCbnSelChange) load_group(dialog, selected_group(dialog));
      return 0;
    case kMlGroupNew:
      if (code == kBnClicked) group_new(dialog);
      return 0;
    case kMlGroupReplace:
      if (code == kBnClicked) group_replace(dialog);
      return 0;
    case kMlGroupDelete:
      if (code == kBnClicked) group_delete(dialog);
      return 0;
    case kMlGroupAdd:
    case kMlGroupOverwrite:
      if (code == kBnClicked) group_apply(dialog, control == kMlGroupOverwrite);
      return 0;
    case kMlMatMode:
    case kMlSelMode:
      if (code == kBnClicked) {
        SetMatSelectMode(GetMatSelectMode() % 4 + 1);
        show_state_bitmaps();
      }
      return 0;
    case kMlRefresh:
      ShowDlgInput(dialog, kMlTree, 0);
      tree_delete_all(GetControlHWND(dialog, kMlTree));
      if (library() != nullptr) g_table.fill(*library());
      g_table.mark(g_state.dimension);
      fill_tree(dialog);
      ShowDlgInput(dialog, kMlTree, 1);
      return 0;
    default:
      return 0;
  }
}

int DLIST_CALL MaterialLink_Draw_Proc(void* /*dialog*/, const DrawItem* item) {
  if (item == nullptr || item->row < 0) return 0;
  const std::size_t row = static_cast<std::size_t>(item->row);
  std::string first, quantity, location;
  if (item->control == kMlLinks && row < g_state.links.size()) {
    const LinkRecord& r = g_state.links[row];
    first = "(" + std::string(r.parameter) + ") " + material_name(r.material);
    quantity = quantity_text(r.quantity);
    location = location_path(r.location);
  } else if (item->control == kMlGroupLinks && row < g_state.group_links.size()) {
    const DBMATREF& ref = g_state.group_links[row];
    first = "(" + std::string(ref.parameter) + ") " + ref.code.get();
    quantity = quantity_text(ref.quantity);
  } else {
    return 0;
  }
  if ((item->state & kLvisSelected) != 0) draw_highlight(item->dc);
  draw_text(item->dc, 0, first.c_str());
  draw_text(item->dc, 1, quantity.c_str());
  if (item->control == kMlLinks) draw_text(item->dc, 2, location.c_str());
  return 1;
}

int DLIST_CALL MaterialLink_KeyEnter_Proc(void* dialog, int control) {
  if (control == kMlGroupName) {
    group_new(dialog);
    return 1;
  }
  if (control != kMlQuantity && control != kMlGroupQuantity) {
    post_command(g_state.parent, 2);
    return 1;
  }
  // The typed quantity: the automatic text where the mode takes it, else a number
  // the field's check accepts (a refusal keeps the editor open with its warning).
  const std::string typed = control_text(dialog, control);
  double value = 0;
  if ((g_state.mode == 1 || g_state.mode == 5) && typed == text(21529)) {
    value = DBMATREF::kAutoQuantity;
  } else {
    if (InputChecking(dialog, control) == 0) {
      WarningProc(dialog, control);
      return 1;
    }
    value = GetInpCont_Double(control);
  }
  if (control == kMlGroupQuantity) {
    set_group_quantity(dialog, value);
    set_focus(dialog, kMlGroupLinks);
    return 1;
  }
  const int row = list_selected(links_list(dialog));
  if (row < 0 || static_cast<std::size_t>(row) >= g_state.links.size()) return 1;
  LinkRecord& r = g_state.links[static_cast<std::size_t>(row)];
  if (std::fabs(value - r.quantity) >= 1e-6) {
    switch_flag_on(dialog);
    r.quantity = value;
    fill_link_row(links_list(dialog), row);
  }
  ShowDlgInput(dialog, kMlQuantity, 0);
  set_focus(dialog, kMlLinks);
  return 1;
}

int DLIST_CALL MaterialLink_Cancel_Proc(void* dialog) {
  if (control_visible(dialog, kMlQuantity)) set_focus(dialog, kMlLinks);
  if (control_visible(dialog, kMlGroupQuantity)) set_focus(dialog, kMlGroupLinks);
  return 1;
}

int DLIST_CALL SelParameter_Init_Proc(void* dialog) {
  void* list = GetControlHWND(dialog, kSpList);
  for (int c = 0; c < 4; ++c) {
    std::string title = text(kSortTitles[c]);
    if (c == g_sort_column) title = (g_sort_up ? "(+) " : "(-) ") + title;
    list_insert_column(list, c, title.c_str(), 100);
  }
  fill_parameter_list(dialog);
  return 1;
}

int DLIST_CALL SelParameter_ExtAction_Proc(void* dialog, int control, int code) {
  const Notification* n = notification();
  if (control != kSpList || n == nullptr) return 0;
  if (code == kLvnColumnClick && n->column >= 0 && n->column < 4) {
    if (n->column == g_sort_column) {
      g_sort_up = !g_sort_up;
    } else {
      g_sort_column = n->column;
      g_sort_up = true;
    }
    fill_parameter_list(dialog);
  } else if (code == kLvnItemChanged && (n->new_state & kLvisSelected) != 0) {
    g_state.chosen_row = n->row;
  }
  return 0;
}

// ---- exported calls --------------------------------------------------------------------------

void* DLIST_CALL MaterialLink(void* parent, DBMATREFCHAIN* chain, DBATTREFCHAIN* attrs, int kind,
                              int mode, char* state, int width, int height) {
  g_state.links.clear();
  g_state.group_links.clear();
  g_state.group = 0;
  g_state.group_mode = false;
  g_state.state = state;
  g_state.parent = parent;
  g_state.mode = mode;
  collect_parameters(attrs, kind);
  g_state.parameter.clear();
  g_state.dimension = -1;
  LISTCONTEXT* lib = library();
  if (chain != nullptr && lib != nullptr) {
    for (unsigned i = 0; i < chain->size(); ++i) {
      const DBMATREF& ref = (*chain)[i];
      dbmaterial m;
      const long id = lib->get(ref.code, m, nullptr);
      if (id <= 0) continue;  // the material left the library
      LinkRecord r;
      r.material = id;
      r.quantity = ref.quantity;
      r.location = ref.location;
      std::memcpy(r.parameter, ref.parameter, sizeof r.parameter);
      r.parameter[sizeof r.parameter - 1] = 0;
      g_state.links.push_back(r);
    }
  }
  if (AllocTmpBuffers(8) == 0) {
    SpecBeep(0, units::kDmatlink, __LINE__);
    return nullptr;
  }
  const int w = std::max(width > 0 ? width : 640, 320);
  const int h = std::max(height > 0 ? height : 420, 240);
  g_state.width = w;
  g_state.height = h;
  g_state.linkable_only = false;
  const LinkLayout l = link_layout(w, h);
  const int caption = mode == 4 ? 21304 : 20986;
  const int row = h - 26;
  bool ok = MakeModlessHeader(parent, text(caption).c_str(), "MatLink", w, h) != nullptr;
  ok = ok && TreeViewInput(kMlTree, l.tree.x, l.tree.y, l.tree.cx, l.tree.cy) &&
       DragingInput(kMlSplitTree, l.split_tree.x, l.split_tree.y, l.split_tree.cx, l.split_tree.cy) &&
       ListViewInputA(kMlLinks, l.links.x, l.links.y, l.links.cx, l.links.cy, kLvsOwnerDrawFixed) &&
       SetInpCont_DrawProc(kMlLinks, MaterialLink_Draw_Proc) &&
       DoubleInput(kMlQuantity, l.quantity.x, l.quantity.y, l.quantity.cx, l.quantity.cy) &&
       SetInpCont_MinMaxD(kMlQuantity, DBMATREF::kAutoQuantity, 9999999999.0, 6) &&
       DragingInput(kMlSplitLists, l.split_lists.x, l.split_lists.y, l.split_lists.cx, l.split_lists.cy) &&
       TreeViewInput(kMlLocations, l.lower.x, l.lower.y, l.lower.cx, l.lower.cy) &&
       ListViewInputA(kMlGroupLinks, l.lower.x, l.lower.y, l.lower.cx, l.lower.cy, kLvsOwnerDrawFixed) &&
       SetInpCont_DrawProc(kMlGroupLinks, MaterialLink_Draw_Proc) &&
       DoubleInput(kMlGroupQuantity, l.group_quantity.x, l.group_quantity.y, l.group_quantity.cx,
                   l.group_quantity.cy) &&
       SetInpCont_MinMaxD(kMlGroupQuantity, DBMATREF::kAutoQuantity, 9999999999.0, 6) &&
       ComboInput(kMlGroupName, 245, 4, std::clamp(w - 280, 40, 160), 20) &&
       SetInpCont_MinMaxN(kMlGroupName, 1, kMatGroupNameSize - 1) &&
       CommandButton(kMlParameter, 21350, 0, 4, 90, 22) &&
       StaticText(kMlParameterText, "", 95, 4, 60, 22) &&
       CommandButton(kMlLinkMode, 21368, 160, 4, 22, 22) &&
       CommandButton(kMlLabelMode, 22020, 185, 4, 22, 22) &&
       CheckBoxInput(kMlView, text(21355).c_str(), 0, row, 90, 22) &&
       SetInpCont_ToolTip(kMlView, 50885) &&
       CommandButton(kMlAdd, 21354, 92, row, 60, 22) &&
       CommandButton(kMlRemove, 21356, 154, row, 60, 22) &&
       CommandButton(kMlLocation, 22024, 216, row, 60, 22) &&
       CommandButton(kMlGroupNew, 21361, 0, row, 60, 22) &&
       CommandButton(kMlGroupReplace, 21362, 62, row, 60, 22) &&
       CommandButton(kMlGroupDelete, 21358, 124, row, 60, 22) &&
       CommandButton(kMlGroupAdd, 21359, 186, row, 60, 22) &&
       CommandButton(kMlGroupOverwrite, 21360, 248, row, 60, 22) &&
       CommandButton(mode == 4 ? kMlMatMode : kMlSelMode, caption, w - 30, 4, 22, 22);
  if (ok && state != nullptr) ok = CommandButton(kMlFlag, 50886, 215, 4, 22, 22) != 0;
  ok = ok && SetDlgInitProc(MaterialLink_Init_Proc) && SetAllInputProc(MaterialLink_ExtAction_Proc) &&
       SetKeyEnterProc(MaterialLink_KeyEnter_Proc) && SetCancelProc(MaterialLink_Cancel_Proc);
  void* dialog = ok ? RunModlessDialog(parent, kMaterialLinkContext) : nullptr;
  PurgeTmpBuffers();
  if (dialog == nullptr) SpecBeep(0, units::kDmatlink, __LINE__);
  return dialog;
}

void DLIST_CALL SpecUpdate_MaterialRef(DBMATREFCHAIN* chain) {
  if (chain == nullptr) return;
  chain->resize(0);
  if (!flag_on()) return;
  LISTCONTEXT* lib = library();
  for (const LinkRecord& r : g_state.links) {
    DBMATREF ref;
    if (lib == nullptr || lib->get_idpath(r.material, ref.code) == 0) continue;
    ref.quantity = r.quantity;
    ref.location = r.location;
    std::memcpy(ref.parameter, r.parameter, sizeof ref.parameter);
    chain->push(ref);
  }
}

int DLIST_CALL GetBuiltins(TEXTBUFFERCHAIN* out, long kind) {
  if (out == nullptr) return 0;
  const uint32_t mask = kind < 0 ? 0x200000u : ElementClassBit(static_cast<int>(kind));
  return ElemAttributeNames(mask, out);
}

void DLIST_CALL PurgeMaterialsFromMemory() { g_table.clear(); }

void DLIST_CALL DestroyMaterialImageList() {
  if (g_images != nullptr) image_list_destroy(g_images);
  g_images = nullptr;
  if (g_location_images != nullptr) image_list_destroy(g_location_images);
  g_location_images = nullptr;
}

// ---- the material selection ------------------------------------------------------------

namespace dlist::matlink {
namespace {

// The selection's marks and tree items, by index in the material table.
std::vector<char> g_marked;
std::vector<_TREEITEM*> g_select_items;

void* select_tree(void* dialog) { return GetControlHWND(dialog, kMsTree); }

// The index in the table of the selected tree item; -1 for none.
long selected_entry(void* dialog) {
  void* tree = select_tree(dialog);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  MaterialEntry* e = item != nullptr ? g_table.find(static_cast<long>(tree_param(tree, item))) : nullptr;
  return e != nullptr ? static_cast<long>(e - g_table.entries().data()) : -1;
}

void show_mark(void* dialog, std::size_t at) {
  const int icon = g_marked[at] != 0 ? kMarkMaterial : kMarkInvalid;
  if (g_select_items[at] != nullptr) tree_set_image(select_tree(dialog), g_select_items[at], icon, icon);
}

void toggle_mark(void* dialog) {
  const long at = selected_entry(dialog);
  if (at < 0) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  g_marked[static_cast<std::size_t>(at)] ^= 1;
  show_mark(dialog, static_cast<std::size_t>(at));
}

void view_selected(void* dialog) {
  const long at = selected_entry(dialog);
  if (at < 0 || library() == nullptr) {
    SpecBeep(1, units::kDmatlink, __LINE__);
    return;
  }
  Material m(library(), g_table.entries()[static_cast<std::size_t>(at)].id);
  if (m.read() == 0) {
    SpecBeep(0, units::kDmatlink, __LINE__);
    return;
  }
  CrtShowMaterial(dialog, &m);
}

// Selects the first marked material after the selected one (in the table's order).
void next_marked(void* dialog) {
  const long from = selected_entry(dialog);
  for (std::size_t k = static_cast<std::size_t>(from + 1); k < g_marked.size(); ++k)
    if (g_marked[k] != 0 && g_select_items[k] != nullptr) {
      tree_select(select_tree(dialog), g_select_items[k]);
      return;
    }
  SpecBeep(1, units::kDmatlink, __LINE__);
}

void show_select_mode(void* dialog) {
  char name[16];
  std::snprintf(name, sizeof name, "selmode%d", GetMatSelectMode());
  set_control_text(dialog, kMsSelMode, name);
}

}  // namespace
}  // namespace dlist::matlink

int DLIST_CALL MaterialSelect_Init_Proc(void* dialog) {
  if (!ensure_images()) return 0;
  void* tree = select_tree(dialog);
  tree_set_image_list(tree, g_images);
  if (!g_table.filled() && (library() == nullptr || !g_table.fill(*library()))) return 0;
  auto& entries = g_table.entries();
  g_marked.assign(entries.size(), 0);
  g_select_items.assign(entries.size(), nullptr);
  tree_delete_all(tree);
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const MaterialEntry& e = entries[k];
    MaterialEntry* parent = e.parent > 0 ? g_table.find(e.parent) : nullptr;
    _TREEITEM* under = parent != nullptr ? g_select_items[static_cast<std::size_t>(parent - entries.data())]
                                         : kTviRoot;
    if (under == nullptr) under = kTviRoot;
    g_select_items[k] = tree_insert(tree, under, kTviLast, material_label(e.id).c_str(), kMarkInvalid,
                                    kMarkInvalid, e.id);
  }
  set_control_check(dialog, kMsLabelMode, g_label_mode);
  show_select_mode(dialog);
  return 1;
}

int DLIST_CALL MaterialSelect_ExtAction_Proc(void* dialog, int control, int code) {
  switch (control) {
    case kMsTree:
      if (code == kNmRClick) {
        const Notification* n = notification();
        if (n != nullptr && n->item != nullptr) tree_select(select_tree(dialog), n->item);
        void* menu = menu_create();
        menu_append(menu, kMsMenuMark, text(20925).c_str());
        menu_append(menu, kMsMenuView, text(20904).c_str());
        menu_append_separator(menu);
        menu_append(menu, 2, text(37).c_str());
        const int chosen = menu_track(menu, dialog);
        menu_destroy(menu);
        if (chosen == kMsMenuMark) toggle_mark(dialog);
        if (chosen == kMsMenuView) view_selected(dialog);
      }
      return 0;
    case kMsMark:
    case kMsMenuMark:
      if (code == kBnClicked) toggle_mark(dialog);
      return 0;
    case kMsView:
    case kMsMenuView:
      if (code == kBnClicked) view_selected(dialog);
      return 0;
    case kMsNext:
      if (code == kBnClicked) next_marked(dialog);
      return 0;
    case kMsAllOff:
      if (code == kBnClicked)
        for (std::size_t k = 0; k < g_marked.size(); ++k)
          if (g_marked[k] != 0) {
            g_marked[k] = 0;
            show_mark(dialog, k);
          }
      return 0;
    case kMsLabelMode:
      if (code == kBnClicked) {
        g_label_mode = (g_label_mode + 1) % 3;
        set_control_check(dialog, kMsLabelMode, g_label_mode);
        for (std::size_t k = 0; k < g_select_items.size(); ++k)
          if (g_select_items[k] != nullptr)
            tree_set_text(select_tree(dialog), g_select_items[k],
                          material_label(g_table.entries()[k].id).c_str());
      }
      return 0;
    case kMsSelMode:
      if (code == kBnClicked) {
        SetMatSelectMode(GetMatSelectMode() == 1 ? 2 : 1);
        show_select_mode(dialog);
      }
      return 0;
    default:
      return 0;
  }
}

int DLIST_CALL MaterialSelect_KeyEnter_Proc(void* dialog, int control) {
  if (control != kMsTree) return 0;
  toggle_mark(dialog);
  return 1;
}

int DLIST_CALL CrtMaterialSelect(void* parent, TEXTBUFFERCHAIN* out, int flag) {
  if (AllocTmpBuffers(4) == 0) {
    SpecBeep(0, units::kDmatlink, __LINE__);
    return 0;
  }
  int result = 0;
  if (MakeMainUnit(parent, text(flag != 0 ? 21858 : 21859).c_str(), "MatSelect", 420, 420) != nullptr &&
      TreeViewInput(kMsTree, 0, 30, 420, 350) && CommandButton(kMsMark, 20925, 0, 4, 70, 22) &&
      CommandButton(kMsView, 20904, 72, 4, 70, 22) && CommandButton(kMsNext, 20926, 144, 4, 90, 22) &&
      CommandButton(kMsAllOff, 20927, 236, 4, 90, 22) &&
      Item("mtstat", kMsLabelMode, "Button", kBsCheckBox, 330, 4, 22, 22) &&
      SetInpCont_ToolTip(kMsLabelMode, 22020) &&
      Item("selmode", kMsSelMode, "Button", 0, 356, 4, 22, 22) &&
      SetInpCont_ToolTip(kMsSelMode, 20986) && CommandButton(kIdAccept, 36, 250, 390, 80, 24) &&
      CommandButton(2, 37, 335, 390, 80, 24) && SetDlgInitProc(MaterialSelect_Init_Proc) &&
      SetAllInputProc(MaterialSelect_ExtAction_Proc) && SetKeyEnterProc(MaterialSelect_KeyEnter_Proc)) {
    result = RunModalDialog(parent, 0, kMaterialSelectContext, 0);
  } else {
    SpecBeep(0, units::kDmatlink, __LINE__);
  }
  PurgeTmpBuffers();
  if (result != 0 && out != nullptr && library() != nullptr) {
    for (std::size_t k = 0; k < g_marked.size() && k < g_table.size(); ++k) {
      if (g_marked[k] == 0) continue;
      TEXTBUFFER code;
      if (library()->get_idpath(g_table.entries()[k].id, code) != 0) out->push(code);
    }
  }
  g_marked.clear();
  g_select_items.clear();
  return result;
}
