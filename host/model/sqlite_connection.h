// One SQLite connection of a stand-in database: its prepared statements, its
// re-entrant write lock and the per-call atomicity of its store calls.
//
// Write locks count like the suite's database tasks: the outermost write_lock
// begins a transaction, the matching write_unlock commits it, so a whole import
// is one transaction. Inside it every store call runs under a savepoint of its
// own (CallScope): a call that fails undoes its own partial writes and reports
// its failure value, while what earlier calls did stays for the commit. A lock
// that is abandoned (a scoped lock left by an exception, or abandon()) rolls the
// whole transaction back at its outermost unlock. The scoped locks are those of
// host/database_task.h, taken over the database that owns the connection.
//
// A connection waits a bounded time for a file that another process is changing
// (the busy timeout), then fails; the failure is kept with its cause, so a caller
// can say in words why the file could not be read or changed (in_use(),
// failure_cause()).
//
// Tests make statements fail on purpose with fail_statements_after().
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "dlist/api.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dlist {

class SqliteConnection;

// SQLite's primary result code for a file that is no database (SQLITE_NOTADB).
inline constexpr int kSqliteNotADatabase = 26;

// A prepared statement in use: bind, step, read columns; reset when it goes out of
// scope. Every failure (of SQLite or injected) makes ok() false, and later calls do
// nothing, so a sequence of binds and steps is checked once at its end.
class DLIST_API Statement {
 public:
  Statement(SqliteConnection& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, int64_t value);
  Statement& bind(int index, std::span<const unsigned char> blob);
  Statement& bind_null(int index);
  // A floating-point value (a separate name: bind(i, 5) must stay an integer).
  Statement& bind_double(int index, double value);

  // Steps once: true when a row is there to read; false at the end or on failure.
  bool row();
  // Steps a statement that gives no row; false on failure.
  bool run();

  int64_t integer(int column) const;
  double real(int column) const;
  // The bytes of a column (empty for NULL); valid until the next step or reset.
  std::span<const unsigned char> blob(int column) const;
  bool is_null(int column) const;
  // Whether a column holds an integer or a floating-point value.
  bool is_number(int column) const;

  bool ok() const { return ok_; }
  // Makes the statement ready to be bound and stepped again (its bindings cleared),
  // so that a walk can keep one statement for all its steps; false when it was never
  // prepared. A failure of an earlier use is forgotten.
  bool reset();

 private:
  SqliteConnection& db_;
  sqlite3_stmt* stmt_ = nullptr;
  bool owned_ = false;  // prepared for this use only (the cached one was busy)
  void* cached_ = nullptr;   // the cache entry lent to this use
  unsigned generation_ = 0;  // the connection's opening the entry belongs to
  bool ok_ = true;
};

class DLIST_API SqliteConnection {
 public:
  // How long a statement waits for a lock that another connection holds.
  static constexpr int kDefaultBusyTimeoutMs = 5000;

  SqliteConnection() = default;
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Opens (creating when missing) the database file at path, ":memory:" for one in
  // memory. False, with a reason in last_error(), when it cannot be opened.
  bool open(const std::string& path);
  void close();
  bool is_open() const { return db_ != nullptr; }
  const std::string& path() const { return path_; }

  // How long statements wait for a lock held by another connection (0: not at
  // all); takes effect at once and for later openings.
  void set_busy_timeout(int milliseconds);
  int busy_timeout() const { return busy_timeout_ms_; }
  // Whether the open file can only be read (its permissions, its file system).
  bool read_only() const;

  // Runs statements that give no rows; false on failure.
  bool exec(const char* sql);
  // Runs a statement that undoes (ROLLBACK, ROLLBACK TO): its own failure, which
  // follows from the one that made it necessary, leaves the recorded cause alone.
  bool exec_undo(const char* sql);
  // The row id of the last insert.
  int64_t last_insert_id() const;
  // The reason of the last failure: SQLite's text of the last failed statement (kept
  // while later statements succeed), else of the failed opening.
  std::string last_error() const;
  // SQLite's primary result code of the last failure (0 when none failed since the
  // opening), and whether that failure was a lock held by another connection that
  // the busy timeout did not outlast.
  int last_failure() const { return failure_code_; }
  bool in_use() const;
  // Forgets the last failure, so that the next one tells about what follows.
  void clear_failure();
  // The last failure in words when its cause lies outside the program ("the file is
  // in use by another process", "the file is read-only", "no space left on the
  // device", "the file is too large", "the file is not a database", "the file is
  // damaged", "permission denied", the system's reason of an input/output error);
  // empty for any other failure.
  std::string failure_cause() const;

  // ---- the re-entrant write lock ----
  // Takes the lock; the outermost one begins a transaction. False when it could not
  // begin (the count is not raised).
  bool write_lock();
  // Gives the lock back; the outermost one commits, or rolls back when the
  // transaction was abandoned or the commit failed. False when nothing was
  // committed (also for an unlock without a lock).
  bool write_unlock();
  // Makes the open transaction roll back at its outermost unlock.
  void abandon();
  int lock_depth() const { return depth_; }
  // Whether a transaction is open (a write lock, or a savepoint that began one).
  bool in_transaction() const;
  // Counts the ends of transactions and the rollbacks to a savepoint: what a caller
  // learnt of the file's rows holds while the count stands (a rollback may bring
  // back rows that were deleted).
  unsigned undoings() const { return undoings_; }
  // The main file's version as this connection last saw it: it changes when a
  // statement of this connection finds the file committed by another one since.
  // 0 when there is no file open.
  unsigned data_version() const;

  // ---- failure injection, for tests ----
  // Makes the n-th following statement step fail (1: the next one); 0 switches it
  // off. The injection fires once.
  void fail_statements_after(unsigned n) { fail_after_ = n; }

 private:
  friend class Statement;
  friend class CallScope;
  friend class AddScope;

  struct Cached {
    sqlite3_stmt* stmt = nullptr;
    bool busy = false;
  };

  // A statement for sql: the cached one when it is free (*entry names it), else
  // one prepared for this use only (*owned).
  sqlite3_stmt* acquire(const char* sql, bool* owned, Cached** entry);
  void release(sqlite3_stmt* stmt, bool owned, Cached* entry, unsigned generation);
  // The cache entry of sql: found by the address of the text first (the texts are
  // mostly literals), by the text itself otherwise.
  Cached& entry_of(const char* sql);
  // Runs a statement of the connection's own bookkeeping (savepoints, the undoing of
  // a call), prepared once and kept; it is never the statement chosen to fail. A
  // failure is kept as the last one only when record is true.
  bool run_own(const char* sql, std::span<const int64_t> keys, bool record);
  // The three statements of the savepoint of nesting depth: SAVEPOINT, RELEASE and
  // ROLLBACK TO.
  const std::string& savepoint_sql(int depth, int which);
  // True when the statement about to step is the one chosen to fail.
  bool injected_failure();
  // Keeps the cause of a failed statement of this connection.
  void record_failure();

  sqlite3* db_ = nullptr;
  std::string path_;
  std::string open_error_;  // why the last open failed
  int busy_timeout_ms_ = kDefaultBusyTimeoutMs;
  int failure_code_ = 0;       // primary result code of the last failure
  int failure_errno_ = 0;      // the system's error number of that failure
  bool failure_write_ = false;  // that failure was a write (or sync) of the file
  std::string failure_text_;   // SQLite's text of that failure
  std::unordered_map<std::string, Cached> cache_;
  std::unordered_map<const char*, Cached*> by_address_;  // entries of cache_ by text address
  std::vector<std::string> savepoint_sql_;               // three a nesting depth
  int depth_ = 0;           // write locks held
  bool abandoned_ = false;  // the open transaction is to be rolled back
  int savepoints_ = 0;      // call scopes open
  unsigned fail_after_ = 0;
  unsigned generation_ = 0;  // counts closings: entries of an earlier opening are gone
  unsigned undoings_ = 0;
};

// The savepoint of one store call that writes: commit() keeps its writes; leaving
// the scope without it undoes them.
class DLIST_API CallScope {
 public:
  explicit CallScope(SqliteConnection& db);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // False when the savepoint could not be opened; the call then fails.
  explicit operator bool() const { return open_; }
  // Keeps the call's writes; false (writes undone) when that fails.
  bool commit();

 private:
  SqliteConnection& db_;
  int depth_ = 0;  // the savepoints open beneath this one
  bool open_ = false;
};

// The atomicity of a store call that only adds rows (a new record with its rows, a
// new node, each with a new identifier). Inside a transaction a savepoint would copy
// every page the call touches; instead the scope keeps how to take the call's rows
// away, and takes them away when it is left without commit(), so the failed call
// leaves the store as it was. Should that fail too, the whole transaction is
// abandoned (rolled back at its outermost unlock). Outside a transaction the scope
// is a savepoint, as CallScope's.
class DLIST_API AddScope {
 public:
  explicit AddScope(SqliteConnection& db);
  ~AddScope();
  AddScope(const AddScope&) = delete;
  AddScope& operator=(const AddScope&) = delete;

  // False when the scope could not be opened; the call then fails.
  explicit operator bool() const;
  // Records that the call added rows which remove (a statement with key as ?1, and
  // second_key as ?2) takes away; the last recorded is undone first.
  void added(const char* remove, int64_t key);
  void added(const char* remove, int64_t key, int64_t second_key);
  // Keeps the call's rows; false (rows taken away) when that fails.
  bool commit();

 private:
  SqliteConnection& db_;
  struct Undo {
    const char* remove;
    std::size_t keys;
    int64_t key, second_key;
  };
  std::optional<CallScope> savepoint_;  // outside a transaction
  std::vector<Undo> undo_;
  bool done_ = false;
};

// A database file of one of our own kinds (a library of the stand-ins): the words
// that name it in messages ("material library"), its application identifier, its
// schema version and the statements that make a new one.
struct OwnDatabaseKind {
  const char* what;
  int64_t application_id;
  int64_t version;
  const char* schema;
};

// Opens path as a database of kind. A new (empty) file gets the schema, the version
// and the application identifier in one transaction; any other file must carry both.
// False, with the reason in *error and db closed, for a file that cannot be opened,
// is in use, is of another kind or of another version.
DLIST_API bool open_own_database(SqliteConnection& db, const std::string& path,
                                 const OwnDatabaseKind& kind, std::string* error);

}  // namespace dlist

