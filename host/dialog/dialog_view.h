// A read-only picture of a running dialog's model, for a user that shows dialogs
// in real windows: the dialog's size and title, and every control in creation
// order with its kind, position and size (dialog units), text, states, limits,
// tool tip, and the items of trees, lists, combos and tabs; the menu bar and the
// running timers. Taking a picture changes nothing and calls no callback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/dialog/notify_codes.h"
#include "host/dialog/owner_draw.h"

namespace dlist {

enum class ControlKind {
  kStatic,
  kEdit,
  kInteger,
  kDouble,
  kCheckBox,  // also a radio button (kBsRadioButton in the style)
  kCombo,
  kTree,
  kList,
  kTab,
  kButton,
  kSplitter,
  kWindow
};

struct TreeItemView {
  _TREEITEM* handle = nullptr;
  int level = 0;  // 0 at the top
  std::string text;
  int image = 0;
  int selected_image = 0;
  intptr_t param = 0;
  bool expanded = false;
  bool has_children = false;  // children, or marked as having some to fill in
  bool selected = false;
  bool bold = false;
  bool cut = false;
  bool drop_target = false;
};

struct ListRowView {
  std::vector<std::string> texts;
  int image = -1;
  intptr_t param = 0;
  unsigned state = 0;  // kLvisSelected, kLvisFocused
};

struct ControlView {
  int id = 0;
  ControlKind kind = ControlKind::kWindow;
  std::string window_class;
  unsigned style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string text;  // what the control shows
  int check = 0;
  bool enabled = true;
  bool visible = true;
  bool marked = false;
  bool text_selected = false;
  bool read_only = false;
  bool typable = false;
  bool radio = false;
  int text_id = 0;      // a button's message
  std::string tooltip;  // empty when none
  std::string bitmap;   // a button's image name; empty when it shows its text
  bool has_range_n = false;
  long long min_n = 0, max_n = 0;
  bool has_range_d = false;
  double min_d = 0.0, max_d = 0.0;
  int decimals = -1;
  unsigned text_size = 0;  // a bound text buffer's size, terminator included; 0 when none

  // tree: the items in tree order (each followed by its children), the images by name
  std::vector<TreeItemView> items;
  std::vector<std::string> images;
  bool edit_labels = false;

  // list
  std::vector<std::string> column_titles;
  std::vector<int> column_widths;
  std::vector<ListRowView> rows;
  bool owner_drawn = false;
  std::vector<DrawnRow> painted;
  int row_height = 0;

  // combo: the items and the chosen one (-1 none); tab: the tabs and the current one
  std::vector<std::string> choices;
  int current = -1;
};

struct MenuEntryView {
  int id = 0;
  std::string text;
  bool enabled = true;
  bool checked = false;
  bool separator = false;
  std::vector<MenuEntryView> submenu;
};

struct DialogView {
  void* dialog = nullptr;
  int context = 0;
  std::string title;
  int width = 0, height = 0;
  bool modeless = false;
  int focus = 0;
  std::vector<ControlView> controls;
  std::vector<MenuEntryView> menu;  // the menu bar; empty when none
  std::vector<int> timers;
};

// The picture of an open dialog; nothing when dialog is not open.
std::optional<DialogView> view_dialog(void* dialog);

// The entries of the context menu that is being tracked with exactly these
// enabled commands (the one made last, when several match); empty when none.
std::vector<MenuEntryView> view_tracked_menu(const std::vector<int>& commands);

}  // namespace dlist
