// ConsoleUser, the user of the command line. Questions (Yes/No message boxes)
// become prompts on the terminal, or take a preset answer when the command runs
// unattended (--yes, --no); information boxes and warnings are printed. File
// choosers take a preset path (or ask for one at the prompt). A modal dialog
// without a script is accepted (its buffers as the program filled them) or
// cancelled as configured; scripts, answers and files given as for ScriptedUser
// come first.
#pragma once

#include <iosfwd>
#include <set>
#include <string>

#include "host/dialog/scripted_user.h"

namespace dlist {

struct ConsoleOptions {
  enum class Questions {
    kAsk,        // prompt on the terminal (y/n); end of input answers No
    kAlwaysYes,  // answer Yes (OK where there is no Yes)
    kAlwaysNo,   // answer No (Cancel where there is no No)
  };
  Questions questions = Questions::kAlwaysNo;
  bool accept_dialogs = false;  // press 9999 in a dialog without a script
  std::string file_path;        // the answer of every file chooser; empty: ask or cancel
};

class ConsoleUser : public ScriptedUser {
 public:
  ConsoleUser(ConsoleOptions options, std::istream& in, std::ostream& out);

  void dialog_closed(const DialogInfo& dialog) override;
  std::optional<UserAction> next_action(const DialogInfo& dialog) override;
  std::optional<int> answer_message_box(const MessageBoxRequest& request) override;
  std::optional<FileAnswer> choose_file(const FileRequest& request) override;
  void show_warning(const WarningRecord& warning) override;

 private:
  // Reads one line; false at the end of the input.
  bool read_line(std::string& line);

  ConsoleOptions options_;
  std::istream& in_;
  std::ostream& out_;
  std::set<const void*> pressed_;  // dialogs in which 9999 was pressed already
};

}  // namespace dlist
