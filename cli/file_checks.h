// The checks that keep a command from destroying or hanging on a user's file: an
// export never writes over a database the command has open (whatever path names
// it) nor, without --force, over a file of another kind; an import reads only a
// readable regular file, checked before any lock is taken; and the failures of a
// database file are said with their cause.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace dlist {
class SqliteConnection;
}

namespace dlist::cli {

// A database file that the command has open, and what it is ("project",
// "material library").
struct OpenDatabase {
  std::string path;
  std::string what;
};

// The kinds of file that the exports write.
enum class ExportKind {
  kPaletteFile,
  kPrototypeFile,
  kListFile,
  kSurfaceFile,
  kAttributeFile,
  kLocationFile,
  kCostEstimateFile
};

// Whether the export may write to file. Refused, with the reason in *error: a file
// that is one of open (compared as files: device and inode, so a relative path, a
// symbolic link or a hard link are all caught), something other than a regular
// file, and, unless force, a file with contents that is not of the export's kind.
// A missing or empty file may be written.
bool check_export_target(const std::string& file, ExportKind kind,
                         const std::vector<OpenDatabase>& open, bool force, std::string* error);

// Whether file can be read by an import: it exists, is a regular file (not a folder,
// a FIFO, a device or a socket, which are named), is not empty and can be opened for
// reading. Opening never waits: a FIFO is refused from its type alone.
bool check_import_input(const std::string& file, std::string* error);

// Refuses an input file that check_import_input refuses, before the command opens
// (or creates) its database: the refusal is printed for command and the context's
// status set. True when refused.
bool refuse_input(Context& context, const std::string& command, const std::string& file);

// Why the database could not be opened, read, changed or saved: the cause from
// the connection when it lies outside the program ("the file is in use by another
// process (waited 5 s)", "the file is read-only", "no space left on the device",
// ...), else SQLite's text.
std::string store_failure(const SqliteConnection& db);

// The line of a change that could not begin, and of one that could not be saved:
// "cannot change the <what> <path>: <store_failure>", "cannot save ...".
std::string cannot_change(const SqliteConnection& db, const std::string& what,
                          const std::string& path);
std::string cannot_save(const SqliteConnection& db, const std::string& what,
                        const std::string& path);

// Refuses a change before it begins when the database file can only be read: the
// reason in *error.
bool check_writable(const SqliteConnection& db, const std::string& what, const std::string& path,
                    std::string* error);

}  // namespace dlist::cli
