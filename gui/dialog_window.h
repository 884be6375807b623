// One running dialog of the engine in a real window: every control of the model
// at its position and size (dialog units scaled to the screen by the window's
// font), kept in step with the model after every action. What the person does in
// the window becomes the engine's user actions, queued here until the window user
// hands them to the engine one at a time; the window never changes the model
// itself, so the dialog's callbacks and input checks decide as for any user.
//
// The person's entry points (type, press, choose, ...) are also called by tests:
// each goes through the control's own event, as a click or a key would.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/dialog/dialog_user.h"
#include "host/dialog/dialog_view.h"

class wxEventLoopBase;
class wxImageList;
class wxListCtrl;
class wxTreeCtrl;
class wxTreeEvent;
class wxListEvent;
class wxWindowDisabler;

namespace dlist::gui {

// Commands of the windows' menus are offset, so that they never meet wx's own ids.
inline constexpr int kMenuBase = 20000;

class DialogWindow : public wxDialog {
 public:
  DialogWindow(wxWindow* parent, const DialogView& view);
  ~DialogWindow() override;

  void* dialog() const { return dialog_; }
  int context() const { return context_; }

  // Brings every control in step with the model (a new picture of it).
  void sync(const DialogView& view);

  // The next action of the person, if one is queued.
  std::optional<UserAction> take_action();
  bool has_action() const { return !actions_.empty(); }
  // Waits in a nested event loop until the person acts or stop_waiting().
  void wait();
  void stop_waiting();

  // Disables every other window while this modal dialog is open.
  void disable_others();
  // Enables them again (the dialog closed).
  void release_others();

  // ---- what the person does (also the tests' entry points) ----
  wxWindow* control(int id) const;
  void type(int id, const std::string& utf8);
  void press(int id);
  void check(int id, bool on);
  void choose(int id, int index);
  void choose_tab(int id, int index);
  void select_row(int id, int row);
  void double_click_row(int id, int row);
  void select_item(int id, intptr_t param);
  void expand_item(int id, intptr_t param);
  void right_click_item(int id, intptr_t param);
  // Edits the label of the item of param to utf8, as typing into the tree's editor
  // and pressing Enter would (refused where the tree edits no labels).
  void edit_label(int id, intptr_t param, const std::string& utf8);
  // Drags the item of param onto the item of onto and lets go (Shift as the keyboard holds it).
  void drag_item(int id, intptr_t param, intptr_t onto);
  void close_box();
  // Drags splitter id so its left (top, when it lies flat) edge is at position (dialog units).
  void move_splitter(int id, int position);

  // The window's picture as a PNG file; false when it cannot be taken or written.
  bool screenshot(const std::string& path);

 private:
  struct Shown {
    ControlView view;
    wxWindow* window = nullptr;
    std::vector<wxWindow*> tabs;  // a tab control's tabs, then its frame
    std::string signature;        // what the window was filled from (trees, lists, combos)
    std::unique_ptr<wxImageList> images;
    std::map<void*, intptr_t> tree_params;  // wx item id -> model param
  };

  void build(const DialogView& view);
  wxWindow* make_control(Shown& s);
  void place(Shown& s);
  void sync_control(Shown& s, const ControlView& v);
  void fill_tree(Shown& s, const ControlView& v);
  void fill_list(Shown& s, const ControlView& v);
  void fill_choices(Shown& s, const ControlView& v);
  void sync_menu(const std::vector<MenuEntryView>& menu);
  void sync_timers(const std::vector<int>& timers);

  void act(UserAction action);
  Shown* find_shown(int id);
  const Shown* find_shown(int id) const;
  // The wx item (its id) of the model item of param in tree id; null when none.
  void* tree_item(int id, intptr_t param) const;
  // The tree item reference for the model item of wx item.
  std::optional<ItemRef> item_ref(const Shown& s, void* item) const;

  // event handlers
  void on_text(int id);
  void on_enter(int id);
  void on_button(int id);
  void on_check(int id);
  void on_choice(int id, int index);
  void on_tree(wxTreeEvent& event, int id);
  void on_list(wxListEvent& event, int id);
  void on_close(wxCloseEvent& event);
  void on_key(wxKeyEvent& event);

  void* dialog_ = nullptr;
  int context_ = 0;
  std::vector<std::unique_ptr<Shown>> controls_;
  std::map<int, size_t> index_;
  std::vector<MenuEntryView> menu_;
  wxWindow* menu_bar_ = nullptr;
  int menu_height_ = 0;
  std::map<int, std::unique_ptr<wxTimer>> timers_;
  std::deque<UserAction> actions_;
  ItemRef dragged_{0};
  bool dragging_ = false;
  wxEventLoopBase* loop_ = nullptr;
  std::unique_ptr<wxWindowDisabler> disabler_;
  bool syncing_ = false;
};

// A picture of window as it is on the screen, as a PNG file (written beside path
// and renamed into place); false when it cannot be taken or written.
bool save_screenshot(wxWindow* window, const std::string& path);

}  // namespace dlist::gui
