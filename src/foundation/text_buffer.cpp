// The owned block of TEXTBUFFER, allocated through the base library's memory calls.
#include "foundation/text_buffer.h"

#include <cstring>
#include <utility>

#include "foundation/memory.h"

namespace {

// A zero-filled block of n bytes and the hidden terminating zero.
char* new_block(uint32_t n) {
  return static_cast<char*>(ORB_calloc(static_cast<std::size_t>(n) + 1, 1));
}

}  // namespace

TEXTBUFFER::TEXTBUFFER(const char* text) {
  put(text);
}

TEXTBUFFER::TEXTBUFFER(const TEXTBUFFER& other) {
  assign(other.block_, other.size_);
}

TEXTBUFFER::TEXTBUFFER(TEXTBUFFER&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)), size_(std::exchange(other.size_, 0)) {}

TEXTBUFFER& TEXTBUFFER::operator=(const TEXTBUFFER& other) {
  if (this != &other) assign(other.block_, other.size_);
  return *this;
}

TEXTBUFFER& TEXTBUFFER::operator=(TEXTBUFFER&& other) noexcept {
  if (this != &other) {
    clear();
    block_ = std::exchange(other.block_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

TEXTBUFFER::~TEXTBUFFER() {
  clear();
}

bool TEXTBUFFER::put(const char* text) {
  if (!text) {
    clear();
    return true;
  }
  const std::size_t n = std::strlen(text) + 1;
  if (n > UINT32_MAX) return false;
  return assign(text, static_cast<uint32_t>(n));
}

bool TEXTBUFFER::assign(const void* bytes, uint32_t n) {
  if (n == 0 || !bytes) {
    clear();
    return true;
  }
  char* block = new_block(n);
  if (!block) return false;
  std::memcpy(block, bytes, n);
  clear();
  block_ = block;
  size_ = n;
  return true;
}

char* TEXTBUFFER::allocate(uint32_t n) {
  if (n == 0) {
    clear();
    return nullptr;
  }
  char* block = new_block(n);
  if (!block) return nullptr;
  clear();
  block_ = block;
  size_ = n;
  return block_;
}

void TEXTBUFFER::clear() {
  ORB_free(block_);
  block_ = nullptr;
  size_ = 0;
}

bool operator==(const TEXTBUFFER& a, const TEXTBUFFER& b) {
  return a.size() == b.size() && (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size()) == 0);
}
