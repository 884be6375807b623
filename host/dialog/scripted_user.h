// ScriptedUser, the user of tests. For each dialog context identifier it holds one
// script per opening of that dialog, in order: the first opening of context 22372
// plays the first script given with on(22372), the second the second. A dialog
// opened without a script left, or whose script has run out, is cancelled, so a
// test never waits. Message box answers and file choices are given in the order in
// which they will be asked, whatever dialog asks them; boxes with only an OK button
// take no answer from the list. When the answers run out, the engine answers No,
// Cancel or OK and records that it did.
//
//   dlist::ScriptedUser user;
//   user.on(22374).type(10436, "Doors").press(9999);
//   user.yes();
//   dlist::DialogUserScope scope(user);
//   ... run the code that opens the dialog ...
//   EXPECT_TRUE(user.finished()) << user.leftovers();
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/dialog/dialog_user.h"

namespace dlist {

// The actions of one opening of a dialog.
class Script {
 public:
  Script& type(int control, std::string text);
  Script& check(int control, bool on = true);
  Script& choose_combo(int combo, int index);
  Script& choose_combo_text(int combo, std::string text);
  Script& choose_tab(int tab, int index);
  Script& select_item(int tree, ItemRef item);
  Script& expand(int tree, ItemRef item);
  Script& collapse(int tree, ItemRef item);
  Script& double_click(int tree, ItemRef item);
  Script& right_click(int tree, ItemRef item);
  Script& select_row(int list, int row);
  Script& double_click_row(int list, int row);
  Script& right_click_row(int list, int row);
  Script& click_column(int list, int column);
  // Chooses command from the context menu the dialog opens, or else from its menu bar.
  Script& choose(int command);
  Script& drag(int tree, ItemRef item, ItemRef onto, bool shift = false);
  // Drags item of tree onto an item of another tree of the dialog (over a drag adapter).
  Script& drag_across(int tree, ItemRef item, int onto_tree, ItemRef onto, bool shift = false);
  // Drags item to spot of the tree and holds it there for ticks ticks before releasing.
  Script& drag_to(int tree, ItemRef item, DragSpot spot, int ticks = 1, bool shift = false);
  Script& edit_label(int tree, ItemRef item, std::string text);
  Script& cancel_label(int tree, ItemRef item);
  Script& tick(int timer);
  Script& press(int button);
  Script& focus(int control);
  // Drags splitter so its left edge (top edge, when it lies flat) is at position.
  Script& move_splitter(int splitter, int position);
  Script& enter(int control = 0);
  Script& close();
  // Calls look(dialog) when the script reaches this point.
  Script& observe(std::function<void(void* dialog)> look);
  Script& add(UserAction action);

  const std::vector<UserAction>& actions() const { return actions_; }

 private:
  std::vector<UserAction> actions_;
};

class ScriptedUser : public DialogUser {
 public:
  ScriptedUser() = default;
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // A new script for the next opening of context that has none yet.
  Script& on(int context);

  // Message box answers, in order.
  ScriptedUser& answer(int id);
  ScriptedUser& yes() { return answer(6); }
  ScriptedUser& no() { return answer(7); }
  ScriptedUser& ok() { return answer(1); }
  ScriptedUser& cancel() { return answer(2); }

  // File chooser answers, in order.
  ScriptedUser& choose_file(std::string path, std::string description = {});
  ScriptedUser& cancel_file();
  // A file choice that also answers the extra controls of a child template.
  ScriptedUser& choose_file(std::string path, FileExtrasAnswer extras);

  // True when every script, answer and file choice was used up.
  bool finished() const;
  // What was not used, one line each: scripts never played, actions a dialog
  // closed before reaching, answers and file choices left.
  std::string leftovers() const;
  // Message box answers and file choices not yet used.
  size_t answers_left() const { return answers_.size(); }
  size_t files_left() const { return files_.size(); }

  void dialog_opened(const DialogInfo& dialog) override;
  void dialog_closed(const DialogInfo& dialog) override;
  std::optional<UserAction> next_action(const DialogInfo& dialog) override;
  std::optional<int> choose_from_menu(const DialogInfo& dialog,
                                      const std::vector<int>& commands) override;
  std::optional<int> answer_message_box(const MessageBoxRequest& request) override;
  std::optional<FileAnswer> choose_file(const FileRequest& request) override;
  std::optional<FileExtrasAnswer> file_extras(const FileRequest& request) override;

 protected:
  // Whether dialog plays a script.
  bool has_script(const void* dialog) const { return running_.count(dialog) != 0; }

 private:
  struct Run {
    std::unique_ptr<Script> script;
    size_t next = 0;
    int context = 0;
  };

  std::map<int, std::deque<std::unique_ptr<Script>>> waiting_;
  std::map<const void*, Run> running_;
  std::deque<int> answers_;
  std::deque<FileAnswer> files_;
  std::deque<std::optional<FileExtrasAnswer>> extras_;  // beside files_, one each
  std::optional<FileExtrasAnswer> extras_now_;          // of the file choice last given
  std::vector<std::string> unused_;
};

}  // namespace dlist
