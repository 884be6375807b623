// ORB::String: storage, copying, appending and comparison. The characters live in one
// malloc'd block with room for the terminator; every allocation failure leaves the
// string holding nothing instead of throwing.
#include "foundation/orb_string.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace ORB {
namespace {

// The longest text a string can hold: its length plus the terminator fit in 32 bits.
constexpr unsigned kMaxLength = String::kAll - 1;

// Length of text up to its terminator, looking at no more than limit bytes.
unsigned bounded_length(const char* text, unsigned limit) {
  if (text == nullptr) return 0;
  const void* end = std::memchr(text, '\0', limit);
  return end == nullptr ? limit : static_cast<unsigned>(static_cast<const char*>(end) - text);
}

unsigned text_length(const char* text) {
  if (text == nullptr) return 0;
  std::size_t n = std::strlen(text);
  return n > kMaxLength ? kMaxLength : static_cast<unsigned>(n);
}

// Three-way comparison of two byte runs, bytes compared unsigned, shorter first on a tie.
int compare(const char* a, unsigned na, const char* b, unsigned nb) {
  unsigned n = na < nb ? na : nb;
  int r = n == 0 ? 0 : std::memcmp(a, b, n);
  if (r != 0) return r;
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

}  // namespace

String::String(const char* text) noexcept {
  if (text != nullptr) assign(text, text_length(text));
}

String::String(const char* text, unsigned n) noexcept {
  if (text != nullptr) assign(text, bounded_length(text, n > kMaxLength ? kMaxLength : n));
}

String::String(char c, unsigned count) noexcept {
  if (count > kMaxLength) return;
  text_ = static_cast<char*>(std::malloc(std::size_t{count} + 1));
  if (text_ == nullptr) return;
  std::memset(text_, c, count);
  text_[count] = '\0';
  capacity_ = count + 1;
  length_ = count;
}

String::String(const String& s, unsigned pos, unsigned n) noexcept {
  if (!s.valid()) return;
  if (pos >= s.length_) {
    assign("", 0);
    return;
  }
  unsigned left = s.length_ - pos;
  assign(s.text_ + pos, n < left ? n : left);
}

String::String(const String& s) noexcept : String(s, 0, kAll) {}

String::String(String&& s) noexcept
    : text_(std::exchange(s.text_, nullptr)),
      capacity_(std::exchange(s.capacity_, 0)),
      length_(std::exchange(s.length_, 0)) {}

String::~String() {
  std::free(text_);
}

String& String::operator=(const char* text) noexcept {
  if (text == nullptr) {
    release();
  } else {
    assign(text, text_length(text));
  }
  return *this;
}

String& String::operator=(const String& s) noexcept {
  if (this == &s) return *this;
  if (!s.valid()) {
    release();
  } else {
    assign(s.text_, s.length_);
  }
  return *this;
}

String& String::operator=(String&& s) noexcept {
  if (this != &s) {
    std::free(text_);
    text_ = std::exchange(s.text_, nullptr);
    capacity_ = std::exchange(s.capacity_, 0);
    length_ = std::exchange(s.length_, 0);
  }
  return *this;
}

String& String::operator+=(const String& s) noexcept {
  append(s.c_str(), s.length_);
  return *this;
}

String& String::operator+=(const char* text) noexcept {
  append(text != nullptr ? text : "", text_length(text));
  return *this;
}

char& String::operator()(unsigned i) noexcept {
  if (i < length_) return text_[i];
  // Out of range: a scratch character, so a stray write cannot touch memory it must not.
  thread_local char sink;
  sink = '\0';
  return sink;
}

const char& String::operator()(unsigned i) const noexcept {
  static const char kZero = '\0';
  return i < length_ ? text_[i] : kZero;
}

void String::put_at(unsigned i, char c) noexcept {
  if (i < length_) {
    text_[i] = c;
  } else if (i == length_) {
    append(&c, 1);
  }
}

int String::upper_char(int c) {
  return std::toupper(c);
}
int String::lower_char(int c) {
  return std::tolower(c);
}

String String::ZapCase(int (*fn)(int)) const noexcept {
  String result(*this);
  for (unsigned i = 0; i < result.length_; ++i) {
    result.text_[i] = static_cast<char>(fn(static_cast<unsigned char>(result.text_[i])));
  }
  return result;
}

void String::assign(const char* data, unsigned n) noexcept {
  if (text_ != nullptr && n < capacity_) {
    std::memmove(text_, data, n);  // data may lie inside this string
  } else {
    char* block = static_cast<char*>(std::malloc(std::size_t{n} + 1));
    if (block == nullptr) {
      release();
      return;
    }
    std::memcpy(block, data, n);
    std::free(text_);
    text_ = block;
    capacity_ = n + 1;
  }
  text_[n] = '\0';
  length_ = n;
}

void String::append(const char* data, unsigned n) noexcept {
  if (n > kMaxLength - length_) {
    release();
    return;
  }
  unsigned total = length_ + n;
  if (text_ == nullptr || total >= capacity_) {
    // Grow by half again so that repeated appends stay linear.
    std::size_t want = std::size_t{total} + 1 + total / 2;
    if (want > kAll) want = kAll;
    // Keep the source alive across the move when it lies inside this string.
    std::ptrdiff_t inside = -1;
    if (text_ != nullptr && data >= text_ && data < text_ + capacity_) inside = data - text_;
    char* block = static_cast<char*>(std::realloc(text_, want));
    if (block == nullptr) {
      release();
      return;
    }
    if (inside >= 0) data = block + inside;
    if (text_ == nullptr) block[0] = '\0';
    text_ = block;
    capacity_ = static_cast<unsigned>(want);
  }
  std::memmove(text_ + length_, data, n);
  length_ = total;
  text_[length_] = '\0';
}

void String::release() noexcept {
  std::free(text_);
  text_ = nullptr;
  capacity_ = 0;
  length_ = 0;
}

String operator+(const String& a, const String& b) noexcept {
  String result(a.valid() ? a : String(""));
  result += b;
  return result;
}

String operator+(const String& a, const char* b) noexcept {
  String result(a.valid() ? a : String(""));
  result += b;
  return result;
}

String operator+(const char* a, const String& b) noexcept {
  String result(a != nullptr ? a : "");
  result += b;
  return result;
}

bool operator<(const String& a, const String& b) noexcept {
  return compare(a.c_str(), a.length(), b.c_str(), b.length()) < 0;
}

bool operator<(const String& a, const char* b) noexcept {
  return compare(a.c_str(), a.length(), b != nullptr ? b : "", text_length(b)) < 0;
}

bool operator<(const char* a, const String& b) noexcept {
  return compare(a != nullptr ? a : "", text_length(a), b.c_str(), b.length()) < 0;
}

bool operator==(const String& a, const String& b) noexcept {
  return compare(a.c_str(), a.length(), b.c_str(), b.length()) == 0;
}

bool operator==(const String& a, const char* b) noexcept {
  return compare(a.c_str(), a.length(), b != nullptr ? b : "", text_length(b)) == 0;
}

}  // namespace ORB
