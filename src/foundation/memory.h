// Memory calls of the base library: the C-style block calls (`ORB_calloc`,
// `ORB_realloc`, `ORB_free`) that the contiguous arrays grow in, and the typed
// allocations (`ORB::NewArray`, `ORB::NewSingle`) that every class uses for its
// objects. None of them throws: a failure is a null result, and the caller's data
// is left as it was.
//
// Every allocation passes one gate, `dlist::allocation_permitted`, which counts the
// requests and lets tests make a chosen request fail (`dlist::AllocationFailureScope`),
// so that the failure paths of the arrays and of their users can be exercised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "dlist/api.h"

// A zero-filled block of count * size bytes; null when the product overflows or
// memory is short. A request of 0 bytes still gives a distinct block to free.
DLIST_API void* ORB_calloc(std::size_t count, std::size_t size);

// Resizes block (null: allocates) to size bytes, keeping the leading contents.
// Null on failure, and block then stays valid and unchanged. A size of 0 frees
// block and returns null.
DLIST_API void* ORB_realloc(void* block, std::size_t size);

// Frees a block of ORB_calloc or ORB_realloc; null is allowed.
DLIST_API void ORB_free(void* block);

namespace dlist {

// Records one allocation request of `bytes` bytes and says whether it may go ahead.
// False only while a failure injected by fail_allocations_after is due.
DLIST_API bool allocation_permitted(std::size_t bytes);

// count * size in bytes, when that fits a std::size_t.
inline bool array_bytes(std::uint64_t count, std::size_t size, std::size_t* bytes) {
  if (size != 0 && count > SIZE_MAX / size) return false;
  *bytes = static_cast<std::size_t>(count) * size;
  return true;
}

// Fault injection for tests, per thread: the next n allocation requests succeed and
// the one after them fails; with `repeat`, every later request fails as well, until
// stop_failing_allocations(). A negative n turns injection off.
DLIST_API void fail_allocations_after(int n, bool repeat = false);
DLIST_API void stop_failing_allocations();

// Injects a failure (as fail_allocations_after) for the lifetime of the scope.
class AllocationFailureScope {
 public:
  explicit AllocationFailureScope(int n, bool repeat = false) { fail_allocations_after(n, repeat); }
  ~AllocationFailureScope() { stop_failing_allocations(); }
  AllocationFailureScope(const AllocationFailureScope&) = delete;
  AllocationFailureScope& operator=(const AllocationFailureScope&) = delete;
};

// Records, while it lives, the size in bytes of every allocation request of this
// thread (granted or refused; frees are not requests). Logs nest: the innermost
// one records.
class AllocationLog {
 public:
  AllocationLog() noexcept;
  ~AllocationLog();
  AllocationLog(const AllocationLog&) = delete;
  AllocationLog& operator=(const AllocationLog&) = delete;

  const std::vector<std::size_t>& requests() const noexcept { return requests_; }
  void clear() noexcept { requests_.clear(); }

 private:
  friend bool allocation_permitted(std::size_t bytes);
  std::vector<std::size_t> requests_;
  AllocationLog* outer_;
};

}  // namespace dlist

namespace ORB {

// n default-constructed objects, released by DeleteArray. Null when memory is short
// or a constructor throws (the objects already made are then destroyed).
template <class T>
T* NewArray(std::size_t n) noexcept {
  std::size_t bytes = 0;
  if (!dlist::array_bytes(n, sizeof(T), &bytes) || !dlist::allocation_permitted(bytes))
    return nullptr;
  try {
    return new (std::nothrow) T[n];
  } catch (...) {
    return nullptr;
  }
}

// Destroys and frees an array of NewArray; null is allowed.
template <class T>
void DeleteArray(T* array) noexcept {
  delete[] array;
}

// One object constructed from args, released by DeleteSingle; null on failure.
template <class T, class... Args>
T* NewSingle(Args&&... args) noexcept {
  if (!dlist::allocation_permitted(sizeof(T))) return nullptr;
  try {
    return new (std::nothrow) T(static_cast<Args&&>(args)...);
  } catch (...) {
    return nullptr;
  }
}

// Destroys and frees an object of NewSingle; null is allowed.
template <class T>
void DeleteSingle(T* object) noexcept {
  delete object;
}

}  // namespace ORB
