// The base library's memory calls over the C allocator, and the allocation gate that
// counts requests and injects failures for tests.
#include "foundation/memory.h"

#include <cstdlib>

namespace dlist {
namespace {

// Per thread: an array belongs to one thread at a time, and so does a test.
struct Gate {
  long successes_left = -1;  // negative: no failure due
  bool repeat = false;
  bool failing = false;      // a repeating failure has begun
  AllocationLog* log = nullptr;
};

thread_local Gate gate;

}  // namespace

bool allocation_permitted(std::size_t bytes) {
  if (gate.log != nullptr) {
    // A log that cannot grow misses the entry; the request itself goes on.
    try {
      gate.log->requests_.push_back(bytes);
    } catch (...) {
    }
  }
  if (gate.failing) return false;
  if (gate.successes_left < 0) return true;
  if (gate.successes_left > 0) {
    --gate.successes_left;
    return true;
  }
  // This request is the one that fails.
  gate.successes_left = -1;
  gate.failing = gate.repeat;
  return false;
}

void fail_allocations_after(int n, bool repeat) {
  gate.successes_left = n;
  gate.repeat = n >= 0 && repeat;
  gate.failing = false;
}

void stop_failing_allocations() { fail_allocations_after(-1); }

AllocationLog::AllocationLog() noexcept : outer_(gate.log) { gate.log = this; }

AllocationLog::~AllocationLog() { gate.log = outer_; }

}  // namespace dlist

void* ORB_calloc(std::size_t count, std::size_t size) {
  std::size_t bytes = 0;
  if (!dlist::array_bytes(count, size, &bytes) || !dlist::allocation_permitted(bytes))
    return nullptr;
  return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void* ORB_realloc(void* block, std::size_t size) {
  if (size == 0) {
    std::free(block);
    return nullptr;
  }
  if (!dlist::allocation_permitted(size)) return nullptr;
  return std::realloc(block, size);
}

void ORB_free(void* block) { std::free(block); }
