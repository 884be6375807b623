// Typed attribute values, as list generation reads them: a value (`ATTRIBUTE_VALUE`),
// the description of its attribute (`ATTRIBUTE_DESC`) and both with an expression
// (`ATTRIBUTE_DATA`); a set of values (`ATTRIBUTE_PACKET`) and the value lists.
//
// How ATTRIBUTE_DATA keeps a value depends on the value-type code of its
// description (docs/element_parameters.md names the codes):
//
//   codes         set(int, text)       value()     set(text) keeps   set(SYSTEMTIME)
//   0, 11, 13     the integer          the integer 13 only           no
//   5             the integer          0           yes               no
//   1, 4, 7, 12   the integer, double  the double  no                no
//   10, 14        1 or 0, one byte     that byte   14 only           no
//   2, 3          nothing              0           no                the whole date
//   6, 8, 9       nothing              0           yes               no
//   any other     nothing              0           no                no
//
// The records and their reading operations live here; the set operations, which
// complete the text with the host's `string_repr` (host/value_text.h), are the
// attribute subsystem's (src/attributes/attribute_data.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "dlist/api.h"
#include "foundation/attribute_records.h"
#include "foundation/orb_string.h"

#if !defined(_WIN32)
// (On Windows the platform's own record stands here; its header comes first.)
// A calendar time in the layout of the platform's record: eight 16-bit fields.
struct SYSTEMTIME {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;
  uint16_t wDayOfWeek = 0;
  uint16_t wDay = 0;
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
};
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");
#endif

namespace dlist {

// What the storage table says of one value-type code.
struct ValueStorage {
  enum Kind { kNothing, kInteger, kDouble, kByte, kDate };
  Kind kind = kNothing;     // what set(int, text) stores
  bool reads_back = false;  // value() returns what is stored (else 0)
  bool keeps_text = false;  // set(const char*) stores the text
};

// The row of the storage table for code (a code outside 0 to 14 stores nothing).
DLIST_API ValueStorage value_storage(int code);

inline constexpr int kValueTypeCount = 15;  // codes 0 to 14

}  // namespace dlist

// A value: a 16-byte area (one of an integer, a double, a byte, a date) and a text.
struct DLIST_API ATTRIBUTE_VALUE {
  union Area {
    Area() : bytes{} {}
    int32_t integer;
    double real;
    uint8_t byte;
    SYSTEMTIME date;
    unsigned char bytes[16];
  };

  ATTRIBUTE_VALUE() { zero(); }

  Area area;
  ORB::String text;

  // Empties the text and zeroes the value area.
  void clear() {
    zero();
    text = ORB::String();
  }
  void zero() {
    for (unsigned char& b : area.bytes) b = 0;
  }
};
static_assert(sizeof(ATTRIBUTE_VALUE::Area) == 16, "the value area is 16 bytes");

// The description of an attribute's value: its definition and its value-type code.
struct DLIST_API ATTRIBUTE_DESC {
  DBATTRIBUTETYPE definition;
  int16_t type = 0;  // value-type code 0 to 14

  int prec() const { return definition.precision; }
};

// A value with its description and the expression it came from.
class DLIST_API ATTRIBUTE_DATA {
 public:
  ATTRIBUTE_DATA() = default;
  explicit ATTRIBUTE_DATA(int16_t type) { desc_.type = type; }

  // Stores value by the code's row of the storage table, after emptying the text and
  // the expression and zeroing the value area; the text becomes text when given,
  // else the host's string_repr of the value. (src/attributes)
  void set(int value, const char* text);
  void set(long value, const char* text);
  void set(char value, const char* text);  // sign-extended
  void set(bool value, const char* text);  // 0 or 1
  // Empties the expression; keeps the text for the codes whose row says so.
  // (src/attributes)
  void set(const char* text);
  void set(const ORB::String& text);
  // Empties the expression; keeps the date for codes 2 and 3. (src/attributes)
  void set(const SYSTEMTIME& date);
  // Sets the expression only.
  void set_expr(const char* expression) { expr_ = expression; }

  // What the code's row reads back: the integer, the double or the byte; else 0.
  double value() const;
  int prec() const { return desc_.prec(); }
  int16_t type() const { return desc_.type; }
  const char* text() const { return value_.text.c_str(); }
  const char* expr() const { return expr_.c_str(); }

  ATTRIBUTE_VALUE& val() { return value_; }
  const ATTRIBUTE_VALUE& val() const { return value_; }
  ATTRIBUTE_DESC& desc() { return desc_; }
  const ATTRIBUTE_DESC& desc() const { return desc_; }

 private:
  // Empties text and expression and zeroes the area, then stores value by the table.
  void store(long value);

  ATTRIBUTE_VALUE value_;
  ATTRIBUTE_DESC desc_;
  ORB::String expr_;
};

// A set of attribute values that the host hands in (the quantities of an element,
// its attribute values).
class DLIST_API ATTRIBUTE_PACKET {
 public:
  virtual ~ATTRIBUTE_PACKET() = default;
  // The number of values.
  virtual unsigned nAttribute() = 0;
  // Fills data with value index; non-zero on success.
  virtual int get(unsigned index, ATTRIBUTE_DATA& data) = 0;
  // The first value of the attribute with abbreviation abbrev; -1 when none.
  virtual int ufind(const char (&abbrev)[7]) = 0;
  // The next value after index of the same attribute as value index; -1 when none.
  virtual int ufind_next(unsigned index) = 0;
  // Replaces value index; non-zero on success.
  virtual int put(unsigned index, const ATTRIBUTE_DATA& data) = 0;
};

// The distinct values met in a list column. add answers the value's index (an
// equal value is not added twice, -1 when memory is short); ufind its index or -1.
class DLIST_API STRING_VALUE_LIST {
 public:
  int add(const ORB::String& s) { return add(s.c_str()); }
  int ufind(const ORB::String& s) const { return ufind(s.c_str()); }
  int add(const char* text);
  int ufind(const char* text) const;
  unsigned size() const { return static_cast<unsigned>(values_.size()); }
  const char* operator[](unsigned i) const { return i < values_.size() ? values_[i].c_str() : ""; }

 private:
  std::vector<ORB::String> values_;
};

class DLIST_API INTEGER_VALUE_LIST {
 public:
  int add(long value);
  int ufind(long value) const;
  unsigned size() const { return static_cast<unsigned>(values_.size()); }
  long operator[](unsigned i) const { return i < values_.size() ? values_[i] : 0; }

 private:
  std::vector<long> values_;
};

class DLIST_API DOUBLE_VALUE_LIST {
 public:
  // Values are equal when their bits are (so 0.0 and -0.0 differ, a NaN finds itself).
  int add(double value);
  int ufind(double value) const;
  unsigned size() const { return static_cast<unsigned>(values_.size()); }
  double operator[](unsigned i) const { return i < values_.size() ? values_[i] : 0.0; }

 private:
  std::vector<double> values_;
};
