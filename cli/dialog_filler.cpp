// DialogFiller: scripts for the library's dialogs, the console for their questions.
#include "cli/dialog_filler.h"

#include <utility>

#include "cli/file_checks.h"
#include "cli/material_library_file.h"
#include "foundation/code_page.h"
#include "host/dialog/engine.h"

namespace dlist::cli {

DialogFiller::DialogFiller(FieldNames fields)
    : fields_(std::move(fields)),
      outer_(active_dialog_user()),
      refusals_before_(dialog_log().refusals.size()) {
  // The dialogs' reasons are kept for the command's one line instead of being
  // printed as they come; everything else goes where it went.
  previous_ = set_report_sink([this](const ReportEntry& entry) {
    if (entry.kind == ReportKind::diagnostic) {
      diagnostics_.push_back(entry.text);
    } else if (previous_) {
      previous_(entry);
    }
  });
}

DialogFiller::~DialogFiller() { set_report_sink(std::move(previous_)); }

std::optional<UserAction> DialogFiller::next_action(const DialogInfo& dialog) {
  diagnostics_at_action_ = diagnostics_.size();
  // A dialog the command has no script for is cancelled.
  if (!has_script(dialog.dialog)) return std::nullopt;
  return ScriptedUser::next_action(dialog);
}

std::optional<int> DialogFiller::answer_message_box(const MessageBoxRequest& request) {
  return outer_.answer_message_box(request);
}

std::optional<FileAnswer> DialogFiller::choose_file(const FileRequest& request) {
  return outer_.choose_file(request);
}

void DialogFiller::show_warning(const WarningRecord& warning) {
  const auto own = context_fields_.find(warning.context);
  const FieldNames& fields = own != context_fields_.end() ? own->second : fields_;
  const auto named = fields.find(warning.control);
  const std::string field = named != fields.end() ? named->second
                            : warning.control != 0
                                ? "control " + std::to_string(warning.control)
                                : std::string();
  // A reason the dialog wrote while the refused action ran is the one to show;
  // otherwise the framework's own check of the field says it.
  const std::string reason = diagnostics_.size() > diagnostics_at_action_
                                 ? diagnostics_.back()
                                 : warning.text;
  marked_ = (field.empty() ? std::string() : field + ": ") + shown_message(reason);
}

std::string DialogFiller::refusal() const {
  const auto& refusals = dialog_log().refusals;
  if (refusals.size() > refusals_before_) {
    const RefusalRecord& r = refusals[refusals_before_];
    return "cannot " + r.action + ": " + r.reason;
  }
  if (!marked_.empty()) return marked_;
  return diagnostics_.empty() ? std::string() : shown_message(diagnostics_.back());
}

bool DialogFiller::refused_action() const {
  return dialog_log().refusals.size() > refusals_before_;
}

std::string DialogFiller::last_diagnostic() const {
  return diagnostics_.empty() ? std::string() : shown_message(diagnostics_.back());
}

int change_library(LISTCONTEXT& library, Output& out,
                   const std::function<std::string()>& change, const std::string& done) {
  std::string error;
  if (!check_writable(library.connection(), "material library", library.fullpath(), &error))
    return out.fail(error);
  LibraryTransaction transaction(library);
  if (!transaction) return out.fail(cannot_change(library));
  const std::string refused = change();
  if (!refused.empty()) return out.fail(refused);  // rolled back as the scope ends
  if (!transaction.commit()) return out.fail(cannot_save(library));
  out.note(done);
  return 0;
}

std::optional<std::string> stored_field(const std::string& field, const std::string& text,
                                        std::string* error) {
  std::string why;
  std::optional<std::string> stored = stored_text(text, &why);
  if (!stored) *error = field + ": " + why;
  return stored;
}

}  // namespace dlist::cli
