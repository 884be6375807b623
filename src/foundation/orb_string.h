// ORB::String, the suite's 8-bit, zero-terminated string with value semantics.
//
// The first field is the character pointer (null for a string that holds nothing),
// the third the length in characters. A string that holds nothing is "invalid":
// valid() is false and operator!() is true. An empty but allocated string is valid.
// Allocation never throws: when memory cannot be had, the string is left holding
// nothing (invalid), which the caller sees through valid().
#pragma once

#include <cstddef>
#include <string_view>

namespace ORB {

class String {
 public:
  // "All ones": as a length, "to the end of the text".
  static constexpr unsigned kAll = ~0u;

  // A string that holds nothing (null pointer, length 0, not valid).
  String() noexcept = default;
  // A copy of text up to its terminator; a null text gives a string that holds nothing.
  String(const char* text) noexcept;  // NOLINT(google-explicit-constructor)
  // A copy of at most n characters of text, stopping early at a terminator.
  String(const char* text, unsigned n) noexcept;
  // A run of count copies of c.
  String(char c, unsigned count) noexcept;
  // At most n characters of s from pos on (n = kAll: to the end). A pos beyond the end
  // gives an empty, valid string; a source that holds nothing gives one that holds nothing.
  String(const String& s, unsigned pos, unsigned n) noexcept;
  // Same as String(s, 0, kAll).
  String(const String& s) noexcept;
  String(String&& s) noexcept;
  ~String();

  String& operator=(const char* text) noexcept;
  String& operator=(const String& s) noexcept;
  String& operator=(String&& s) noexcept;
  // Appends; on an allocation failure the string is left holding nothing.
  String& operator+=(const String& s) noexcept;
  String& operator+=(const char* text) noexcept;

  // The character pointer itself: null when the string holds nothing.
  operator const char*() const noexcept { return text_; }  // NOLINT
  // The characters; "" (never null) when the string holds nothing.
  const char* c_str() const noexcept { return text_ != nullptr ? text_ : ""; }
  // The characters as a view of length() bytes.
  std::string_view view() const noexcept { return {c_str(), length_}; }

  // Character i. An index at or beyond the length gives a reference to a zero
  // character that is not part of the string (writes to it are lost).
  char& operator()(unsigned i) noexcept;
  const char& operator()(unsigned i) const noexcept;
  char& operator[](unsigned i) noexcept { return (*this)(i); }
  const char& operator[](unsigned i) const noexcept { return (*this)(i); }

  unsigned length() const noexcept { return length_; }

  // Below the length: character i becomes c. At the length: c is appended.
  // Beyond the length: nothing changes.
  void put_at(unsigned i, char c) noexcept;

  // A copy with every character mapped by toupper / tolower.
  String upper() const noexcept { return ZapCase(&upper_char); }
  String lower() const noexcept { return ZapCase(&lower_char); }

  bool valid() const noexcept { return text_ != nullptr; }
  bool operator!() const noexcept { return text_ == nullptr; }

 private:
  static int upper_char(int c);
  static int lower_char(int c);
  // A copy with every character mapped by fn (given the character as unsigned char).
  String ZapCase(int (*fn)(int)) const noexcept;
  // Makes this string hold a copy of n bytes at data (data may point into this string).
  void assign(const char* data, unsigned n) noexcept;
  // Appends n bytes at data (data may point into this string).
  void append(const char* data, unsigned n) noexcept;
  // Frees the characters: the string then holds nothing.
  void release() noexcept;

  char* text_ = nullptr;   // the characters, zero-terminated; null when holding nothing
  unsigned capacity_ = 0;  // bytes allocated at text_, terminator included
  unsigned length_ = 0;    // characters before the terminator
};

// Concatenation into a new string (holding nothing if memory runs out).
String operator+(const String& a, const String& b) noexcept;
String operator+(const String& a, const char* b) noexcept;
String operator+(const char* a, const String& b) noexcept;

// Ordering and equality by character content (bytes compared unsigned); a string
// that holds nothing and a null text compare as the empty text.
bool operator<(const String& a, const String& b) noexcept;
bool operator<(const String& a, const char* b) noexcept;
bool operator<(const char* a, const String& b) noexcept;
bool operator==(const String& a, const String& b) noexcept;
bool operator==(const String& a, const char* b) noexcept;

}  // namespace ORB
