// `dlist attributes export` and `dlist attributes import`: the attribute file of a
// library entry through AttributeExport and AttributeImport, and the console's
// answers to the import's conflict dialogs. The import runs in one transaction: a
// refused file leaves the project as it was.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "attributes/attribute_exchange.h"
#include "cli/attribute_library.h"
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/project.h"
#include "cli/report_collector.h"
#include "foundation/code_page.h"
#include "foundation/fixed_text.h"
#include "host/dialog/dialog_user.h"
#include "host/dialog/engine.h"
#include "host/model/attribute_store.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

enum class ConflictAnswer { kAsk, kReplace, kKeep, kReplaceAll, kKeepAll };

// The entry that text names (empty: the root).
std::optional<long> resolve_entry(const std::string& text, std::string* error) {
  if (text.empty()) {
    const std::optional<AttributeEntry> root = attribute_root();
    if (!root) *error = "cannot read the root of the attribute library";
    return root ? std::optional<long>(root->id) : std::nullopt;
  }
  const std::optional<AttributeEntry> entry = resolve_attribute_entry(text, false, error);
  return entry ? std::optional<long>(entry->id) : std::nullopt;
}

// The number of entries of the library.
std::size_t entry_count() {
  std::size_t n = 0;
  std::vector<long> pending{ATTRIBUTES().rew_node(0)};
  while (!pending.empty()) {
    const long g = pending.back();
    pending.pop_back();
    ATTRIBUTES walk;
    if (walk.rew_node(g) < 1) continue;
    DBATTRIBUTENODETYPE node;
    for (long id; (id = walk.get_node(&node)) > 0;) {
      ++n;
      if (node.is_group()) pending.push_back(id);
    }
  }
  return n;
}

ConflictAnswer ask_conflict(std::istream& in, std::ostream& prompt) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    prompt << "(r)eplace, (k)eep, replace (a)ll, keep a(l)l? " << std::flush;
    std::string line;
    if (!std::getline(in, line)) break;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (line == "r" || line == "replace") return ConflictAnswer::kReplace;
    if (line == "k" || line == "keep") return ConflictAnswer::kKeep;
    if (line == "a" || line == "replace all") return ConflictAnswer::kReplaceAll;
    if (line == "l" || line == "keep all") return ConflictAnswer::kKeepAll;
  }
  prompt << "\n";
  return ConflictAnswer::kKeep;
}

// Answers the import's conflict dialogs as asked, and hands everything else to the
// user who was active before.
class ConflictUser : public DialogUser {
 public:
  ConflictUser(ConflictAnswer answer, std::istream& in, std::ostream& prompt, bool terminal)
      : inner_(active_dialog_user()),
        answer_(answer),
        in_(in),
        prompt_(prompt),
        terminal_(terminal) {}

  void dialog_opened(const DialogInfo& d) override {
    if (d.context != kConflictContext) inner_.dialog_opened(d);
  }
  void dialog_closed(const DialogInfo& d) override {
    if (d.context != kConflictContext) return inner_.dialog_closed(d);
    answered_.erase(d.dialog);
  }
  // Enter on the chosen button, which confirms the dialog with that button focused.
  std::optional<UserAction> next_action(const DialogInfo& d) override {
    if (d.context != kConflictContext) return inner_.next_action(d);
    if (!answered_.insert(d.dialog).second) return std::nullopt;
    UserAction action;
    action.kind = UserAction::Kind::kEnter;
    action.control = choose(d.dialog);
    return action;
  }
  std::optional<int> choose_from_menu(const DialogInfo& d, const std::vector<int>& c) override {
    return inner_.choose_from_menu(d, c);
  }
  std::optional<int> answer_message_box(const MessageBoxRequest& r) override {
    return inner_.answer_message_box(r);
  }
  std::optional<FileAnswer> choose_file(const FileRequest& r) override {
    return inner_.choose_file(r);
  }
  void show_warning(const WarningRecord& w) override { inner_.show_warning(w); }

 private:
  int choose(void* dialog) {
    ConflictAnswer answer = answer_;
    if (answer == ConflictAnswer::kAsk) {
      if (!terminal_) return kConflictButtonKeep;
      if (has_control(dialog, kConflictShowExisting)) {
        prompt_ << "The imported attribute "
                << shown_text(control_text(dialog, kConflictImportedText))
                << " differs from the attribute "
                << shown_text(control_text(dialog, kConflictExistingText))
                << " of the same abbreviation.\n";
      } else {
        prompt_ << "The reference " << shown_text(control_text(dialog, kConflictExistingText))
                << " holds \"" << shown_text(control_text(dialog, kConflictOldValueText))
                << "\"; the file gives \""
                << shown_text(control_text(dialog, kConflictImportedText)) << "\".\n";
      }
      answer = ask_conflict(in_, prompt_);
    }
    switch (answer) {
      case ConflictAnswer::kReplace:
        return kConflictButtonReplace;
      case ConflictAnswer::kReplaceAll:
        return kConflictButtonReplaceAll;
      case ConflictAnswer::kKeepAll:
        return kConflictButtonKeepAll;
      default:
        break;
    }
    return kConflictButtonKeep;
  }

  DialogUser& inner_;
  ConflictAnswer answer_;
  std::istream& in_;
  std::ostream& prompt_;
  bool terminal_;
  std::set<const void*> answered_;
};

// Sets the conflict strategy for a scope.
class StrategyScope {
 public:
  explicit StrategyScope(short s) : previous_(attribute_conflict_strategy()) {
    set_attribute_conflict_strategy(s);
  }
  ~StrategyScope() { set_attribute_conflict_strategy(previous_); }
  StrategyScope(const StrategyScope&) = delete;
  StrategyScope& operator=(const StrategyScope&) = delete;

 private:
  short previous_;
};

struct ExportArgs {
  std::string node;
  bool force = false;
  std::string file;
};

struct ImportArgs {
  std::string into;
  std::string on_conflict = "ask";
  std::string file;
};

std::string with_reason(const std::string& what, const std::string& reason) {
  return reason.empty() ? what : what + ": " + reason;
}

int export_attributes(ModelDatabase& project, const ExportArgs& args, Output& out) {
  std::string error;
  const std::optional<long> entry = resolve_entry(args.node, &error);
  if (!entry) return out.fail(error);
  if (!check_export_target(args.file, ExportKind::kAttributeFile, {{project.fullpath(), "project"}},
                           args.force, &error))
    return out.fail(error);
  std::string file = args.file;
  ReportCollector reports;
  if (AttributeExport(nullptr, *entry, file.data(), 0, nullptr) != 1)
    return out.fail(with_reason("cannot write " + file, reports.reason_of("AttributeExport")));
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  out.note("exported " + describe_attribute_entry(*entry) + " to " + file +
           (ec ? std::string() : " (" + std::to_string(size) + " bytes)"));
  return 0;
}

int import_attributes(ModelDatabase& project, const ImportArgs& args, Context& context,
                      Output& out) {
  std::string error;
  const std::optional<long> target = resolve_entry(args.into, &error);
  if (!target) return out.fail(error);
  if (!check_import_input(args.file, &error)) return out.fail(error);
  if (!check_writable(project.connection(), "project", project.fullpath(), &error))
    return out.fail(error);
  ConflictAnswer answer = ConflictAnswer::kAsk;
  short strategy = kConflictReplaceAsk;
  if (args.on_conflict == "replace") answer = ConflictAnswer::kReplace;
  if (args.on_conflict == "keep") answer = ConflictAnswer::kKeep;
  if (args.on_conflict == "replace-all") strategy = kConflictReplaceAll;
  if (args.on_conflict == "keep-all") strategy = kConflictKeepAll;
  const std::size_t before = entry_count();

  // One transaction: an import that fails half-way leaves the project as it was.
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  std::string file = args.file;
  ReportCollector reports;
  int done = 0;
  {
    StrategyScope scope(strategy);
    ConflictUser user(answer, context.console.in, context.console.err, context.console.terminal);
    DialogUserScope answering(user);
    done = AttributeImport(nullptr, *target, file.data());
  }
  if (done != 1) {
    const std::string cause = project.connection().failure_cause();
    return out.fail(with_reason("cannot import " + file,
                                cause.empty() ? reports.reason_of("AttributeImport")
                                              : "the project " + std::string(project.fullpath()) +
                                                    ": " + cause) +
                    "; the project is unchanged");
  }
  if (!change.commit())
    return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  const std::size_t after = entry_count();
  out.note("imported " + file + " into " + describe_attribute_entry(*target) + ": " +
           std::to_string(after >= before ? after - before : 0) + " new entries");
  return 0;
}

}  // namespace

void add_attribute_exchange_commands(CLI::App& app, Context& context) {
  CLI::App* group = attributes_subcommand(app);

  CLI::App* exp =
      group->add_subcommand("export", "Write a group or an attribute to an attribute file (.atr)");
  auto export_args = std::make_shared<ExportArgs>();
  exp->add_option("--node", export_args->node,
                  "Group or attribute to export: identifier or path of names (default: the root)");
  exp->add_flag("--force", export_args->force,
                "Write over FILE also when it holds something other than an attribute file "
                "(never over the open project)");
  exp->add_option("FILE", export_args->file, "The file to write")->required();
  exp->callback([&context, export_args] {
    context.status = run_in_project(context, "attributes export", false,
                                    [&](ModelDatabase& project, Output& out) {
                                      return export_attributes(project, *export_args, out);
                                    });
  });

  CLI::App* imp =
      group->add_subcommand("import", "Read an attribute file (.atr) into a group of the library");
  auto import_args = std::make_shared<ImportArgs>();
  imp->add_option("--into", import_args->into,
                  "Receiving group (an attribute stands for its group): identifier or path of "
                  "names (default: the root)");
  imp->add_option("--on-conflict", import_args->on_conflict,
                  "When an attribute or reference exists with another definition or value: ask "
                  "(on a terminal; otherwise keep), replace, keep, replace-all, keep-all")
      ->check(CLI::IsMember({"ask", "replace", "keep", "replace-all", "keep-all"}));
  imp->add_option("FILE", import_args->file, "The file to read")->required();
  imp->callback([&context, import_args] {
    if (refuse_input(context, "attributes import", import_args->file)) return;
    context.status = run_in_project(context, "attributes import", false,
                                    [&](ModelDatabase& project, Output& out) {
                                      return import_attributes(project, *import_args, context, out);
                                    });
  });
}

}  // namespace dlist::cli
