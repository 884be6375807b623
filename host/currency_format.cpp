// The currency format through the C library: the monetary category of the
// environment's locale, opened with newlocale, and strfmon_l. Platforms without
// them format nothing, and callers show the plain number.

#include "host/currency_format.h"

#include <charconv>
#include <cmath>
#include <cstring>

#if !defined(_WIN32)
#include <langinfo.h>
#include <locale.h>
#include <monetary.h>
#endif

namespace dlist {

namespace {

// A plain decimal number: an optional "-", digits, optionally "." and digits.
bool is_plain_number(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits > 0;
}

}  // namespace

std::optional<std::string> format_currency(std::string_view value) {
  constexpr size_t kMaxNumber = 64;
  if (value.size() > kMaxNumber || !is_plain_number(value)) return std::nullopt;
  double number = 0.0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(number))
    return std::nullopt;
#if defined(_WIN32)
  return std::nullopt;
#else
  locale_t locale = newlocale(LC_MONETARY_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return std::nullopt;
  std::optional<std::string> result;
  const char* symbol = nl_langinfo_l(CRNCYSTR, locale);
  // CRNCYSTR begins with "-", "+" or "." (where the symbol goes); the C locale
  // has none at all.
  if (symbol != nullptr && std::strlen(symbol) > 1) {
    char buffer[256];
    const ssize_t written = strfmon_l(buffer, sizeof buffer, locale, "%n", number);
    if (written > 0) result.emplace(buffer, static_cast<size_t>(written));
  }
  freelocale(locale);
  return result;
#endif
}

}  // namespace dlist

int GetCurrencyFormat(const char* value, char* out, int size) {
  if (value == nullptr || out == nullptr || size < 1) return 0;
  const std::optional<std::string> text = dlist::format_currency(value);
  if (!text || text->size() >= static_cast<size_t>(size)) return 0;
  std::memcpy(out, text->c_str(), text->size() + 1);
  return static_cast<int>(text->size()) + 1;
}
