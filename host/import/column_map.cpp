// Reading the column map (column_map.h).
#include "host/import/column_map.h"

#include <cctype>
#include <vector>

namespace dlist {
namespace {

constexpr const char* kWords[] = {
    "code",          "name",  "market", "dimension", "unit",       "ignored",    "dimension2",
    "factor2",       "subprice_name", "subprice_value", "text1", "text2",  "text3", "text4",
    "unit_price",    "subprice", "conversion", "ref_unit", "ref_factor",
};
constexpr int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

struct NamedDelimiter {
  const char* word;
  char delimiter;
};

constexpr NamedDelimiter kDelimiters[] = {
    {"tab", '\t'}, {"comma", ','}, {"semicolon", ';'}, {"pipe", '|'}, {"space", ' '},
};

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The item at the front of rest, up to the next ",", which is consumed.
std::string_view next_item(std::string_view& rest) {
  const size_t comma = rest.find(',');
  std::string_view item = rest.substr(0, comma);
  rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  return item;
}

}  // namespace

const char* column_word(int type) { return type >= 0 && type < kWordCount ? kWords[type] : nullptr; }

int column_word_type(std::string_view word) {
  for (int t = 0; t < kWordCount; ++t) {
    if (same_word(word, kWords[t])) return t;
  }
  return -1;
}

std::string offered_column_words(const FileImport& target) {
  std::string out;
  for (int i = 0; i < target.GetTempNb(); ++i) {
    const char* word = column_word(target.GetTemp(i).type);
    if (word == nullptr) continue;
    if (!out.empty()) out += ", ";
    out += word;
  }
  return out;
}

std::string parse_column_map(std::string_view text, FileImport& target) {
  char delimiter = '\t';
  long skip = 0;
  bool have_cols = false;
  std::vector<int> columns;
  std::string_view rest = text;
  while (!rest.empty() && !have_cols) {
    if (rest.substr(0, 6) == "delim=") {
      rest.remove_prefix(6);
      bool named = false;
      for (const NamedDelimiter& d : kDelimiters) {
        const std::string_view w(d.word);
        const std::string_view head = rest.substr(0, w.size());
        if (same_word(head, w) && (rest.size() == w.size() || rest[w.size()] == ',')) {
          delimiter = d.delimiter;
          rest.remove_prefix(w.size());
          named = true;
          break;
        }
      }
      if (!named) {
        if (rest.empty() || (rest.size() > 1 && rest[1] != ',')) {
          return "delim= takes one character or one of tab, comma, semicolon, pipe, space";
        }
        delimiter = rest[0];
        rest.remove_prefix(1);
      }
      if (!rest.empty()) rest.remove_prefix(1);  // the "," after the delimiter
      continue;
    }
    const std::string_view item = trim(next_item(rest));
    if (item.substr(0, 5) == "skip=") {
      const std::string_view digits = item.substr(5);
      if (digits.empty() || digits.size() > 7) return "skip= takes a number of lines";
      long value = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return "skip= takes a number of lines";
        value = value * 10 + (c - '0');
      }
      skip = value;
    } else if (item.substr(0, 5) == "cols=") {
      have_cols = true;
      std::string_view list = item.substr(5);
      // cols= takes the rest of the text.
      std::string all(list);
      if (!rest.empty()) all += "," + std::string(rest);
      std::string_view words = all;
      for (int column = 1;; ++column) {
        const bool last = words.find(',') == std::string_view::npos;
        const std::string_view word = trim(next_item(words));
        if (word == "-") {
          columns.push_back(-1);
        } else {
          const int type = column_word_type(word);
          int offered = -1;
          for (int i = 0; type >= 0 && i < target.GetTempNb(); ++i) {
            if (target.GetTemp(i).type == type) {
              offered = i;
              break;
            }
          }
          if (offered < 0) {
            return "column " + std::to_string(column) + ": \"" + std::string(word) +
                   "\" is none of the offered fields (" + offered_column_words(target) + ", -)";
          }
          columns.push_back(offered);
        }
        if (last) break;
        if (columns.size() > static_cast<size_t>(kMaxColumns)) {
          return "cols= lists more than " + std::to_string(kMaxColumns) + " columns";
        }
      }
      rest = {};
    } else {
      return "unknown item \"" + std::string(item) + "\" (expected delim=, skip= or cols=)";
    }
  }
  if (!have_cols) return "cols= is missing";
  return target.SetColumns(delimiter, skip, columns);
}

}  // namespace dlist
