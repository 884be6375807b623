// The tree calls shared by the palette and prototype stores.
#include "host/model/tree_store.h"

#include <span>
#include <unordered_map>

#include "host/model/model_internal.h"

namespace dlist {
namespace {

using model::model_id;
using model::NodeRow;

constexpr int kMaxLevel = 32767;  // levels are 16-bit

std::span<const unsigned char> description_bytes(const TreeNode& node) {
  return {reinterpret_cast<const unsigned char*>(node.description.data()), node.description.size()};
}

// Whether a child of parent other than `except`, of the class given (leaf or
// folder), is named name: 1 taken, 0 free, -1 when the read failed.
int name_taken(ModelDatabase& db, int64_t parent, const std::vector<unsigned char>& name, bool leaf,
               int64_t except) {
  Statement s(db.connection(),
              "SELECT 1 FROM nodes WHERE parent = ?1 AND name = ?2 AND (level < 0) = ?3 "
              "AND id <> ?4 LIMIT 1");
  s.bind(1, parent).bind(2, name).bind(3, leaf ? 1 : 0).bind(4, except);
  const bool found = s.row();
  return !s.ok() ? -1 : found ? 1 : 0;
}

// The place after the last child of parent.
bool next_seq(ModelDatabase& db, int64_t parent, int64_t* seq) {
  Statement s(db.connection(), "SELECT coalesce(max(seq), 0) + 1 FROM nodes WHERE parent = ?1");
  if (!s.bind(1, parent).row()) return false;
  *seq = s.integer(0);
  return true;
}

// The node and every node below it.
bool subtree_of(ModelDatabase& db, int64_t id, std::vector<int64_t>* out) {
  Statement s(db.connection(),
              "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
              "SELECT n.id FROM nodes n JOIN sub ON n.parent = sub.id) SELECT id FROM sub");
  s.bind(1, id);
  out->clear();
  while (s.row()) out->push_back(s.integer(0));
  return s.ok();
}

// The deepest level (absolute) in the subtree of id.
bool max_depth_below(ModelDatabase& db, int64_t id, int* depth) {
  Statement s(db.connection(),
              "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
              "SELECT n.id FROM nodes n JOIN sub ON n.parent = sub.id) "
              "SELECT max(abs(level)) FROM nodes WHERE id IN sub");
  if (!s.bind(1, id).row()) return false;
  *depth = static_cast<int>(s.integer(0));
  return true;
}

bool is_system(const NodeRow& row, int user_level) {
  return row.depth() < user_level;
}

}  // namespace

int TreeStoreCore::user_level() const {
  return tree_ == ModelTree::kPalettes ? kPaletteUserLevel : kPrototypeUserLevel;
}

bool TreeStoreCore::read_into(ModelDatabase& db, int64_t id, TreeNode* node) {
  NodeRow row;
  if (!model::load_node(db, tree_, id, &row)) return false;
  return !node || model::row_to_node(row, node);
}

long TreeStoreCore::rew_node(long parent) {
  walked_.clear();
  next_child_ = 0;
  walked_record_ = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return -1;
  int64_t id = parent == 0 ? db->root(tree_) : model_id(parent);
  NodeRow row;
  if (!model::load_node(*db, tree_, id, &row)) return -1;
  Statement s(db->connection(),
              "SELECT id, tree, parent, seq, level, kind, name, description, last, record "
              "FROM nodes WHERE parent = ?1 ORDER BY seq, id");
  s.bind(1, id);
  while (s.row()) {
    Walked& w = walked_.emplace_back();
    w.id = s.integer(0);
    // A row of another tree or a damaged one is skipped, as a node read by itself
    // would be.
    NodeRow child;
    if (s.integer(1) != static_cast<int>(tree_) || !model::node_row_from(s, 2, &child)) continue;
    w.ok = model::row_to_node(child, &w.node);
    w.record = child.record;
  }
  if (!s.ok()) {
    walked_.clear();
    return -1;
  }
  walked_writes_ = db->node_writes();
  walked_undoings_ = db->connection().undoings();
  walked_version_ = db->connection().data_version();
  return static_cast<long>(id);
}

long TreeStoreCore::get_node(TreeNode* node) {
  walked_record_ = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  const bool ahead = db->node_writes() == walked_writes_ &&
                     db->connection().undoings() == walked_undoings_ &&
                     db->connection().data_version() == walked_version_;
  while (next_child_ < walked_.size()) {
    Walked& w = walked_[next_child_++];
    const int64_t id = w.id;
    if (ahead) {
      if (!w.ok) continue;
      w.ok = false;
      if (node) *node = std::move(w.node);
      walked_record_ = w.record;
      return static_cast<long>(id);
    }
    NodeRow row;
    if (!model::load_node(*db, tree_, id, &row)) continue;  // removed ones are skipped
    if (node && !model::row_to_node(row, node)) continue;
    walked_record_ = row.record;
    return static_cast<long>(id);
  }
  return 0;
}

// The whole tree in store order, each folder before its contents.
long TreeStoreCore::rew_all() {
  all_.clear();
  next_all_ = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  std::unordered_map<int64_t, std::vector<int64_t>> children;
  {
    Statement s(db->connection(), "SELECT id, parent FROM nodes WHERE tree = ?1 ORDER BY seq, id");
    s.bind(1, static_cast<int>(tree_));
    while (s.row()) children[s.integer(1)].push_back(s.integer(0));
    if (!s.ok()) return 0;
  }
  const int64_t root = db->root(tree_);
  if (root == 0) return 0;
  std::vector<int64_t> stack{root};
  while (!stack.empty()) {
    const int64_t id = stack.back();
    stack.pop_back();
    all_.push_back(id);
    const auto it = children.find(id);
    if (it != children.end()) stack.insert(stack.end(), it->second.rbegin(), it->second.rend());
  }
  return static_cast<long>(root);
}

long TreeStoreCore::get_all(TreeNode* node) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  while (next_all_ < all_.size()) {
    const int64_t id = all_[next_all_++];
    if (read_into(*db, id, node)) return static_cast<long>(id);
  }
  return 0;
}

long TreeStoreCore::get_id_node(long id, TreeNode* node) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  // Read aside first, so that a failed read leaves the caller's node untouched.
  NodeRow row;
  if (!model::load_node(*db, tree_, model_id(id), &row)) return 0;
  if (node && !model::row_to_node(row, node)) return 0;
  return id;
}

int TreeStoreCore::is_nodeid(long id) {
  ModelDatabase* db = begin_model_call();
  NodeRow row;
  return db && model::load_node(*db, tree_, model_id(id), &row) ? 1 : 0;
}

int TreeStoreCore::is_folder(long node) {
  ModelDatabase* db = begin_model_call();
  NodeRow row;
  return db && model::load_node(*db, tree_, model_id(node), &row) && !row.is_leaf() ? 1 : 0;
}

long TreeStoreCore::up_node(long node) {
  ModelDatabase* db = begin_model_call();
  NodeRow row;
  if (!db || !model::load_node(*db, tree_, model_id(node), &row)) return 0;
  return static_cast<long>(row.parent);
}

long TreeStoreCore::cre_node(long parent, TreeNode& node, long record) {
  ModelDatabase* db = begin_model_call();
  return db ? insert_child(*db, parent, node, record) : -1;
}

long TreeStoreCore::insert_child(ModelDatabase& db, long parent, TreeNode& node, long record) {
  const int64_t folder_id = model_id(parent);
  if (folder_id == 0) return -1;
  const std::vector<unsigned char> name = model::node_name(node);
  const bool leaf = record != 0;
  // The folder, the kind of the record, whether a child of the same class holds the
  // name, and the place after the last child: one read.
  int folder_level = 0, folder_kind = 0, record_kind = 0;
  bool taken = false;
  int64_t seq = 0;
  const int held_kind = leaf ? db.held_record_kind(tree_, model_id(record)) : 0;
  const ModelDatabase::HeldFolder* held = db.held_folder(folder_id, tree_);
  if (held && held->names_known && held_kind >= 0) {
    // A folder that the import created, for a record it has just created: nothing
    // to read.
    folder_level = held->level;
    folder_kind = held->kind;
    record_kind = held_kind;
    taken = held->names[leaf ? 1 : 0].count(std::string(name.begin(), name.end())) != 0;
    seq = held->next_seq;
  } else if (held) {
    // A folder that an import creates nodes in: its row and last child are known.
    Statement s(db.connection(),
                tree_ == ModelTree::kPalettes
                    ? "SELECT (SELECT kind FROM palettes WHERE id = ?2), EXISTS (SELECT 1 "
                      "FROM nodes WHERE parent = ?1 AND name = ?3 AND (level < 0) = ?4)"
                    : "SELECT (SELECT kind FROM elements WHERE id = ?2), EXISTS (SELECT 1 "
                      "FROM nodes WHERE parent = ?1 AND name = ?3 AND (level < 0) = ?4)");
    s.bind(1, folder_id).bind(2, model_id(record)).bind(3, name).bind(4, leaf ? 1 : 0);
    if (!s.row()) return -1;
    folder_level = held->level;
    folder_kind = held->kind;
    record_kind = s.is_null(0) ? 0 : static_cast<int>(s.integer(0));
    taken = s.integer(1) != 0;
    seq = held->next_seq;
    if (!s.ok()) return -1;
  } else {
    Statement s(db.connection(),
                tree_ == ModelTree::kPalettes
                    ? "SELECT p.level, p.kind, length(p.name), "
                      "(SELECT kind FROM palettes WHERE id = ?5), "
                      "EXISTS (SELECT 1 FROM nodes WHERE parent = ?1 AND name = ?3 AND "
                      "(level < 0) = ?4), (SELECT coalesce(max(seq), 0) + 1 FROM nodes "
                      "WHERE parent = ?1) FROM nodes p WHERE p.id = ?1 AND p.tree = ?2"
                    : "SELECT p.level, p.kind, length(p.name), "
                      "(SELECT kind FROM elements WHERE id = ?5), "
                      "EXISTS (SELECT 1 FROM nodes WHERE parent = ?1 AND name = ?3 AND "
                      "(level < 0) = ?4), (SELECT coalesce(max(seq), 0) + 1 FROM nodes "
                      "WHERE parent = ?1) FROM nodes p WHERE p.id = ?1 AND p.tree = ?2");
    s.bind(1, folder_id).bind(2, static_cast<int>(tree_)).bind(3, name).bind(4, leaf ? 1 : 0);
    if (!s.bind(5, model_id(record)).row()) return -1;  // no such folder
    // A name longer than the node's field is a damaged row, which is no folder.
    if (s.integer(2) > static_cast<int64_t>(sizeof(TreeNode::name))) return -1;
    folder_level = static_cast<int>(s.integer(0));
    folder_kind = static_cast<int>(s.integer(1));
    record_kind = s.is_null(3) ? 0 : static_cast<int>(s.integer(3));
    taken = s.integer(4) != 0;
    seq = s.integer(5);
    if (!s.ok()) return -1;
  }
  if (folder_level < 0) return -1;  // a leaf
  const int depth = folder_level + 1;
  if (depth < user_level() || depth > kMaxLevel || name.empty() || record < 0) return -1;
  if (leaf && record_kind != folder_kind) return -1;
  if (taken) return 0;

  AddScope call(db.connection());
  if (!call) return -1;
  db.nodes_written();
  const int64_t id = model::new_id(db, call, tree_ == ModelTree::kPalettes
                                                 ? ModelObject::kPaletteNode
                                                 : ModelObject::kPrototypeNode);
  if (id == 0) return -1;
  const int level = leaf ? -depth : depth;
  Statement s(db.connection(),
              "INSERT INTO nodes (id, tree, parent, seq, level, kind, name, description, last, "
              "record) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  s.bind(1, id).bind(2, static_cast<int>(tree_)).bind(3, folder_id).bind(4, seq);
  s.bind(5, level).bind(6, folder_kind).bind(7, name).bind(8, description_bytes(node));
  s.bind(9, node.last).bind(10, leaf ? model_id(record) : 0);
  if (!s.run()) return -1;
  call.added("DELETE FROM nodes WHERE id = ?1", id);
  if (!call.commit()) return -1;
  if (ModelDatabase::HeldFolder* after = db.held_folder(folder_id, tree_)) {
    after->next_seq = seq + 1;
    if (after->names_known) after->names[leaf ? 1 : 0].emplace(name.begin(), name.end());
  } else {
    db.hold_folder(folder_id, tree_, folder_level, folder_kind, seq + 1);
  }
  // A new folder has no children yet: all that will be put in it is known.
  if (!leaf) db.hold_folder(id, tree_, depth, folder_kind, 1, true);
  node.level = static_cast<int16_t>(level);
  node.kind = static_cast<int16_t>(folder_kind);
  return static_cast<long>(id);
}

long TreeStoreCore::cre_folder(long parent, TreeNode& node, int* existed) {
  if (existed) *existed = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return -1;
  const std::vector<unsigned char> name = model::node_name(node);
  if (name.empty()) return -1;
  Statement s(db->connection(),
              "SELECT id FROM nodes WHERE parent = ?1 AND tree = ?2 AND name = ?3 AND level >= ?4 "
              "ORDER BY id LIMIT 1");
  s.bind(1, model_id(parent)).bind(2, static_cast<int>(tree_)).bind(3, name);
  if (s.bind(4, user_level()).row()) {
    if (existed) *existed = 1;
    return static_cast<long>(s.integer(0));
  }
  if (!s.ok()) return -1;
  return insert_child(*db, parent, node, 0);
}

int TreeStoreCore::mod_node(long id, const TreeNode& node) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  NodeRow row;
  if (!model::load_node(*db, tree_, model_id(id), &row)) return 0;
  const std::vector<unsigned char> name = model::node_name(node);
  if (name.empty()) return 0;
  if (name != row.name && name_taken(*db, row.parent, name, row.is_leaf(), row.id) != 0) return 0;
  if (name != row.name) {
    db->nodes_moved_or_removed();  // the names held of its folder change
  } else {
    db->nodes_written();
  }
  Statement s(db->connection(),
              "UPDATE nodes SET name = ?2, description = ?3, last = ?4 WHERE id = ?1");
  s.bind(1, row.id).bind(2, name).bind(3, description_bytes(node)).bind(4, node.last);
  return s.run() ? 1 : 0;
}

int TreeStoreCore::move_node(long node, long target) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  NodeRow moved, folder;
  if (!model::load_node(*db, tree_, model_id(node), &moved) || is_system(moved, user_level()))
    return 0;
  if (!model::load_node(*db, tree_, model_id(target), &folder)) return 0;
  if (folder.is_leaf() && !model::load_node(*db, tree_, folder.parent, &folder)) return 0;
  if (folder.id == moved.parent) return 1;
  if (folder.depth() < user_level() - 1 || folder.kind != moved.kind) return 0;

  CallScope call(db->connection());
  if (!call) return 0;
  db->nodes_moved_or_removed();
  std::vector<int64_t> subtree;
  if (!subtree_of(*db, moved.id, &subtree)) return 0;
  for (int64_t id : subtree)
    if (id == folder.id) return 0;  // into its own subtree
  if (name_taken(*db, folder.id, moved.name, moved.is_leaf(), moved.id) != 0) return 0;
  const int delta = folder.depth() + 1 - moved.depth();
  int deepest = 0;
  if (!max_depth_below(*db, moved.id, &deepest) || deepest + delta > kMaxLevel) return 0;
  int64_t seq = 0;
  if (!next_seq(*db, folder.id, &seq)) return 0;
  Statement place(db->connection(), "UPDATE nodes SET parent = ?2, seq = ?3 WHERE id = ?1");
  if (!place.bind(1, moved.id).bind(2, folder.id).bind(3, seq).run()) return 0;
  Statement levels(db->connection(),
                   "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
                   "SELECT n.id FROM nodes n JOIN sub ON n.parent = sub.id) "
                   "UPDATE nodes SET level = CASE WHEN level < 0 THEN level - ?2 "
                   "ELSE level + ?2 END WHERE id IN sub");
  if (!levels.bind(1, moved.id).bind(2, delta).run()) return 0;
  return call.commit() ? 1 : 0;
}

int TreeStoreCore::del_node(long node, int flag) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  NodeRow row;
  if (!model::load_node(*db, tree_, model_id(node), &row) || is_system(row, user_level())) return 0;
  CallScope call(db->connection());
  if (!call) return 0;
  db->nodes_moved_or_removed();
  std::vector<int64_t> subtree;
  if (!subtree_of(*db, row.id, &subtree)) return 0;
  if (subtree.size() > 1 && flag == 0) return 0;
  std::vector<int64_t> records;
  for (int64_t id : subtree) {
    NodeRow gone;
    if (!model::load_node(*db, tree_, id, &gone)) return 0;
    if (gone.record != 0) records.push_back(gone.record);
    Statement del(db->connection(), "DELETE FROM nodes WHERE id = ?1");
    if (!del.bind(1, id).run() || !db->drop_id(id)) return 0;
  }
  // Palettes stay without a node; a prototype's element record goes with its last node.
  if (tree_ == ModelTree::kPrototypes) {
    for (int64_t record : records) {
      Statement carried(db->connection(), "SELECT 1 FROM nodes WHERE record = ?1 LIMIT 1");
      const bool still = carried.bind(1, record).row();
      if (!carried.ok()) return 0;
      if (!still && !model::delete_record_rows(*db, record)) return 0;
    }
  }
  return call.commit() ? 1 : 0;
}

int TreeStoreCore::del_record(long record, int flag) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  const int64_t id = model_id(record);
  if (model::record_kind(*db, tree_, id) == 0) return 0;
  CallScope call(db->connection());
  if (!call) return 0;
  if (tree_ == ModelTree::kPalettes) {
    Statement used(db->connection(), "SELECT 1 FROM palette_refs WHERE palette = ?1 LIMIT 1");
    const bool in_use = used.bind(1, id).row();
    if (in_use || !used.ok()) return 0;
  }
  std::vector<int64_t> carriers;
  {
    Statement s(db->connection(), "SELECT id FROM nodes WHERE record = ?1 AND tree = ?2");
    s.bind(1, id).bind(2, static_cast<int>(tree_));
    while (s.row()) carriers.push_back(s.integer(0));
    if (!s.ok()) return 0;
  }
  if (!carriers.empty() && flag == 0) return 0;
  db->nodes_moved_or_removed();
  for (int64_t node : carriers) {
    Statement del(db->connection(), "DELETE FROM nodes WHERE id = ?1");
    if (!del.bind(1, node).run() || !db->drop_id(node)) return 0;
  }
  if (!model::delete_record_rows(*db, id)) return 0;
  return call.commit() ? 1 : 0;
}

int TreeStoreCore::is_usedname(long parent, const char* name, int /*flag*/) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 1;
  if (!name || name[0] == 0) return 1;
  const auto* p = reinterpret_cast<const unsigned char*>(name);
  const std::vector<unsigned char> bytes(p, p + field_length(name, sizeof(TreeNode::name)));
  Statement s(db->connection(),
              "SELECT 1 FROM nodes WHERE parent = ?1 AND tree = ?2 AND name = ?3 LIMIT 1");
  s.bind(1, model_id(parent)).bind(2, static_cast<int>(tree_)).bind(3, bytes);
  const bool found = s.row();
  return found || !s.ok() ? 1 : 0;
}

long TreeStoreCore::find(const TreeNode& node) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  Statement s(db->connection(),
              "SELECT id FROM nodes WHERE tree = ?1 AND level = ?2 AND kind = ?3 AND name = ?4 "
              "ORDER BY id LIMIT 1");
  s.bind(1, static_cast<int>(tree_)).bind(2, node.level).bind(3, node.kind);
  s.bind(4, model::node_name(node));
  return s.row() ? static_cast<long>(s.integer(0)) : 0;
}

long TreeStoreCore::get_root(short kind) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  return static_cast<long>(kind == 0 ? db->root(tree_) : db->kind_folder(tree_, kind));
}

long TreeStoreCore::record_of(long node, short* kind) {
  ModelDatabase* db = begin_model_call();
  NodeRow row;
  if (!db || !model::load_node(*db, tree_, model_id(node), &row)) return 0;
  if (kind) *kind = static_cast<short>(row.kind);
  return static_cast<long>(row.record);
}

}  // namespace dlist
