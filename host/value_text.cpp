// The host's text of a typed attribute value.
#include "host/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/settings.h"

namespace {

std::string real_text(double v, int precision) {
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : (v < 0 ? "-inf" : "inf");
  char buffer[400];
  if (precision >= 0) {
    std::snprintf(buffer, sizeof buffer, "%.*f", precision > 9 ? 9 : precision, v);
  } else {
    // The shortest text that reads back the same double, up to 15 digits.
    int digits = 1;
    for (; digits < 15; ++digits) {
      std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
      if (std::strtod(buffer, nullptr) == v) break;
    }
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
  }
  std::string text(buffer);
  const char point = GetWinIniDecPoint();
  for (char& c : text)
    if (c == '.') c = point;
  return text;
}

std::string date_text(const SYSTEMTIME& t, bool with_time) {
  if (t.wYear == 0 && t.wMonth == 0 && t.wDay == 0 && t.wHour == 0 && t.wMinute == 0 &&
      t.wSecond == 0)
    return {};
  char buffer[64];
  if (with_time) {
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.wYear},
                  unsigned{t.wMonth}, unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute},
                  unsigned{t.wSecond});
  } else {
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", unsigned{t.wYear}, unsigned{t.wMonth},
                  unsigned{t.wDay});
  }
  return buffer;
}

}  // namespace

ORB::String string_repr(const ATTRIBUTE_VALUE& value, int type, int precision) {
  switch (dlist::value_storage(type).kind) {
    case dlist::ValueStorage::kInteger:
      return ORB::String(std::to_string(value.area.integer).c_str());
    case dlist::ValueStorage::kDouble:
      return ORB::String(real_text(value.area.real, precision).c_str());
    case dlist::ValueStorage::kByte:
      return ORB::String(value.area.byte != 0 ? "1" : "0");
    case dlist::ValueStorage::kDate:
      return ORB::String(date_text(value.area.date, type == 3).c_str());
    default:
      return ORB::String(value.text.c_str());
  }
}

ORB::String string_repr(const ATTRIBUTE_DATA& data) {
  return string_repr(data.val(), data.type(), data.prec());
}
