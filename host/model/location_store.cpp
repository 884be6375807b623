// The location tree of the model database: LOCALIZATION.
#include "host/model/location_store.h"

#include <cstring>
#include <exception>
#include <span>
#include <string_view>

#include "foundation/references.h"
#include "host/model/model_internal.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

using Bytes = std::vector<unsigned char>;
using model::model_id;

constexpr const char* kLocationTables = R"sql(
CREATE TABLE IF NOT EXISTS locations (
  id     INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  seq    INTEGER NOT NULL,
  key    INTEGER NOT NULL,
  name   BLOB    NOT NULL,
  text   BLOB    NOT NULL
);
CREATE INDEX IF NOT EXISTS locations_children ON locations (parent, seq);
CREATE UNIQUE INDEX IF NOT EXISTS locations_names ON locations (parent, name);
CREATE UNIQUE INDEX IF NOT EXISTS locations_keys ON locations (key) WHERE key > 0;
)sql";

constexpr int64_t kMaxKey = 0x7fffffff;

std::span<const unsigned char> as_bytes(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// A zero-terminated name of 1 to 79 characters.
bool name_ok(const char* name, std::string_view* text) {
  if (name == nullptr) return false;
  const std::size_t len = strnlen(name, DBLOCATIONTYPE::kMaxName + 1);
  if (len == 0 || len > static_cast<std::size_t>(DBLOCATIONTYPE::kMaxName)) return false;
  *text = std::string_view(name, len);
  return true;
}

// The text of a record up to its first zero; false when it is longer than the
// dialogs allow.
bool text_ok(const TEXTBUFFER& text, std::string_view* out) {
  const char* p = text.get();
  const std::size_t len = strnlen(p, text.size());
  if (len > static_cast<std::size_t>(DBLOCATIONTYPE::kMaxText)) return false;
  *out = std::string_view(p, len);
  return true;
}

struct LocationRow {
  int64_t id = 0;
  int64_t parent = 0;
  int64_t key = 0;
  Bytes name;
  Bytes text;
};

bool load_row(ModelDatabase& db, int64_t id, LocationRow* row) {
  if (id <= 0) return false;
  Statement s(db.connection(), "SELECT parent, key, name, text FROM locations WHERE id = ?1");
  if (!s.bind(1, id).row()) return false;
  const auto name = s.blob(2);
  const auto text = s.blob(3);
  if (name.empty() || name.size() > static_cast<std::size_t>(DBLOCATIONTYPE::kMaxName)) return false;
  row->id = id;
  row->parent = s.integer(0);
  row->key = s.integer(1);
  row->name.assign(name.begin(), name.end());
  row->text.assign(text.begin(), text.end());
  return s.ok();
}

bool fill(const LocationRow& row, DBLOCATIONTYPE* location) {
  if (location == nullptr) return true;
  location->key = static_cast<int32_t>(row.key);
  std::memset(location->name, 0, sizeof location->name);
  std::memcpy(location->name, row.name.data(), row.name.size());
  if (row.text.empty()) {
    location->text.clear();
    return true;
  }
  const auto n = static_cast<uint32_t>(row.text.size());
  char* block = location->text.allocate(n + 1);  // zero-filled: the terminator is there
  if (block == nullptr) return false;
  std::memcpy(block, row.text.data(), n);
  return true;
}

// 1 when a child of parent other than except has name, 0 when none has, -1 when
// the read failed.
int name_taken(ModelDatabase& db, int64_t parent, std::string_view name, int64_t except) {
  Statement s(db.connection(),
              "SELECT 1 FROM locations WHERE parent = ?1 AND name = ?2 AND id <> ?3 LIMIT 1");
  s.bind(1, parent).bind(2, as_bytes(name)).bind(3, except);
  const bool found = s.row();
  return !s.ok() ? -1 : found ? 1 : 0;
}

int key_taken(ModelDatabase& db, int64_t key) {
  Statement s(db.connection(), "SELECT 1 FROM locations WHERE key = ?1 AND key > 0 LIMIT 1");
  const bool found = s.bind(1, key).row();
  return !s.ok() ? -1 : found ? 1 : 0;
}

// A key that no location holds; 0 when the range is spent or the read failed.
int64_t fresh_key(ModelDatabase& db) {
  Statement s(db.connection(), "SELECT coalesce(max(key), 0) FROM locations WHERE key > 0");
  if (!s.row()) return 0;
  const int64_t top = s.integer(0);
  if (top < kMaxKey) return top + 1;
  // The top key is spent: the lowest free one.
  Statement gap(db.connection(),
                "SELECT min(key) + 1 FROM locations l WHERE key > 0 AND NOT EXISTS "
                "(SELECT 1 FROM locations m WHERE m.key = l.key + 1)");
  if (!gap.row()) return 0;
  const int64_t k = gap.integer(0);
  return k > 0 && k <= kMaxKey ? k : 0;
}

bool exists(ModelDatabase& db, int64_t id) {
  Statement s(db.connection(), "SELECT 1 FROM locations WHERE id = ?1");
  return s.bind(1, id).row();
}

bool next_seq(ModelDatabase& db, int64_t parent, int64_t* seq) {
  Statement s(db.connection(), "SELECT coalesce(max(seq), 0) + 1 FROM locations WHERE parent = ?1");
  if (!s.bind(1, parent).row()) return false;
  *seq = s.integer(0);
  return true;
}

// Whether target is id or lies below it: 1, 0, or -1 when the read failed.
int is_below(ModelDatabase& db, int64_t id, int64_t target) {
  int64_t at = target;
  // The walk goes up from the target; a loop in damaged rows ends at the count.
  Statement count(db.connection(), "SELECT count(*) FROM locations");
  if (!count.row()) return -1;
  for (int64_t steps = count.integer(0) + 1; at > 0 && steps > 0; --steps) {
    if (at == id) return 1;
    Statement s(db.connection(), "SELECT parent FROM locations WHERE id = ?1");
    if (!s.bind(1, at).row()) return s.ok() ? 0 : -1;
    at = s.integer(0);
  }
  return 0;
}

}  // namespace

bool create_location_tables(ModelDatabase& model) {
  SqliteConnection& db = model.connection();
  {
    Statement s(db, "SELECT count(*) FROM sqlite_schema WHERE name = 'locations'");
    if (s.row() && s.integer(0) == 1) return true;
  }
  if (!db.write_lock()) return false;
  const bool done = db.exec(kLocationTables);
  if (!done) db.abandon();
  return db.write_unlock() && done;
}

}  // namespace dlist

using dlist::begin_model_call;
using dlist::ModelDatabase;
using dlist::Statement;
using dlist::model::model_id;

long LOCALIZATION::rew_location(long parent) {
  children_.clear();
  next_child_ = 0;
  ModelDatabase* db = begin_model_call();
  if (!db || parent < 0) return -1;
  const int64_t p = parent == 0 ? 0 : model_id(parent);
  if (parent != 0 && p == 0) return -1;
  Statement s(db->connection(), "SELECT id FROM locations WHERE parent = ?1 ORDER BY seq");
  s.bind(1, p);
  while (s.row()) children_.push_back(s.integer(0));
  if (!s.ok()) children_.clear();
  return children_.empty() ? -1 : static_cast<long>(children_.size());
}

long LOCALIZATION::get_location(DBLOCATIONTYPE* location) {
  while (next_child_ < children_.size()) {
    const int64_t id = children_[next_child_++];
    ModelDatabase* db = begin_model_call();
    if (!db) return 0;
    dlist::LocationRow row;
    if (!dlist::load_row(*db, id, &row)) continue;  // removed since the rewind
    if (!dlist::fill(row, location)) return 0;
    return static_cast<long>(id);
  }
  return 0;
}

long LOCALIZATION::get_id_location(long id, DBLOCATIONTYPE* location, long* parent) {
  ModelDatabase* db = begin_model_call();
  dlist::LocationRow row;
  if (!db || !dlist::load_row(*db, model_id(id), &row) || !dlist::fill(row, location)) return 0;
  if (parent) *parent = static_cast<long>(row.parent);
  return id;
}

long LOCALIZATION::get_key_location(long key, DBLOCATIONTYPE* location) {
  ModelDatabase* db = begin_model_call();
  if (!db || key <= 0) return 0;
  Statement s(db->connection(), "SELECT id FROM locations WHERE key = ?1 AND key > 0");
  if (!s.bind(1, key).row()) return 0;
  const int64_t id = s.integer(0);
  dlist::LocationRow row;
  if (!dlist::load_row(*db, id, &row) || !dlist::fill(row, location)) return 0;
  return static_cast<long>(id);
}

long LOCALIZATION::cre_location(long parent, DBLOCATIONTYPE* location, int fresh_key) {
  ModelDatabase* db = begin_model_call();
  std::string_view name, text;
  if (!db || !location || parent < 0 || !dlist::name_ok(location->name, &name) ||
      !dlist::text_ok(location->text, &text))
    return 0;
  const int64_t p = parent == 0 ? 0 : model_id(parent);
  if (parent != 0 && (p == 0 || !dlist::exists(*db, p))) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  if (dlist::name_taken(*db, p, name, 0) != 0) return 0;
  int64_t key = location->key;
  if (fresh_key != 0) {
    if (key <= 0 || dlist::key_taken(*db, key) != 0) key = dlist::fresh_key(*db);
    if (key <= 0) return 0;
  } else if (key < 0 || (key > 0 && dlist::key_taken(*db, key) != 0)) {
    return 0;
  }
  int64_t seq = 0;
  if (!dlist::next_seq(*db, p, &seq)) return 0;
  Statement s(db->connection(),
              "INSERT INTO locations (parent, seq, key, name, text) VALUES (?1, ?2, ?3, ?4, ?5)");
  s.bind(1, p).bind(2, seq).bind(3, key).bind(4, dlist::as_bytes(name)).bind(5, dlist::as_bytes(text));
  if (!s.run()) return 0;
  const int64_t id = db->connection().last_insert_id();
  if (id <= 0 || id > dlist::kMaxModelId || !call.commit()) return 0;
  location->key = static_cast<int32_t>(key);
  return static_cast<long>(id);
}

int LOCALIZATION::mod_location(long id, DBLOCATIONTYPE* location) {
  ModelDatabase* db = begin_model_call();
  std::string_view name, text;
  dlist::LocationRow row;
  if (!db || !location || !dlist::name_ok(location->name, &name) ||
      !dlist::text_ok(location->text, &text) || !dlist::load_row(*db, model_id(id), &row))
    return 0;
  dlist::CallScope call(db->connection());
  if (!call || dlist::name_taken(*db, row.parent, name, row.id) != 0) return 0;
  Statement s(db->connection(), "UPDATE locations SET name = ?2, text = ?3 WHERE id = ?1");
  s.bind(1, row.id).bind(2, dlist::as_bytes(name)).bind(3, dlist::as_bytes(text));
  return s.run() && call.commit() ? 1 : 0;
}

int LOCALIZATION::del_location(long id) {
  ModelDatabase* db = begin_model_call();
  if (!db || model_id(id) == 0 || !dlist::exists(*db, model_id(id))) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  Statement s(db->connection(),
              "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
              "SELECT l.id FROM locations l JOIN sub ON l.parent = sub.id) "
              "DELETE FROM locations WHERE id IN sub");
  return s.bind(1, model_id(id)).run() && call.commit() ? 1 : 0;
}

int LOCALIZATION::purge_location() {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  Statement s(db->connection(), "DELETE FROM locations");
  return s.run() && call.commit() ? 1 : 0;
}

int LOCALIZATION::move_tree(long id, long target) {
  ModelDatabase* db = begin_model_call();
  dlist::LocationRow row;
  if (!db || target < 0 || !dlist::load_row(*db, model_id(id), &row)) return 0;
  const int64_t t = target == 0 ? 0 : model_id(target);
  if (target != 0 && (t == 0 || !dlist::exists(*db, t))) return 0;
  if (t != 0 && dlist::is_below(*db, row.id, t) != 0) return 0;
  const std::string_view name(reinterpret_cast<const char*>(row.name.data()), row.name.size());
  dlist::CallScope call(db->connection());
  if (!call || dlist::name_taken(*db, t, name, row.id) != 0) return 0;
  int64_t seq = 0;
  if (!dlist::next_seq(*db, t, &seq)) return 0;
  Statement s(db->connection(), "UPDATE locations SET parent = ?2, seq = ?3 WHERE id = ?1");
  return s.bind(1, row.id).bind(2, t).bind(3, seq).run() && call.commit() ? 1 : 0;
}

int LOCALIZATION::is_good_name(long parent, const char* name, long except) {
  ModelDatabase* db = begin_model_call();
  std::string_view text;
  if (!db || parent < 0 || !dlist::name_ok(name, &text)) return 0;
  const int64_t p = parent == 0 ? 0 : model_id(parent);
  if (parent != 0 && p == 0) return 0;
  return dlist::name_taken(*db, p, text, except > 0 ? except : 0) == 0 ? 1 : 0;
}

int LOCALIZATION::is_independ(long id, long target) {
  ModelDatabase* db = begin_model_call();
  if (!db || model_id(id) == 0) return 0;
  if (target == 0) return 1;
  return dlist::is_below(*db, model_id(id), model_id(target)) == 0 ? 1 : 0;
}

dlist::LocationBatch::LocationBatch() {
  ModelDatabase* db = dlist::active_model();
  if (db == nullptr || !db->is_open() || db->write_lock() == 0) return;
  model_ = db;
  auto* scope = new dlist::CallScope(db->connection());
  if (*scope) {
    scope_ = scope;
  } else {
    delete scope;
  }
}

dlist::LocationBatch::~LocationBatch() {
  delete static_cast<dlist::CallScope*>(scope_);  // not committed: taken back
  if (model_ != nullptr) static_cast<ModelDatabase*>(model_)->write_unlock();
}

bool dlist::LocationBatch::commit() {
  auto* scope = static_cast<dlist::CallScope*>(scope_);
  return scope != nullptr && scope->commit();
}

int LOCALIZATION::is_used_location(long key) {
  ModelDatabase* db = begin_model_call();
  if (!db || key <= 0) return 0;
  Statement s(db->connection(), "SELECT bytes FROM matrefs");
  while (s.row()) {
    DBMATREF ref;
    try {
      dlist::stream_in(ref, s.blob(0));
    } catch (const std::exception&) {
      return 1;  // a row that cannot be read may name it: the caller warns
    }
    if (ref.location == key) return 1;
  }
  return s.ok() ? 0 : 1;
}
