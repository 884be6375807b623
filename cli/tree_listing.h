// `dlist palettes tree` and `dlist prototypes tree`: a whole tree of the project,
// as an indented text (identifier, kind word, name) or, with --json, as nested
// objects with the keys id, level, kind, name, description and children.
#pragma once

#include <nlohmann/json.hpp>
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

// The nodes of the tree, root first, each folder before its contents, children in
// store order. Nothing, with the reason in *error, when the tree cannot be read.
std::optional<std::vector<ListedNode>> list_tree(const StoreTree& tree, std::string* error);

// The listed tree as one nested object (null for an empty list).
nlohmann::ordered_json tree_json(const std::vector<ListedNode>& nodes);

// The listed tree as indented lines: "<id> <kind word> <name>", two blanks a level.
void print_tree(const std::vector<ListedNode>& nodes, std::ostream& out);

// The command's body: writes the tree to out's result stream.
int tree_command(const StoreTree& tree, bool json, Output& out);

}  // namespace dlist::cli
