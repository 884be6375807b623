// One tree of the project (the palette tree or the prototype tree) behind the few
// calls the commands need, so that every command is written once for both trees.
// It goes through the suite's store handles (PALETTES, PROTOTYPES) of the active
// model, constructed for each call, and through the system's exported creators.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/default_records.h"
#include "host/model/model_database.h"

namespace dlist::cli {

// One node as the command shows it: its texts as UTF-8 (the store keeps them in
// the texts' code page, foundation/code_page.h).
struct NodeInfo {
  long id = 0;
  int level = 0;  // depth below the root, negated for a leaf
  int kind = 0;   // element kind 1 to 13, 0 for the root
  std::string name;
  std::string description;

  bool is_leaf() const { return level < 0; }
  int depth() const { return level < 0 ? -level : level; }
};

class StoreTree {
 public:
  explicit StoreTree(ModelTree tree) : tree_(tree) {}

  ModelTree tree() const { return tree_; }
  // "palettes" or "prototypes", as on the command line.
  const char* word() const;
  // "palette" or "prototype": what a leaf of the tree carries.
  const char* leaf_word() const;
  // The depth of the kind folders (2 in the palette tree, 1 in the prototype
  // tree): new nodes go into a kind folder or below it.
  int kind_folder_depth() const;

  // The root; 0 when the project is not open.
  long root() const;
  // The kind folder of kind 1 to 13; 0 for another kind.
  long kind_folder(int kind) const;
  // Node id; nothing when it is no node of this tree.
  std::optional<NodeInfo> node(long id) const;
  // The children of node id in store order; nothing when it is no node of this tree.
  std::optional<std::vector<NodeInfo>> children(long id) const;
  // The parent of node id; 0 for the root or what is no node.
  long parent(long id) const;
  // Whether a child of parent (folder or leaf) holds name (UTF-8, as the calls
  // below take names).
  bool name_used(long parent, const std::string& name) const;
  // Creates below parent a folder (record 0) or a leaf carrying record, named name;
  // the store's answer: the new node, 0 for a name taken, -1 on failure (also for
  // a name the code page cannot hold).
  long create_node(long parent, const std::string& name, long record) const;
  // Stores the default record of kind as this tree's leaves carry it.
  StoredRecord store_default_record(int kind) const;

 private:
  ModelTree tree_;
};

}  // namespace dlist::cli
