// The list definitions that `dlist lists new` puts into a new set: a priced material
// summary, the elements per floor and the materials per location.
#pragma once

#include "foundation/list_nodes.h"

namespace dlist::cli {

// Appends the three starter list definitions to set.
void add_starter_lists(DL_LISTSPEC_LIST& set);

// Appends node as the last son of parent; the new cell.
DL_TREE_CELL* append_node(DL_TREE_CELL* parent, std::unique_ptr<DL_LIST_TREE_NODE> node);

}  // namespace dlist::cli
