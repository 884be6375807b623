// The lock interface that every database of the suite offers (GENDBTASK), and the
// one scoped lock over it that the system and the command line take.
//
// Locks are re-entrant counters: the outermost write_lock begins a transaction and
// the matching write_unlock commits it, so a whole import is one transaction.
// abandon() makes the open transaction, also one begun by an enclosing lock, roll
// back at its outermost unlock. Read locks may enclose write locks and the other
// way round.
#pragma once

#include <exception>

#include "dlist/api.h"

// The suite's base of databases: the material library and the model database.
class DLIST_API GENDBTASK {
 public:
  virtual ~GENDBTASK() = default;
  // Non-zero when taken; the write lock fails when its transaction cannot begin.
  virtual int read_lock() = 0;
  virtual int read_unlock() = 0;
  virtual int write_lock() = 0;
  // Non-zero when the outermost unlock committed (or an inner unlock gave back its
  // count); 0 when nothing was committed.
  virtual int write_unlock() = 0;
  // Makes the open write transaction roll back at its outermost unlock.
  virtual void abandon() = 0;
  // The database file ("" when none is open).
  virtual const char* fullpath() const = 0;
};

namespace dlist {

enum class LockMode { kRead, kWrite };

// What a write lock does with the transaction when its scope ends before unlock():
// keep it for the outermost unlock to commit, or roll it back. Leaving the scope
// by an exception always rolls it back.
enum class ScopeEnd { kKeep, kRollBack };

// A lock of one scope: taken on construction, given back when the scope ends, on
// every way out. A null database or a lock that could not be taken holds nothing
// (false).
template <LockMode Mode, ScopeEnd End = ScopeEnd::kKeep>
class TaskLock {
 public:
  explicit TaskLock(GENDBTASK* db)
      : db_(db), held_(db != nullptr && take(*db)), exceptions_(std::uncaught_exceptions()) {}
  explicit TaskLock(GENDBTASK& db) : TaskLock(&db) {}
  ~TaskLock() {
    if (!held_) return;
    if constexpr (Mode == LockMode::kWrite) {
      if (End == ScopeEnd::kRollBack || std::uncaught_exceptions() > exceptions_) db_->abandon();
    }
    unlock();
  }
  TaskLock(const TaskLock&) = delete;
  TaskLock& operator=(const TaskLock&) = delete;

  // False when there is no database or the lock could not be taken.
  explicit operator bool() const { return held_; }

  // Gives the lock back now. For a write lock: true when the outermost lock
  // committed the transaction (or an inner lock gave back its count), false when
  // nothing was committed.
  bool unlock() {
    if (!held_) return false;
    held_ = false;
    if constexpr (Mode == LockMode::kWrite) {
      return db_->write_unlock() != 0;
    } else {
      return db_->read_unlock() != 0;
    }
  }
  // The transaction's end: the same as unlock().
  bool commit()
    requires(Mode == LockMode::kWrite)
  {
    return unlock();
  }
  // Makes the whole open transaction (also an enclosing one) roll back when the
  // outermost lock is given back, so a change that failed half-way leaves nothing.
  void abandon()
    requires(Mode == LockMode::kWrite)
  {
    if (held_) db_->abandon();
  }

 private:
  static bool take(GENDBTASK& db) {
    if constexpr (Mode == LockMode::kWrite) {
      return db.write_lock() != 0;
    } else {
      return db.read_lock() != 0;
    }
  }

  GENDBTASK* db_;
  bool held_;
  int exceptions_;  // uncaught exceptions when the lock was taken
};

using ReadLock = TaskLock<LockMode::kRead>;
// Commits at its outermost unlock unless abandoned or left by an exception.
using WriteLock = TaskLock<LockMode::kWrite>;
// Commits only by commit(); rolled back when the scope ends without it.
using TaskTransaction = TaskLock<LockMode::kWrite, ScopeEnd::kRollBack>;

}  // namespace dlist
