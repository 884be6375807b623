// The storage table of attribute values, their reading operations and the value
// lists.
#include "foundation/attribute_values.h"

#include <cstring>
#include <new>

namespace dlist {

ValueStorage value_storage(int code) {
  switch (code) {
    case 0:
    case 11:
      return {ValueStorage::kInteger, true, false};
    case 13:
      return {ValueStorage::kInteger, true, true};
    case 5:
      return {ValueStorage::kInteger, false, true};
    case 1:
    case 4:
    case 7:
    case 12:
      return {ValueStorage::kDouble, true, false};
    case 10:
      return {ValueStorage::kByte, true, false};
    case 14:
      return {ValueStorage::kByte, true, true};
    case 2:
    case 3:
      return {ValueStorage::kDate, false, false};
    case 6:
    case 8:
    case 9:
      return {ValueStorage::kNothing, false, true};
    default:
      return {};
  }
}

}  // namespace dlist

void ATTRIBUTE_DATA::store(long value) {
  value_.clear();
  expr_ = ORB::String();
  switch (dlist::value_storage(desc_.type).kind) {
    case dlist::ValueStorage::kInteger:
      value_.area.integer = static_cast<int32_t>(value);
      break;
    case dlist::ValueStorage::kDouble:
      value_.area.real = static_cast<double>(value);
      break;
    case dlist::ValueStorage::kByte:
      value_.area.byte = value != 0 ? 1 : 0;
      break;
    default:
      break;
  }
}

double ATTRIBUTE_DATA::value() const {
  const dlist::ValueStorage row = dlist::value_storage(desc_.type);
  if (!row.reads_back) return 0.0;
  switch (row.kind) {
    case dlist::ValueStorage::kInteger:
      return value_.area.integer;
    case dlist::ValueStorage::kDouble:
      return value_.area.real;
    case dlist::ValueStorage::kByte:
      return value_.area.byte;
    default:
      return 0.0;
  }
}

namespace {

template <class T, class Same>
int find_in(const std::vector<T>& values, const Same& same) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (same(values[i])) return static_cast<int>(i);
  return -1;
}

template <class T>
int append(std::vector<T>& values, const T& value) {
  try {
    values.push_back(value);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return static_cast<int>(values.size() - 1);
}

}  // namespace

int STRING_VALUE_LIST::ufind(const char* text) const {
  const char* t = text ? text : "";
  return find_in(values_, [t](const ORB::String& v) { return std::strcmp(v.c_str(), t) == 0; });
}

int STRING_VALUE_LIST::add(const char* text) {
  const int found = ufind(text);
  if (found >= 0) return found;
  ORB::String copy(text ? text : "");
  if (!copy.valid()) return -1;
  return append(values_, copy);
}

int INTEGER_VALUE_LIST::ufind(long value) const {
  return find_in(values_, [value](long v) { return v == value; });
}

int INTEGER_VALUE_LIST::add(long value) {
  const int found = ufind(value);
  return found >= 0 ? found : append(values_, value);
}

int DOUBLE_VALUE_LIST::ufind(double value) const {
  return find_in(values_, [value](double v) { return std::memcmp(&v, &value, sizeof v) == 0; });
}

int DOUBLE_VALUE_LIST::add(double value) {
  const int found = ufind(value);
  return found >= 0 ? found : append(values_, value);
}
