// What every command of `dlist` shares: the output of a command body, opening the
// project file, the console user that answers the system's questions, the sink
// that prints the report log, and one transaction around a command's changes.
//
// A command body takes the open project (the active model) and an Output, so the
// tests run it in-process on a project in memory.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "host/database_task.h"
#include "host/model/model_database.h"

namespace dlist::cli {

// The project file used when --project is not given; created on first use.
inline constexpr char kDefaultProject[] = "project.dlist";

// Where a command body writes: results on out, refusals and failures on err, one
// line each, beginning with "dlist <command>: ". Lines are UTF-8; their control
// characters are written escaped (\xNN), so no text from a file can steer the
// terminal.
class Output {
 public:
  Output(std::ostream& out, std::ostream& err, std::string command, bool quiet = false)
      : out_(out), err_(err), command_(std::move(command)), quiet_(quiet) {}

  std::ostream& out() { return out_; }
  // Writes what went wrong on err; returns 1, the status of a refused operation.
  int fail(const std::string& what);
  // Writes a confirmation line on out, unless quiet.
  void note(const std::string& line);

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::string command_;
  bool quiet_;
};

// The project file that the options name.
std::string project_path(const GlobalOptions& options);

// How long the databases of a command wait for another process (--wait), in
// milliseconds.
int busy_timeout_ms(const GlobalOptions& options);

// Whether a database file at path may be opened: it exists, or it is missing and
// create_missing allows creating it, and it is no folder. Otherwise false, with the
// reason in *error, naming the file as `what` ("project", "material library");
// missing_hint follows the reason that the file is missing.
bool check_database_file(const std::string& path, bool create_missing, const std::string& what,
                         const std::string& missing_hint, std::string* error);

// Opens the project file at path into db. A missing file is created (with the
// system levels of both trees) only when create_missing; otherwise, and for a file
// that is no project, false with the reason in *error.
bool open_project(ModelDatabase& db, const std::string& path, bool create_missing,
                  std::string* error);

// The changes of one command as one transaction: committed by commit(), rolled
// back when the scope ends without it, so a command that fails half-way leaves
// the project as it was.
class Transaction : public TaskTransaction {
 public:
  // A failure recorded before it begins is forgotten, so the causes that the
  // connection gives afterwards are those of this change.
  explicit Transaction(ModelDatabase& db);
};

// What a command's questions, reports and progress go through while it runs: the
// console user answering as the options say (else on the terminal, else No), the
// printer of the report log and the progress bar, all on the console's error stream.
class ConsoleSession {
 public:
  explicit ConsoleSession(Context& context);
  // Prints the internal failures that were held back (see ended()).
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // The command ended with status on the database db: a failure whose cause is the
  // user's environment drops the internal failures reported on the way, which only
  // follow from it.
  void ended(int status, const SqliteConnection& db);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// A command body: works on the open project (the active model) and writes to out.
using ProjectBody = std::function<int(ModelDatabase& project, Output& out)>;

// Runs body on the project of the context's options: opens it (creating the
// default project on first use, and any missing file when create_missing), makes
// it the active model, lets the console user answer questions as the options say
// and prints the report log's entries on err while body runs. Returns body's
// status, or 1 when the project cannot be opened or body throws.
int run_in_project(Context& context, const std::string& command, bool create_missing,
                   const ProjectBody& body);

// The body of `dlist init`: says whether the project was created or found.
int init_command(ModelDatabase& project, bool existed, Output& out);

}  // namespace dlist::cli
