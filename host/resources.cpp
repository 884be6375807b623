// Look-up in the compiled-in string table and the checked completion of texts.
// The formatter parses each placeholder itself and hands the C library only a
// format that it built from validated parts, with an argument of the matching
// type, so no text can make it read an argument that is not there.

#include "host/resources.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "host/string_table_internal.h"

namespace dlist {

namespace {

// Widths and precisions beyond this are refused rather than padded.
constexpr int kMaxFieldWidth = 9999;

struct Placeholder {
  std::string flags;
  int width = -1;      // -1: none
  int precision = -1;  // -1: none
  char conversion = 0;
};

// Reads up to four digits at text[pos]; returns -1 when there are none, and
// sets ok to false when there are more than four.
int read_number(std::string_view text, size_t& pos, bool& ok) {
  size_t start = pos;
  int value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    if (pos - start > 4) {
      ok = false;
      return -1;
    }
  }
  return pos == start ? -1 : value;
}

// Parses the placeholder whose '%' is at text[pos - 1]; on success leaves pos
// after the conversion character.
bool parse_placeholder(std::string_view text, size_t& pos, Placeholder& out) {
  while (pos < text.size() && std::strchr("-+ 0#", text[pos]) != nullptr && text[pos] != '\0') {
    if (out.flags.find(text[pos]) == std::string::npos) out.flags += text[pos];
    ++pos;
  }
  bool ok = true;
  out.width = read_number(text, pos, ok);
  if (!ok) return false;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    out.precision = read_number(text, pos, ok);
    if (!ok) return false;
    if (out.precision < 0) out.precision = 0;  // "%.d" means precision 0, as in C
  }
  if (pos < text.size() && text[pos] == 'h') {
    ++pos;
  } else if (pos < text.size() && text[pos] == 'l') {
    ++pos;
    if (pos < text.size() && text[pos] == 'l') ++pos;
  }
  if (pos >= text.size()) return false;
  out.conversion = text[pos++];
  return std::strchr("diuxXcs", out.conversion) != nullptr && out.conversion != '\0' &&
         out.width <= kMaxFieldWidth && out.precision <= kMaxFieldWidth;
}

// Keeps the flags that the C library defines for the conversion: '#' only for
// hexadecimal, and for %c only '-' (with no precision).
std::string defined_flags(const Placeholder& p) {
  std::string flags;
  for (char flag : p.flags) {
    bool keep = p.conversion == 'c' ? flag == '-'
                                    : flag != '#' || p.conversion == 'x' || p.conversion == 'X';
    if (keep) flags += flag;
  }
  return flags;
}

void append_integer(std::string& out, const Placeholder& p, long long value) {
  std::string format = "%" + defined_flags(p);
  if (p.width >= 0) format += std::to_string(p.width);
  if (p.precision >= 0 && p.conversion != 'c') format += "." + std::to_string(p.precision);
  std::string buffer(64 + std::max(p.width, 0) + std::max(p.precision, 0), '\0');
  int written = 0;
  switch (p.conversion) {
    case 'd':
    case 'i':
      format += "lld";
      written = std::snprintf(buffer.data(), buffer.size(), format.c_str(), value);
      break;
    case 'u':
    case 'x':
    case 'X': {
      // A negative value reads as the target's 32-bit unsigned when it fits there.
      unsigned long long as_unsigned =
          (value < 0 && value >= -2147483648LL)
              ? static_cast<unsigned long long>(static_cast<uint32_t>(static_cast<int32_t>(value)))
              : static_cast<unsigned long long>(value);
      format += "ll";
      format += p.conversion;
      written = std::snprintf(buffer.data(), buffer.size(), format.c_str(), as_unsigned);
      break;
    }
    default:  // 'c'
      format += "c";
      written = std::snprintf(buffer.data(), buffer.size(), format.c_str(),
                              static_cast<int>(static_cast<unsigned char>(value)));
      break;
  }
  if (written > 0) out.append(buffer.data(), std::min<size_t>(written, buffer.size() - 1));
}

void append_text(std::string& out, const Placeholder& p, std::string_view value) {
  if (p.precision >= 0 && value.size() > static_cast<size_t>(p.precision)) {
    value = value.substr(0, p.precision);
  }
  size_t pad =
      p.width > 0 && value.size() < static_cast<size_t>(p.width) ? p.width - value.size() : 0;
  bool left = p.flags.find('-') != std::string::npos;
  if (!left) out.append(pad, ' ');
  out.append(value);
  if (left) out.append(pad, ' ');
}

}  // namespace

std::span<const StringEntry> string_table() {
  return std::span<const StringEntry>(detail::kStringTable, detail::kStringTableSize);
}

const char* find_string(unsigned id) {
  auto table = string_table();
  auto it = std::lower_bound(table.begin(), table.end(), id,
                             [](const StringEntry& entry, unsigned key) { return entry.id < key; });
  return it != table.end() && it->id == id ? it->text : nullptr;
}

std::string load_string(unsigned id) {
  const char* text = find_string(id);
  return text ? std::string(text) : std::string();
}

std::optional<std::string> try_format_text(std::string_view text, std::span<const FormatArg> args) {
  std::string out;
  out.reserve(text.size() + 16 * args.size());
  size_t next_arg = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t percent = text.find('%', pos);
    if (percent == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, percent - pos));
    pos = percent + 1;
    if (pos < text.size() && text[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    Placeholder placeholder;
    if (!parse_placeholder(text, pos, placeholder)) return std::nullopt;
    if (next_arg >= args.size()) return std::nullopt;
    const FormatArg& arg = args[next_arg++];
    if (placeholder.conversion == 's') {
      if (arg.kind() != FormatArg::Kind::text) return std::nullopt;
      append_text(out, placeholder, arg.text());
    } else {
      if (arg.kind() != FormatArg::Kind::integer) return std::nullopt;
      append_integer(out, placeholder, arg.integer());
    }
  }
  if (next_arg != args.size()) return std::nullopt;
  return out;
}

std::string format_text(std::string_view text, std::span<const FormatArg> args) {
  auto formatted = try_format_text(text, args);
  return formatted ? std::move(*formatted) : std::string(text);
}

}  // namespace dlist

int LoadStr(void* /*module*/, unsigned id, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return 0;
  const char* text = dlist::find_string(id);
  size_t length = text ? std::strlen(text) : 0;
  size_t copied = std::min(length, static_cast<size_t>(size) - 1);
  if (copied > 0) std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}
