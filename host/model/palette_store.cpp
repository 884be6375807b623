// The palette store's own calls: palettes and their nodes, the palettes without a
// node, and the references of the model's elements to palettes.
#include "host/model/palette_store.h"

#include "host/model/model_internal.h"

using dlist::ModelDatabase;
using dlist::ModelTree;
using dlist::Statement;
using dlist::model::model_id;

long PALETTES::get_palid_node(long palette, DBPALETTENODETYPE* node) {
  ModelDatabase* db = dlist::begin_model_call();
  if (!db) return -1;
  const int64_t id = model_id(palette);
  if (dlist::model::record_kind(*db, ModelTree::kPalettes, id) == 0) return -1;
  Statement s(db->connection(),
              "SELECT id FROM nodes WHERE record = ?1 AND tree = ?2 ORDER BY id LIMIT 1");
  if (!s.bind(1, id).bind(2, static_cast<int>(ModelTree::kPalettes)).row()) return s.ok() ? 0 : -1;
  const int64_t found = s.integer(0);
  dlist::model::NodeRow row;
  if (!dlist::model::load_node(*db, ModelTree::kPalettes, found, &row)) return -1;
  if (node && !dlist::model::row_to_node(row, node)) return -1;
  return static_cast<long>(found);
}

short PALETTES::get_palette_type(long palette) {
  ModelDatabase* db = dlist::begin_model_call();
  if (!db) return 0;
  return static_cast<short>(
      dlist::model::record_kind(*db, ModelTree::kPalettes, model_id(palette)));
}

int PALETTES::get_references_number(long palette, int* a, int* b, int* c) {
  int counts[3] = {0, 0, 0};
  int result = 0;
  if (ModelDatabase* db = dlist::begin_model_call()) {
    const int64_t id = model_id(palette);
    if (dlist::model::record_kind(*db, ModelTree::kPalettes, id) != 0) {
      Statement s(db->connection(),
                  "SELECT slot, count(*) FROM palette_refs WHERE palette = ?1 GROUP BY slot");
      s.bind(1, id);
      while (s.row()) {
        const int64_t slot = s.integer(0);
        if (slot >= 0 && slot <= 2) counts[slot] = static_cast<int>(s.integer(1));
      }
      if (s.ok()) {
        result = 1;
      } else {
        counts[0] = counts[1] = counts[2] = 0;
      }
    }
  }
  if (a) *a = counts[0];
  if (b) *b = counts[1];
  if (c) *c = counts[2];
  return result;
}

int PALETTES::move_references(long from, long to) {
  ModelDatabase* db = dlist::begin_model_call();
  if (!db) return 0;
  const int64_t source = model_id(from);
  const int64_t target = model_id(to);
  const int kind = dlist::model::record_kind(*db, ModelTree::kPalettes, source);
  if (kind == 0 || kind != dlist::model::record_kind(*db, ModelTree::kPalettes, target)) return 0;
  if (source == target) return 1;
  Statement s(db->connection(), "UPDATE palette_refs SET palette = ?2 WHERE palette = ?1");
  return s.bind(1, source).bind(2, target).run() ? 1 : 0;
}

long PALETTES::rew_palette(short kind) {
  palettes_.clear();
  next_palette_ = 0;
  ModelDatabase* db = dlist::begin_model_call();
  if (!db) return -1;
  Statement s(db->connection(), "SELECT id FROM palettes WHERE ?1 = 0 OR kind = ?1 ORDER BY id");
  s.bind(1, kind);
  while (s.row()) palettes_.push_back(s.integer(0));
  if (!s.ok()) {
    palettes_.clear();
    return -1;
  }
  return static_cast<long>(palettes_.size());
}

long PALETTES::get_palette(int unregistered_only) {
  ModelDatabase* db = dlist::begin_model_call();
  if (!db) return 0;
  while (next_palette_ < palettes_.size()) {
    const int64_t id = palettes_[next_palette_++];
    Statement s(db->connection(),
                "SELECT (SELECT 1 FROM palettes WHERE id = ?1), "
                "(SELECT 1 FROM nodes WHERE record = ?1 AND tree = ?2 LIMIT 1)");
    if (!s.bind(1, id).bind(2, static_cast<int>(ModelTree::kPalettes)).row()) return 0;
    if (s.is_null(0)) continue;  // removed since the walk began
    if (unregistered_only && !s.is_null(1)) continue;
    return static_cast<long>(id);
  }
  return 0;
}
