// The code page of texts: every text in the stores and in the exchange files is
// 8-bit, one byte a character, in one code page (Windows-1252 unless the front end
// sets another). Front ends speak UTF-8 and convert at their boundary with this
// module: stored bytes to UTF-8 for output (every byte has a character, so nothing
// is lost), UTF-8 input to bytes (a character the code page cannot hold is refused).
//
// Windows-1252 leaves the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; they
// stand for the control characters U+0081, U+008D, U+008F, U+0090 and U+009D, as
// in the WHATWG encoding standard, so that all 256 bytes round-trip. The table is
// documented in docs/text_encoding.md.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dlist {

class CodePage {
 public:
  static const CodePage& windows_1252();
  static const CodePage& latin1();  // ISO-8859-1: each byte the code point of its value

  // The code page called name ("windows-1252", "cp1252", "1252", "latin1",
  // "iso-8859-1"; case ignored); null for another name.
  static const CodePage* named(std::string_view name);

  const char* name() const { return name_; }

  // The character of a byte.
  char32_t decode(unsigned char byte) const;
  // The byte of character c; -1 when the code page has none.
  int encode(char32_t c) const;

  // Bytes of this code page as UTF-8; never fails.
  std::string to_utf8(std::string_view bytes) const;
  // UTF-8 text as bytes of this code page. Nothing, with the reason in *error, for
  // text that is not UTF-8 or holds a character the code page cannot hold.
  std::optional<std::string> from_utf8(std::string_view text, std::string* error) const;

 private:
  CodePage(const char* name, const char32_t* high) : name_(name), high_(high) {}

  const char* name_;
  const char32_t* high_;  // the characters of 0x80 to 0x9F; null: the bytes' values
};

// The code page of the stores' texts in this process.
const CodePage& text_code_page();

// Makes code_page the texts' code page (a front end's setting).
void set_text_code_page(const CodePage& code_page);

// Makes code_page the texts' code page while it lives, and the one before again
// when it ends.
class TextCodePageScope {
 public:
  explicit TextCodePageScope(const CodePage& code_page);
  ~TextCodePageScope();
  TextCodePageScope(const TextCodePageScope&) = delete;
  TextCodePageScope& operator=(const TextCodePageScope&) = delete;

 private:
  const CodePage* previous_;
};

// UTF-8 text made safe for a terminal: every control character (U+0000 to U+001F,
// U+007F to U+009F) and every byte that is not part of UTF-8 is written as \xNN.
std::string escape_controls(std::string_view utf8);

// Stored bytes as a terminal shows them: UTF-8 of the texts' code page, control
// characters escaped.
std::string shown_text(std::string_view bytes);

// A message of the system as a terminal shows it: its names are bytes of the
// texts' code page, but it may quote a path as the user typed it (UTF-8). A
// message that is well-formed UTF-8 is taken as such; any other is converted from
// the code page. Control characters but the line feed (the message's own layout)
// are escaped either way.
std::string shown_message(std::string_view text);

// Stored bytes as UTF-8 of the texts' code page, for JSON and other UTF-8 output.
std::string utf8_text(std::string_view bytes);

// UTF-8 input as bytes of the texts' code page; nothing, with the reason, as
// CodePage::from_utf8.
std::optional<std::string> stored_text(std::string_view utf8, std::string* error);

}  // namespace dlist
