// The text form of element identifiers in lists.

#include "host/model/element_ids.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>

#include "foundation/fixed_text.h"
#include "host/model/model_database.h"

int ElemidToListId(long element, char* out) {
  if (out == nullptr) return 0;
  out[0] = '\0';
  if (element < 1 || static_cast<int64_t>(element) > dlist::kMaxModelId) return 0;
  char text[kListIdSize] = "#";
  const auto [end, error] = std::to_chars(text + 1, text + sizeof text - 1, element);
  if (error != std::errc()) return 0;
  *end = '\0';
  std::memcpy(out, text, static_cast<std::size_t>(end - text) + 1);
  return 1;
}

long ListIdToElemid(const char* text) {
  if (text == nullptr || text[0] != '#') return 0;
  const std::string_view digits = dlist::field_text(text + 1, kListIdSize);
  if (digits.empty() || digits.size() >= kListIdSize - 1 || digits[0] == '0') return 0;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return 0;
  return value >= 1 && value <= dlist::kMaxModelId ? static_cast<long>(value) : 0;
}
