// The attribute manager dialog, its commands, its name dialogs, label editing and
// drag and drop.
#include "attributes/attribute_manager.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "attributes/attribute_editor.h"
#include "attributes/attribute_exchange.h"
#include "attributes/attribute_library_tree.h"
#include "attributes/attribute_manager_procedures.h"
#include "dialogs/dialog_runner.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/menu.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/attribute_store.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"

namespace dlist {
namespace {

constexpr char kAdapterClass[] = "drag_adapter";
constexpr int kAdapterTimer = 1;
constexpr unsigned kAdapterTick = 50;  // milliseconds
constexpr int kEdgeStrip = 5;          // pixels along the tree's edges that scroll a drag
constexpr int kNameLimit = 31;

// Texts.
constexpr unsigned kCaptionManager = 20390;
constexpr unsigned kCaptionNewGroup = 20407;
constexpr unsigned kCaptionRenameGroup = 20408;
constexpr unsigned kCaptionRenameAttribute = 20409;
constexpr unsigned kMenuEdit = 21701;
constexpr unsigned kLabelName = 20969;
constexpr unsigned kTextOk = 36;
constexpr unsigned kTextCancel = 20995;
constexpr unsigned kTextClose = 21725;
constexpr unsigned kTextForget = 37;
constexpr unsigned kFilterAttributes = 21760;
constexpr unsigned kCaptionExport = 11720;
constexpr unsigned kCaptionImport = 20424;

// The commands of the menu bar with their labels.
constexpr std::pair<int, unsigned> kCommands[] = {
    {kAttrCmdNewGroup, 20391}, {kAttrCmdNewAttribute, 20392}, {kAttrCmdRename, 21708},
    {kAttrCmdDelete, 21709},   {kAttrCmdEdit, 21719},         {kAttrCmdExport, 4910},
    {kAttrCmdImport, 20424},
};

// Where the border between the two trees stands; kept from one manager to the next.
int g_splitter = 250;

// ---- the group name and rename dialogs ------------------------------------------------

struct NameDialog {
  bool rename = false;
  long given = 0;  // the entry renamed, or the entry in whose group the new group goes
  char name[kNameLimit + 1] = {};
  long result = 0;
};
NameDialog* g_name = nullptr;

int DLIST_CALL AttrName_IDC_OK_Proc(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  SetErrorId(kAttrManagerNameField);
  const std::string typed = control_text(dialog, kAttrManagerNameField);
  if (g_name->rename) {
    if (rename_attribute_entry(dialog, g_name->given, typed.c_str()) == 0) return 0;
    g_name->result = g_name->given;
    return 1;
  }
  const long created = create_attribute_group(dialog, g_name->given, typed.c_str());
  if (created <= 0) return 0;
  g_name->result = created;
  return 1;
}

// Runs the group name dialog (new group) or the rename dialog; the new group or
// the renamed entry, 0 when cancelled.
long run_name_dialog(void* parent, NameDialog& state, unsigned caption, int context) {
  auto build = [&] {
    return MakeMainUnit(parent, load_string(caption).c_str(), "AttrName", 260, 80) != nullptr &&
           StaticText(10404, load_string(kLabelName).c_str(), 5, 5, 60, 18) != 0 &&
           TextEditInput(kAttrManagerNameField, 70, 5, 185, 18) != 0 &&
           SetInpCont_Addres(kAttrManagerNameField, state.name, sizeof state.name) != 0 &&
           SetInpCont_MinMaxN(kAttrManagerNameField, 1, kNameLimit) != 0 &&
           SetInpCont_ToolTip(kAttrManagerNameField, static_cast<int>(kLabelName)) != 0 &&
           CommandButton(kIdAccept, static_cast<int>(kTextOk), 5, 30, 100, 20) != 0 &&
           CommandButton(kIdReject, static_cast<int>(kTextCancel), 155, 30, 100, 20) != 0 &&
           SetIDC_OKProc(AttrName_IDC_OK_Proc) != 0;
  };
  const std::optional<int> r =
      run_dialog(DialogRun{parent, context, units::kDattrman, 2}, g_name, &state, build);
  return r.value_or(0) != 0 ? state.result : 0;
}

}  // namespace

long run_new_group_dialog(void* parent, long given) {
  NameDialog state;
  state.given = given;
  return run_name_dialog(parent, state, kCaptionNewGroup, kAttrGroupNameContext);
}

namespace {

// ---- the manager ------------------------------------------------------------------------

struct Manager {
  void* dialog = nullptr;
  void* menu = nullptr;
  void* images = nullptr;
  _TREEITEM* target = nullptr;  // the item a context menu's command applies to
  _TREEITEM* dragged = nullptr;
  void* drag_image = nullptr;
};
Manager* g_manager = nullptr;

void* library_tree(void* dialog) {
  return GetControlHWND(dialog, kAttrManagerTree);
}

long item_entry(void* tree, _TREEITEM* item) {
  return item != nullptr ? static_cast<long>(tree_param(tree, item)) : 0;
}

_TREEITEM* selected_item(void* dialog) {
  return tree_get_next(library_tree(dialog), nullptr, TreeRelation::kCaret);
}

// The item a command applies to: the context menu's target, else the selection.
_TREEITEM* command_item(void* dialog) {
  void* tree = library_tree(dialog);
  if (g_manager->target != nullptr && tree_has_item(tree, g_manager->target))
    return g_manager->target;
  return selected_item(dialog);
}

// The item of the group a command on item works in: item for a group, its parent
// for an attribute.
_TREEITEM* group_item(void* tree, _TREEITEM* item) {
  AttributeEntryInfo e;
  if (!attribute_entry_info(item_entry(tree, item), &e)) return nullptr;
  return e.group() ? item : tree_get_next(tree, item, TreeRelation::kParent);
}

void show_summary(void* dialog) {
  void* summary = GetControlHWND(dialog, kAttrManagerSummary);
  tree_delete_all(summary);
  AttributeEntryInfo e;
  if (!attribute_entry_info(item_entry(library_tree(dialog), selected_item(dialog)), &e) ||
      e.group())
    return;
  DBATTRIBUTETYPE definition;
  if (ATTRIBUTES().get_id_attribute(e.id, &definition) < 1) return;
  fill_attribute_summary_tree(summary, definition);
}

// The menu bar after a change of the selection.
void update_commands(void* dialog) {
  void* menu = g_manager->menu;
  AttributeEntryInfo e;
  const bool any =
      attribute_entry_info(item_entry(library_tree(dialog), selected_item(dialog)), &e);
  for (const auto& [command, text] : kCommands) menu_enable(menu, command, any);
  if (!any) return;
  if (e.kind >= 0) menu_enable(menu, kAttrCmdEdit, false);
  if (attribute_entry_protected(e.id)) {
    menu_enable(menu, kAttrCmdRename, false);
    menu_enable(menu, kAttrCmdDelete, false);
  }
}

void selection_changed(void* dialog) {
  show_summary(dialog);
  update_commands(dialog);
}

// The label of item after its entry changed, sorted among its siblings.
void relabel(void* tree, _TREEITEM* item) {
  const long id = item_entry(tree, item);
  DBATTRIBUTENODETYPE node;
  if (ATTRIBUTES().get_id_node(id, &node) != id) return;
  tree_set_text(tree, item, attribute_item_text(node).c_str());
  const int image = attribute_item_image(id, node);
  tree_set_image(tree, item, image, image);
  tree_sort_children(tree, tree_get_next(tree, item, TreeRelation::kParent));
}

void select_shown(void* tree, _TREEITEM* item) {
  if (item == nullptr) return;
  tree_ensure_visible(tree, item);
  tree_select(tree, item);
}

// ---- commands ---------------------------------------------------------------------------

void new_group(void* dialog) {
  void* tree = library_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  _TREEITEM* parent = group_item(tree, item);
  if (parent == nullptr) return;
  const long created = run_new_group_dialog(dialog, item_entry(tree, item));
  if (created <= 0) return;
  select_shown(tree, add_attribute_item(tree, parent, created));
}

void new_attribute(void* dialog) {
  void* tree = library_tree(dialog);
  _TREEITEM* parent = group_item(tree, command_item(dialog));
  if (parent == nullptr) return;
  const long created = CallAttributeEdit(dialog, item_entry(tree, parent), kAttributeCreate);
  if (created <= 0) return;
  add_attribute_item(tree, parent, created);
}

void rename_entry(void* dialog) {
  void* tree = library_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  AttributeEntryInfo e;
  if (!attribute_entry_info(item_entry(tree, item), &e) || attribute_entry_protected(e.id)) return;
  NameDialog state;
  state.rename = true;
  state.given = e.id;
  set_field(state.name, sizeof state.name, e.name);
  if (run_name_dialog(dialog, state, e.group() ? kCaptionRenameGroup : kCaptionRenameAttribute,
                      kAttrRenameContext) <= 0)
    return;
  relabel(tree, item);
  if (item == selected_item(dialog)) show_summary(dialog);
}

void delete_entry(void* dialog) {
  void* tree = library_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  const long id = item_entry(tree, item);
  if (id <= 0 || remove_attribute_entry(dialog, id) != RemoveResult::kRemoved) return;
  g_manager->target = nullptr;
  tree_delete(tree, item);
}

void edit_entry(void* dialog) {
  void* tree = library_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  AttributeEntryInfo e;
  if (!attribute_entry_info(item_entry(tree, item), &e) || e.group()) return;
  if (CallAttributeEdit(dialog, e.id, kAttributeEdit) <= 0) return;
  relabel(tree, item);  // the name and the kind may have changed
  if (item == selected_item(dialog)) show_summary(dialog);
}

std::string file_filter() {
  return load_string(kFilterAttributes) + "|*.atr|*.*|*.*";
}

void export_entry(void* dialog) {
  const long id = item_entry(library_tree(dialog), command_item(dialog));
  if (id <= 0) return;
  char path[1024] = {};
  if (SaveFile(dialog, file_filter().c_str(), path, sizeof path,
               load_string(kCaptionExport).c_str()) == 0)
    return;
  AttributeExport(dialog, id, path, 0, nullptr);
}

void import_into(void* dialog) {
  void* tree = library_tree(dialog);
  const long group = attribute_group_of(item_entry(tree, command_item(dialog)));
  if (group <= 0) return;
  char path[1024] = {};
  R_Get_STRING(kAttrImportSetting, path, sizeof path);
  if (SelectImportFileR(dialog, file_filter().c_str(), path, sizeof path, kAttrImportSetting,
                        load_string(kCaptionImport).c_str()) == 0)
    return;
  R_Set_STRING(kAttrImportSetting, std::filesystem::path(path).parent_path().string().c_str());
  set_attribute_conflict_strategy(kConflictReplaceAsk);
  g_manager->target = nullptr;
  tree_delete_all(tree);
  AttributeImport(dialog, group, path);
  fill_attribute_library_tree(tree);
  select_shown(tree, find_attribute_item(tree, group));
}

void run_command(void* dialog, int command) {
  switch (command) {
    case kAttrCmdNewGroup:
      return new_group(dialog);
    case kAttrCmdNewAttribute:
      return new_attribute(dialog);
    case kAttrCmdRename:
      return rename_entry(dialog);
    case kAttrCmdDelete:
      return delete_entry(dialog);
    case kAttrCmdEdit:
      return edit_entry(dialog);
    case kAttrCmdExport:
      return export_entry(dialog);
    case kAttrCmdImport:
      return import_into(dialog);
    case kAttrCmdForget:
      g_manager->target = nullptr;
      return;
    default:
      return;
  }
}

// The context menu of item, which becomes the target of the command chosen.
void context_menu(void* dialog, _TREEITEM* item) {
  void* tree = library_tree(dialog);
  AttributeEntryInfo e;
  if (!attribute_entry_info(item_entry(tree, item), &e)) return;
  const bool locked = attribute_entry_protected(e.id);
  void* menu = menu_create();
  for (const auto& [command, text] : kCommands) {
    if (locked && (command == kAttrCmdRename || command == kAttrCmdDelete)) continue;
    menu_append(menu, command, load_string(text).c_str());
    if (command == kAttrCmdEdit && e.group()) menu_enable(menu, command, false);
  }
  menu_append_separator(menu);
  menu_append(menu, kAttrCmdForget, load_string(kTextForget).c_str());
  g_manager->target = item;
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  if (command != 0) run_command(dialog, command);
  g_manager->target = nullptr;
}

// ---- label editing ------------------------------------------------------------------------

// Groups only, at most 31 characters; the end renames the group as the rename
// command does.
int label_edit(void* dialog, int code) {
  void* tree = library_tree(dialog);
  const Notification* n = notification();
  AttributeEntryInfo e;
  const bool known = attribute_entry_info(item_entry(tree, n->item), &e);
  if (code == kTvnBeginLabelEdit) {
    if (!known || e.kind <= 0 || attribute_entry_protected(e.id)) return 1;
    tree_limit_label(tree, kNameLimit);
    return 0;
  }
  if (n->text == nullptr || !known || e.kind <= 0) return 0;
  // the label shows the name after one blank
  const char* name = n->text[0] == ' ' ? n->text + 1 : n->text;
  if (rename_attribute_entry(dialog, e.id, name) != 0) relabel(tree, n->item);
  return 0;  // the label is set by relabel
}

// ---- drag and drop ------------------------------------------------------------------------

void end_drag(void* dialog) {
  Manager& m = *g_manager;
  if (m.dragged == nullptr) return;
  window_kill_timer(GetControlHWND(dialog, kAttrManagerAdapter), kAdapterTimer);
  release_capture();
  image_list_end_drag();
  if (m.drag_image != nullptr) image_list_destroy(m.drag_image);
  tree_select(library_tree(dialog), nullptr, TreeSelect::kDropHilite);
  set_cursor(CursorShape::kArrow);
  m.dragged = nullptr;
  m.drag_image = nullptr;
}

// The item under the pointer where the dragged entry may be dropped; null when none.
_TREEITEM* allowed_target(void* dialog) {
  void* tree = library_tree(dialog);
  _TREEITEM* under = tree_hit_test_at(tree, cursor_pos());
  if (under == nullptr) return nullptr;
  return attribute_drop_allowed(item_entry(tree, g_manager->dragged), item_entry(tree, under))
             ? under
             : nullptr;
}

void begin_drag(void* dialog, _TREEITEM* item) {
  void* tree = library_tree(dialog);
  const long id = item_entry(tree, item);
  if (!attribute_entry_info(id, nullptr) || attribute_entry_protected(id)) return;
  Manager& m = *g_manager;
  m.drag_image = tree_create_drag_image(tree, item);
  if (m.drag_image == nullptr || !image_list_begin_drag(m.drag_image, 0, 0, 0)) {
    if (m.drag_image != nullptr) image_list_destroy(m.drag_image);
    m.drag_image = nullptr;
    return;
  }
  m.dragged = item;
  tree_select(tree, item, TreeSelect::kDropHilite);
  void* adapter = GetControlHWND(dialog, kAttrManagerAdapter);
  set_capture(adapter);
  window_set_timer(adapter, kAdapterTimer, kAdapterTick);
}

void drop(void* dialog) {
  Manager& m = *g_manager;
  void* tree = library_tree(dialog);
  _TREEITEM* target = allowed_target(dialog);
  _TREEITEM* moved = m.dragged;
  end_drag(dialog);
  if (target == nullptr) return;
  long onto = item_entry(tree, target);
  const int result = move_attribute_entry(item_entry(tree, moved), &onto);
  if (result <= 0) return;
  _TREEITEM* refilled = result == 2 ? tree_get_next(tree, target, TreeRelation::kParent) : target;
  tree_delete(tree, moved);
  refill_attribute_children(tree, refilled, onto);
}

// ---- callbacks --------------------------------------------------------------------------

int tree_notification(void* dialog, int code) {
  const Notification* n = notification();
  switch (code) {
    case kTvnSelChanged:
      selection_changed(dialog);
      return 0;
    case kNmRClick:
      context_menu(dialog, n->item);
      return 0;
    case kTvnBeginLabelEdit:
    case kTvnEndLabelEdit:
      return label_edit(dialog, code);
    case kTvnBeginDrag:
      begin_drag(dialog, n->item);
      return 0;
    case kDragMouseMove: {
      if (g_manager->dragged == nullptr) return 0;
      _TREEITEM* target = allowed_target(dialog);
      set_cursor(target != nullptr ? CursorShape::kDrop : CursorShape::kNoDrop);
      tree_select(library_tree(dialog), target, TreeSelect::kDropHilite);
      return 0;
    }
    case kDragButtonUp:
      if (g_manager->dragged != nullptr) drop(dialog);
      return 0;
    case kDragLeft:
      end_drag(dialog);
      return 0;
    default:
      return 0;
  }
}

int DLIST_CALL AttrMan_ExtAction_Proc(void* dialog, int control, int code) {
  if (control == kAttrManagerTree) return tree_notification(dialog, code);
  if (control == kAttrManagerSplitter) {
    ScreenRect rect;
    // Its middle: the next dialog builds it 2 units left of the position kept.
    if (window_rect(GetControlHWND(dialog, control), &rect)) g_splitter = rect.left + 2;
    return 0;
  }
  if (code == kBnClicked) run_command(dialog, control);
  return 0;
}

void* build_menu() {
  void* bar = menu_create();
  void* edit = menu_create();
  for (const auto& [command, text] : kCommands) {
    menu_append(edit, command, load_string(text).c_str());
    menu_enable(edit, command, false);
  }
  menu_append_popup(bar, edit, load_string(kMenuEdit).c_str());
  return bar;
}

int DLIST_CALL AttrMan_Init_Proc(void* dialog) {
  Manager& m = *g_manager;
  m.dialog = dialog;
  m.menu = build_menu();
  dialog_set_menu(dialog, m.menu);
  m.images = make_attribute_image_list();
  if (m.images == nullptr) SpecBeep(0, units::kDattrman, __LINE__);
  void* tree = library_tree(dialog);
  if (m.images != nullptr) tree_set_image_list(tree, m.images);
  fill_attribute_library_tree(tree);
  return 1;
}

int DLIST_CALL AttrMan_Cancel_Proc(void* dialog) {
  end_drag(dialog);
  return 1;
}

bool build_manager(void* hwnd) {
  constexpr int kWidth = 500;
  constexpr int kTreeHeight = 280;
  const int split = g_splitter < 40 || g_splitter > kWidth - 40 ? 250 : g_splitter;
  return MakeMainUnit(hwnd, load_string(kCaptionManager).c_str(), "AttrMan", kWidth, 320) !=
             nullptr &&
         TreeViewInput(kAttrManagerTree, 5, 5, split - 7, kTreeHeight, kTvsEditLabels) != 0 &&
         DragingInput(kAttrManagerSplitter, split - 2, 5, 4, kTreeHeight) != 0 &&
         TreeViewInput(kAttrManagerSummary, split + 2, 5, kWidth - split - 7, kTreeHeight) != 0 &&
         CommandButton(kIdReject, static_cast<int>(kTextClose), kWidth - 95, 292, 90, 22) != 0 &&
         Item("", kAttrManagerAdapter, kAdapterClass, 0, 0, 0, 0, 0) != 0 &&
         SetDlgInitProc(AttrMan_Init_Proc) != 0 && SetAllInputProc(AttrMan_ExtAction_Proc) != 0 &&
         SetCancelProc(AttrMan_Cancel_Proc) != 0;
}

// Keeps the adapter's window class registered and the image list alive for a run,
// and removes both on every way out.
class ManagerRun {
 public:
  explicit ManagerRun(Manager& m) : m_(m) {
    register_window_class(kAdapterClass, AttrDragAdapterProc);
  }
  ~ManagerRun() {
    if (m_.images != nullptr) image_list_destroy(m_.images);
    m_.images = nullptr;
    unregister_window_class(kAdapterClass);
  }
  ManagerRun(const ManagerRun&) = delete;
  ManagerRun& operator=(const ManagerRun&) = delete;

 private:
  Manager& m_;
};

}  // namespace
}  // namespace dlist

using namespace dlist;

int CrtAttributeManager(void* hwnd) {
  Manager m;
  StateScope<Manager> scope(g_manager, &m);
  ManagerRun run(m);
  DialogBuffers buffers(8);
  if (!buffers) {
    SpecBeep(0, units::kDattrman, 1306);
    return 0;
  }
  if (!build_manager(hwnd)) {
    SpecBeep(0, units::kDattrman, 1313);
    return 0;
  }
  return RunModalDialog(hwnd, 0, kAttrManagerContext, 0);
}

long AttrDragAdapterProc(void* window, unsigned message, unsigned wparam, long lparam) {
  void* dialog = window_dialog(window);
  if (dialog == nullptr) return default_window_proc(window, message, wparam, lparam);
  void* tree = GetControlHWND(dialog, kAttrManagerTree);
  ScreenRect rect;
  const bool inside = window_rect(tree, &rect) && rect.contains(cursor_pos());
  switch (message) {
    case kWmMouseMove:
      if (!inside) {
        set_cursor(CursorShape::kNoDrop);
        return 0;
      }
      return notify_dialog(dialog, kAttrManagerTree, kDragMouseMove);
    case kWmLButtonUp:
      return notify_dialog(dialog, kAttrManagerTree, inside ? kDragButtonUp : kDragLeft);
    case kWmTimer: {
      if (!inside) return 0;
      const ScreenPoint p = cursor_pos();
      image_list_drag_move(p.x, p.y);
      _TREEITEM* first = tree_get_next(tree, nullptr, TreeRelation::kFirstVisible);
      _TREEITEM* to = nullptr;
      if (p.y < rect.top + kEdgeStrip) {
        to = tree_get_next(tree, first, TreeRelation::kPreviousVisible);
      } else if (p.y >= rect.bottom - kEdgeStrip) {
        to = tree_get_next(tree, first, TreeRelation::kNextVisible);
      }
      if (to != nullptr) tree_select(tree, to, TreeSelect::kFirstVisible);
      return 0;
    }
    default:
      return default_window_proc(window, message, wparam, lparam);
  }
}
