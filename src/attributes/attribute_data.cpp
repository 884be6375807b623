// The set operations of ATTRIBUTE_DATA: a value stored by its code's row of the
// storage table, with its text given or made by the host's string_repr.
#include "foundation/attribute_values.h"
#include "host/value_text.h"

void ATTRIBUTE_DATA::set(int value, const char* text) {
  set(static_cast<long>(value), text);
}

void ATTRIBUTE_DATA::set(long value, const char* text) {
  store(value);
  value_.text = text ? ORB::String(text) : string_repr(value_, desc_.type, desc_.prec());
}

void ATTRIBUTE_DATA::set(char value, const char* text) {
  set(static_cast<long>(static_cast<signed char>(value)), text);
}

void ATTRIBUTE_DATA::set(bool value, const char* text) {
  set(value ? 1L : 0L, text);
}

void ATTRIBUTE_DATA::set(const char* text) {
  expr_ = ORB::String();
  if (dlist::value_storage(desc_.type).keeps_text) value_.text = ORB::String(text ? text : "");
}

void ATTRIBUTE_DATA::set(const ORB::String& text) {
  set(text.c_str());
}

void ATTRIBUTE_DATA::set(const SYSTEMTIME& date) {
  expr_ = ORB::String();
  if (dlist::value_storage(desc_.type).kind == dlist::ValueStorage::kDate) value_.area.date = date;
}
