// The currency format of the user's locale: the stand-in of the system's
// currency formatting, used to show prices. The locale is the one the
// environment chooses for monetary values (LC_ALL, LC_MONETARY, LANG).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dlist/api.h"

// Formats value, a number text with "." as decimal point ("1234.50", "-3",
// "0.5"), as an amount in the user's currency into out (at most size - 1
// characters, zero-terminated). Returns the number of characters written
// including the terminator; 0, with out untouched, when value is no such number,
// the locale has no currency symbol, or the result does not fit. Callers then
// show the plain number.
DLIST_API int GetCurrencyFormat(const char* value, char* out, int size);

namespace dlist {

// The amount as GetCurrencyFormat writes it; nothing in the cases where it fails.
std::optional<std::string> format_currency(std::string_view value);

}  // namespace dlist
