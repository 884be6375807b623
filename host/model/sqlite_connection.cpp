// The SQLite connection of the stand-in databases: statement cache, write lock and
// call savepoints.
#include "host/model/sqlite_connection.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>

static_assert(dlist::kSqliteNotADatabase == SQLITE_NOTADB);

namespace dlist {
namespace {

// How many text addresses the statement cache remembers before it starts afresh.
constexpr std::size_t kMaxAddresses = 4096;

}  // namespace

// ---- Statement ------------------------------------------------------------------

Statement::Statement(SqliteConnection& db, const char* sql) : db_(db) {
  SqliteConnection::Cached* entry = nullptr;
  stmt_ = db_.acquire(sql, &owned_, &entry);
  cached_ = entry;
  generation_ = db_.generation_;
  ok_ = stmt_ != nullptr;
}

Statement::~Statement() {
  db_.release(stmt_, owned_, static_cast<SqliteConnection::Cached*>(cached_), generation_);
}

Statement& Statement::bind(int index, int64_t value) {
  if (ok_) ok_ = sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
  return *this;
}

Statement& Statement::bind(int index, std::span<const unsigned char> blob) {
  if (!ok_) return *this;
  if (blob.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    ok_ = false;
    return *this;
  }
  // A zero-length blob is bound as an empty blob, not as NULL.
  static const unsigned char kEmpty = 0;
  const void* data = blob.empty() ? &kEmpty : blob.data();
  ok_ = sqlite3_bind_blob(stmt_, index, data, static_cast<int>(blob.size()), SQLITE_TRANSIENT) ==
        SQLITE_OK;
  return *this;
}

Statement& Statement::bind_null(int index) {
  if (ok_) ok_ = sqlite3_bind_null(stmt_, index) == SQLITE_OK;
  return *this;
}

Statement& Statement::bind_double(int index, double value) {
  if (ok_) ok_ = sqlite3_bind_double(stmt_, index, value) == SQLITE_OK;
  return *this;
}

bool Statement::row() {
  if (!ok_) return false;
  if (db_.injected_failure()) {
    ok_ = false;
    return false;
  }
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) {
    ok_ = false;
    db_.record_failure();
  }
  return false;
}

bool Statement::reset() {
  // A cached statement is gone once the connection was closed under it.
  if (!stmt_ || (!owned_ && generation_ != db_.generation_)) return ok_ = false;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  ok_ = true;
  return true;
}

bool Statement::run() {
  row();
  return ok_;
}

int64_t Statement::integer(int column) const {
  return ok_ ? sqlite3_column_int64(stmt_, column) : 0;
}

double Statement::real(int column) const {
  return ok_ ? sqlite3_column_double(stmt_, column) : 0.0;
}

std::span<const unsigned char> Statement::blob(int column) const {
  if (!ok_) return {};
  const void* data = sqlite3_column_blob(stmt_, column);
  const int n = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || n <= 0) return {};
  return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(n)};
}

bool Statement::is_null(int column) const {
  return !ok_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

bool Statement::is_number(int column) const {
  if (!ok_) return false;
  const int type = sqlite3_column_type(stmt_, column);
  return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// ---- SqliteConnection -------------------------------------------------------------

SqliteConnection::~SqliteConnection() {
  close();
}

bool SqliteConnection::open(const std::string& path) {
  close();
  // SQLite's count of the memory it uses (which nothing here reads) costs a lock
  // and two counters on every allocation; it can only be switched off before the
  // library's first use.
  static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
  static_cast<void>(configured);
  sqlite3* db = nullptr;
  const int rc =
      // A connection is used by one thread at a time: SQLite's own mutexes are not needed.
      sqlite3_open_v2(path.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  clear_failure();
  if (rc != SQLITE_OK) {
    open_error_ = db ? sqlite3_errmsg(db) : "out of memory";
    failure_code_ = rc & 0xFF;
    failure_errno_ = db ? sqlite3_system_errno(db) : 0;
    failure_text_ = open_error_;
    sqlite3_close_v2(db);
    return false;
  }
  db_ = db;
  path_ = path;
  sqlite3_busy_timeout(db_, busy_timeout_ms_);
  return true;
}

void SqliteConnection::set_busy_timeout(int milliseconds) {
  busy_timeout_ms_ = milliseconds < 0 ? 0 : milliseconds;
  if (db_) sqlite3_busy_timeout(db_, busy_timeout_ms_);
}

bool SqliteConnection::read_only() const {
  return db_ && sqlite3_db_readonly(db_, "main") == 1;
}

void SqliteConnection::record_failure() {
  if (!db_) return;
  const int code = sqlite3_errcode(db_);
  if (code == SQLITE_OK) return;
  failure_code_ = code & 0xFF;
  failure_write_ = sqlite3_extended_errcode(db_) == SQLITE_IOERR_WRITE ||
                   sqlite3_extended_errcode(db_) == SQLITE_IOERR_FSYNC;
  failure_errno_ = sqlite3_system_errno(db_);
  failure_text_ = sqlite3_errmsg(db_);
}

void SqliteConnection::clear_failure() {
  failure_code_ = 0;
  failure_write_ = false;
  failure_errno_ = 0;
  failure_text_.clear();
}

bool SqliteConnection::in_use() const {
  return failure_code_ == SQLITE_BUSY || failure_code_ == SQLITE_LOCKED;
}

std::string SqliteConnection::failure_cause() const {
  switch (failure_code_) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "the file is in use by another process";
    case SQLITE_READONLY:
      return "the file is read-only";
    case SQLITE_FULL:
      return "no space left on the device";
    case SQLITE_TOOBIG:
      return "a record is too large";
    case SQLITE_NOTADB:
      return "the file is not a database";
    case SQLITE_CORRUPT:
      return "the file is damaged";
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return "permission denied";
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR: {
      if (failure_errno_ == ENOSPC) return "no space left on the device";
      if (failure_errno_ == EFBIG) return "the file is too large";
      if (failure_errno_ == EROFS) return "the file is read-only";
      if (failure_errno_ == EACCES || failure_errno_ == EPERM) return "permission denied";
      // The system's reason is gone when SQLite undid the transaction after it.
      if (failure_errno_ == 0 && failure_write_)
        return "the file cannot be written (no space left, or the file is too large)";
      const std::string what = failure_code_ == SQLITE_CANTOPEN ? "the file cannot be opened"
                                                                 : "input/output error";
      return failure_errno_ != 0 ? what + " (" + std::strerror(failure_errno_) + ")" : what;
    }
    default:
      return {};
  }
}

void SqliteConnection::close() {
  for (auto& [sql, cached] : cache_) sqlite3_finalize(cached.stmt);
  cache_.clear();
  by_address_.clear();
  ++generation_;
  ++undoings_;
  if (db_) sqlite3_close_v2(db_);  // an open transaction is rolled back
  db_ = nullptr;
  depth_ = 0;
  abandoned_ = false;
  savepoints_ = 0;
}

bool SqliteConnection::exec(const char* sql) {
  if (!db_) return false;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  record_failure();
  return false;
}

bool SqliteConnection::exec_undo(const char* sql) {
  return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

int64_t SqliteConnection::last_insert_id() const {
  return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

std::string SqliteConnection::last_error() const {
  if (db_ && sqlite3_errcode(db_) != SQLITE_OK) return sqlite3_errmsg(db_);
  if (!failure_text_.empty()) return failure_text_;
  return db_ ? sqlite3_errmsg(db_) : open_error_;
}

SqliteConnection::Cached& SqliteConnection::entry_of(const char* sql) {
  if (const auto it = by_address_.find(sql); it != by_address_.end()) {
    Cached* known = it->second;
    // The same address may hold another text by now (a text built at run time).
    if (known->stmt && std::strcmp(sqlite3_sql(known->stmt), sql) == 0) return *known;
  }
  Cached& cached = cache_[sql];
  // Texts built at run time would add an address each: the index stays small.
  if (by_address_.size() >= kMaxAddresses) by_address_.clear();
  by_address_[sql] = &cached;
  return cached;
}

sqlite3_stmt* SqliteConnection::acquire(const char* sql, bool* owned, Cached** entry) {
  *owned = false;
  *entry = nullptr;
  if (!db_) return nullptr;
  Cached& cached = entry_of(sql);
  if (cached.stmt && !cached.busy) {
    cached.busy = true;
    *entry = &cached;
    return cached.stmt;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
    record_failure();
    sqlite3_finalize(stmt);
    return nullptr;
  }
  if (!cached.stmt) {
    cached.stmt = stmt;
    cached.busy = true;
    *entry = &cached;
  } else {
    *owned = true;  // the cached one is in use further up the stack
  }
  return stmt;
}

bool SqliteConnection::run_own(const char* sql, std::span<const int64_t> keys, bool record) {
  bool owned = false;
  Cached* entry = nullptr;
  sqlite3_stmt* stmt = acquire(sql, &owned, &entry);
  if (!stmt) return false;
  bool ok = true;
  for (std::size_t i = 0; ok && i < keys.size(); ++i) {
    ok = sqlite3_bind_int64(stmt, static_cast<int>(i + 1), keys[i]) == SQLITE_OK;
  }
  if (ok) {
    const int rc = sqlite3_step(stmt);
    ok = rc == SQLITE_DONE || rc == SQLITE_ROW;
  }
  if (!ok && record) record_failure();
  release(stmt, owned, entry, generation_);
  return ok;
}

const std::string& SqliteConnection::savepoint_sql(int depth, int which) {
  static const char* const kVerbs[] = {"SAVEPOINT ", "RELEASE ", "ROLLBACK TO "};
  while (savepoint_sql_.size() < static_cast<std::size_t>(3 * (depth + 1))) {
    const std::string name = "model_call_" + std::to_string(savepoint_sql_.size() / 3);
    for (const char* verb : kVerbs) savepoint_sql_.push_back(verb + name);
  }
  return savepoint_sql_[static_cast<std::size_t>(3 * depth + which)];
}

bool SqliteConnection::in_transaction() const {
  return db_ && sqlite3_get_autocommit(db_) == 0;
}

unsigned SqliteConnection::data_version() const {
  unsigned version = 0;
  if (!db_ || sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK)
    return 0;
  return version;
}

void SqliteConnection::release(sqlite3_stmt* stmt, bool owned, Cached* entry, unsigned generation) {
  if (!stmt) return;
  if (owned) {
    sqlite3_finalize(stmt);
    return;
  }
  // A cached statement is gone once the connection was closed under it. Entries
  // of the map keep their place while others are added.
  if (entry == nullptr || generation != generation_ || entry->stmt != stmt) return;
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  entry->busy = false;
}

bool SqliteConnection::injected_failure() {
  if (fail_after_ == 0) return false;
  return --fail_after_ == 0;
}

bool SqliteConnection::write_lock() {
  if (!db_) return false;
  if (depth_ == 0) {
    if (!exec("BEGIN IMMEDIATE")) return false;
    abandoned_ = false;
  }
  ++depth_;
  return true;
}

bool SqliteConnection::write_unlock() {
  if (!db_ || depth_ == 0) return false;
  if (--depth_ > 0) return !abandoned_;
  ++undoings_;
  if (!abandoned_ && exec("COMMIT")) return true;
  exec_undo("ROLLBACK");
  abandoned_ = false;
  return false;
}

void SqliteConnection::abandon() {
  if (depth_ > 0) abandoned_ = true;
}

// ---- CallScope ------------------------------------------------------------------

// The savepoint statements are prepared once for each depth and kept: a savepoint
// costs two steps, not two compilations.
CallScope::CallScope(SqliteConnection& db) : db_(db), depth_(db.savepoints_) {
  open_ = db_.is_open() && db_.run_own(db_.savepoint_sql(depth_, 0).c_str(), {}, true);
  if (open_) ++db_.savepoints_;
}

CallScope::~CallScope() {
  if (!open_) return;
  ++db_.undoings_;
  db_.run_own(db_.savepoint_sql(depth_, 2).c_str(), {}, false);
  db_.run_own(db_.savepoint_sql(depth_, 1).c_str(), {}, false);
  --db_.savepoints_;
}

bool CallScope::commit() {
  if (!open_) return false;
  // On failure the destructor undoes.
  if (!db_.run_own(db_.savepoint_sql(depth_, 1).c_str(), {}, true)) return false;
  open_ = false;
  --db_.savepoints_;
  return true;
}

// ---- AddScope -------------------------------------------------------------------

AddScope::AddScope(SqliteConnection& db) : db_(db) {
  // Only a write lock's transaction can be abandoned should the undoing fail.
  if (db_.lock_depth() == 0 || !db_.in_transaction()) savepoint_.emplace(db_);
}

AddScope::~AddScope() {
  if (done_ || savepoint_) return;  // a savepoint undoes itself
  // A transaction that SQLite rolled back whole (after a failed write) took the rows
  // with it.
  if (!db_.in_transaction()) return;
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
    const int64_t keys[] = {it->key, it->second_key};
    if (!db_.run_own(it->remove, std::span<const int64_t>(keys, it->keys), false)) {
      db_.abandon();
      return;
    }
  }
}

AddScope::operator bool() const {
  return savepoint_ ? static_cast<bool>(*savepoint_) : db_.is_open();
}

void AddScope::added(const char* remove, int64_t key) {
  if (!savepoint_) undo_.push_back({remove, 1, key, 0});
}

void AddScope::added(const char* remove, int64_t key, int64_t second_key) {
  if (!savepoint_) undo_.push_back({remove, 2, key, second_key});
}

bool AddScope::commit() {
  if (!*this || done_) return false;
  if (savepoint_ && !savepoint_->commit()) return false;
  done_ = true;
  return true;
}

bool open_own_database(SqliteConnection& db, const std::string& path, const OwnDatabaseKind& kind,
                       std::string* error) {
  const std::string what = kind.what;
  error->clear();
  if (!db.open(path)) {
    *error = "cannot open " + path + ": " + db.last_error();
    return false;
  }
  int64_t version = -1;
  int64_t application = -1;
  int64_t tables = -1;
  {
    Statement v(db, "PRAGMA user_version");
    if (v.row()) version = v.integer(0);
    Statement a(db, "PRAGMA application_id");
    if (a.row()) application = a.integer(0);
    Statement t(db, "SELECT count(*) FROM sqlite_schema");
    if (t.row()) tables = t.integer(0);
    if (!v.ok() || !a.ok() || !t.ok()) {
      // A file in use or out of reach says so; anything else is not of this kind.
      const std::string cause = db.failure_cause();
      *error = !cause.empty() && db.last_failure() != kSqliteNotADatabase
                   ? cause
                   : "not a " + what + ": " + db.last_error();
    }
  }
  if (error->empty()) {
    if (tables == 0 && version == 0 && application == 0) {
      bool created = db.write_lock();
      if (created) {
        created = db.exec(kind.schema) &&
                  db.exec(("PRAGMA user_version = " + std::to_string(kind.version)).c_str()) &&
                  db.exec(("PRAGMA application_id = " + std::to_string(kind.application_id)).c_str());
        if (!created) db.abandon();
        created = db.write_unlock() && created;
      }
      if (!created) {
        const std::string cause = db.failure_cause();
        *error = "cannot create the " + what + ": " + (cause.empty() ? db.last_error() : cause);
      }
    } else if (application != kind.application_id) {
      *error = "not a " + what;
    } else if (version != kind.version) {
      *error = "the " + what + " has schema version " + std::to_string(version) + ", not " +
               std::to_string(kind.version);
    }
  }
  if (!error->empty()) {
    db.close();
    return false;
  }
  return true;
}

}  // namespace dlist

