// The user of the commands that fill the library's dialogs: it plays the script
// of each dialog (typing, choosing, pressing OK), passes the questions and file
// choosers on to the user that was active (the console), and remembers why the
// dialog refused its input: the field it marked and the reason it gave.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "cli/project.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/report.h"

namespace dlist::cli {

// The names that a command gives the controls of a dialog ("--name", "ABBR").
using FieldNames = std::map<int, std::string>;

class DialogFiller : public ScriptedUser {
 public:
  explicit DialogFiller(FieldNames fields);
  ~DialogFiller() override;
  DialogFiller(const DialogFiller&) = delete;
  DialogFiller& operator=(const DialogFiller&) = delete;

  // Names the controls of the dialog context, over the names given for all.
  void name_fields(int context, FieldNames fields) { context_fields_[context] = std::move(fields); }

  // Runs the dialog call while this user is the active one; its result.
  template <typename Call>
  int run(Call call) {
    DialogUserScope scope(*this);
    return call();
  }

  // Why the dialog did not do what the script asked, in words: the action the
  // dialog refused, else the field it marked with its reason, else the last reason
  // the system gave; empty when it said nothing.
  std::string refusal() const;
  // Whether a dialog refused an action of the script (a disabled control, an item
  // that does not exist): the command then did not do what was asked.
  bool refused_action() const;
  // Whether a dialog warned about a field: a nested dialog (the long texts) that
  // refused its input was given up, so its outer dialog's OK did not do all that
  // was asked.
  bool warned() const { return !marked_.empty(); }
  // The last diagnostic line written while the dialogs ran; empty when none.
  std::string last_diagnostic() const;

  std::optional<UserAction> next_action(const DialogInfo& dialog) override;
  std::optional<int> answer_message_box(const MessageBoxRequest& request) override;
  std::optional<FileAnswer> choose_file(const FileRequest& request) override;
  void show_warning(const WarningRecord& warning) override;

 private:
  FieldNames fields_;
  std::map<int, FieldNames> context_fields_;
  DialogUser& outer_;
  ReportSink previous_;
  std::vector<std::string> diagnostics_;
  std::size_t diagnostics_at_action_ = 0;  // diagnostics_ when the last action began
  std::size_t refusals_before_ = 0;        // of the dialog log, when this user began
  std::string marked_;                     // "<field>: <reason>" of the last warning
};

}  // namespace dlist::cli

namespace dlist::cli {

// One command's change of the library through its dialogs, as one transaction:
// change returns the refusal line (empty when it did its work); the library is
// then left byte for byte as it was. On success done is noted and 0 returned.
int change_library(LISTCONTEXT& library, Output& out,
                   const std::function<std::string()>& change, const std::string& done);

// The text as bytes of the stored code page; nothing, with the refusal in *error
// naming the field, when the code page cannot hold it.
std::optional<std::string> stored_field(const std::string& field, const std::string& text,
                                        std::string* error);

}  // namespace dlist::cli
