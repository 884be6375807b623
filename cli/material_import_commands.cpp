// `dlist materials import`, `init` and `move`: reading list export files and
// delimited text files into the material library (ListImport, ListInic) and
// moving a branch of materials (MoveList). The system's questions are answered by
// the console user; the overwrite question also by --on-conflict, and the column
// dialog of a text file by --columns.
#include <CLI/CLI.hpp>
#include <cstring>
#include <istream>
#include <map>
#include <ostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/file_checks.h"
#include "cli/material_library_file.h"
#include "cli/overwrite_prompt.h"
#include "foundation/code_page.h"
#include "foundation/fixed_text.h"
#include "host/list/list_context.h"
#include "materials/list_import.h"

namespace dlist::cli {
namespace {

long material_count(LISTCONTEXT& library) {
  std::vector<long> ids;
  return library.material_ids(ids);
}

// What the first difference of a stored material from the imported one is.
const char* difference_name(int reason) {
  switch (reason) {
    case 0: return "the code";
    case 2: return "the name";
    case 3: return "the market";
    case 4: return "the native unit";
    case 5: return "the unit price";
    case 6: return "the unit references";
    case 7: return "the subprice references";
    case 8: return "the long texts";
    default: return "its data";
  }
}


// The overwrite question at the terminal: the answer, or keep when the input ends
// or stays unreadable.
int ask_overwrite_at_prompt(const Console& console, LISTCONTEXT& library, long stored,
                            const MATERIALENTRY& imported, int reason) {
  TEXTBUFFER code;
  library.get_idpath(stored, code);
  dbmaterial old{};
  library.get(stored, old, nullptr);
  std::ostream& p = console.err;
  p << "The stored material " << shown_text(code.get() != nullptr ? code.get() : "?") << " \""
    << shown_text(dlist::field_string(old.name)) << "\" differs from the imported one (\""
    << shown_text(dlist::field_string(imported.material.name)) << "\") in "
    << difference_name(reason) << ".\n";
  switch (ask_overwrite(console.in, p)) {
    case OverwriteAnswer::kOverwrite:
      return kOverwriteThis;
    case OverwriteAnswer::kOverwriteAll:
      return kOverwriteAll;
    case OverwriteAnswer::kKeepAll:
      return kKeepAll;
    case OverwriteAnswer::kKeep:
      break;
  }
  return kKeepThis;
}

struct ImportRequest {
  std::string file;
  std::string under;
  bool relative = false;
  bool full = false;
  std::string on_conflict = "ask";
  std::string columns;
};

// The changes of an import stay only when it succeeds as a whole.
int import_command(LISTCONTEXT& library, const ImportRequest& request, bool init,
                   const Console& console, Output& out) {
  long parent = 0;
  if (!request.under.empty()) {
    parent = find_material(library, request.under);
    if (parent == 0) return out.fail("no material has the code \"" + request.under + "\"");
  }
  ListImportOptions options;
  static const std::map<std::string, int> kAnswers = {
      {"overwrite", kOverwriteAll}, {"overwrite-all", kOverwriteAll},
      {"keep", kKeepAll},           {"keep-all", kKeepAll}};
  if (const auto it = kAnswers.find(request.on_conflict); it != kAnswers.end()) {
    options.overwrite = it->second;
  } else if (console.terminal) {
    // Asked at the prompt; without a terminal the question is cancelled: kept.
    options.ask_overwrite = [&console, &library](long stored, MATERIALENTRY& imported, int reason) {
      return ask_overwrite_at_prompt(console, library, stored, imported, reason);
    };
  }
  if (!request.columns.empty()) options.column_map = request.columns;
  const int ask = request.relative ? 0 : request.full ? 1 : (parent == 0 ? 1 : 0);
  const long before = material_count(library);

  std::string error;
  if (!check_import_input(request.file, &error) ||
      !check_writable(library.connection(), "material library", library.fullpath(), &error))
    return out.fail(error);
  LibraryTransaction change(library);
  if (!change) return out.fail(cannot_change(library));
  int result = 0;
  if (init && !request.columns.empty()) {
    result = list_import(console_window(), &library, 0, request.file.c_str(), 1, options);
  } else if (init) {
    result = ListInic(console_window(), &library, request.file.c_str());
  } else {
    result = list_import(console_window(), &library, parent, request.file.c_str(), ask, options);
  }
  if (result == 0) {
    const std::string cause = because(library);
    return out.fail("cannot import " + request.file +
                    (cause.empty() ? cause : ": the material library " +
                                                 std::string(library.fullpath()) + cause) +
                    "; the library is unchanged");
  }
  if (!change.commit()) return out.fail(cannot_save(library));
  out.note("imported " + request.file + ": " + std::to_string(material_count(library) - before) +
           " new materials");
  return 0;
}

int move_command(LISTCONTEXT& library, const std::string& source, const std::string& destination,
                 Output& out) {
  const long from = find_material(library, source);
  if (from == 0) return out.fail("no material has the code \"" + source + "\"");
  long to = 0;
  if (destination != ".") {
    to = find_material(library, destination);
    if (to == 0) return out.fail("no material has the code \"" + destination + "\"");
  }
  // The two refusals of a move, said in words before the library is asked.
  for (long at = to; at > 0; at = library.get_parent_material(at)) {
    if (at == from)
      return out.fail("cannot move " + source + " below " + destination + ": " + destination +
                      " lies in the branch of " + source + "; the library is unchanged");
  }
  dbmaterial moved{};
  if (library.get(from, moved, nullptr) == from && library.rewind_material(to) >= 0) {
    dbmaterial child{};
    for (long id; (id = library.get(child, nullptr)) > 0;) {
      if (id != from && std::strncmp(child.id, moved.id, sizeof child.id) == 0)
        return out.fail("cannot move " + source + " below " + destination + ": " + destination +
                        " already holds a material of the code \"" +
                        utf8_text(field_string(child.id)) +
                        "\"; the library is unchanged");
    }
  }
  std::string error;
  if (!check_writable(library.connection(), "material library", library.fullpath(), &error))
    return out.fail(error);
  LibraryTransaction change(library);
  if (!change) return out.fail(cannot_change(library));
  if (MoveList(&library, console_window(), from, to) == 0) {
    return out.fail("cannot move " + source + " below " + destination + because(library) +
                    "; the library is unchanged");
  }
  if (!change.commit()) return out.fail(cannot_save(library));
  out.note("moved " + source + " below " + destination);
  return 0;
}

}  // namespace

void add_material_import_commands(CLI::App& group, Context& context) {
  auto request = std::make_shared<ImportRequest>();
  CLI::App* imp = group.add_subcommand(
      "import", "Read a list export file (.lis) or a delimited text file into the library");
  imp->add_option("FILE", request->file, "The file to read")->required();
  imp->add_option("--under", request->under, "Code of the material below which to place the file");
  CLI::Option* relative =
      imp->add_flag("--relative", request->relative,
                    "Place the codes relative to --under: the first record's own component "
                    "directly below it (default with --under)");
  imp->add_flag("--full", request->full, "Place the codes where they stand (default without --under)")
      ->excludes(relative);
  imp->add_option("--on-conflict", request->on_conflict,
                  "A stored material that differs: ask (default), overwrite, keep, "
                  "overwrite-all, keep-all")
      ->check(CLI::IsMember({"ask", "overwrite", "keep", "overwrite-all", "keep-all"}));
  imp->add_option("--columns", request->columns,
                  "The columns of a delimited text file, e.g. "
                  "\"delim=;,skip=1,cols=code,name,unit_price,ref_unit,ref_factor\"");
  imp->callback([&context, request] {
    // A file that cannot be imported is refused before the library is opened (or
    // created).
    if (refuse_input(context, "materials import", request->file)) return;
    context.status = run_in_library(context, "materials import", true,
                                    [request, &context](LISTCONTEXT& library, Output& out) {
                                      return import_command(library, *request, false,
                                                            context.console, out);
                                    });
  });

  auto init_file = std::make_shared<ImportRequest>();
  CLI::App* init = group.add_subcommand(
      "init", "Read a list export file into the library and give it default long text names");
  init->add_option("FILE", init_file->file, "The file to read")->required();
  init->callback([&context, init_file] {
    if (refuse_input(context, "materials init", init_file->file)) return;
    context.status = run_in_library(context, "materials init", true,
                                    [init_file, &context](LISTCONTEXT& library, Output& out) {
                                      return import_command(library, *init_file, true,
                                                            context.console, out);
                                    });
  });

  auto source = std::make_shared<std::string>();
  auto destination = std::make_shared<std::string>();
  CLI::App* move = group.add_subcommand("move", "Move material SRC with its branch below DST");
  move->add_option("SRC", *source, "Code of the material to move")->required();
  move->add_option("DST", *destination, "Code of the new parent, \".\" for the top level")->required();
  move->callback([&context, source, destination] {
    context.status = run_in_library(context, "materials move", false,
                                    [source, destination](LISTCONTEXT& library, Output& out) {
                                      return move_command(library, *source, *destination, out);
                                    });
  });
}

}  // namespace dlist::cli
