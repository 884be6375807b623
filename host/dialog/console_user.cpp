// ConsoleUser: prompts and preset answers on a terminal, over the scripts and
// queues of ScriptedUser.
#include "host/dialog/console_user.h"

#include <cctype>
#include <istream>
#include <ostream>
#include <utility>

#include "foundation/code_page.h"
#include "host/dialog/notify_codes.h"

namespace dlist {

namespace {

constexpr int kMaxPrompts = 3;  // unreadable answers before the question counts as No

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A message box's caption and text as the terminal shows them (the system's
// texts are of the texts' code page).
std::string shown(const MessageBoxRequest& request) {
  return shown_message((request.caption.empty() ? std::string() : request.caption + ": ") +
                       request.text);
}

}  // namespace

ConsoleUser::ConsoleUser(ConsoleOptions options, std::istream& in, std::ostream& out)
    : options_(std::move(options)), in_(in), out_(out) {}

bool ConsoleUser::read_line(std::string& line) {
  if (!std::getline(in_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void ConsoleUser::dialog_closed(const DialogInfo& dialog) {
  pressed_.erase(dialog.dialog);
  ScriptedUser::dialog_closed(dialog);
}

std::optional<UserAction> ConsoleUser::next_action(const DialogInfo& dialog) {
  if (has_script(dialog.dialog)) return ScriptedUser::next_action(dialog);
  if (!options_.accept_dialogs || pressed_.count(dialog.dialog) != 0) return std::nullopt;
  pressed_.insert(dialog.dialog);  // once: a refused OK then cancels
  UserAction press;
  press.kind = UserAction::Kind::kPress;
  press.control = kIdAccept;
  return press;
}

std::optional<int> ConsoleUser::answer_message_box(const MessageBoxRequest& request) {
  const unsigned type = request.flags & kMbTypeMask;
  if (type == kMbOk) {
    out_ << shown(request) << "\n";
    return kIdOk;
  }
  if (std::optional<int> scripted = ScriptedUser::answer_message_box(request)) return scripted;
  const bool has_yes = type == kMbYesNo || type == kMbYesNoCancel;
  const int yes = has_yes ? kIdYes : kIdOk;
  const int no = has_yes ? kIdNo : kIdCancel;
  out_ << shown(request);
  switch (options_.questions) {
    case ConsoleOptions::Questions::kAlwaysYes:
      out_ << " [" << (has_yes ? "yes" : "ok") << "]\n";
      return yes;
    case ConsoleOptions::Questions::kAlwaysNo:
      out_ << " [" << (has_yes ? "no" : "cancel") << "]\n";
      return no;
    case ConsoleOptions::Questions::kAsk:
      break;
  }
  for (int attempt = 0; attempt < kMaxPrompts; ++attempt) {
    out_ << (has_yes ? " (y/n) " : " (o/c) ") << std::flush;
    std::string line;
    if (!read_line(line)) break;
    const std::string a = lower(line);
    if (a == "y" || a == "yes" || a == "o" || a == "ok") return yes;
    if (a == "n" || a == "no" || a == "c" || a == "cancel") return no;
  }
  out_ << "\n";
  return no;
}

std::optional<FileAnswer> ConsoleUser::choose_file(const FileRequest& request) {
  if (std::optional<FileAnswer> scripted = ScriptedUser::choose_file(request)) return scripted;
  if (!options_.file_path.empty()) return FileAnswer{true, options_.file_path, {}};
  if (options_.questions != ConsoleOptions::Questions::kAsk) return FileAnswer{};
  out_ << (request.title.empty() ? std::string("file") : request.title);
  if (!request.filter.empty()) out_ << " (" << request.filter << ")";
  out_ << ": " << std::flush;
  std::string line;
  if (!read_line(line) || line.empty()) return FileAnswer{};
  return FileAnswer{true, line, {}};
}

void ConsoleUser::show_warning(const WarningRecord& warning) {
  out_ << "warning";
  if (warning.control != 0) out_ << " (control " << warning.control << ")";
  out_ << ": " << shown_message(warning.text) << "\n";
}

}  // namespace dlist
