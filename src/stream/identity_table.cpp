// The identity table's hashing, rebuilding and look-ups.
#include "stream/identity_table.h"

#include <string>

#include "foundation/stream_error.h"

namespace dlist {

IdentityTable::IdentityTable(uint32_t capacity) {
  rebuild(capacity);
}

unsigned IdentityTable::bits_for(uint32_t capacity) {
  if (capacity < 3) return 1;
  unsigned b = 2;
  while (b < 32 && (uint64_t{1} << b) < capacity) ++b;
  return b;
}

uint32_t IdentityTable::key_of(const void* address) {
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  if constexpr (sizeof(uintptr_t) > 4) a ^= a >> 32;
  return static_cast<uint32_t>(a);
}

void IdentityTable::rebuild(uint32_t capacity) {
  unsigned b = bits_for(capacity);
  if (b == bits_) return;
  if (b > kMaxBits)
    throw StreamError("identity table: capacity " + std::to_string(capacity) + " is too large");
  bits_ = b;
  if (count_ == 0) {
    buckets_.clear();  // made by the first add
    return;
  }
  std::vector<uint32_t> buckets(std::size_t{1} << b, 0);
  buckets_.swap(buckets);
  for (uint32_t i = count_; i-- > 0;) {
    uint32_t& head = buckets_[bucket_of(key_of(address(i)), bits_)];
    set_next(i, head);
    head = i + 1;
  }
}

uint32_t IdentityTable::add(const void* address) {
  if (count_ == UINT32_MAX - 1) throw StreamError("identity table is full");
  uint32_t entry = count_;
  if (entry % kPageSize == 0) {
    entries_.push_back(std::make_unique<const void*[]>(kPageSize));
    links_.push_back(std::make_unique<uint32_t[]>(kPageSize));
  }
  entries_[entry / kPageSize][entry % kPageSize] = address;
  if (buckets_.empty()) buckets_.assign(std::size_t{1} << bits_, 0);
  uint32_t& head = buckets_[bucket_of(key_of(address), bits_)];
  set_next(entry, head);
  head = entry + 1;
  ++count_;
  return entry;
}

uint32_t IdentityTable::find(const void* address) const {
  if (buckets_.empty()) return 0;
  for (uint32_t link = buckets_[bucket_of(key_of(address), bits_)]; link != 0;
       link = next(link - 1)) {
    if (this->address(link - 1) == address) return link;
  }
  return 0;
}

}  // namespace dlist
