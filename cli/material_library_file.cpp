// Opening the material library file and running a command on it.
#include "cli/material_library_file.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/file_checks.h"
#include "foundation/code_page.h"
#include "host/list/list_context.h"
#include "materials/material_library.h"
#include "host/model/sqlite_connection.h"

namespace dlist::cli {

std::string materials_path(const GlobalOptions& options) {
  return options.materials.empty() ? std::string(kDefaultMaterials) : options.materials;
}

bool open_library(LISTCONTEXT& library, const std::string& path, bool create_missing,
                  std::string* error) {
  if (!check_database_file(path, create_missing, "material library", "", error)) return false;
  if (!library.open(path)) {
    *error = "cannot open the material library " + path + ": " +
             (library.connection().in_use() ? store_failure(library.connection())
                                            : library.last_error());
    return false;
  }
  return true;
}

namespace {

// The library, its last failure forgotten.
GENDBTASK& afresh(LISTCONTEXT& library) {
  library.connection().clear_failure();
  return library;
}

}  // namespace

LibraryTransaction::LibraryTransaction(LISTCONTEXT& library) : TaskTransaction(afresh(library)) {}

std::string cannot_change(LISTCONTEXT& library) {
  return dlist::cli::cannot_change(library.connection(), "material library", library.fullpath());
}

std::string cannot_save(LISTCONTEXT& library) {
  return dlist::cli::cannot_save(library.connection(), "material library", library.fullpath());
}

std::string because(LISTCONTEXT& library) {
  const std::string cause = library.connection().failure_cause();
  return cause.empty() ? cause : ": " + cause;
}

bool can_answer_questions(const Context& context) {
  return context.options.yes || context.options.no || context.console.terminal;
}

int run_in_library(Context& context, const std::string& command, bool create_missing,
                   const LibraryBody& body) {
  Console& console = context.console;
  Output out(console.out, console.err, command, context.options.quiet);
  const std::string path = materials_path(context.options);
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec) || ec;
  int status = 1;
  try {
    LISTCONTEXT library;
    library.connection().set_busy_timeout(busy_timeout_ms(context.options));
    std::string error;
    if (!open_library(library, path, create_missing, &error)) return out.fail(error);
    library.connection().clear_failure();
    ActiveLibrary active(library);
    ConsoleSession session(context);
    status = body(library, out);
    session.ended(status, library.connection());
  } catch (const std::exception& e) {
    status = out.fail(e.what());
  }
  // A library that this command made and then failed to fill is not left behind.
  if (status != 0 && !existed) std::filesystem::remove(path, ec);
  return status;
}

std::function<void()> reading_library(Context& context, const std::string& command,
                                      LibraryBody body) {
  return [&context, command, body] { context.status = run_in_library(context, command, false, body); };
}

std::function<void()> changing_library(Context& context, const std::string& command,
                                       LibraryBody body) {
  return [&context, command, body] { context.status = run_in_library(context, command, true, body); };
}

long find_unit(LISTCONTEXT& library, const std::string& abbrev) {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(abbrev, &ignored);
  dbunit rec{};
  const long id = stored && !stored->empty() ? library.find_unit(stored->c_str(), rec) : 0;
  return id > 0 && !IsDimensionAbbrev(rec.abbrev) ? id : 0;
}

// The material of a code (components joined by "."); 0 when none has it.
long find_material(LISTCONTEXT& library, const std::string& code) {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(code, &ignored);
  if (code.empty() || !stored) return 0;  // no stored code can equal it
  dbmaterial rec{};
  const long id = library.get(TEXTBUFFER(stored->c_str()), rec, nullptr);
  return id > 0 ? id : 0;
}

std::string unknown_code(const std::string& code) {
  return "no material has the code " + in_quotes(code);
}

std::string exact_number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace dlist::cli
