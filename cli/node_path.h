// Naming a node of a tree on the command line: by its identifier (digits only,
// "17") or by a path of names from the root ("Walls/Outer"; "/" alone is the
// root). Names are UTF-8 here (converted from the texts' code page one to one) and
// compared byte for byte, as the store compares them; a name that holds "/" (an
// older project may have one) is reached by identifier only.
//
// In the palette tree a kind's level-1 node holds nothing but its kind folder, of
// the same name, so a path may name the kind once: when a level-1 node has no
// child of the next name, the name is looked for in its kind folder
// ("Walls/Outer" is "Walls/Walls/Outer"; "Walls/Walls" is the kind folder).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/store_tree.h"

namespace dlist::cli {

// What a path's last name may stand for.
enum class NodeWanted { kFolder, kAny };

// The node that node_text names in tree; nothing, with the reason in *error, when the
// identifier is no node of the tree, a name is missing, names only a leaf where a
// folder is needed, or names more than one node (a folder and a leaf that share a
// name, when any node is wanted).
std::optional<NodeInfo> resolve_node(const StoreTree& tree, std::string_view node_text,
                                     NodeWanted wanted, std::string* error);

// The path of names of node id from the root, as resolve_node reads it ("/" for
// the root itself).
std::string path_of(const StoreTree& tree, long id);

// A node for messages: its path and identifier, "Walls/Walls (node 3)".
std::string describe_node(const StoreTree& tree, long id);

}  // namespace dlist::cli
