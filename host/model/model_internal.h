// Row-level helpers shared by the store handles and the per-kind calls of the model
// database: nodes as rows, the kind of a stored record, and the removal of a record
// with its surface set and chains.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/tree_nodes.h"
#include "host/model/model_database.h"

namespace dlist {

// Makes the tables of the attribute library where they are missing, and its root
// group (named by message 20410) when there is none. False when that cannot be
// written (a read-only project without them; the attribute calls then fail).
bool create_attribute_tables(ModelDatabase& model);

// Makes the table of the location tree where it is missing. False when that cannot
// be written (a read-only project without it; the location calls then fail).
bool create_location_tables(ModelDatabase& model);

}  // namespace dlist

namespace dlist::model {

// One row of the node table.
struct NodeRow {
  int64_t id = 0;
  int64_t parent = 0;  // 0 for the root
  int64_t seq = 0;     // place among the parent's children
  int level = 0;       // depth below the root, negated for a leaf
  int kind = 0;
  std::vector<unsigned char> name;         // up to 32 bytes, no terminating zero
  std::vector<unsigned char> description;  // the description's block as it stands
  int last = -1;
  int64_t record = 0;  // the record a leaf carries, 0 for a folder

  bool is_leaf() const { return level < 0; }
  int depth() const { return level < 0 ? -level : level; }
};

// Reads node id of a tree; false when there is none (or the read failed).
bool load_node(ModelDatabase& db, ModelTree tree, int64_t id, NodeRow* row);
// Fills row (all but its id) from the columns parent, seq, level, kind, name,
// description, last and record of s, from column `first` on; false for a name longer
// than the node's field, which is a damaged row.
bool node_row_from(const Statement& s, int first, NodeRow* row);

// Copies a row into a tree node record; false when the description cannot be had
// (memory short).
bool row_to_node(const NodeRow& row, TreeNode* node);

// The name bytes of a node record (its field up to the terminating zero).
std::vector<unsigned char> node_name(const TreeNode& node);

// The kind of a stored palette (palette tree) or element record (prototype tree);
// 0 when there is none.
int record_kind(ModelDatabase& db, ModelTree tree, int64_t record);

// Removes a palette or element record with its surface set, chains, references and
// identifier.
bool delete_record_rows(ModelDatabase& db, int64_t record);

// A new identifier for a call that adds rows: should the call fail, its scope gives
// the identifier back (its row goes and the sequence stands where it stood), so the
// store is as it was and the next call is handed the same. 0 on failure.
int64_t new_id(ModelDatabase& db, AddScope& call, ModelObject what);

// The identifier as the store sees it: 0 for a value outside 1 .. kMaxModelId.
inline int64_t model_id(long id) {
  return id > 0 && static_cast<int64_t>(id) <= kMaxModelId ? static_cast<int64_t>(id) : 0;
}

}  // namespace dlist::model
