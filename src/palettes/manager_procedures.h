// The palette manager's procedures on the stores, apart from its dialog: the
// confirmation step of the small name dialogs and of label editing, removing a node
// after asking, the drop test and the move of dragged nodes, descriptions, the
// duplicate of a prototype and the palettes without a node. The manager's commands
// and the command line both run them, so both behave alike; questions and refusals
// go through the framework's message boxes, which the active user answers.
#pragma once

#include <string>
#include <vector>

#include "host/model/model_database.h"

namespace dlist {

// What a small name dialog's confirmation makes.
enum class NameStep {
  kNewFolder,  // a folder below the given folder (a leaf stands for its folder)
  kCreate,     // a leaf for a stored record below the given folder
  kRegister,   // the same, for a palette without a node
  kRename,     // a new name for the given node
};

// The confirmation step: finds the parent folder, refuses a name used there
// (message 11856 with the name as caption) and stores the node. The node's
// identifier on success (for a rename the renamed node); 0 when refused or when
// the store failed. Renaming a node to its own name succeeds without a change.
long confirm_node_name(void* owner, ModelTree tree, NameStep step, long given, long record,
                       const char* name);

// Asks (21700, the node's name as caption, Yes and No with the exclamation icon)
// and removes node with everything below it. 1 when removed; 0 when declined, when
// node is no user node of tree, or when the store refused.
int remove_node_asked(void* owner, ModelTree tree, long node);

// Whether dragged (a node, or in the palette tree a palette without a node) may be
// dropped onto target: another node, not the dragged node's folder, a folder or
// leaf of the same kind at the kind folders' depth or below, a palette target not
// beside the dragged one, outside the dragged subtree, and the dragged name free in
// the target folder. A leaf target stands for its folder.
bool drop_allowed(ModelTree tree, long dragged, long target);
// The folder that a drop onto target goes into; 0 when none.
long drop_folder(ModelTree tree, long target);
// Moves dragged into the folder of target after drop_allowed. 1 on success.
int move_dropped(ModelTree tree, long dragged, long target);

// The description of node; false when it is no node of tree.
bool node_description(ModelTree tree, long node, std::string* text);
// Replaces the description of node (at most 10000 characters). 1 on success.
int set_node_description(ModelTree tree, long node, const std::string& text);

// Copies prototype node (a prototype or a folder) into its own folder through a
// temporary file, removed afterwards on every path; the copy takes a free name.
// The new node's identifier; 0 when node is protected, no user node, or the
// export or import failed.
long duplicate_prototype(void* owner, long node);

// The palettes of kind (0: every kind) that no node carries, in identifier order.
std::vector<long> unregistered_palettes(int kind);

// The node's name (empty when it is no node of tree).
std::string node_name(ModelTree tree, long node);

}  // namespace dlist
