// The identity table of an output stream: a chained hash table that numbers the
// objects written by reference, keyed on each object's address.
//
// Entries are numbered from 0 and kept in pages of 256; each holds the object's
// address, and a parallel paged array holds each entry's successor link. Links and
// bucket heads hold entry number + 1, 0 ending a chain. For a capacity n the table
// has 2^b buckets, b the smallest number of at least 2 with 2^b >= n (1 when n is
// below 3); the bucket of a 32-bit key is (key * 0x9E3DBF6D mod 2^32) >> (32 - b).
// On hosts with 64-bit addresses the key folds the address to 32 bits, while
// equality always compares the full address.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace dlist {

class IdentityTable {
 public:
  static constexpr uint32_t kPageSize = 256;
  static constexpr uint32_t kMultiplier = 0x9E3DBF6Du;
  static constexpr unsigned kMaxBits = 24;  // at most 2^24 buckets

  // Builds an empty table for the given capacity.
  explicit IdentityTable(uint32_t capacity);

  IdentityTable(const IdentityTable&) = delete;
  IdentityTable& operator=(const IdentityTable&) = delete;

  // The bucket-count exponent for a capacity (see above).
  static unsigned bits_for(uint32_t capacity);
  // The bucket of a 32-bit key in a table of 2^bits buckets.
  static uint32_t bucket_of(uint32_t key, unsigned bits) {
    return (key * kMultiplier) >> (32 - bits);
  }
  // The 32-bit key of an address.
  static uint32_t key_of(const void* address);

  // Rebuilds the buckets for a new capacity, re-linking the entries from the last to
  // the first, each in front of its bucket's chain. Does nothing when the exponent
  // stays the same. Throws StreamError when the capacity needs more than 2^kMaxBits
  // buckets.
  void rebuild(uint32_t capacity);

  // Appends an entry for address, in front of its bucket's chain; returns its number.
  // Throws StreamError when the table already holds 2^32 - 1 entries.
  uint32_t add(const void* address);
  // The number + 1 of the entry holding address, 0 when there is none.
  uint32_t find(const void* address) const;

  uint32_t size() const { return count_; }
  unsigned bits() const { return bits_; }
  uint32_t bucket_count() const { return uint32_t{1} << bits_; }
  // Entry number + 1 at the head of a bucket's chain, 0 for an empty bucket.
  uint32_t head(uint32_t bucket) const { return buckets_.empty() ? 0 : buckets_[bucket]; }
  // Entry number + 1 of the successor of entry, 0 at the end of a chain.
  uint32_t next(uint32_t entry) const { return links_[entry / kPageSize][entry % kPageSize]; }
  const void* address(uint32_t entry) const {
    return entries_[entry / kPageSize][entry % kPageSize];
  }

 private:
  void set_next(uint32_t entry, uint32_t link) {
    links_[entry / kPageSize][entry % kPageSize] = link;
  }

  std::vector<std::unique_ptr<const void*[]>> entries_;  // entry addresses, paged
  std::vector<std::unique_ptr<uint32_t[]>> links_;       // successor links, paged alike
  // Chain heads; made with the first entry (most streams number no object).
  std::vector<uint32_t> buckets_;
  unsigned bits_ = 0;                                    // log2 of the bucket count
  uint32_t count_ = 0;                                   // entries in use
};

}  // namespace dlist
