// Parsing and naming element kinds for the command line.
#include "cli/kind_word.h"

#include <cctype>
#include <charconv>

#include "foundation/element_kinds.h"

namespace dlist::cli {

int parse_kind(std::string_view word, std::string* error) {
  int code = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), code);
  if (!word.empty() && ec == std::errc() && end == word.data() + word.size()) {
    if (kind_facts(code)) return code;
  } else {
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (int kind = kind_from_cli_name(lower)) return kind;
  }
  std::string known;
  for (const KindFacts& f : kKinds) known += std::string(known.empty() ? "" : ", ") + f.cli_name;
  *error = "unknown kind \"" + std::string(word) + "\" (a code 1 to 13 or one of " + known + ")";
  return 0;
}

const char* kind_word(int kind) {
  const KindFacts* f = kind_facts(kind);
  return f ? f->cli_name : "-";
}

}  // namespace dlist::cli
