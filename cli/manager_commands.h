// The palette manager's procedures as subcommands of `dlist palettes` and
// `dlist prototypes` (rename, remove, move, describe, find; palettes unregistered
// and register; prototypes duplicate), and the tree listing with the reference
// counts of the palettes (`dlist palettes tree --report`).
#pragma once

#include "cli/commands.h"
#include "cli/project.h"
#include "cli/store_tree.h"
#include "cli/tree_listing.h"

namespace CLI {
class App;
}

namespace dlist::cli {

// Registers the commands in the families that add_tree_commands made.
void add_manager_commands(CLI::App& app, Context& context);

// The tree as `tree` lists it, each palette followed by its three reference
// counts, "(a,b,c)".
int report_tree_command(const StoreTree& tree, Output& out);

}  // namespace dlist::cli
