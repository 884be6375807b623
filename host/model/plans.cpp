// Plans, storeys, layer names and the storeys of elements in the model database.

#include "host/model/plans.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>

#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace dlist {
namespace {

constexpr const char* kPlanTables = R"sql(
CREATE TABLE IF NOT EXISTS plans (
  id   INTEGER PRIMARY KEY,
  name BLOB    NOT NULL UNIQUE
);
CREATE TABLE IF NOT EXISTS storeys (
  id     INTEGER PRIMARY KEY,
  plan   INTEGER NOT NULL,
  number INTEGER NOT NULL,
  name   BLOB    NOT NULL,
  UNIQUE (plan, number)
);
CREATE TABLE IF NOT EXISTS layer_names (
  plan  INTEGER NOT NULL,
  layer INTEGER NOT NULL CHECK (layer BETWEEN 0 AND 254),
  name  BLOB    NOT NULL,
  PRIMARY KEY (plan, layer)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS element_storeys (
  element INTEGER PRIMARY KEY,
  storey  INTEGER NOT NULL
);
)sql";

std::span<const unsigned char> bytes_of(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// A name fits its field (terminator included) and is not empty.
bool fits(std::string_view name, int size) {
  return !name.empty() && name.size() < static_cast<std::size_t>(size) &&
         name.find('\0') == std::string_view::npos;
}

// Copies a stored name into its field; false when the row holds more than fits.
template <std::size_t N>
bool copy_name(std::span<const unsigned char> bytes, char (&field)[N]) {
  if (bytes.size() >= N) return false;
  std::memset(field, 0, N);
  if (!bytes.empty()) std::memcpy(field, bytes.data(), bytes.size());
  return true;
}

// Identifiers beyond 32 bits name nothing.
bool valid_id(long id) {
  return id > 0 && static_cast<int64_t>(id) <= kMaxModelId;
}

// Reads storey id; false when there is none or its row is damaged.
bool load_storey(ModelDatabase& db, long id, DBSTORTYPE* rec) {
  Statement s(db.connection(), "SELECT number, name FROM storeys WHERE id = ?1");
  if (!s.bind(1, id).row()) return false;
  DBSTORTYPE row{};
  const int64_t number = s.integer(0);
  if (number < INT32_MIN || number > INT32_MAX || !copy_name(s.blob(1), row.name)) return false;
  row.number = static_cast<int32_t>(number);
  if (rec != nullptr) *rec = row;
  return true;
}

// A write of one row under a savepoint of its own.
long insert_row(ModelDatabase& db, const char* sql, std::initializer_list<int64_t> numbers,
                std::string_view name) {
  CallScope call(db.connection());
  if (!call) return 0;
  Statement s(db.connection(), sql);
  int index = 1;
  for (int64_t n : numbers) s.bind(index++, n);
  s.bind(index, bytes_of(name));
  if (!s.run()) return 0;
  const int64_t id = db.connection().last_insert_id();
  if (id <= 0 || id > kMaxModelId || !call.commit()) return 0;
  return static_cast<long>(id);
}

bool exists(ModelDatabase& db, const char* sql, long id) {
  Statement s(db.connection(), sql);
  return s.bind(1, id).row();
}

}  // namespace

bool create_plan_tables(SqliteConnection& db) {
  return db.exec(kPlanTables);
}

long create_plan(std::string_view name) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !fits(name, kPlanNameSize)) return 0;
  return insert_row(*db, "INSERT INTO plans (name) VALUES (?1)", {}, name);
}

long create_storey(long plan, int number, std::string_view name) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !valid_id(plan) || !fits(name, kStoreyNameSize)) return 0;
  if (!exists(*db, "SELECT 1 FROM plans WHERE id = ?1", plan)) return 0;
  return insert_row(*db, "INSERT INTO storeys (plan, number, name) VALUES (?1, ?2, ?3)",
                    {plan, number}, name);
}

bool set_layer_name(long plan, int index, std::string_view name) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !valid_id(plan) || index < 0 || index >= kLayerNameCount) return false;
  if (!name.empty() && !fits(name, kLayerNameSize)) return false;
  if (!exists(*db, "SELECT 1 FROM plans WHERE id = ?1", plan)) return false;
  if (name.empty()) {
    Statement s(db->connection(), "DELETE FROM layer_names WHERE plan = ?1 AND layer = ?2");
    return s.bind(1, plan).bind(2, index).run();
  }
  Statement s(db->connection(),
              "INSERT OR REPLACE INTO layer_names (plan, layer, name) VALUES (?1, ?2, ?3)");
  return s.bind(1, plan).bind(2, index).bind(3, bytes_of(name)).run();
}

bool set_element_storey(long element, long storey) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !valid_id(element) || storey < 0) return false;
  if (storey == 0) {
    Statement s(db->connection(), "DELETE FROM element_storeys WHERE element = ?1");
    return s.bind(1, element).run();
  }
  if (!exists(*db, "SELECT 1 FROM storeys WHERE id = ?1", storey)) return false;
  Statement s(db->connection(),
              "INSERT OR REPLACE INTO element_storeys (element, storey) VALUES (?1, ?2)");
  return s.bind(1, element).bind(2, storey).run();
}

}  // namespace dlist

using dlist::begin_model_call;
using dlist::ModelDatabase;
using dlist::Statement;

long get_elemid_floor(long element) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !dlist::valid_id(element)) return 0;
  Statement s(db->connection(), "SELECT storey FROM element_storeys WHERE element = ?1");
  if (!s.bind(1, element).row()) return 0;
  const int64_t storey = s.integer(0);
  return storey > 0 && storey <= dlist::kMaxModelId ? static_cast<long>(storey) : 0;
}

long get_id_stor(long id, DBSTORTYPE* rec) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !dlist::valid_id(id)) return 0;
  return dlist::load_storey(*db, id, rec) ? id : 0;
}

long get_id_plan_stor(const char* plan, short number, DBSTORTYPE* rec) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || plan == nullptr) return -1;
  Statement s(db->connection(),
              "SELECT storeys.id FROM storeys JOIN plans ON plans.id = storeys.plan "
              "WHERE plans.name = ?1 AND storeys.number = ?2");
  if (!s.bind(1, dlist::bytes_of(plan)).bind(2, number).row()) return -1;
  const int64_t id = s.integer(0);
  if (id <= 0 || id > dlist::kMaxModelId) return -1;
  return dlist::load_storey(*db, static_cast<long>(id), rec) ? static_cast<long>(id) : -1;
}

long get_id_plan(long id, const char* name, DBPLANTYPE* rec) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr) return -1;
  const bool by_name = id == 0;
  if (by_name ? name == nullptr : !dlist::valid_id(id)) return -1;
  Statement s(db->connection(), by_name ? "SELECT id, name FROM plans WHERE name = ?1"
                                        : "SELECT id, name FROM plans WHERE id = ?1");
  if (by_name) {
    s.bind(1, dlist::bytes_of(name));
  } else {
    s.bind(1, id);
  }
  if (!s.row()) return -1;
  DBPLANTYPE row{};
  const int64_t found = s.integer(0);
  if (found <= 0 || found > dlist::kMaxModelId || !dlist::copy_name(s.blob(1), row.name)) return -1;
  if (rec != nullptr) *rec = row;
  return static_cast<long>(found);
}

int get_layernames(long plan, DBFOLIANAMES* names) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !dlist::valid_id(plan)) return -1;
  if (!dlist::exists(*db, "SELECT 1 FROM plans WHERE id = ?1", plan)) return -1;
  DBFOLIANAMES read{};
  int count = 0;
  Statement s(db->connection(), "SELECT layer, name FROM layer_names WHERE plan = ?1");
  s.bind(1, plan);
  while (s.row()) {
    const int64_t layer = s.integer(0);
    if (layer < 0 || layer >= kLayerNameCount) return -1;
    if (!dlist::copy_name(s.blob(1), read.name[layer])) return -1;
    ++count;
  }
  if (!s.ok()) return -1;
  if (names != nullptr) *names = read;
  return count;
}
