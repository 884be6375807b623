// The material library file of `dlist materials ...`: which file the options name,
// opening it, the library's own transaction around a command's changes, and the
// run of a command body with the library active and the console user answering
// the system's questions.
#pragma once

#include <functional>
#include <string>

#include "cli/commands.h"
#include "cli/project.h"
#include "host/list/list_context.h"

namespace dlist::cli {

// The library file used when --materials is not given.
inline constexpr char kDefaultMaterials[] = "materials.dlist";

// The library file that the options name.
std::string materials_path(const GlobalOptions& options);

// Opens the library file at path into library. A missing file is created only when
// create_missing; otherwise, and for a folder or a file that is no material library,
// false with the reason in *error.
bool open_library(LISTCONTEXT& library, const std::string& path, bool create_missing,
                  std::string* error);

// The changes of one command as one transaction of the library: committed by
// commit(), rolled back when the scope ends without it, so an operation that fails
// half-way leaves the library as it was. The system's own locks nest inside it.
class LibraryTransaction : public TaskTransaction {
 public:
  // A failure recorded before it begins is forgotten (see Transaction).
  explicit LibraryTransaction(LISTCONTEXT& library);
};

// The line of a change of the library that could not begin, and of one that could
// not be saved, with the cause (see store_failure).
std::string cannot_change(LISTCONTEXT& library);
std::string cannot_save(LISTCONTEXT& library);
// ": <cause>" when the library's file failed for a cause outside the program (in
// use, read-only, no space, ...); empty otherwise.
std::string because(LISTCONTEXT& library);

// Whether a question of the command can be answered: by --yes or --no, or on a
// terminal. Scripts must say what they want rather than have No assumed.
bool can_answer_questions(const Context& context);

// A command body: works on the open library (the active one) and writes to out.
using LibraryBody = std::function<int(LISTCONTEXT& library, Output& out)>;

// Runs body on the library file of the context's options: opens it (creating it
// when create_missing), makes it the active library, lets the console user answer
// questions as the options say and prints the report log's entries on err while
// body runs. Returns body's status, or 1 when the library cannot be opened or body
// throws.
int run_in_library(Context& context, const std::string& command, bool create_missing,
                   const LibraryBody& body);

// The callback of a library command that runs body as run_in_library does: reading
// commands need the library to exist, changing commands create it when missing.
std::function<void()> reading_library(Context& context, const std::string& command,
                                      LibraryBody body);
std::function<void()> changing_library(Context& context, const std::string& command,
                                       LibraryBody body);

// The subprice kinds by the words of the command line, in kind order.
inline constexpr const char* kSubpriceKindWords[] = {"formula", "multiplier", "addition",
                                                     "information"};

// text between double quotes, for messages.
inline std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

// The material of a code as typed (UTF-8, components joined by the separator); 0
// when none has it.
long find_material(LISTCONTEXT& library, const std::string& code);
// The message for a code that names no material.
std::string unknown_code(const std::string& code);

// A unit (not a dimension) by its abbreviation as typed (UTF-8); 0 when none.
long find_unit(LISTCONTEXT& library, const std::string& abbrev);

// A number as the dialogs' number fields take it: every bit kept.
std::string exact_number(double value);

}  // namespace dlist::cli
