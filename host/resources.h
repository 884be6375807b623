// Message texts by numeric identifier: the stand-in of the base library's string
// loader. The texts are English, written for this project, and compiled in from
// host/resources/strings.txt; the system holds none of its own. `LoadStr` is the
// call the system makes; `dlist::load_string` and `dlist::format_message` are the
// C++ forms, the latter a safe replacement for completing a text with wsprintfA.
#pragma once

#include <array>
#include <concepts>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "dlist/api.h"

// Copies the text of message `id` into buffer, cut to size - 1 characters and
// zero-terminated, and returns the number of characters copied. An unknown id
// leaves an empty string (result 0). With a null buffer or a size below 1 nothing
// is written and the result is 0. `module` names the resource module and is
// ignored: every text lives in the one table.
DLIST_API int LoadStr(void* module, unsigned id, char* buffer, int size);

namespace dlist {

// One entry of the string table.
struct StringEntry {
  unsigned id;
  const char* text;  // zero-terminated, never empty
};

// The whole table, sorted by identifier, each identifier once.
std::span<const StringEntry> string_table();

// The text of message id, or null when the table has none.
const char* find_string(unsigned id);

// The text of message id; empty when the table has none.
std::string load_string(unsigned id);

// One argument for completing a text: an integer (for %d, %i, %u, %x, %X, %c)
// or a text (for %s). A text argument only views its characters; it must outlive
// the call that formats with it.
class FormatArg {
 public:
  enum class Kind { integer, text };

  template <std::integral T>
  FormatArg(T value)  // NOLINT: implicit by design, so that arguments pass as they are
      : kind_(Kind::integer), integer_(static_cast<long long>(value)) {}
  FormatArg(const char* value)  // NOLINT
      : kind_(Kind::text), text_(value ? std::string_view(value) : std::string_view("(null)")) {}
  FormatArg(std::string_view value) : kind_(Kind::text), text_(value) {}    // NOLINT
  FormatArg(const std::string& value) : kind_(Kind::text), text_(value) {}  // NOLINT

  Kind kind() const { return kind_; }
  long long integer() const { return integer_; }
  std::string_view text() const { return text_; }

 private:
  Kind kind_;
  long long integer_ = 0;
  std::string_view text_;
};

// Completes text printf-style. A placeholder is '%', optional flags "-+ 0#", an
// optional width and precision of at most four digits each, an optional length
// h, l or ll (which changes nothing), and one of d i u x X c s; "%%" stands for
// '%'. Returns nothing when the text holds anything else after a '%', when the
// number of placeholders differs from the number of arguments, or when an
// argument's kind does not fit its placeholder (a text for %d, a number for %s):
// such a text is never handed to the C library's formatter.
std::optional<std::string> try_format_text(std::string_view text, std::span<const FormatArg> args);

// As try_format_text, falling back to the text itself, unformatted.
std::string format_text(std::string_view text, std::span<const FormatArg> args);
inline std::string format_text(std::string_view text, std::initializer_list<FormatArg> args) {
  return format_text(text, std::span<const FormatArg>(args.begin(), args.size()));
}

// The text of message id completed with args (see try_format_text); the bare text
// when they do not fit it, empty when the table has no such message.
template <typename... Args>
std::string format_message(unsigned id, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  const char* text = find_string(id);
  return text ? format_text(text, std::span<const FormatArg>(list)) : std::string();
}

}  // namespace dlist
