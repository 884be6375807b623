// Node name rules: length, the path separator and control characters.
#include "foundation/node_name.h"

#include <cstdio>
#include <cstring>

#include "foundation/fixed_text.h"

namespace dlist {
namespace {

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string hex(unsigned char c) {
  char text[5];
  std::snprintf(text, sizeof text, "0x%02X", c);
  return text;
}

}  // namespace

std::string node_name_fault(std::string_view name) {
  if (name.size() > kMaxNodeNameLength) {
    return "is " + std::to_string(name.size()) + " characters long; at most " +
           std::to_string(kMaxNodeNameLength) + " fit";
  }
  if (name.find('/') != std::string_view::npos)
    return "holds \"/\", which separates the names of a path";
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (is_control(c))
      return "holds the control character " + hex(c) + " at position " + std::to_string(i + 1);
  }
  return {};
}

std::string node_field_fault(const char* field, std::size_t n) {
  if (std::memchr(field, 0, n) == nullptr)
    return "has no terminator within its " + std::to_string(n) + " bytes";
  return node_name_fault(field_text(field, n));
}

std::string escaped_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (is_control(c)) {
      char text[5];
      std::snprintf(text, sizeof text, "\\x%02X", c);
      out += text;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace dlist
