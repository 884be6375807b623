// The inside of the material library database: the state of one open library
// (connection, lock counts, walk positions), the gate every call passes, the guard of
// changing calls, and the field helpers that keep fixed-width texts within their
// widths in both directions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/list/list_context.h"
#include "host/model/sqlite_connection.h"

namespace dlist::list {

// Identifiers are 32-bit: the store refuses to hand out one above this.
inline constexpr int64_t kMaxListId = 0x7fffffff;
// A long text may hold at most this many bytes.
inline constexpr std::size_t kMaxLongText = std::size_t{1} << 20;
// Marks a library file (PRAGMA application_id), so that another database with the
// same schema version is not taken for one.
inline constexpr int32_t kApplicationId = 0x444c4d4c;
// Deepest material or unit tree a walk up to the root follows; a longer chain can
// only be a damaged file (a loop of parents).
inline constexpr int kMaxDepth = 4096;

// Existence checks, the identifier as ?1.
inline constexpr const char* kMaterialExists = "SELECT 1 FROM materials WHERE id = ?1";
inline constexpr const char* kUnitExists = "SELECT 1 FROM units WHERE id = ?1";
inline constexpr const char* kUnitRefExists = "SELECT 1 FROM unit_refs WHERE id = ?1";
inline constexpr const char* kSubpriceRefExists = "SELECT 1 FROM subprice_refs WHERE id = ?1";
inline constexpr const char* kMarketExists = "SELECT 1 FROM markets WHERE id = ?1";
inline constexpr const char* kSubpriceExists = "SELECT 1 FROM subprices WHERE id = ?1";

// The identifiers of one walk and the place in it.
struct Walk {
  std::vector<int64_t> ids;
  std::size_t next = 0;

  void reset() {
    ids.clear();
    next = 0;
  }
  // The next identifier, 0 at the end.
  int64_t take() { return next < ids.size() ? ids[next++] : 0; }
};

// A walk over references that reads their rows when it begins, so that each step
// costs no statement. The rows serve while nothing has changed since (changes, as
// counted by the store); after a change each step reads its row again.
template <class Rec>
struct RowWalk : Walk {
  std::vector<Rec> rows;
  std::vector<bool> readable;  // false for a row that does not fit its record
  uint64_t changes = 0;

  void reset() {
    Walk::reset();
    rows.clear();
    readable.clear();
  }
  void add(int64_t id, const Rec& rec, bool ok) {
    ids.push_back(id);
    rows.push_back(rec);
    readable.push_back(ok);
  }
};

// The state of one library.
struct ListStore {
  SqliteConnection db;
  std::string error;
  int read_depth = 0;     // read locks held
  bool read_txn = false;  // a read transaction is open for the read locks

  uint64_t changes = 0;   // write locks given back, each call's own included

  // The code of the parent of the last material whose code was read, kept while the
  // file cannot change under it (a read transaction or the write lock is held) and
  // the library has not changed since (changes); parent -1: none.
  struct ChainCache {
    int64_t parent = -1;
    uint64_t changes = 0;
    std::vector<MATID> chain;
  } chain_cache;

  // What the calls have read or written while the write lock is held, when nothing
  // but this context can change the file: units by identifier and abbreviation,
  // subprices and markets by their keys, materials by parent and own code, and the
  // materials known to exist. A call that writes such a record keeps these true (or
  // drops them); they are dropped when the outermost write lock is given back.
  struct Held {
    struct Unit {
      int64_t parent = 0;
      dbunit rec{};
      bool usage_unwritten = false;  // rec.usage is newer than the row's
    };
    std::unordered_map<int64_t, Unit> units;
    std::unordered_map<std::string, int64_t> unit_abbrevs;  // 0: no such unit
    std::unordered_map<std::string, std::pair<int64_t, dbsubprice>> subprices;  // id 0: none
    std::unordered_map<std::string, std::pair<int64_t, dbmarket>> markets;      // id 0: none
    std::map<std::pair<int64_t, std::string>, int64_t> codes;  // (parent, own code) -> id
    std::unordered_set<int64_t> materials;
    // Materials read without their texts (the parents of those an import places),
    // at most kMaxRecords of them.
    static constexpr std::size_t kMaxRecords = 4096;
    std::unordered_map<int64_t, dbmaterial> records;
    std::size_t unwritten_usages = 0;  // units whose usage waits to be written

    void clear();
    // Keeps the lists of materials within bounds (an import of a large file).
    void bound();
  } held;
  // Whether what is held may be used: the write lock is held.
  bool holding() const { return db.lock_depth() > 0; }
  // A change of a held unit's usage alone (an import counting references) is kept
  // with the unit and written once: when the outermost write lock is given back,
  // or before the held units are dropped. A write that fails abandons the
  // transaction, so the counts are never lost while the rest is committed.
  void keep_usage(Held::Unit& unit, int32_t usage);
  bool write_usages();

  Walk materials, units, markets, subprices;
  RowWalk<unitref> unit_refs;
  RowWalk<subpriceref> subprice_refs;

  // The write lock of the calls and of the callers. A read transaction is ended
  // first (it cannot be raised to a write one) and begun again when the last write
  // lock is given back while read locks are still held.
  bool begin_write();
  bool end_write();
  void begin_read_txn();
  void end_read_txn();
  void reset_walks();
};

// The store for one call: null when the library is not open or the call is the one
// chosen to fail.
ListStore* enter(ListStore* store);

// A changing call: the write lock (re-entrant) and, for a call that writes with
// more than one statement, a savepoint of its own. finish() keeps the call's writes
// and gives the lock back, true when they are kept (and committed, when the call's
// lock is the outermost one); leaving the scope without it undoes them. Inside a
// caller's lock the caller's unlock decides the commit. A call that writes with one
// statement needs no savepoint: SQLite undoes a failed statement whole.
enum class Writes { kOne, kSeveral };

class Change {
 public:
  explicit Change(ListStore& store, Writes writes = Writes::kOne);
  ~Change();
  Change(const Change&) = delete;
  Change& operator=(const Change&) = delete;

  explicit operator bool() const { return locked_ && (!scope_ || static_cast<bool>(*scope_)); }
  bool finish();

 private:
  ListStore& store_;
  bool locked_ = false;
  bool outermost_ = false;  // the call's own transaction, committed by finish()
  std::optional<CallScope> scope_;
};

// The identifier as the store sees it: 0 for a value outside 1 .. kMaxListId.
inline int64_t list_id(long id) {
  return id > 0 && static_cast<int64_t>(id) <= kMaxListId ? static_cast<int64_t>(id) : 0;
}

// The bytes of a fixed-width text field up to its terminator; false when the field
// holds no terminator within its width (a text that does not fit).
inline bool field_bytes(const char* field, std::size_t width, std::span<const unsigned char>* out) {
  const void* end = std::memchr(field, 0, width);
  if (!end) return false;
  *out = {reinterpret_cast<const unsigned char*>(field),
          static_cast<std::size_t>(static_cast<const char*>(end) - field)};
  return true;
}

// The bytes of a terminated text.
inline std::span<const unsigned char> text_bytes(const char* text) {
  return {reinterpret_cast<const unsigned char*>(text), text ? std::strlen(text) : 0};
}

// Copies stored bytes into a fixed-width field with its terminator and zeroes the
// rest; false (field untouched) when they do not fit or hold a zero byte.
inline bool copy_field(std::span<const unsigned char> bytes, char* field, std::size_t width) {
  if (bytes.size() >= width) return false;
  if (!bytes.empty() && std::memchr(bytes.data(), 0, bytes.size())) return false;
  std::memset(field, 0, width);
  if (!bytes.empty()) std::memcpy(field, bytes.data(), bytes.size());
  return true;
}

// What reading one record found.
enum class Read { kFound, kMissing, kFailed };

// The next record of a walk: its identifier, 0 at the end, -1 when a record could
// not be read (a damaged row) or the call failed. Records removed since the walk
// began are skipped. read(id) reads one record.
template <class Reader>
long walk_next(ListStore* store, Walk& walk, Reader read) {
  if (!store) return -1;
  while (const int64_t id = walk.take()) {
    const Read r = read(id);
    if (r == Read::kFound) return static_cast<long>(id);
    if (r == Read::kFailed) return -1;
  }
  return 0;
}

// The next reference of a row walk, as walk_next; read(id, rec) reads a row again
// once the library has changed since the walk began.
template <class Rec, class Reader>
long row_walk_next(ListStore* store, RowWalk<Rec>& walk, Rec* rec, Reader read) {
  return walk_next(store, walk, [&](int64_t id) {
    if (walk.changes != store->changes) return read(id, rec);
    const std::size_t i = walk.next - 1;
    if (!walk.readable[i]) return Read::kFailed;
    *rec = walk.rows[i];
    return Read::kFound;
  });
}

// Positions a walk at the rows a statement gives (bound by the caller); their
// number, -1 on failure (the walk is then empty).
long start_walk(Statement& s, Walk& walk);

// Whether the row that a statement with the identifier as ?1 looks for exists: 1
// yes, 0 no, -1 when the read failed.
int row_exists(SqliteConnection& db, const char* sql, int64_t id);

// Positions a walk at the children of parent (0: the roots) that `select` gives
// (the parent as ?1); `exists` checks a parent other than 0. Their number, -1 on
// failure or when there is no such parent.
long start_child_walk(ListStore* store, Walk& walk, long parent, const char* exists,
                      const char* select);

// ---- units, references, markets and subprices -------------------------------------

// The kinds of record whose changing calls differ only in their statements and
// columns: they are created, changed and removed by one code path (create_row,
// modify_row, remove_row), with the facts of each kind in kRowKinds.
enum RowKindId { kUnitRows, kUnitRefRows, kSubpriceRefRows, kMarketRows, kSubpriceRows };

struct RowKind {
  const char* exists;  // finds a row, the identifier as ?1
  const char* owner;   // finds the row a new one is placed below (?1); null: rows have none
  bool top_level;      // a new row may stand below no owner (owner 0)
  const char* insert;  // the owner as ?1 when rows have one, then the columns
  const char* update;  // the identifier as ?1, then the columns from ?2; null: never changed
  const char* remove;  // removes a row, the identifier as ?1, with what hangs below it
};

inline constexpr RowKind kRowKinds[] = {
    // kUnitRows: a forest whose roots are the dimensions; a unit goes with the units below it.
    {kUnitExists, kUnitExists, true,
     "INSERT INTO units (parent, abbrev, name, usage, factor) VALUES (?1, ?2, ?3, ?4, ?5)",
     "UPDATE units SET abbrev = ?2, name = ?3, usage = ?4, factor = ?5 WHERE id = ?1",
     "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION "
     "SELECT u.id FROM units u JOIN sub ON u.parent = sub.id) "
     "DELETE FROM units WHERE id IN sub"},
    // kUnitRefRows
    {kUnitRefExists, kMaterialExists, false,
     "INSERT INTO unit_refs (material, abbrev, factor) VALUES (?1, ?2, ?3)", nullptr,
     "DELETE FROM unit_refs WHERE id = ?1"},
    // kSubpriceRefRows
    {kSubpriceRefExists, kMaterialExists, false,
     "INSERT INTO subprice_refs (material, abbrev, value) VALUES (?1, ?2, ?3)",
     "UPDATE subprice_refs SET abbrev = ?2, value = ?3 WHERE id = ?1",
     "DELETE FROM subprice_refs WHERE id = ?1"},
    // kMarketRows: a name already used makes the insert fail (unique column).
    {kMarketExists, nullptr, true, "INSERT INTO markets (name) VALUES (?1)",
     "UPDATE markets SET name = ?2 WHERE id = ?1", "DELETE FROM markets WHERE id = ?1"},
    // kSubpriceRows: an abbreviation already used makes the insert fail (unique column).
    {kSubpriceExists, nullptr, true,
     "INSERT INTO subprices (abbrev, name, kind, value, formula) VALUES (?1, ?2, ?3, ?4, ?5)",
     "UPDATE subprices SET abbrev = ?2, name = ?3, kind = ?4, value = ?5, formula = ?6 "
     "WHERE id = ?1",
     "DELETE FROM subprices WHERE id = ?1"},
};

// The columns of one record as a changing call writes them, in the order of its
// kind's statements: checked before the call begins, then bound from a parameter on.
class Columns {
 public:
  Columns& text(std::span<const unsigned char> bytes) { return add({Type::kText, bytes, 0, 0}); }
  Columns& integer(int64_t value) { return add({Type::kInteger, {}, value, 0}); }
  Columns& real(double value) { return add({Type::kReal, {}, 0, value}); }
  // Binds the columns to s from parameter first on.
  Statement& bind(Statement& s, int first) const;

 private:
  enum class Type { kText, kInteger, kReal };
  struct Value {
    Type type;
    std::span<const unsigned char> bytes;
    int64_t integer;
    double real;
  };
  Columns& add(const Value& v) {
    values_[count_++] = v;
    return *this;
  }
  Value values_[5]{};
  std::size_t count_ = 0;
};

// Creates a row of kind below owner (0: none, where the kind allows it) from
// columns, in a change of its own: the new identifier; 0 when the owner does not
// exist or a step fails.
long create_row(ListStore* store, RowKindId kind, long owner, const Columns& columns);
// Rewrites row id of kind with columns in a change of its own: 1 when rewritten, 0
// when there is no such row or a step fails. known: the row is known to exist (the
// caller holds it while the write lock is held), so it is not looked up.
int modify_row(ListStore* store, RowKindId kind, long id, const Columns& columns,
               bool known = false);
// Removes row id of kind in a change of its own: 1 when removed, 0 when there is no
// such row or a step fails.
int remove_row(ListStore* store, RowKindId kind, long id);

// Drops what the store holds of the records of kind (units, markets, subprices),
// after a change of them that the held records do not follow.
void forget(ListStore& store, RowKindId kind);

// Whether material id is known to exist while the write lock is held: 1 yes, 0 no,
// -1 when the look-up failed. What is found is remembered.
int material_exists(ListStore& store, int64_t id);

// Positions the reference walk of one material at its rows: sql selects the
// identifier and the record's columns of material ?1, and from(statement, first
// column, record) reads one record. Their number; -1 on failure or when there is no
// such material.
template <class Rec, class From>
long start_ref_walk(ListStore* store, RowWalk<Rec>& walk, const char* sql, int64_t material,
                    From from) {
  Statement q(store->db, sql);
  q.bind(1, material);
  while (q.row()) {
    Rec r{};
    const bool ok = from(q, 1, &r);
    walk.add(q.integer(0), r, ok);
  }
  if (!q.ok()) {
    walk.reset();
    return -1;
  }
  walk.changes = store->changes;
  const auto n = static_cast<long>(walk.ids.size());
  // References name their material, so only a material without any is looked up.
  if (n == 0 && row_exists(store->db, kMaterialExists, material) != 1) return -1;
  return n;
}

// Whether a double lies in a range (false for NaN).
inline bool in_range(double value, double low, double high) {
  return value >= low && value <= high;
}

// Collects the first column of every row of a statement; false when it failed.
bool collect_ids(Statement& s, std::vector<int64_t>* out);
// Copies identifiers into the caller's list; their number, -1 when ok is false.
long hand_out(bool ok, const std::vector<int64_t>& ids, std::vector<long>& out);

}  // namespace dlist::list

struct LISTCONTEXT::Impl : dlist::list::ListStore {};
