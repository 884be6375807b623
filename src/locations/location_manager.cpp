// The location manager, the location dialog, the selection dialog and the tree
// filling. Everything a dialog changes goes through LOCALIZATION.
//
// One manager or selection dialog runs at a time; its state (the context target,
// the dragged item, the location shown) is module-wide for the length of the run.
// While a manager is open the window class "locdrag_adapter" of its drag adapter
// is registered; it is unregistered when the dialog closes, on every way out.
#include "locations/location_manager.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/menu.h"
#include "host/dialog/message_box.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/location_store.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "locations/location_file.h"

namespace dlist {
namespace {

constexpr char kAdapterClass[] = "locdrag_adapter";
constexpr char kLocationIcon[] = "location";
constexpr int kEdgeStrip = 5;      // pixels from the tree's edge that scroll during a drag
constexpr int kSplitterMargin = 32;

// Texts.
constexpr int kTitleManager = 3155;
constexpr int kMenuEdit = 21701;
constexpr int kTitleNewBeside = 22571;
constexpr int kTitleNewUnder = 22570;
constexpr int kTitleEdit = 22572;
constexpr int kTitleDelete = 22573;
constexpr int kTextDeleteQuestion = 22579;
constexpr int kTextInUse = 22580;
constexpr int kTextExportAll = 4910;
constexpr int kTextImportAll = 4905;
constexpr int kTextExportSelected = 4911;
constexpr int kTextImportSelected = 4906;
constexpr int kTextCancel = 37;
constexpr int kTextClose = 21725;
constexpr int kTextFilter = 21753;
constexpr int kTitleExport = 11720;
constexpr int kTitleImport = 20424;
constexpr int kTextReplaceQuestion = 11392;
constexpr int kTitleReplace = 11722;
constexpr int kTextNameTaken = 11856;
constexpr int kLabelName = 20969;
constexpr int kLabelText = 22241;
constexpr int kTextOk = 36;
constexpr int kTextDialogCancel = 20995;
constexpr int kTitleSelect = 22578;
constexpr int kTextNoLocation = 22030;

constexpr int kLocNameLabel = 10438;
constexpr int kLocTextLabel = 10439;
constexpr int kPathSize = 1024;
constexpr int kDescriptionSize = 4096;

std::string load(int id) { return load_string(static_cast<unsigned>(id)); }

struct LocationUi {
  void* dialog = nullptr;
  void* menu = nullptr;
  bool selection = false;
  _TREEITEM* target = nullptr;   // the item a context menu's command works on
  _TREEITEM* dragged = nullptr;
  void* drag_image = nullptr;
  long current = 0;              // the location whose text is shown
  long key = 0;                  // selection: the key given, then the key chosen
};
LocationUi* g_ui = nullptr;
void* g_image_list = nullptr;
int g_splitter = 0;  // the splitter's position, kept between dialogs (0: the layout's)

void* tree_of(void* dialog) { return GetControlHWND(dialog, kLocTree); }

long item_location(void* tree, _TREEITEM* item) {
  return item == nullptr ? 0 : static_cast<long>(tree_param(tree, item));
}

bool read_location(long id, DBLOCATIONTYPE* l, long* parent = nullptr) {
  return id > 0 && LOCALIZATION().get_id_location(id, l, parent) == id;
}

void make_image_list(void* dialog) {
  if (g_image_list == nullptr) {
    g_image_list = image_list_create(16, 16);
    if (g_image_list != nullptr && image_list_add_icon(g_image_list, kLocationIcon) < 0) {
      image_list_destroy(g_image_list);
      g_image_list = nullptr;
    }
  }
  if (g_image_list != nullptr) tree_set_image_list(tree_of(dialog), g_image_list);
}

// The children of location parent as items below item, each filled in turn: the
// children in database order, then each child's subtree, the last child first.
void fill_below(void* tree, _TREEITEM* item, long parent) {
  std::vector<std::pair<_TREEITEM*, long>> pending{{item, parent}};
  while (!pending.empty()) {
    const auto [at, id] = pending.back();
    pending.pop_back();
    LOCALIZATION walk;
    if (walk.rew_location(id) < 1) continue;
    DBLOCATIONTYPE l;
    for (long child; (child = walk.get_location(&l)) > 0;) {
      _TREEITEM* added = tree_insert(tree, at == nullptr ? kTviRoot : at, kTviLast, l.name, 0, 0, child);
      if (added != nullptr) pending.emplace_back(added, child);
    }
  }
}

// Removes the children of item and fills them again from the store.
void refill(void* tree, _TREEITEM* item) {
  for (_TREEITEM* child : tree_children(tree, item)) tree_delete(tree, child);
  fill_below(tree, item, item_location(tree, item));
}

void show_text(void* dialog, long id) {
  DBLOCATIONTYPE l;
  g_ui->current = read_location(id, &l) ? id : 0;
  set_control_text(dialog, kLocText, g_ui->current != 0 ? l.text.get() : "");
}

_TREEITEM* selected(void* dialog) {
  return tree_get_next(tree_of(dialog), nullptr, TreeRelation::kCaret);
}

// The item a command works on: the context target, else the selection.
_TREEITEM* command_target(void* dialog) {
  return g_ui->target != nullptr ? g_ui->target : selected(dialog);
}

// ---- the location dialog ---------------------------------------------------------------

struct LocationDialog {
  bool create = true;
  long parent = 0;   // new: the parent; edit: the location's parent
  long id = 0;       // edit: the location; new: the location made
  char name[DBLOCATIONTYPE::kMaxName + 1] = {};
  std::string text;
  char text_buffer[DBLOCATIONTYPE::kMaxText + 1] = {};
};
LocationDialog* g_edit = nullptr;

int DLIST_CALL location_ok(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  LocationDialog& d = *g_edit;
  const std::string name = control_text(dialog, kLocNameInput);
  const std::string text = control_text(dialog, kLocTextInput);
  LOCALIZATION loc;
  if (loc.is_good_name(d.parent, name.c_str(), d.create ? 0 : d.id) == 0) {
    SetErrorId(kLocNameInput);
    return 0;
  }
  DBLOCATIONTYPE l;
  if (!d.create && !read_location(d.id, &l)) return 0;
  l.set_name(name.c_str());
  if (text.empty()) l.text.clear(); else l.text.put(text.c_str());
  if (d.create) {
    d.id = loc.cre_location(d.parent, &l, 1);
    if (d.id <= 0) {
      SpecBeep(0, units::kDlocman, __LINE__);
      return 0;
    }
  } else if (loc.mod_location(d.id, &l) == 0) {
    SetErrorId(kLocNameInput);
    return 0;
  }
  return 1;
}

// Runs the location dialog; true when a location was made or changed (d.id).
bool run_location_dialog(void* parent, LocationDialog& d, int title) {
  if (!d.create) {
    DBLOCATIONTYPE l;
    if (!read_location(d.id, &l)) return false;
    set_field(d.name, sizeof d.name, l.name);
    set_field(d.text_buffer, sizeof d.text_buffer, l.text.get());
  }
  DialogRun how;
  how.window = parent;
  how.context = d.create ? kLocNewContext : kLocEditContext;
  how.unit = units::kDlocman;
  const std::string caption = load(title);
  const std::optional<int> result = run_dialog(how, g_edit, &d, [&] {
    return MakeMainUnit(parent, caption.c_str(), "LocDlg", 300, 200) != nullptr &&
           StaticText(kLocNameLabel, load(kLabelName).c_str(), 5, 5, 290, 14) != 0 &&
           TextEditInput(kLocNameInput, 5, 20, 290, 20) != 0 &&
           SetInpCont_Addres(kLocNameInput, d.name, sizeof d.name) != 0 &&
           SetInpCont_MinMaxN(kLocNameInput, 1, DBLOCATIONTYPE::kMaxName) != 0 &&
           StaticText(kLocTextLabel, load(kLabelText).c_str(), 5, 45, 290, 14) != 0 &&
           TextEditInput(kLocTextInput, 5, 60, 290, 100, kEsMultiline) != 0 &&
           SetInpCont_Addres(kLocTextInput, d.text_buffer, sizeof d.text_buffer) != 0 &&
           SetInpCont_MinMaxN(kLocTextInput, 0, DBLOCATIONTYPE::kMaxText) != 0 &&
           CommandButton(kIdAccept, kTextOk, 110, 170, 90, 22) != 0 &&
           CommandButton(kIdReject, kTextDialogCancel, 205, 170, 90, 22) != 0 &&
           SetIDC_OKProc(location_ok) != 0;
  });
  return result.value_or(0) != 0;
}

// ---- the manager's commands --------------------------------------------------------------

void new_location(void* dialog, bool under) {
  void* tree = tree_of(dialog);
  _TREEITEM* target = command_target(dialog);
  _TREEITEM* parent_item = under ? target : (target == nullptr ? nullptr : tree_get_next(tree, target, TreeRelation::kParent));
  const long made = NewLocationInDialog(dialog, item_location(tree, parent_item), under);
  DBLOCATIONTYPE l;
  if (!read_location(made, &l)) return;
  _TREEITEM* item = tree_insert(tree, parent_item == nullptr ? kTviRoot : parent_item, kTviSort, l.name, 0, 0, made);
  if (item != nullptr) tree_select(tree, item);
}

void edit_location(void* dialog) {
  void* tree = tree_of(dialog);
  _TREEITEM* target = command_target(dialog);
  const long id = item_location(tree, target);
  if (!EditLocationInDialog(dialog, id)) return;
  DBLOCATIONTYPE l;
  if (read_location(id, &l)) tree_set_text(tree, target, l.name);
  if (target == selected(dialog)) show_text(dialog, id);
}

void delete_location(void* dialog) {
  void* tree = tree_of(dialog);
  _TREEITEM* target = command_target(dialog);
  const long id = item_location(tree, target);
  DBLOCATIONTYPE l;
  if (!read_location(id, &l) || l.key == 0) return;
  if (!AskDeleteLocation(dialog, l.key)) return;
  if (LOCALIZATION().del_location(id) == 0) {
    SpecBeep(0, units::kDlocman, __LINE__);
    return;
  }
  if (g_ui->target == target) g_ui->target = nullptr;
  tree_delete(tree, target);
  if (selected(dialog) == nullptr) show_text(dialog, 0);
}

std::string file_filter() { return load(kTextFilter) + "|*.loc|*.*|*.*"; }

void export_locations(void* dialog, bool selected_only) {
  long id = 0;
  if (selected_only) {
    id = item_location(tree_of(dialog), selected(dialog));
    if (id <= 0) return;
  }
  std::vector<char> path(kPathSize, '\0');
  std::vector<char> description(kDescriptionSize, '\0');
  const std::string filter = file_filter();
  if (ExportFile(dialog, filter.c_str(), path.data(), kPathSize, load(kTitleExport).c_str(),
                 description.data(), kDescriptionSize) == 0)
    return;
  if (LocationExport(dialog, id, path.data(), description.data()) == 0) SpecBeep(0, units::kDlocman, __LINE__);
}

void import_locations(void* dialog, bool under_selected) {
  void* tree = tree_of(dialog);
  _TREEITEM* at = under_selected ? selected(dialog) : nullptr;
  const long target = under_selected ? item_location(tree, at) : -1;
  if (under_selected && target <= 0) return;
  std::vector<char> path(kPathSize, '\0');
  R_Get_STRING(kLocImportPathSetting, path.data(), kPathSize);
  const std::string filter = file_filter();
  if (SelectImportFileR(dialog, filter.c_str(), path.data(), kPathSize, kLocImportPathSetting,
                        load(kTitleImport).c_str()) == 0)
    return;
  R_Set_STRING(kLocImportPathSetting, std::filesystem::path(path.data()).parent_path().string().c_str());
  if (!under_selected) {
    if (LOCALIZATION().rew_location(0) > 0 &&
        MessageBoxA(dialog, load(kTextReplaceQuestion).c_str(), load(kTitleReplace).c_str(),
                    kMbYesNo | kMbIconQuestion) != kIdYes)
      return;
    g_ui->target = nullptr;
    tree_delete_all(tree);
    LocationImport(dialog, -1, path.data());
    FillLocationTreeView(dialog, kLocTree);
    show_text(dialog, item_location(tree, selected(dialog)));
    return;
  }
  LocationImport(dialog, target, path.data());
  refill(tree, at);
  tree_expand(tree, at, kTveExpand);
}

void run_command(void* dialog, int command) {
  switch (command) {
    case kLocNewBeside:
    case kLocNewUnder:
      return new_location(dialog, command == kLocNewUnder);
    case kLocEdit:
      return edit_location(dialog);
    case kLocDelete:
      return delete_location(dialog);
    case kLocExportAll:
    case kLocExportSelected:
      return export_locations(dialog, command == kLocExportSelected);
    case kLocImportAll:
    case kLocImportSelected:
      return import_locations(dialog, command == kLocImportSelected);
    case kLocClearTarget:
      g_ui->target = nullptr;
      return;
    default:
      return;
  }
}

void context_menu(void* dialog, _TREEITEM* item) {
  if (item == nullptr) return;
  void* menu = menu_create();
  for (const auto& [command, text] : {std::pair{kLocNewBeside, kTitleNewBeside}, std::pair{kLocNewUnder, kTitleNewUnder},
                                      std::pair{kLocEdit, kTitleEdit}, std::pair{kLocDelete, kTitleDelete}})
    menu_append(menu, command, load(text).c_str());
  menu_append_separator(menu);
  menu_append(menu, kLocClearTarget, load(kTextCancel).c_str());
  g_ui->target = item;
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  if (command != 0) run_command(dialog, command);
  g_ui->target = nullptr;
}

// ---- drag and drop -------------------------------------------------------------------------

void end_drag(void* dialog) {
  LocationUi& ui = *g_ui;
  if (ui.dragged == nullptr) return;
  release_capture();
  image_list_end_drag();
  if (ui.drag_image != nullptr) image_list_destroy(ui.drag_image);
  tree_select(tree_of(dialog), nullptr, TreeSelect::kDropHilite);
  set_cursor(CursorShape::kArrow);
  ui.dragged = nullptr;
  ui.drag_image = nullptr;
}

// The item under the pointer when the dragged location may go under it; null otherwise.
_TREEITEM* valid_target(void* dialog) {
  void* tree = tree_of(dialog);
  _TREEITEM* under = tree_hit_test_at(tree, cursor_pos());
  if (under == nullptr) return nullptr;
  const long dragged = item_location(tree, g_ui->dragged);
  const long target = item_location(tree, under);
  DBLOCATIONTYPE l;
  LOCALIZATION loc;
  if (!read_location(dragged, &l) || target <= 0 || loc.is_independ(dragged, target) == 0 ||
      loc.is_good_name(target, l.name) == 0)
    return nullptr;
  return under;
}

void begin_drag(void* dialog, _TREEITEM* item) {
  void* tree = tree_of(dialog);
  DBLOCATIONTYPE l;
  if (!read_location(item_location(tree, item), &l) || l.key == 0) return;
  LocationUi& ui = *g_ui;
  tree_select(tree, item, TreeSelect::kDropHilite);
  ui.drag_image = tree_create_drag_image(tree, item);
  if (ui.drag_image == nullptr || !image_list_begin_drag(ui.drag_image, 0, 0, 0)) {
    if (ui.drag_image != nullptr) image_list_destroy(ui.drag_image);
    ui.drag_image = nullptr;
    tree_select(tree, nullptr, TreeSelect::kDropHilite);
    return;
  }
  ui.dragged = item;
  set_capture(GetControlHWND(dialog, kLocAdapter));
}

void drop(void* dialog) {
  void* tree = tree_of(dialog);
  _TREEITEM* target = valid_target(dialog);
  if (target != nullptr &&
      LOCALIZATION().move_tree(item_location(tree, g_ui->dragged), item_location(tree, target)) != 0) {
    _TREEITEM* moved = g_ui->dragged;
    end_drag(dialog);
    tree_delete(tree, moved);
    refill(tree, target);
    return;
  }
  end_drag(dialog);
}

// Label editing: at most 79 characters; the end renames the location.
int label_edit(void* dialog, int code) {
  void* tree = tree_of(dialog);
  const Notification* n = notification();
  const long id = item_location(tree, n->item);
  DBLOCATIONTYPE l;
  if (code == kTvnBeginLabelEdit) {
    if (!read_location(id, &l)) return 1;
    tree_limit_label(tree, DBLOCATIONTYPE::kMaxName);
    return 0;
  }
  if (n->text == nullptr || !read_location(id, &l)) return 0;
  const std::string name = n->text;
  l.set_name(name.c_str());
  if (name.empty() || name.size() > static_cast<std::size_t>(DBLOCATIONTYPE::kMaxName) ||
      LOCALIZATION().mod_location(id, &l) == 0) {
    MessageBoxA(dialog, load(kTextNameTaken).c_str(), name.c_str(), kMbOk | kMbIconExclamation);
    return 0;
  }
  tree_set_text(tree, n->item, l.name);
  return 0;
}

int tree_proc(void* dialog, int code) {
  const Notification* n = notification();
  switch (code) {
    case kTvnSelChanged:
      show_text(dialog, static_cast<long>(n->param));
      return 0;
    case kNmRClick:
      if (!g_ui->selection) context_menu(dialog, n->item);
      return 0;
    case kTvnBeginLabelEdit:
    case kTvnEndLabelEdit:
      return g_ui->selection ? 1 : label_edit(dialog, code);
    case kTvnBeginDrag:
      if (!g_ui->selection) begin_drag(dialog, n->item);
      return 0;
    case kDragMouseMove: {
      if (g_ui->dragged == nullptr) return 0;
      _TREEITEM* target = valid_target(dialog);
      set_cursor(target != nullptr ? CursorShape::kDrop : CursorShape::kNoDrop);
      tree_select(tree_of(dialog), target, TreeSelect::kDropHilite);
      return 0;
    }
    case kDragButtonUp:
      if (g_ui->dragged != nullptr) drop(dialog);
      return 0;
    case kDragLeft:
      end_drag(dialog);
      return 0;
    default:
      return 0;
  }
}

int DLIST_CALL manager_action(void* dialog, int control, int code) {
  if (control == kLocTree) return tree_proc(dialog, code);
  if (control == kLocSplitter) {
    // The splitter was dragged: its middle is the position the next dialog opens with.
    ScreenRect rect;
    if (window_rect(GetControlHWND(dialog, control), &rect)) g_splitter = rect.left + 2;
    return 0;
  }
  if (control == kLocNoLocation && code == kBnClicked) {
    // No location: the tree is emptied and the dialog confirmed.
    tree_delete_all(tree_of(dialog));
    post_command(dialog, kIdAccept);
    return 0;
  }
  if (control >= kLocNewBeside && control <= kLocImportSelected && code == kBnClicked) run_command(dialog, control);
  if (control == kLocClearTarget && code == kBnClicked) run_command(dialog, control);
  return 0;
}

void* build_menu() {
  void* bar = menu_create();
  void* edit = menu_create();
  const std::pair<int, int> items[] = {{kLocNewBeside, kTitleNewBeside},  {kLocNewUnder, kTitleNewUnder},
                                       {kLocEdit, kTitleEdit},            {kLocDelete, kTitleDelete},
                                       {kLocExportAll, kTextExportAll},   {kLocImportAll, kTextImportAll},
                                       {kLocExportSelected, kTextExportSelected},
                                       {kLocImportSelected, kTextImportSelected}};
  for (const auto& [id, text] : items) menu_append(edit, id, load(text).c_str());
  menu_append_popup(bar, edit, load(kMenuEdit).c_str());
  return bar;
}

// Searches the tree depth-first for the location of key.
_TREEITEM* find_key(void* tree, long key) {
  if (key <= 0) return nullptr;
  std::vector<_TREEITEM*> pending;
  const auto tops = tree_children(tree, nullptr);
  pending.assign(tops.rbegin(), tops.rend());
  while (!pending.empty()) {
    _TREEITEM* item = pending.back();
    pending.pop_back();
    DBLOCATIONTYPE l;
    if (read_location(item_location(tree, item), &l) && l.key == key) return item;
    const auto kids = tree_children(tree, item);
    pending.insert(pending.end(), kids.rbegin(), kids.rend());
  }
  return nullptr;
}

int DLIST_CALL manager_init(void* dialog) {
  LocationUi& ui = *g_ui;
  ui.dialog = dialog;
  if (!ui.selection) {
    ui.menu = build_menu();
    dialog_set_menu(dialog, ui.menu);
  }
  make_image_list(dialog);
  FillLocationTreeView(dialog, kLocTree);
  void* tree = tree_of(dialog);
  if (ui.selection) {
    if (_TREEITEM* item = find_key(tree, ui.key); item != nullptr) {
      tree_select(tree, item);
      tree_select(tree, item, TreeSelect::kFirstVisible);
    }
  }
  show_text(dialog, item_location(tree, selected(dialog)));
  return 1;
}

int DLIST_CALL manager_ok(void* dialog) {
  DBLOCATIONTYPE l;
  g_ui->key = read_location(item_location(tree_of(dialog), selected(dialog)), &l) ? l.key : 0;
  end_drag(dialog);
  return 1;
}

int DLIST_CALL manager_cancel(void* dialog) {
  end_drag(dialog);
  return 1;
}

bool build(void* hwnd, LocationUi& ui) {
  const std::string caption = load(ui.selection ? kTitleSelect : kTitleManager);
  const int split = g_splitter > kSplitterMargin && g_splitter < 400 - kSplitterMargin ? g_splitter : 200;
  bool ok = MakeMainUnit(hwnd, caption.c_str(), "LocMan", 400, 330) != nullptr &&
            TreeViewInput(kLocTree, 5, 5, split - 7, 285, ui.selection ? 0 : kTvsEditLabels) != 0 &&
            DragingInput(kLocSplitter, split - 2, 5, 4, 285) != 0 &&
            TextEditInput(kLocText, split + 2, 5, 393 - split, 285, kEsMultiline | kEsReadOnly) != 0;
  if (ui.selection) {
    ok = ok && CommandButton(kLocNoLocation, kTextNoLocation, 5, 300, 120, 22) != 0 &&
         CommandButton(kIdReject, kTextDialogCancel, 210, 300, 90, 22) != 0 &&
         CommandButton(kIdAccept, kTextOk, 305, 300, 90, 22) != 0;
  } else {
    ok = ok && CommandButton(kIdReject, kTextClose, 305, 300, 90, 22) != 0 &&
         Item("", kLocAdapter, kAdapterClass, 0, 0, 0, 0, 0) != 0;
  }
  return ok && SetDlgInitProc(manager_init) != 0 && SetAllInputProc(manager_action) != 0 &&
         SetIDC_OKProc(manager_ok) != 0 && SetCancelProc(manager_cancel) != 0;
}

// Keeps the adapter's class registered for a manager's run and releases it and the
// image list on every way out.
class Run {
 public:
  explicit Run(bool adapter) : adapter_(adapter) {
    if (adapter_) register_window_class(kAdapterClass, LocDragAdapterProc);
  }
  ~Run() {
    DestroyLocationImageList();
    if (adapter_) unregister_window_class(kAdapterClass);
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

 private:
  bool adapter_;
};

int run(void* hwnd, LocationUi& ui, int context) {
  StateScope<LocationUi> scope(g_ui, &ui);
  Run run(!ui.selection);
  DialogBuffers buffers(kBuffersPerDialog);
  if (!buffers || !build(hwnd, ui)) {
    SpecBeep(0, units::kDlocman, __LINE__);
    return 0;
  }
  return RunModalDialog(hwnd, 0, context, 0);
}

}  // namespace

bool AskDeleteLocation(void* hwnd, long key, bool used_here) {
  std::string text = load(kTextDeleteQuestion);
  if (used_here || LOCALIZATION().is_used_location(key) != 0) text = load(kTextInUse) + "\n" + text;
  return MessageBoxA(hwnd, text.c_str(), load(kTitleDelete).c_str(), kMbYesNo | kMbIconQuestion) == kIdYes;
}

long NewLocationInDialog(void* hwnd, long parent, bool under) {
  LocationDialog d;
  d.create = true;
  d.parent = parent;
  return run_location_dialog(hwnd, d, under ? kTitleNewUnder : kTitleNewBeside) ? d.id : 0;
}

bool EditLocationInDialog(void* hwnd, long id) {
  long parent = 0;
  DBLOCATIONTYPE l;
  if (!read_location(id, &l, &parent)) return false;
  LocationDialog d;
  d.create = false;
  d.id = id;
  d.parent = parent;
  return run_location_dialog(hwnd, d, kTitleEdit);
}

}  // namespace dlist

void DLIST_CALL CrtLocationManager(void* hwnd) {
  dlist::LocationUi ui;
  dlist::run(hwnd, ui, dlist::kLocManagerContext);
}

int DLIST_CALL CrtSelectLocation(void* hwnd, long* key) {
  dlist::LocationUi ui;
  ui.selection = true;
  ui.key = key != nullptr ? *key : 0;
  const int result = dlist::run(hwnd, ui, dlist::kLocSelectContext);
  if (result != 0 && key != nullptr) *key = ui.key;
  return result;
}

void DLIST_CALL FillLocationTreeView(void* dialog, unsigned short control) {
  void* tree = GetControlHWND(dialog, control == 0 ? dlist::kLocTree : control);
  if (tree == nullptr) return;
  dlist::tree_delete_all(tree);
  dlist::fill_below(tree, nullptr, 0);
  _TREEITEM* first = dlist::tree_get_next(tree, nullptr, dlist::TreeRelation::kRoot);
  if (first != nullptr) {
    dlist::tree_select(tree, first);
    dlist::tree_select(tree, first, dlist::TreeSelect::kFirstVisible);
  }
}

long DLIST_CALL LocDragAdapterProc(void* window, unsigned message, unsigned wparam, long lparam) {
  using namespace dlist;
  void* dialog = window_dialog(window);
  if (dialog == nullptr) return default_window_proc(window, message, wparam, lparam);
  void* tree = GetControlHWND(dialog, kLocTree);
  ScreenRect rect;
  const ScreenPoint p = cursor_pos();
  const bool inside = window_rect(tree, &rect) && rect.contains(p);
  switch (message) {
    case kWmMouseMove: {
      image_list_drag_move(p.x, p.y);
      if (!inside) {
        set_cursor(CursorShape::kNoDrop);
        return 0;
      }
      _TREEITEM* first = tree_get_next(tree, nullptr, TreeRelation::kFirstVisible);
      _TREEITEM* to = nullptr;
      if (p.y < rect.top + kEdgeStrip) {
        to = tree_get_next(tree, first, TreeRelation::kPreviousVisible);
      } else if (p.y >= rect.bottom - kEdgeStrip) {
        to = tree_get_next(tree, first, TreeRelation::kNextVisible);
      }
      if (to != nullptr) tree_select(tree, to, TreeSelect::kFirstVisible);
      return notify_dialog(dialog, kLocTree, kDragMouseMove);
    }
    case kWmLButtonUp:
      return notify_dialog(dialog, kLocTree, inside ? kDragButtonUp : kDragLeft);
    default:
      return default_window_proc(window, message, wparam, lparam);
  }
}

void DLIST_CALL DestroyLocationImageList() {
  if (dlist::g_image_list != nullptr) dlist::image_list_destroy(dlist::g_image_list);
  dlist::g_image_list = nullptr;
}
