// TEXTBUFFER: an owned block of characters with its 32-bit length, the text member
// of references and tree nodes. The length counts the whole block, the terminating
// zero of a text included ("abc" is 4); a block may also hold bytes that are not
// text (an embedded file value). Behind the block lies one more zero byte that the
// length does not count, so `get()` is a terminated string whatever the block holds.
//
// In a record image the buffer takes 8 bytes: a pointer slot written as 0, then the
// length.
#pragma once

#include <cstdint>

#include "dlist/api.h"

class DLIST_API TEXTBUFFER {
 public:
  TEXTBUFFER() = default;
  // A copy of text with its terminating zero (empty for null). On allocation
  // failure the buffer is empty.
  explicit TEXTBUFFER(const char* text);
  // Deep copy; on allocation failure the copy is empty.
  TEXTBUFFER(const TEXTBUFFER& other);
  TEXTBUFFER(TEXTBUFFER&& other) noexcept;
  // Deep copy; on allocation failure this buffer keeps its old block.
  TEXTBUFFER& operator=(const TEXTBUFFER& other);
  TEXTBUFFER& operator=(TEXTBUFFER&& other) noexcept;
  ~TEXTBUFFER();

  // The text; "" when the buffer is empty.
  const char* get() const { return block_ ? block_ : ""; }

  // Replaces the block by a copy of text with its terminating zero; null empties the
  // buffer. False when memory is short: the old block stays.
  bool put(const char* text);

  // Replaces the block by a copy of n bytes (n 0 empties the buffer). False when
  // memory is short: the old block stays.
  bool assign(const void* bytes, uint32_t n);

  // Frees the block and allocates a zero-filled one of n bytes (none for 0) that a
  // reader then fills; the block, or null when n is 0 or memory is short (the old
  // block then stays).
  char* allocate(uint32_t n);

  // Frees the block.
  void clear();

  uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The block itself, null when empty.
  const char* data() const { return block_; }
  char* data() { return block_; }

 private:
  char* block_ = nullptr;  // size_ bytes and a hidden zero, or null
  uint32_t size_ = 0;      // bytes of the block
};

// Equal when the blocks have the same length and bytes.
DLIST_API bool operator==(const TEXTBUFFER& a, const TEXTBUFFER& b);
