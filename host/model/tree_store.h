// The tree calls that the palette store and the prototype store share: walking the
// children of a node or the whole tree, reading, creating, changing, moving and
// removing nodes, and the name rules among siblings. `TreeStore<Node>` gives them
// the node type of its tree; PALETTES and PROTOTYPES add their own calls.
//
// Rules (docs/model_database.md): a node's level is its depth below the root,
// negated for a leaf, and is set by the store from the node's place; a node below a
// kind folder takes the kind of its folder; the system levels (the root, the
// level-1 nodes, the kind folders) are neither created, moved nor removed by these
// calls. Two folders of one parent never share a name, nor do two leaves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dlist/api.h"
#include "foundation/tree_nodes.h"
#include "host/model/model_database.h"

namespace dlist {

// The shared calls, on the node members common to both trees.
class DLIST_API TreeStoreCore {
 protected:
  explicit TreeStoreCore(ModelTree tree) : tree_(tree) {}

  long rew_node(long parent);
  long get_node(TreeNode* node);
  long rew_all();
  long get_all(TreeNode* node);
  long get_id_node(long id, TreeNode* node);
  int is_nodeid(long id);
  int is_folder(long node);
  long up_node(long node);
  long cre_node(long parent, TreeNode& node, long record);
  long cre_folder(long parent, TreeNode& node, int* existed);
  int mod_node(long id, const TreeNode& node);
  int move_node(long node, long target);
  int del_node(long node, int flag);
  int del_record(long record, int flag);
  int is_usedname(long parent, const char* name, int flag);
  long find(const TreeNode& node);
  long get_root(short kind);
  long record_of(long node, short* kind);
  long walked_record() const { return static_cast<long>(walked_record_); }

  ModelTree tree() const { return tree_; }

 private:
  // Fills node from row id of this tree; false when there is none.
  bool read_into(ModelDatabase& db, int64_t id, TreeNode* node);
  // The first user level of this tree.
  int user_level() const;
  // cre_node within a call already begun.
  long insert_child(ModelDatabase& db, long parent, TreeNode& node, long record);

  ModelTree tree_;
  // The walk of rew_node / get_node: rew_node reads the children's rows with their
  // identifiers; get_node hands them out while this connection wrote no node, rolled
  // nothing back and saw no other connection's commit since, and reads each row
  // again otherwise.
  struct Walked {
    int64_t id = 0;
    TreeNode node;
    int64_t record = 0;
    bool ok = false;  // a row of this tree that makes a node, not handed out yet
  };
  std::vector<Walked> walked_;
  uint64_t walked_writes_ = 0;
  unsigned walked_undoings_ = 0;
  unsigned walked_version_ = 0;
  std::size_t next_child_ = 0;
  int64_t walked_record_ = 0;  // the record of the node get_node gave last
  std::vector<int64_t> all_;  // the walk of rew_all / get_all
  std::size_t next_all_ = 0;
};

// The shared calls on the node type of one tree.
template <class Node>
class TreeStore : protected TreeStoreCore {
 public:
  // Positions at the children of parent (0: the root's children, in store order).
  // Returns parent (the root for 0); -1 when there is no such node.
  long rew_node(long parent) { return TreeStoreCore::rew_node(parent); }
  // Fills node with the next child and returns its identifier; 0 at the end.
  long get_node(Node* node) { return TreeStoreCore::get_node(node); }
  // The record (palette or element record) that the node get_node gave last
  // carries, as the walk read it; 0 for a folder or before the first node.
  long walked_record() const { return TreeStoreCore::walked_record(); }

  // Reads node id; returns id, or 0 when it is not a node of this tree (node is
  // then untouched).
  long get_id_node(long id, Node* node) { return TreeStoreCore::get_id_node(id, node); }
  // 1 when id is a node of this tree, else 0.
  int is_nodeid(long id) { return TreeStoreCore::is_nodeid(id); }
  // 1 when node is a folder (level 0 or above), else 0.
  int is_folder(long node) { return TreeStoreCore::is_folder(node); }
  // The parent of node; 0 for the root or a node that does not exist.
  long up_node(long node) { return TreeStoreCore::up_node(node); }

  // Creates below parent a folder (record 0) or a leaf carrying record, named and
  // described as node; the store sets node's level and kind and appends it to the
  // parent's children. Returns the new identifier; 0 when the parent already has a
  // node of that class (folder or leaf) with that name; -1 on failure (no such
  // folder, a system level, an empty name, a record of another kind).
  long cre_node(long parent, Node& node, long record) {
    return TreeStoreCore::cre_node(parent, node, record);
  }
  // Creates a folder as cre_node does; when the parent already has a folder of that
  // name, sets *existed and returns that folder. -1 on failure.
  long cre_folder(long parent, Node& node, int* existed) {
    return TreeStoreCore::cre_folder(parent, node, existed);
  }
  // Replaces the name, description and last field of node id (level and kind stay
  // the store's). 1 on success; 0 when it is not a node, the name is empty or a
  // sibling of the same class holds it.
  int mod_node(long id, const Node& node) { return TreeStoreCore::mod_node(id, node); }
  // Moves node (with its subtree) to the end of the children of target (a leaf
  // target stands for its folder); levels follow. 1 on success (also when target is
  // already its folder); 0 for a system node, a target of another kind or at a
  // system level above the kind folders, a target inside the moved subtree, or a
  // name taken there.
  int move_node(long node, long target) { return TreeStoreCore::move_node(node, target); }
  // Removes node; flag non-zero removes a folder with everything below it, 0 only an
  // empty folder or a leaf. Palettes of removed leaves stay (without a node);
  // element records of removed prototypes go with them unless another node carries
  // them. 1 on success, 0 otherwise (system nodes are never removed).
  int del_node(long node, int flag) { return TreeStoreCore::del_node(node, flag); }
  // Removes a stored record of this tree with its surface set and chains; flag
  // non-zero removes the nodes that carry it too, 0 refuses a carried record. A
  // palette that elements of the model use is never removed. 1 on success.
  int del_record(long record, int flag) { return TreeStoreCore::del_record(record, flag); }
  // 1 when parent has a child (folder or leaf) named name, or name is empty; else
  // 0. The flag does not narrow the test.
  int is_usedname(long parent, const char* name, int flag) {
    return TreeStoreCore::is_usedname(parent, name, flag);
  }
  // The first node (in identifier order) with the level, kind and name of node;
  // 0 when there is none.
  long find(const Node& node) { return TreeStoreCore::find(node); }
  // The root for kind 0, the kind folder of kinds 1 to 13, else 0.
  long get_root(short kind) { return TreeStoreCore::get_root(kind); }

 protected:
  using TreeStoreCore::TreeStoreCore;
  long rew_all() { return TreeStoreCore::rew_all(); }
  long get_all(Node* node) { return TreeStoreCore::get_all(node); }
  long record_of(long node, short* kind) { return TreeStoreCore::record_of(node, kind); }
};

}  // namespace dlist
