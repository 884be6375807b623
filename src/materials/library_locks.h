// Scoped read and write locks of a material library: taken on construction and
// given back when the scope ends, on every way out. The library's locks are
// re-entrant, so an operation may take one while its caller holds another.
#pragma once

#include "host/list/list_context.h"

namespace dlist {

class LibraryReadLock {
 public:
  explicit LibraryReadLock(LISTCONTEXT* library)
      : library_(library), held_(library != nullptr && library->read_lock() != 0) {}
  ~LibraryReadLock() {
    if (held_) library_->read_unlock();
  }
  LibraryReadLock(const LibraryReadLock&) = delete;
  LibraryReadLock& operator=(const LibraryReadLock&) = delete;

  // False when there is no library or the lock could not be taken.
  explicit operator bool() const { return held_; }

 private:
  LISTCONTEXT* library_;
  bool held_;
};

class LibraryWriteLock {
 public:
  explicit LibraryWriteLock(LISTCONTEXT* library)
      : library_(library), held_(library != nullptr && library->write_lock() != 0) {}
  ~LibraryWriteLock() {
    if (held_) library_->write_unlock();
  }
  LibraryWriteLock(const LibraryWriteLock&) = delete;
  LibraryWriteLock& operator=(const LibraryWriteLock&) = delete;

  // False when there is no library or its transaction could not begin.
  explicit operator bool() const { return held_; }

  // Gives the lock back now: true when the outermost lock committed the
  // transaction (or an inner lock gave back its count), false when nothing was
  // committed.
  bool unlock() {
    if (!held_) return false;
    held_ = false;
    return library_->write_unlock() != 0;
  }

  // Makes the whole open transaction (also an enclosing one) roll back when the
  // outermost lock is given back, so a change that failed half-way leaves nothing.
  void abandon() {
    if (held_) library_->abandon();
  }

 private:
  LISTCONTEXT* library_;
  bool held_;
};

}  // namespace dlist
