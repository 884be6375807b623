// Internals of the headless dialog engine, shared by its source files: the models
// of dialogs and controls (trees, lists, combos, tabs), menus and image lists, and
// the one Engine object that holds them with the modal stack, the reservations of
// temporary buffers, the notifications being delivered and the log.
//
// Handles (dialogs, control windows, tree items, menus, image lists, drawing
// contexts) are numbers from one counter, shown to callers as pointers and never
// dereferenced: a stale or foreign handle is found in no map and refused. Models
// are reached again through their handles after every callback, because a
// callback may delete items, close dialogs or open nested ones.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/dialog/dialog_log.h"
#include "host/dialog/dialog_user.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/owner_draw.h"

namespace dlist::dialog_internal {

using Key = uintptr_t;

inline void* to_handle(Key key) {
  return reinterpret_cast<void*>(key);
}
inline Key to_key(const void* handle) {
  return reinterpret_cast<Key>(handle);
}
inline _TREEITEM* to_item(Key key) {
  return reinterpret_cast<_TREEITEM*>(key);
}

enum class Kind {
  kStatic,
  kEdit,
  kInteger,
  kDouble,
  kCheckBox,
  kCombo,
  kTree,
  kList,
  kTab,
  kButton,
  kSplitter,
  kWindow
};

enum class Binding { kNone, kText, kInt, kLong, kDouble, kBool };

struct TreeItem {
  Key parent = 0;  // 0 at the top
  std::vector<Key> children;
  std::string text;
  int image = 0;
  int selected_image = 0;
  intptr_t param = 0;
  // kTvisCut, kTvisBold, kTvisExpanded; the selection and the drop target are kept
  // by the TreeModel
  unsigned state = 0;
  bool has_children = false;
};

struct TreeModel {
  std::map<Key, TreeItem> items;
  std::vector<Key> top;
  Key caret = 0;
  Key drop_target = 0;
  Key first_visible = 0;
  Key editing = 0;
  Key dragging = 0;
  Key pointed = 0;
  unsigned label_limit = 0;
  Key image_list = 0;

  TreeItem* find(Key key) {
    auto it = items.find(key);
    return it == items.end() ? nullptr : &it->second;
  }
  std::vector<Key>& siblings_of(Key parent) { return parent == 0 ? top : items[parent].children; }
};

struct ListRow {
  std::vector<std::string> texts;  // per column; missing columns read as ""
  int image = -1;
  intptr_t param = 0;
  unsigned state = 0;
};

struct ListColumn {
  std::string title;
  int width = 0;
};

struct ListModel {
  std::vector<ListColumn> columns;
  std::vector<ListRow> rows;
  Key image_list = 0;
  int pointed = -1;
  bool dirty = true;
  bool measured = false;
  int row_height = 0;
  int paints = 0;
  std::vector<DrawnRow> painted;
};

struct ComboItem {
  std::string text;
  intptr_t param = 0;
};

struct ComboModel {
  std::vector<ComboItem> items;
  int current = -1;
};

struct TabModel {
  std::vector<std::string> tabs;
  int current = -1;
};

struct Control {
  int id = 0;
  Kind kind = Kind::kWindow;
  Key window = 0;
  std::string window_class;
  unsigned style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;

  std::string text;
  int check = 0;
  bool enabled = true;
  bool visible = true;
  bool marked = false;
  bool text_selected = false;
  int text_id = 0;
  int tooltip = 0;
  std::string bitmap;  // a button's image name; empty: its text

  bool has_range_n = false;  // text length or integer range
  long long min_n = 0, max_n = 0;
  bool has_range_d = false;
  double min_d = 0.0, max_d = 0.0;
  int decimals = -1;  // -1: as many as needed

  Binding binding = Binding::kNone;
  void* buffer = nullptr;
  unsigned buffer_size = 0;  // texts: bytes, terminator included
  intptr_t extern_value = 0;
  DrawProc draw = nullptr;
  MeasureProc measure = nullptr;

  std::unique_ptr<TreeModel> tree;
  std::unique_ptr<ListModel> list;
  std::unique_ptr<ComboModel> combo;
  std::unique_ptr<TabModel> tab;

  bool read_only() const {
    return (kind == Kind::kEdit || kind == Kind::kInteger || kind == Kind::kDouble) &&
           (style & kEsReadOnly) != 0;
  }
  bool typable() const {
    return kind == Kind::kEdit || kind == Kind::kInteger || kind == Kind::kDouble ||
           (kind == Kind::kCombo && (style & 0x3) != kCbsDropDownList);
  }
  bool focusable() const { return kind != Kind::kStatic && kind != Kind::kSplitter; }
};

struct MenuEntry {
  int id = 0;
  std::string text;
  bool enabled = true;
  bool checked = false;
  bool separator = false;
  Key submenu = 0;
};

struct Menu {
  std::vector<MenuEntry> entries;
  Key owner = 0;  // the dialog whose menu bar it is
};

struct ImageList {
  int cx = 0, cy = 0;
  std::vector<std::string> names;
};

enum class DialogState { kBuilding, kRunning, kClosed };

struct Dialog {
  Key key = 0;
  void* parent = nullptr;
  bool modeless = false;
  std::string title;
  std::string unit;
  int width = 0, height = 0;
  int context = 0;
  DialogState state = DialogState::kBuilding;
  bool accepted = false;
  bool shown = false;
  bool forced = false;
  int actions = 0;
  int depth = 0;        // modal depth while running
  int reservation = 0;  // the reservation it was built under (1 = outermost)
  bool ran_out = false;

  std::map<int, Control> controls;
  std::vector<int> order;  // identifiers in creation order

  InitProc init = nullptr;
  ActionProc action = nullptr;
  EnterProc enter = nullptr;
  TimerProc timer = nullptr;
  OkProc ok = nullptr;
  CancelProc cancel = nullptr;

  int focus = 0;
  Key menu = 0;
  std::set<int> timers;
  std::deque<int> posted;

  Control* control(int id) {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
  }
  bool open() const { return state == DialogState::kRunning; }
};

// A notification being delivered, with the storage of its text.
struct Delivery {
  Notification note;
  std::string text;
};

class Engine {
 public:
  static Engine& get();

  // ---- handles and look-ups ----
  Key new_key() { return next_key_ += 16; }
  // A dialog being built or running; null when unknown or closed.
  Dialog* dialog(const void* handle);
  // The dialog the SetInpCont_* and Set*Proc calls apply to.
  Dialog* current();
  // The dialog whose callback runs, else the innermost modal dialog.
  Dialog* innermost();
  Dialog* owner_of(const void* window);
  // The control of window in an open dialog (any kind); with d set to its dialog.
  Control* control(const void* window, Dialog** d = nullptr);
  Control* control_of_kind(const void* window, Kind kind, Dialog** d = nullptr);
  Control* control(const void* dialog_handle, int id, Dialog** d = nullptr);

  // ---- building ----
  void* begin(void* parent, const char* title, const char* unit, int width, int height,
              bool modeless);
  // Counts one building call; false when it is the injected failure.
  bool building_call();
  Control* add_control(int id, Kind kind, const char* window_class, unsigned style, int x, int y,
                       int cx, int cy, const char* text);
  Dialog* building() { return dialog(to_handle(building_)); }

  // ---- reservations ----
  int reserve(int n);
  void purge();

  // ---- running ----
  int run_modal(Dialog* d, void* parent, int context);
  void* run_modeless(Dialog* d, void* parent, int context);
  bool drive(Dialog* d);
  void destroy(Dialog* d);
  // Applies one user action (user_actions.cpp).
  void apply(Dialog* d, const UserAction& action);
  // The rest of a drag whose dialog captured the mouse with adapter: the pointer
  // moves to the action's spot, the adapter hears the move, its timers' ticks and
  // the release.
  void drag_by_pointer(Dialog* d, int tree_id, void* adapter, const UserAction& action, Key onto);
  // Handles posted commands and paints, until the dialog closes or nothing is left.
  void pump(Dialog* d);
  void post(Dialog* d, int command) { d->posted.push_back(command); }
  void command(Dialog* d, int command);
  void accept_path(Dialog* d);
  void cancel_path(Dialog* d, bool forced);
  void enter_path(Dialog* d, int control);
  void close(Dialog* d, bool accepted);
  DialogInfo info(const Dialog* d) const;

  // ---- callbacks; each marks the dialog busy while it runs ----
  int notify(Dialog* d, const Notification& note, const char* text = nullptr);
  int call_init(Dialog* d);
  int call_ok(Dialog* d);
  int call_cancel(Dialog* d);
  int call_enter(Dialog* d, int control);
  int call_timer(Dialog* d, int timer);
  const Notification* delivering() const {
    return deliveries_.empty() ? nullptr : &deliveries_.back().note;
  }

  // ---- input checking and buffers (input_checking.cpp) ----
  // Empty when control passes; else why it does not.
  std::string check(const Control& c) const;
  int check_inputs(Dialog* d, int control);
  void warn(Dialog* d, int control);
  void load_buffers(Dialog* d);
  void write_back(Dialog* d);
  void set_number(Control& c, long long value);
  void set_real(Control& c, double value);

  // ---- trees, lists (tree_view.cpp, list_view.cpp) ----
  // Selects key as the caret of the tree of control c in d and notifies; a change
  // by the user gives the action kTvcByMouse.
  void tree_select_caret(Dialog* d, Control& c, Key key, int action);
  void tree_remove(Dialog* d, Control& c, Key key);
  // Opens the label editor on key unless kTvnBeginLabelEdit refuses; an editor
  // already open is cancelled first.
  bool tree_begin_label(Dialog* d, Control& c, Key key);
  // Closes the open label editor with text (null: cancelled), cut to the limit;
  // the item takes the text when kTvnEndLabelEdit answers non-zero.
  void tree_finish_label(Dialog* d, Control& c, const std::string* text);
  bool tree_visible(TreeModel& t, Key key);
  void list_change_state(Dialog* d, Control& c, int row, unsigned state, unsigned mask);
  void paint(Dialog* d);

  // ---- menus and image lists ----
  Menu* menu(const void* handle);
  void destroy_menu(Key key);
  ImageList* image_list(const void* handle);

  // ---- records ----
  void refuse(Dialog* d, const UserAction& action, std::string reason);
  void note(std::string text) { log.notes.push_back(std::move(text)); }
  int context_now();

  void reset();

  DialogLog log;
  BufferAccounting accounting;
  std::vector<int> reservations;  // buffers per reservation, innermost last
  bool fail_next_reservation = false;
  int fail_building_at = 0;  // building calls until the injected failure, 0 none
  int error_id = 0;
  TextLoader text_loader = nullptr;
  IconCatalog icon_catalog = nullptr;

  std::map<Key, std::unique_ptr<Dialog>> dialogs;
  std::map<Key, std::pair<Key, int>> windows;  // control window -> dialog, identifier
  std::map<Key, Menu> menus;
  std::map<Key, ImageList> image_lists;
  std::vector<Key> modal;  // running modal dialogs, innermost last
  // Dialogs in use, innermost last: pushed while a callback of the dialog runs and
  // while its run loop (modal) or drive (modeless) runs. A closed dialog is erased
  // only when it is no longer here.
  std::vector<Key> active;

  // The drawing context of the row being painted.
  Key paint_dc = 0;
  DrawnRow* paint_row = nullptr;
  bool painting = false;

 private:
  Engine() = default;
  // Loads the buffers, gives the focus, tells the user and calls init; closes the
  // dialog when init refuses.
  void start(Dialog* d);
  // Erases closed dialogs that no callback and no run loop still uses.
  void collect();
  void erase(Key key);

  Key next_key_ = 0x10000;
  Key building_ = 0;
  std::deque<Delivery> deliveries_;
};

inline Engine& engine() {
  return Engine::get();
}

// Keeps a dialog on the engine's active stack for a scope.
class ActiveScope {
 public:
  ActiveScope(Engine& e, Key key) : e_(e) { e_.active.push_back(key); }
  ~ActiveScope() { e_.active.pop_back(); }
  ActiveScope(const ActiveScope&) = delete;
  ActiveScope& operator=(const ActiveScope&) = delete;

 private:
  Engine& e_;
};

// Case-insensitive comparison of two texts, as the tree view sorts.
int compare_nocase(const std::string& a, const std::string& b);

// The text a control shows: a drop-down list shows its chosen item.
std::string shown_text(const Control& c);

// Parses an integer or a number that fills text (blanks around allowed).
bool parse_integer(const std::string& text, long long* value);
bool parse_real(const std::string& text, double* value);
std::string format_real(double value, int decimals);

}  // namespace dlist::dialog_internal
