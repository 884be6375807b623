// The material library database: opening a library file and its schema, the locks,
// the library's own records (long text names, version), the identifier lists of the
// cursors, the active library and the injected call failures.
#include <cstring>
#include <unordered_map>

#include "host/list/list_internal.h"

namespace dlist::list {
namespace {

// Tables and indexes; the layout is described in docs/material_library.md. Texts
// are kept as BLOBs: the bytes of a field up to its terminator, compared byte for
// byte. Identifiers stay 32-bit: an insert beyond the range fails whole.
constexpr const char* kSchema = R"sql(
CREATE TABLE materials (
  id          INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  parent      INTEGER NOT NULL,
  code        BLOB    NOT NULL,
  name        BLOB    NOT NULL,
  unit_price  REAL    NOT NULL,
  native_unit BLOB    NOT NULL,
  market      BLOB    NOT NULL,
  text1       BLOB    NOT NULL,
  text2       BLOB    NOT NULL,
  text3       BLOB    NOT NULL,
  text4       BLOB    NOT NULL
);
CREATE INDEX materials_children ON materials (parent, id);
CREATE UNIQUE INDEX materials_codes ON materials (parent, code);
CREATE TABLE units (
  id     INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  parent INTEGER NOT NULL,
  abbrev BLOB    NOT NULL UNIQUE,
  name   BLOB    NOT NULL,
  usage  INTEGER NOT NULL,
  factor REAL    NOT NULL
);
CREATE INDEX units_children ON units (parent, id);
CREATE TABLE unit_refs (
  id       INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  material INTEGER NOT NULL,
  abbrev   BLOB    NOT NULL,
  factor   REAL    NOT NULL
);
CREATE INDEX unit_refs_material ON unit_refs (material, id, abbrev, factor);
CREATE TABLE subprice_refs (
  id       INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  material INTEGER NOT NULL,
  abbrev   BLOB    NOT NULL,
  value    REAL    NOT NULL
);
CREATE INDEX subprice_refs_material ON subprice_refs (material, id, abbrev, value);
CREATE TABLE markets (
  id   INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  name BLOB    NOT NULL UNIQUE
);
CREATE TABLE subprices (
  id      INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  abbrev  BLOB    NOT NULL UNIQUE,
  name    BLOB    NOT NULL,
  kind    INTEGER NOT NULL,
  value   REAL    NOT NULL,
  formula BLOB    NOT NULL
);
CREATE TABLE library (
  id          INTEGER PRIMARY KEY CHECK (id = 1),
  text_name1  BLOB    NOT NULL,
  text_name2  BLOB    NOT NULL,
  text_name3  BLOB    NOT NULL,
  text_name4  BLOB    NOT NULL,
  names_set   INTEGER NOT NULL,
  version     INTEGER NOT NULL,
  idseparator INTEGER NOT NULL
);
INSERT INTO library VALUES (1, x'', x'', x'', x'', 0, 0, 0);
)sql";

}  // namespace

unsigned g_fail_calls_after = 0;
LISTCONTEXT* g_active_library = nullptr;

ListStore* enter(ListStore* store) {
  if (g_fail_calls_after > 0 && --g_fail_calls_after == 0) return nullptr;
  return store && store->db.is_open() ? store : nullptr;
}

void ListStore::Held::clear() {
  units.clear();
  unwritten_usages = 0;
  unit_abbrevs.clear();
  subprices.clear();
  markets.clear();
  codes.clear();
  materials.clear();
  records.clear();
}

void ListStore::Held::bound() {
  constexpr std::size_t kMaxMaterials = 1 << 16;
  if (codes.size() > kMaxMaterials) codes.clear();
  if (materials.size() > kMaxMaterials) materials.clear();
}

bool ListStore::begin_write() {
  if (db.lock_depth() == 0) {
    end_read_txn();
    held.clear();
  }
  if (db.write_lock()) return true;
  if (read_depth > 0) begin_read_txn();
  return false;
}

void ListStore::keep_usage(Held::Unit& unit, int32_t usage) {
  unit.rec.usage = usage;
  if (!unit.usage_unwritten) ++held.unwritten_usages;
  unit.usage_unwritten = true;
}

bool ListStore::write_usages() {
  if (held.unwritten_usages == 0) return true;
  for (auto& [id, unit] : held.units) {
    if (!unit.usage_unwritten) continue;
    Statement q(db, "UPDATE units SET usage = ?2 WHERE id = ?1");
    if (!q.bind(1, id).bind(2, unit.rec.usage).run()) {
      db.abandon();
      return false;
    }
    unit.usage_unwritten = false;
    --held.unwritten_usages;
  }
  return true;
}

bool ListStore::end_write() {
  if (db.lock_depth() == 0) return false;
  if (db.lock_depth() == 1) write_usages();  // a failure abandons: the unlock rolls back
  ++changes;
  const bool ok = db.write_unlock();
  if (db.lock_depth() == 0) {
    held.clear();  // committed or rolled back: the file may change from now on
    if (read_depth > 0) begin_read_txn();
  }
  return ok;
}

// Reading walks under one read transaction keep SQLite from taking and dropping its
// file lock for every statement. Without it the reads still work, one by one.
void ListStore::begin_read_txn() {
  if (!read_txn && db.lock_depth() == 0 && db.exec("BEGIN")) read_txn = true;
}

void ListStore::end_read_txn() {
  chain_cache.parent = -1;
  if (!read_txn) return;
  if (!db.exec("COMMIT")) db.exec_undo("ROLLBACK");
  read_txn = false;
}

void ListStore::reset_walks() {
  chain_cache.parent = -1;
  held.clear();
  for (Walk* w : {&materials, &units, &markets, &subprices}) w->reset();
  unit_refs.reset();
  subprice_refs.reset();
}

Change::Change(ListStore& store, Writes writes) : store_(store) {
  locked_ = store_.begin_write();
  outermost_ = locked_ && store_.db.lock_depth() == 1;
  if (locked_ && writes == Writes::kSeveral) scope_.emplace(store_.db);
}

Change::~Change() {
  scope_.reset();  // undoes the call's writes unless finish() kept them
  if (locked_) store_.end_write();
}

bool Change::finish() {
  if (!*this) return false;
  const bool kept = !scope_ || scope_->commit();
  scope_.reset();
  locked_ = false;
  const bool committed = store_.end_write();
  return kept && (committed || !outermost_);
}

bool collect_ids(Statement& s, std::vector<int64_t>* out) {
  out->clear();
  while (s.row()) out->push_back(s.integer(0));
  if (!s.ok()) out->clear();
  return s.ok();
}

long start_walk(Statement& s, Walk& walk) {
  walk.reset();
  if (!collect_ids(s, &walk.ids)) return -1;
  return static_cast<long>(walk.ids.size());
}

int row_exists(SqliteConnection& db, const char* sql, int64_t id) {
  Statement s(db, sql);
  const bool found = s.bind(1, id).row();
  return !s.ok() ? -1 : found ? 1 : 0;
}

long start_child_walk(ListStore* store, Walk& walk, long parent, const char* exists,
                      const char* select) {
  if (!store) return -1;
  walk.reset();
  const int64_t id = list_id(parent);
  if (parent < 0 || (parent != 0 && id == 0)) return -1;
  long n = 0;
  {
    Statement q(store->db, select);
    q.bind(1, id);
    n = start_walk(q, walk);
  }
  // Children name their parent, so only a parent without any is looked up.
  if (n == 0 && id != 0 && row_exists(store->db, exists, id) != 1) return -1;
  return n;
}

Statement& Columns::bind(Statement& s, int first) const {
  for (std::size_t i = 0; i < count_; ++i) {
    const Value& v = values_[i];
    const int at = first + static_cast<int>(i);
    switch (v.type) {
      case Type::kText: s.bind(at, v.bytes); break;
      case Type::kInteger: s.bind(at, v.integer); break;
      case Type::kReal: s.bind_double(at, v.real); break;
    }
  }
  return s;
}

void forget(ListStore& store, RowKindId kind) {
  switch (kind) {
    case kUnitRows:
      store.write_usages();
      store.held.units.clear();
      store.held.unwritten_usages = 0;
      store.held.unit_abbrevs.clear();
      break;
    case kMarketRows: store.held.markets.clear(); break;
    case kSubpriceRows: store.held.subprices.clear(); break;
    case kUnitRefRows:
    case kSubpriceRefRows: break;
  }
}

int material_exists(ListStore& store, int64_t id) {
  if (store.holding() && store.held.materials.count(id) > 0) return 1;
  const int found = row_exists(store.db, kMaterialExists, id);
  if (found == 1 && store.holding()) {
    store.held.materials.insert(id);
    store.held.bound();
  }
  return found;
}

long create_row(ListStore* store, RowKindId kind, long owner, const Columns& columns) {
  if (!store) return 0;
  const RowKind& k = kRowKinds[kind];
  const int64_t owner_id = k.owner ? list_id(owner) : 0;
  if (k.owner && owner_id == 0 && !(k.top_level && owner == 0)) return 0;
  Change change(*store);
  if (!change) return 0;
  if (owner_id != 0) {
    const int found = k.owner == kMaterialExists ? material_exists(*store, owner_id)
                                                 : row_exists(store->db, k.owner, owner_id);
    if (found != 1) return 0;
  }
  Statement q(store->db, k.insert);
  if (k.owner) q.bind(1, owner_id);
  if (!columns.bind(q, k.owner ? 2 : 1).run()) return 0;
  const int64_t id = store->db.last_insert_id();
  // A new record stands where a look-up found none.
  forget(*store, kind);
  if (id <= 0 || id > kMaxListId) return 0;
  return change.finish() ? static_cast<long>(id) : 0;
}

int modify_row(ListStore* store, RowKindId kind, long id, const Columns& columns, bool known) {
  const RowKind& k = kRowKinds[kind];
  if (!store || !k.update) return 0;
  const int64_t row = list_id(id);
  if (row == 0) return 0;
  Change change(*store);
  if (!change) return 0;
  if (!(known && store->holding()) && row_exists(store->db, k.exists, row) != 1) return 0;
  Statement q(store->db, k.update);
  if (!columns.bind(q.bind(1, row), 2).run()) return 0;
  // A unit's caller keeps what is held.
  if (kind != kUnitRows) forget(*store, kind);
  return change.finish() ? 1 : 0;
}

int remove_row(ListStore* store, RowKindId kind, long id) {
  if (!store) return 0;
  const RowKind& k = kRowKinds[kind];
  const int64_t row = list_id(id);
  if (row == 0) return 0;
  Change change(*store);
  if (!change) return 0;
  forget(*store, kind);
  if (row_exists(store->db, k.exists, row) != 1) return 0;
  Statement q(store->db, k.remove);
  if (!q.bind(1, row).run()) return 0;
  return change.finish() ? 1 : 0;
}

long hand_out(bool ok, const std::vector<int64_t>& ids, std::vector<long>& out) {
  out.clear();
  if (!ok) return -1;
  out.assign(ids.begin(), ids.end());
  return static_cast<long>(out.size());
}

}  // namespace dlist::list

using dlist::Statement;
using dlist::list::Change;
using dlist::list::copy_field;
using dlist::list::enter;
using dlist::list::field_bytes;
using dlist::list::ListStore;

LISTCONTEXT::LISTCONTEXT() : impl_(std::make_unique<Impl>()) {}

LISTCONTEXT::~LISTCONTEXT() {
  close();
}

bool LISTCONTEXT::open(const std::string& path) {
  close();
  ListStore& s = *impl_;
  const dlist::OwnDatabaseKind kind{"material library", dlist::list::kApplicationId,
                                   kSchemaVersion, dlist::list::kSchema};
  if (!dlist::open_own_database(s.db, path, kind, &s.error)) return false;
  // A whole library is walked at once (exports, imports): room for it in the page
  // cache keeps those walks off the disk.
  s.db.exec("PRAGMA cache_size = -65536");
  return true;
}

void LISTCONTEXT::close() {
  ListStore& s = *impl_;
  s.db.close();  // an open transaction is rolled back
  s.read_depth = 0;
  s.read_txn = false;
  s.reset_walks();
}

bool LISTCONTEXT::is_open() const {
  return impl_->db.is_open();
}

std::string LISTCONTEXT::last_error() const {
  return impl_->error.empty() ? impl_->db.last_error() : impl_->error;
}

const char* LISTCONTEXT::fullpath() const {
  return impl_->db.is_open() ? impl_->db.path().c_str() : "";
}

dlist::SqliteConnection& LISTCONTEXT::connection() {
  return impl_->db;
}

// ---- locks ---------------------------------------------------------------------

int LISTCONTEXT::read_lock() {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  if (++s->read_depth == 1) s->begin_read_txn();
  return 1;
}

int LISTCONTEXT::read_unlock() {
  ListStore& s = *impl_;
  if (!s.db.is_open() || s.read_depth == 0) return 0;
  if (--s.read_depth == 0) s.end_read_txn();
  return 1;
}

int LISTCONTEXT::write_lock() {
  ListStore* s = enter(impl_.get());
  return s && s->begin_write() ? 1 : 0;
}

int LISTCONTEXT::write_unlock() {
  ListStore& s = *impl_;
  if (!s.db.is_open()) return 0;
  return s.end_write() ? 1 : 0;
}

void LISTCONTEXT::abandon() {
  impl_->db.abandon();
}

// ---- library records -------------------------------------------------------------

int LISTCONTEXT::get(longtextname& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  Statement q(s->db,
              "SELECT text_name1, text_name2, text_name3, text_name4 FROM library WHERE id = 1");
  if (!q.row()) return 0;
  longtextname read{};
  for (int i = 0; i < kLongTextCount; ++i) {
    if (!copy_field(q.blob(i), read.name[i], kLongTextNameSize)) return 0;
  }
  rec = read;
  return 1;
}

int LISTCONTEXT::modify(const longtextname& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  std::span<const unsigned char> names[kLongTextCount];
  for (int i = 0; i < kLongTextCount; ++i) {
    if (!field_bytes(rec.name[i], kLongTextNameSize, &names[i])) return 0;
  }
  Change change(*s);
  if (!change) return 0;
  Statement q(s->db,
              "UPDATE library SET text_name1 = ?1, text_name2 = ?2, text_name3 = ?3, "
              "text_name4 = ?4, names_set = 1 WHERE id = 1");
  for (int i = 0; i < kLongTextCount; ++i) q.bind(i + 1, names[i]);
  if (!q.run()) return 0;
  return change.finish() ? 1 : 0;
}

int LISTCONTEXT::has_longtextnames() {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  Statement q(s->db, "SELECT names_set FROM library WHERE id = 1");
  return q.row() && q.integer(0) != 0 ? 1 : 0;
}

int LISTCONTEXT::get(dbvernum& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  Statement q(s->db, "SELECT version, idseparator FROM library WHERE id = 1");
  if (!q.row()) return 0;
  const int64_t version = q.integer(0);
  const int64_t separator = q.integer(1);
  if (version < INT32_MIN || version > INT32_MAX || separator < 0 || separator > 255) return 0;
  rec.version = static_cast<int32_t>(version);
  rec.idseparator = static_cast<char>(static_cast<unsigned char>(separator));
  return 1;
}

int LISTCONTEXT::modify(const dbvernum& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  Change change(*s);
  if (!change) return 0;
  Statement q(s->db, "UPDATE library SET version = ?1, idseparator = ?2 WHERE id = 1");
  q.bind(1, rec.version).bind(2, static_cast<unsigned char>(rec.idseparator));
  if (!q.run()) return 0;
  return change.finish() ? 1 : 0;
}

// ---- identifier lists ---------------------------------------------------------------

long LISTCONTEXT::material_ids(std::vector<long>& ids) {
  ListStore* s = enter(impl_.get());
  std::vector<int64_t> found;
  if (!s) return dlist::list::hand_out(false, found, ids);
  Statement q(s->db, "SELECT id FROM materials ORDER BY id");
  return dlist::list::hand_out(dlist::list::collect_ids(q, &found), found, ids);
}

long LISTCONTEXT::unit_ids(std::vector<long>& ids) {
  ListStore* s = enter(impl_.get());
  std::vector<int64_t> found;
  if (!s) return dlist::list::hand_out(false, found, ids);
  std::unordered_map<int64_t, std::vector<int64_t>> children;
  Statement q(s->db, "SELECT id, parent FROM units ORDER BY id");
  while (q.row()) children[q.integer(1)].push_back(q.integer(0));
  if (!q.ok()) return dlist::list::hand_out(false, found, ids);
  // Depth first from the roots; a unit whose parent is missing is reached by none.
  std::vector<int64_t> stack;
  if (auto it = children.find(0); it != children.end())
    stack.assign(it->second.rbegin(), it->second.rend());
  while (!stack.empty()) {
    const int64_t id = stack.back();
    stack.pop_back();
    found.push_back(id);
    if (auto it = children.find(id); it != children.end() && id != 0)
      stack.insert(stack.end(), it->second.rbegin(), it->second.rend());
  }
  return dlist::list::hand_out(true, found, ids);
}

long LISTCONTEXT::unit_children(long parent, std::vector<long>& ids) {
  ListStore* s = enter(impl_.get());
  std::vector<int64_t> found;
  if (!s || parent < 0) return dlist::list::hand_out(false, found, ids);
  const int64_t id = dlist::list::list_id(parent);
  if (parent != 0) {
    Statement e(s->db, "SELECT 1 FROM units WHERE id = ?1");
    if (id == 0 || !e.bind(1, id).row()) return dlist::list::hand_out(false, found, ids);
  }
  Statement q(s->db, "SELECT id FROM units WHERE parent = ?1 ORDER BY id");
  q.bind(1, id);
  return dlist::list::hand_out(dlist::list::collect_ids(q, &found), found, ids);
}

long LISTCONTEXT::market_ids(std::vector<long>& ids) {
  ListStore* s = enter(impl_.get());
  std::vector<int64_t> found;
  if (!s) return dlist::list::hand_out(false, found, ids);
  Statement q(s->db, "SELECT id FROM markets ORDER BY id");
  return dlist::list::hand_out(dlist::list::collect_ids(q, &found), found, ids);
}

long LISTCONTEXT::subprice_ids(std::vector<long>& ids) {
  ListStore* s = enter(impl_.get());
  std::vector<int64_t> found;
  if (!s) return dlist::list::hand_out(false, found, ids);
  Statement q(s->db, "SELECT id FROM subprices ORDER BY id");
  return dlist::list::hand_out(dlist::list::collect_ids(q, &found), found, ids);
}

// ---- the active library ---------------------------------------------------------------

LISTCONTEXT* ACW_LIST::GetPC() const {
  return dlist::list::g_active_library;
}

ACW_LIST& MaterialLibrary() {
  static ACW_LIST library;
  return library;
}

namespace dlist {

LISTCONTEXT* set_active_library(LISTCONTEXT* library) {
  LISTCONTEXT* previous = list::g_active_library;
  list::g_active_library = library;
  return previous;
}

void fail_list_calls_after(unsigned n) {
  list::g_fail_calls_after = n;
}

}  // namespace dlist
