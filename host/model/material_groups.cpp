// Material link groups and their references in the model database.

#include "host/model/material_groups.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace dlist {
namespace {

constexpr const char* kGroupTables = R"sql(
CREATE TABLE IF NOT EXISTS material_groups (
  id   INTEGER PRIMARY KEY,
  name BLOB    NOT NULL UNIQUE
);
CREATE TABLE IF NOT EXISTS material_group_refs (
  id        INTEGER PRIMARY KEY,
  grp       INTEGER NOT NULL,
  code      BLOB    NOT NULL,
  quantity  REAL    NOT NULL,
  parameter BLOB    NOT NULL
);
CREATE INDEX IF NOT EXISTS material_group_refs_by_group ON material_group_refs (grp, id);
)sql";

std::span<const unsigned char> bytes_of(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

bool valid_id(long id) { return id > 0 && static_cast<int64_t>(id) <= kMaxModelId; }

bool copy_name(std::span<const unsigned char> bytes, DBMATGROUP* rec) {
  if (bytes.size() >= sizeof rec->name || bytes.empty()) return false;
  if (rec != nullptr) {
    std::memset(rec->name, 0, sizeof rec->name);
    std::memcpy(rec->name, bytes.data(), bytes.size());
  }
  return true;
}

// The walk of rewind_group / get_group(rec): the name after which it continues.
struct GroupWalk {
  bool started = false;
  std::string name;
};
GroupWalk& walk() {
  static GroupWalk w;
  return w;
}

}  // namespace

bool create_material_group_tables(SqliteConnection& db) { return db.exec(kGroupTables); }

}  // namespace dlist

using dlist::begin_model_call;
using dlist::CallScope;
using dlist::ModelDatabase;
using dlist::Statement;

long create_group(const char* name) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || name == nullptr) return 0;
  const std::string_view text(name, strnlen(name, kMatGroupNameSize));
  if (text.empty() || text.size() >= static_cast<std::size_t>(kMatGroupNameSize)) return 0;
  if (find_group(name) != 0) return 0;
  CallScope call(db->connection());
  if (!call) return 0;
  Statement s(db->connection(), "INSERT INTO material_groups (name) VALUES (?1)");
  if (!s.bind(1, dlist::bytes_of(text)).run()) return 0;
  const int64_t id = db->connection().last_insert_id();
  if (id <= 0 || id > dlist::kMaxModelId || !call.commit()) return 0;
  return static_cast<long>(id);
}

long get_group(long id, DBMATGROUP* rec) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !dlist::valid_id(id)) return 0;
  Statement s(db->connection(), "SELECT name FROM material_groups WHERE id = ?1");
  if (!s.bind(1, id).row()) return 0;
  DBMATGROUP row;
  if (!dlist::copy_name(s.blob(0), &row)) return 0;
  if (rec != nullptr) *rec = row;
  return id;
}

long find_group(const char* name) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || name == nullptr) return 0;
  const std::string_view text(name, strnlen(name, kMatGroupNameSize));
  if (text.empty() || text.size() >= static_cast<std::size_t>(kMatGroupNameSize)) return 0;
  Statement s(db->connection(), "SELECT id FROM material_groups WHERE name = ?1");
  if (!s.bind(1, dlist::bytes_of(text)).row()) return 0;
  const int64_t id = s.integer(0);
  return id > 0 && id <= dlist::kMaxModelId ? static_cast<long>(id) : 0;
}

long rewind_group() {
  ModelDatabase* db = begin_model_call();
  dlist::walk() = {};
  if (db == nullptr) return -1;
  Statement s(db->connection(), "SELECT count(*) FROM material_groups");
  if (!s.row()) return -1;
  dlist::walk().started = true;
  return static_cast<long>(s.integer(0));
}

long get_group(DBMATGROUP* rec) {
  ModelDatabase* db = begin_model_call();
  dlist::GroupWalk& w = dlist::walk();
  if (db == nullptr || !w.started) return 0;
  Statement s(db->connection(),
              "SELECT id, name FROM material_groups WHERE name > ?1 ORDER BY name LIMIT 1");
  if (!s.bind(1, dlist::bytes_of(w.name)).row()) {
    w.started = false;
    return 0;
  }
  const int64_t id = s.integer(0);
  DBMATGROUP row;
  if (id <= 0 || id > dlist::kMaxModelId || !dlist::copy_name(s.blob(1), &row)) {
    w.started = false;
    return -1;
  }
  w.name.assign(row.name);
  if (rec != nullptr) *rec = row;
  return static_cast<long>(id);
}

int remove_group(long id) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || get_group(id, nullptr) == 0) return 0;
  CallScope call(db->connection());
  if (!call) return 0;
  Statement refs(db->connection(), "DELETE FROM material_group_refs WHERE grp = ?1");
  if (!refs.bind(1, id).run()) return 0;
  Statement group(db->connection(), "DELETE FROM material_groups WHERE id = ?1");
  if (!group.bind(1, id).run()) return 0;
  return call.commit() ? 1 : 0;
}

long cre_group_matref(long group, const DBMATREF& ref) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || get_group(group, nullptr) == 0) return 0;
  const std::string_view code(ref.code.get());
  if (code.empty()) return 0;
  const std::string_view parameter(ref.parameter, strnlen(ref.parameter, sizeof ref.parameter - 1));
  CallScope call(db->connection());
  if (!call) return 0;
  Statement s(db->connection(),
              "INSERT INTO material_group_refs (grp, code, quantity, parameter) "
              "VALUES (?1, ?2, ?3, ?4)");
  s.bind(1, group).bind(2, dlist::bytes_of(code)).bind_double(3, ref.quantity);
  if (!s.bind(4, dlist::bytes_of(parameter)).run()) return 0;
  const int64_t id = db->connection().last_insert_id();
  if (id <= 0 || id > dlist::kMaxModelId || !call.commit()) return 0;
  return static_cast<long>(id);
}

int remove_matref(long group) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !dlist::valid_id(group)) return 0;
  Statement s(db->connection(), "DELETE FROM material_group_refs WHERE grp = ?1");
  return s.bind(1, group).run() ? 1 : 0;
}

MatrefIterator::MatrefIterator(long group) : group_(group) {}

long MatrefIterator::next(DBMATREF* ref) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !dlist::valid_id(group_) || after_ < 0) return 0;
  Statement s(db->connection(),
              "SELECT id, code, quantity, parameter FROM material_group_refs "
              "WHERE grp = ?1 AND id > ?2 ORDER BY id LIMIT 1");
  if (!s.bind(1, group_).bind(2, after_).row()) return 0;
  const int64_t id = s.integer(0);
  const auto code = s.blob(1);
  const auto parameter = s.blob(3);
  // A row whose parameter does not fit its field, or whose code holds a zero byte,
  // was not written by the calls above: the walk ends there.
  if (id <= 0 || id > dlist::kMaxModelId || !s.is_number(2) || parameter.size() >= 7 ||
      code.empty() || std::memchr(code.data(), 0, code.size()) != nullptr) {
    after_ = -1;
    return -1;
  }
  after_ = id;
  if (ref != nullptr) {
    const std::string text(reinterpret_cast<const char*>(code.data()), code.size());
    if (!ref->code.put(text.c_str())) return -1;
    ref->quantity = s.real(2);
    ref->location = 0;
    std::memset(ref->parameter, 0, sizeof ref->parameter);
    if (!parameter.empty()) std::memcpy(ref->parameter, parameter.data(), parameter.size());
    ref->reserved = 0;
  }
  return static_cast<long>(id);
}
