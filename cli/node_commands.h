// `dlist palettes new`, `dlist prototypes new` and their `new-folder`: a default
// record of a kind stored as a new palette or prototype with its node, and new
// folders, in a folder named by identifier or path. One implementation serves
// both trees.
#pragma once

#include <cstddef>
#include <string>

#include "cli/project.h"
#include "cli/store_tree.h"
#include "host/model/model_database.h"

namespace dlist::cli {

// A name the command can give a node (UTF-8): 1 to 31 characters of the texts'
// code page, no "/" (it separates the names of a path) and no control character,
// as node_name_fault says. False, with the reason in *error, otherwise.
bool check_node_name(const std::string& name, std::string* error);

struct NewLeafRequest {
  std::string kind;  // code or word
  std::string name;
  std::string in;  // the folder, identifier or path; empty: the kind folder
};

// Stores the default record of the kind (palette or prototype) and its node below
// the folder, in one transaction. Refused (1, nothing stored) for an unknown kind,
// a bad name, a folder that is missing, of another kind or above the kind folders,
// a name used in the folder, and when an equal palette is stored already (the
// system tells the user so first).
int new_leaf_command(ModelDatabase& project, const StoreTree& tree, const NewLeafRequest& request,
                     Output& out);

// Creates the folder name below the folder `in` (a kind folder or below it).
int new_folder_command(ModelDatabase& project, const StoreTree& tree, const std::string& name,
                       const std::string& in, Output& out);

}  // namespace dlist::cli
