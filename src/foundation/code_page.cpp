// The code pages' tables, the UTF-8 coder and the process's texts' code page.
#include "foundation/code_page.h"

#include <cctype>
#include <cstdio>
#include <utility>

namespace dlist {
namespace {

// Windows-1252 from 0x80 to 0x9F; the five undefined bytes keep their values.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

const CodePage* g_text_code_page = nullptr;  // null: Windows-1252

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character that begins at text[at] and its length in bytes; length 0 for a
// byte that begins no well-formed UTF-8 sequence (overlong forms, surrogates and
// values above U+10FFFF included).
std::pair<char32_t, std::size_t> next_utf8(std::string_view text, std::size_t at) {
  const auto b0 = static_cast<unsigned char>(text[at]);
  if (b0 < 0x80) return {b0, 1};
  std::size_t n = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, c = b0 & 0x1F, least = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, c = b0 & 0x0F, least = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, c = b0 & 0x07, least = 0x10000;
  } else {
    return {0, 0};
  }
  if (text.size() - at < n) return {0, 0};
  for (std::size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(text[at + i]);
    if ((b & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (b & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, n};
}

std::string hex_byte(unsigned char b) {
  char text[5];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

std::string code_point(char32_t c) {
  char text[12];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

const CodePage& CodePage::windows_1252() {
  static const CodePage page("windows-1252", kWindows1252High);
  return page;
}

const CodePage& CodePage::latin1() {
  static const CodePage page("iso-8859-1", nullptr);
  return page;
}

const CodePage* CodePage::named(std::string_view name) {
  std::string lower;
  for (const char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "windows-1252" || lower == "cp1252" || lower == "1252") return &windows_1252();
  if (lower == "iso-8859-1" || lower == "latin1" || lower == "latin-1") return &latin1();
  return nullptr;
}

char32_t CodePage::decode(unsigned char byte) const {
  if (high_ != nullptr && byte >= 0x80 && byte <= 0x9F) return high_[byte - 0x80];
  return byte;
}

int CodePage::encode(char32_t c) const {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  if (high_ == nullptr) return c <= 0x9F ? static_cast<int>(c) : -1;
  for (int i = 0; i < 32; ++i)
    if (high_[i] == c) return 0x80 + i;
  return -1;
}

std::string CodePage::to_utf8(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size());
  for (const char b : bytes) append_utf8(out, decode(static_cast<unsigned char>(b)));
  return out;
}

std::optional<std::string> CodePage::from_utf8(std::string_view text, std::string* error) const {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto [c, n] = next_utf8(text, at);
    if (n == 0) {
      *error = "byte " + hex_byte(static_cast<unsigned char>(text[at])) + " at position " +
               std::to_string(at + 1) + " is not UTF-8";
      return std::nullopt;
    }
    const int byte = encode(c);
    if (byte < 0) {
      *error = "the character \"" + std::string(text.substr(at, n)) + "\" (" + code_point(c) +
               ") has no place in the code page " + name_ + " of the stored texts";
      return std::nullopt;
    }
    out += static_cast<char>(byte);
    at += n;
  }
  return out;
}

const CodePage& text_code_page() {
  return g_text_code_page != nullptr ? *g_text_code_page : CodePage::windows_1252();
}

void set_text_code_page(const CodePage& code_page) { g_text_code_page = &code_page; }

TextCodePageScope::TextCodePageScope(const CodePage& code_page) : previous_(g_text_code_page) {
  g_text_code_page = &code_page;
}

TextCodePageScope::~TextCodePageScope() { g_text_code_page = previous_; }

std::string escape_controls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const auto [c, n] = next_utf8(utf8, at);
    if (n != 0 && !is_control(c)) {
      out.append(utf8.substr(at, n));
      at += n;
      continue;
    }
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02X",
                  n == 0 ? static_cast<unsigned char>(utf8[at]) : static_cast<unsigned>(c));
    out += text;
    at += n == 0 ? 1 : n;
  }
  return out;
}

std::string shown_text(std::string_view bytes) {
  return escape_controls(text_code_page().to_utf8(bytes));
}

std::string shown_message(std::string_view text) {
  bool utf8 = true;
  for (std::size_t at = 0; utf8 && at < text.size();) {
    const std::size_t n = next_utf8(text, at).second;
    utf8 = n != 0;
    at += n;
  }
  const std::string whole = utf8 ? std::string(text) : text_code_page().to_utf8(text);
  // The line breaks of a message's own layout stay.
  std::string out;
  for (std::size_t at = 0;;) {
    const std::size_t nl = whole.find('\n', at);
    out += escape_controls(std::string_view(whole).substr(at, nl - at));
    if (nl == std::string::npos) return out;
    out += '\n';
    at = nl + 1;
  }
}

std::string utf8_text(std::string_view bytes) { return text_code_page().to_utf8(bytes); }

std::optional<std::string> stored_text(std::string_view utf8, std::string* error) {
  return text_code_page().from_utf8(utf8, error);
}

}  // namespace dlist
