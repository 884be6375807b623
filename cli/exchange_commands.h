// `dlist palettes export|import` and `dlist prototypes export|import`: the exchange
// files of a tree, through the exported PaletteExport, PrototypeExport,
// PaletteImport and PrototypeImport. A failed operation prints the reason that the
// operation recorded in the diagnostic output (the block and its offset) as one
// line; an import that fails changes nothing in the project.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/project.h"
#include "cli/store_tree.h"

namespace dlist::cli {

struct ExportRequest {
  std::string node;         // identifier or path of the node to export; empty: the whole tree
  std::string description;  // the file's description
  bool resources = false;   // append the resources of the surface sets
  bool force = false;       // write over a file of another kind
  std::string file;
};

// What the clash dialog of a palette import is answered with.
enum class ClashAnswer {
  kAsk,           // at every clash: the terminal's answer, else keep
  kOverwriteAll,  // overwrite every differing node
  kKeepAll,       // leave every differing node
};

// The --on-clash word: ask, overwrite and overwrite-all, keep and keep-all. False
// for another word.
bool parse_clash_answer(const std::string& word, ClashAnswer* answer);

struct ImportRequest {
  std::string into;  // identifier or path of the target folder (a leaf: its folder); empty: the root
  ClashAnswer on_clash = ClashAnswer::kAsk;
  std::string file;
};

// Where a clash question is asked: in, when terminal; prompts go to prompt.
struct ClashConsole {
  std::istream& in;
  std::ostream& prompt;
  bool terminal = false;
};

// The bodies of the commands, on the open project (the active model). The export
// refuses to write over the project itself, by any name, and without force over a
// file that is not of its kind; the import refuses a file that is not a readable
// regular file before it takes the project's lock.
int export_command(ModelDatabase& project, const StoreTree& tree, const ExportRequest& request,
                   Output& out);
int import_command(ModelDatabase& project, const StoreTree& tree, const ImportRequest& request,
                   const ClashConsole& console, Output& out);

// Adds `export` and `import` to the families `palettes` and `prototypes`, which
// add_tree_commands registered before.
void add_exchange_commands(CLI::App& app, Context& context);

}  // namespace dlist::cli
