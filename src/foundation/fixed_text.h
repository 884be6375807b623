// Fixed text fields: the char arrays of records that hold a text up to its zero
// byte, or fill their whole width when a record read from a file holds none. Every
// conversion between such a field and a string goes through these helpers, so a
// text is never read past its field nor written without its terminator.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace dlist {

// Length of the text held in a field of n bytes: up to its zero byte, never
// beyond the field.
inline std::size_t field_length(const char* field, std::size_t n) {
  std::size_t len = 0;
  while (len < n && field[len] != 0) ++len;
  return len;
}

// The text of a field of n bytes / of a record's char array.
inline std::string_view field_text(const char* field, std::size_t n) {
  return std::string_view(field, field_length(field, n));
}
template <std::size_t N>
std::string_view field_text(const char (&field)[N]) {
  return field_text(field, N);
}

// The same, as a string of its own.
inline std::string field_string(const char* field, std::size_t n) {
  return std::string(field_text(field, n));
}
template <std::size_t N>
std::string field_string(const char (&field)[N]) {
  return field_string(field, N);
}

// Copies text into out, which has room bytes, cut to fit and always terminated;
// the bytes after the terminator are left as they are. Nothing is written when out
// is null or room is 0. For a caller's buffer; a record's field takes set_field.
inline void copy_cut(char* out, std::size_t room, std::string_view text) {
  if (out == nullptr || room == 0) return;
  const std::size_t n = text.size() < room - 1 ? text.size() : room - 1;
  if (n > 0) std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// Sets a field of n bytes to text, cut to n - 1 bytes; the rest of the field is
// zeroed, so that no bytes of an earlier text stay behind the terminator.
inline void set_field(char* field, std::size_t n, std::string_view text) {
  if (n == 0) return;
  std::memset(field, 0, n);
  copy_cut(field, n, text);
}
// A null text empties the field.
inline void set_field(char* field, std::size_t n, const char* text) {
  set_field(field, n, text ? std::string_view(text, field_length(text, n - 1)) : std::string_view());
}
inline void set_field(char* field, std::size_t n, const std::string& text) {
  set_field(field, n, std::string_view(text));
}
template <std::size_t N>
void put_field(char (&field)[N], std::string_view text) {
  set_field(field, N, text);
}
template <std::size_t N>
void put_field(char (&field)[N], const char* text) {
  set_field(field, N, text);
}

}  // namespace dlist
