// The records of the material library: materials with their four long texts,
// units and dimensions, unit and subprice references, markets, subprices, the
// library's long text names and its version record with the material ID
// separator; the chain of code components of a material and the chain of texts
// that lists material codes. The library database (host/list) stores them; the
// system and the database share them by these declarations.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/text_buffer.h"

// Field widths, terminator included.
inline constexpr int kMatIdSize = 32;        // own code component, at most 31 characters
inline constexpr int kMatNameSize = 256;     // material name, at most 255
inline constexpr int kUnitAbbrevSize = 5;    // unit and subprice abbreviation, at most 4
inline constexpr int kMarketNameSize = 27;   // market name, at most 26
inline constexpr int kUnitNameSize = 25;     // unit and dimension name, at most 24
inline constexpr int kSubpriceNameSize = 45; // subprice name, at most 44
inline constexpr int kFormulaSize = 32;      // subprice formula, at most 31
inline constexpr int kLongTextNameSize = 25; // long text name, at most 24
inline constexpr int kLongTextCount = 4;

// Highest unit price a material may carry.
inline constexpr double kMaxUnitPrice = 9999999999.0;

// One material. Its four long texts travel beside it in four growable buffers
// (LONGTEXTS); long_text_length[i] is the byte count of text i.
struct dbmaterial {
  char id[kMatIdSize];             // the material's own code component
  char name[kMatNameSize];
  double unit_price;               // 0 to kMaxUnitPrice
  char native_unit[kUnitAbbrevSize];  // abbreviation of the unit the price is given in
  char market[kMarketNameSize];    // name of the market
  int32_t long_text_length[kLongTextCount];
};

// The four long texts of a material: the bytes of each, without a terminator; the
// count of a buffer is the text's length.
using LONGTEXT = CRAS<char, 8>;

// One unit, or a dimension (a root unit whose abbreviation is "##" and a number
// 0 to 31).
struct dbunit {
  char abbrev[kUnitAbbrevSize];
  char name[kUnitNameSize];
  int32_t usage;   // material unit references that use this unit
  double factor;   // how many of this unit make one basic unit of its dimension
};

// One unit reference of a material.
struct unitref {
  char abbrev[kUnitAbbrevSize];
  double factor;  // one native unit in this unit
};

// One subprice reference of a material.
struct subpriceref {
  char abbrev[kUnitAbbrevSize];
  double value;
};

// How a subprice takes part in a price.
enum SUBPRICETYPE : int32_t {
  SUBPRICE_FORMULA = 0,   // a formula, added to the price; written " "
  SUBPRICE_MULTIPLY = 1,  // a factor of the unit price; written "*"
  SUBPRICE_ADD = 2,       // a value added to the price; written "+"
  SUBPRICE_INFO = 3,      // a formula evaluated only; written "i"
};

struct dbsubprice {
  char abbrev[kUnitAbbrevSize];
  char name[kSubpriceNameSize];
  SUBPRICETYPE kind;
  double value;                  // kinds 1 and 2; 0 for formulas
  char formula[kFormulaSize];    // kinds 0 and 3
};

struct dbmarket {
  char name[kMarketNameSize];
};

// The library's four long text names.
struct longtextname {
  char name[kLongTextCount][kLongTextNameSize];
};

// The library's version record; it holds the character that joins code components
// for display (0 when none is set).
struct dbvernum {
  int32_t version;
  char idseparator;
};

// Which of the three named dimensions a unit belongs to (0: none of them).
enum DIMENSION_TYPE : int { DIMENSION_NONE = 0, DIMENSION_FIRST = 1, DIMENSION_SECOND = 2, DIMENSION_THIRD = 3 };

// One code component in its 32-byte slot.
struct MATID {
  char id[kMatIdSize];
};

// The code of a material: its components from the root down.
class DLIST_API MATIDCHAIN : public CRAS<MATID, 3> {};

// A list of texts (material codes, names).
class DLIST_API TEXTBUFFERCHAIN : public PRAS<TEXTBUFFER, 4, 4> {};

extern template class CDA<char, 8>;
extern template class CRAS<char, 8>;
extern template class CDA<MATID, 3>;
extern template class CRAS<MATID, 3>;
extern template class PDA<TEXTBUFFER, 4, 4>;
extern template class PRAS<TEXTBUFFER, 4, 4>;
