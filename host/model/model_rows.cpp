// Row-level helpers of the model database: nodes as rows, record kinds and record
// removal.
#include <cstring>

#include "host/model/model_internal.h"

namespace dlist::model {

bool load_node(ModelDatabase& db, ModelTree tree, int64_t id, NodeRow* row) {
  if (id <= 0) return false;
  Statement s(db.connection(),
              "SELECT parent, seq, level, kind, name, description, last, record FROM nodes "
              "WHERE id = ?1 AND tree = ?2");
  if (!s.bind(1, id).bind(2, static_cast<int>(tree)).row()) return false;
  row->id = id;
  return node_row_from(s, 0, row) && s.ok();
}

bool node_row_from(const Statement& s, int first, NodeRow* row) {
  row->parent = s.integer(first);
  row->seq = s.integer(first + 1);
  row->level = static_cast<int>(s.integer(first + 2));
  row->kind = static_cast<int>(s.integer(first + 3));
  const auto name = s.blob(first + 4);
  const auto description = s.blob(first + 5);
  if (name.size() > sizeof(TreeNode::name)) return false;
  row->name.assign(name.begin(), name.end());
  row->description.assign(description.begin(), description.end());
  row->last = static_cast<int>(s.integer(first + 6));
  row->record = s.integer(first + 7);
  return true;
}

bool row_to_node(const NodeRow& row, TreeNode* node) {
  TEXTBUFFER description;
  if (!row.description.empty() &&
      !description.assign(row.description.data(), static_cast<uint32_t>(row.description.size())))
    return false;
  node->level = static_cast<int16_t>(row.level);
  node->kind = static_cast<int16_t>(row.kind);
  std::memset(node->name, 0, sizeof node->name);
  std::memcpy(node->name, row.name.data(), row.name.size());
  node->description = std::move(description);
  node->last = static_cast<int16_t>(row.last);
  return true;
}

std::vector<unsigned char> node_name(const TreeNode& node) {
  const auto* p = reinterpret_cast<const unsigned char*>(node.name);
  return {p, p + field_length(node.name, sizeof node.name)};
}

int record_kind(ModelDatabase& db, ModelTree tree, int64_t record) {
  if (record <= 0) return 0;
  Statement s(db.connection(), tree == ModelTree::kPalettes
                                   ? "SELECT kind FROM palettes WHERE id = ?1"
                                   : "SELECT kind FROM elements WHERE id = ?1");
  return s.bind(1, record).row() ? static_cast<int>(s.integer(0)) : 0;
}

bool delete_record_rows(ModelDatabase& db, int64_t record) {
  static const char* const kDeletes[] = {
      "DELETE FROM palettes WHERE id = ?1",    "DELETE FROM elements WHERE id = ?1",
      "DELETE FROM surfaces WHERE owner = ?1", "DELETE FROM matrefs WHERE owner = ?1",
      "DELETE FROM attrefs WHERE owner = ?1",  "DELETE FROM palette_refs WHERE palette = ?1",
      "DELETE FROM ids WHERE id = ?1",
  };
  for (const char* sql : kDeletes) {
    Statement s(db.connection(), sql);
    if (!s.bind(1, record).run()) return false;
  }
  return true;
}

int64_t new_id(ModelDatabase& db, AddScope& call, ModelObject what) {
  // The statement of ModelDatabase::new_id, whose row the scope learns of even when
  // the identifier lies beyond the range.
  Statement s(db.connection(), "INSERT INTO ids (what) VALUES (?1)");
  if (!s.bind(1, static_cast<int>(what)).run()) return 0;
  const int64_t id = db.connection().last_insert_id();
  call.added("UPDATE sqlite_sequence SET seq = ?1 - 1 WHERE name = 'ids' AND seq = ?1", id);
  call.added("DELETE FROM ids WHERE id = ?1", id);
  return id > 0 && id <= kMaxModelId ? id : 0;
}

}  // namespace dlist::model
