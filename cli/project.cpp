// Opening the project, the global options, the console user and report sink of a
// command's run, and `dlist init`.
#include "cli/project.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "cli/file_checks.h"
#include "cli/progress_bar.h"
#include "foundation/code_page.h"
#include "host/dialog/console_user.h"
#include "host/dialog/dialog_user.h"
#include "host/report.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

// How the console user answers questions: as the options say, else on the
// terminal, else No.
ConsoleOptions console_options(const GlobalOptions& options, bool terminal) {
  ConsoleOptions c;
  if (options.yes)
    c.questions = ConsoleOptions::Questions::kAlwaysYes;
  else if (options.no || !terminal)
    c.questions = ConsoleOptions::Questions::kAlwaysNo;
  else
    c.questions = ConsoleOptions::Questions::kAsk;
  return c;
}

// Prints every report-log entry on a stream while it lives. Internal failures are
// held back until it ends: when the command failed for a cause of the user's
// environment (a file in use, read-only, a full disk), they are its consequences,
// not faults of the program, and are dropped.
class ReportPrinter {
 public:
  explicit ReportPrinter(std::ostream& err)
      : err_(err), previous_(set_report_sink([this](const ReportEntry& entry) {
          if (entry.kind == ReportKind::beep && entry.level == 0)
            held_.push_back(entry);
          else
            print(entry);
        })) {}
  ~ReportPrinter() {
    set_report_sink(previous_);
    for (const ReportEntry& entry : held_) print(entry);
  }
  ReportPrinter(const ReportPrinter&) = delete;
  ReportPrinter& operator=(const ReportPrinter&) = delete;

  void drop_internal_failures() { held_.clear(); }

 private:
  void print(const ReportEntry& entry) { err_ << "dlist: " << shown_message(describe(entry)) << "\n"; }

  std::ostream& err_;
  std::vector<ReportEntry> held_;
  ReportSink previous_;
};

}  // namespace

struct ConsoleSession::Parts {
  explicit Parts(Context& context)
      : bar(context.console.err, context.console.err_terminal && !context.options.quiet),
        progress(&bar),
        err(context.console.err, bar),
        user(console_options(context.options, context.console.terminal), context.console.in, err),
        answering(user),
        printer(err) {}

  ProgressBar bar;
  ProgressSinkScope progress;
  BelowProgress err;
  ConsoleUser user;
  DialogUserScope answering;
  ReportPrinter printer;
};

ConsoleSession::ConsoleSession(Context& context) : parts_(std::make_unique<Parts>(context)) {}
ConsoleSession::~ConsoleSession() = default;

void ConsoleSession::ended(int status, const SqliteConnection& db) {
  if (status != 0 && !db.failure_cause().empty()) parts_->printer.drop_internal_failures();
}

int Output::fail(const std::string& what) {
  err_ << "dlist " << command_ << ": " << escape_controls(what) << "\n";
  return 1;
}

void Output::note(const std::string& line) {
  if (!quiet_) out_ << escape_controls(line) << "\n";
}

int busy_timeout_ms(const GlobalOptions& options) {
  return static_cast<int>(std::clamp(options.wait, 0.0, 86400.0) * 1000 + 0.5);
}

std::string project_path(const GlobalOptions& options) {
  return options.project.empty() ? std::string(kDefaultProject) : options.project;
}

bool check_database_file(const std::string& path, bool create_missing, const std::string& what,
                         const std::string& missing_hint, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  const bool missing = status.type() == fs::file_type::not_found;
  if (ec && !missing) {
    *error = "cannot reach " + path + ": " + ec.message();
    return false;
  }
  if (missing && !create_missing) {
    *error = "there is no " + what + " " + path + missing_hint;
    return false;
  }
  if (fs::is_directory(status)) {
    *error = path + " is a folder, not a " + what + (what == "project" ? " file" : "");
    return false;
  }
  return true;
}

bool open_project(ModelDatabase& db, const std::string& path, bool create_missing,
                  std::string* error) {
  if (!check_database_file(path, create_missing, "project",
                           " (dlist --project " + path + " init creates it)", error))
    return false;
  if (!db.open(path)) {
    *error = "cannot open the project " + path + ": " +
             (db.connection().in_use() ? store_failure(db.connection()) : db.last_error());
    return false;
  }
  return true;
}

namespace {

// The project, its last failure forgotten.
GENDBTASK& afresh(ModelDatabase& db) {
  db.connection().clear_failure();
  return db;
}

}  // namespace

Transaction::Transaction(ModelDatabase& db) : TaskTransaction(afresh(db)) {}

int run_in_project(Context& context, const std::string& command, bool create_missing,
                   const ProjectBody& body) {
  Console& console = context.console;
  Output out(console.out, console.err, command, context.options.quiet);
  try {
    const std::string path = project_path(context.options);
    ModelDatabase project;
    project.connection().set_busy_timeout(busy_timeout_ms(context.options));
    std::string error;
    if (!open_project(project, path, create_missing || context.options.project.empty(), &error))
      return out.fail(error);
    // What the opening met (the plan tables of a read-only project) is no failure.
    project.connection().clear_failure();
    ActiveModel active(project);
    ConsoleSession session(context);
    const int status = body(project, out);
    session.ended(status, project.connection());
    return status;
  } catch (const std::exception& e) {
    return out.fail(e.what());
  }
}

int init_command(ModelDatabase& project, bool existed, Output& out) {
  out.note((existed ? "project " : "created the project ") + std::string(project.fullpath()) +
           (existed ? " is ready" : ""));
  return 0;
}

void add_global_options(CLI::App& app, Context& context) {
  GlobalOptions& o = context.options;
  app.add_option("--project", o.project, "The project file (default: ./project.dlist)");
  CLI::Option* yes = app.add_flag("--yes", o.yes, "Answer Yes to every question");
  CLI::Option* no = app.add_flag("--no", o.no, "Answer No to every question");
  yes->excludes(no);
  no->excludes(yes);
  app.add_flag("--quiet,-q", o.quiet, "Print no confirmations");
  app.add_option("--code-page", o.code_page,
                 "Code page of the texts in projects, libraries and exchange files: "
                 "windows-1252 (default) or iso-8859-1; arguments and output are UTF-8")
      ->envname("DLIST_CODE_PAGE")
      ->check(CLI::Validator(
          [](std::string& name) {
            return CodePage::named(name) ? std::string()
                                         : "unknown code page \"" + name +
                                               "\" (windows-1252 or iso-8859-1)";
          },
          "CODE PAGE"))
      ->each([](const std::string& name) {
        if (const CodePage* page = CodePage::named(name)) set_text_code_page(*page);
      });
  app.add_option("--wait", o.wait,
                 "Seconds to wait for a project or library that another process is changing "
                 "before giving up (default 5)")
      ->check(CLI::Range(0.0, 86400.0));
}

void add_init_command(CLI::App& app, Context& context) {
  CLI::App* cmd = app.add_subcommand("init", "Create the project file (with its system folders)");
  cmd->callback([&context] {
    const std::string path = project_path(context.options);
    std::error_code ec;
    const bool existed = fs::exists(path, ec);
    context.status = run_in_project(
        context, "init", true,
        [existed](ModelDatabase& db, Output& out) { return init_command(db, existed, out); });
  });
}

}  // namespace dlist::cli
