// `dlist palettes tree` and `dlist prototypes tree`: a whole tree of the project,
// as an indented text (identifier, kind word, name) or, with --json, as nested
// objects with the keys id, level, kind, name, description and children. Both are
// written while the tree is walked, node by node.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/project.h"
#include "cli/store_tree.h"

namespace dlist::cli {

// A node of a listed tree with its depth below the root (0 for the root).
struct ListedNode {
  NodeInfo node;
  int depth = 0;
};

// Calls visit for every node of the tree, root first, each folder before its
// contents, children in store order. False, with the reason in *error, when the
// tree cannot be read (the nodes visited before stay visited).
bool walk_tree(const StoreTree& tree, const std::function<void(const ListedNode&)>& visit,
               std::string* error);

// The nodes of the tree in the order of walk_tree. Nothing, with the reason in
// *error, when the tree cannot be read.
std::optional<std::vector<ListedNode>> list_tree(const StoreTree& tree, std::string* error);

// The command's body: writes the tree to out's result stream as it walks it. A
// tree that cannot be read to its end fails (1) after what was written.
int tree_command(const StoreTree& tree, bool json, Output& out);

}  // namespace dlist::cli
