// The state one list import shares between its parts: the header reader
// (list_import_header.cpp), the standard dimensions (standard_dimensions.cpp), the
// record reader's callbacks (list_importer.cpp) and the entry points
// (list_import.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/import/field_list.h"
#include "materials/material_entry.h"

class LISTCONTEXT;

namespace dlist::limport {

// The field types of a list import: what a field of a record holds. A field's name
// is the text kFieldTypeNames + its type; the end mark of a group is named
// kGroupEndName.
enum FieldType : int {
  kTypeCode = 0,             // the material code, its components joined by "."
  kTypeName = 1,             // the material's name
  kTypeMarket = 2,           // the market's name
  kTypeNativeDimension = 3,  // the dimension of the native unit
  kTypeNativeUnit = 4,       // the native unit's abbreviation
  kTypeIgnored = 5,          // read and not kept
  kTypeSecondDimension = 6,  // the dimension of the second unit
  kTypeSecondFactor = 7,     // the factor of the second unit
  kTypeSubpriceName = 8,     // a subprice by its name (the first one of a record: the price)
  kTypeSubpriceValue = 9,    // a subprice's value (after kTypeSubpriceName: the unit price)
  kTypeLongText1 = 10,       // the four long texts, kTypeLongText1 + 0 .. 3
  kTypeLongText4 = 13,
  kTypeUnitPrice = 14,       // the unit price
  kTypeSubpriceAbbrev = 15,  // a subprice reference's abbreviation
  kTypeConversion = 16,      // the conversion factor of the native unit
  kTypeUnitAbbrev = 17,      // a unit reference's abbreviation
  kTypeUnitFactor = 18,      // a unit reference's factor
  kTypeSkipped = 100,        // a field the file carries for other readers; not kept
  kTypeGroupEnd = 101,       // the end mark of a repeated group
};
inline constexpr int kLastNumberedType = kTypeUnitFactor;
inline constexpr int kFieldTypeNames = 16600;
inline constexpr int kGroupEndName = 21662;

// The name text of a field of type `type`.
constexpr int field_type_name(int type) { return kFieldTypeNames + type; }

// Conversion multipliers of new units, by dimension.
enum Multiplier { kLength = 0, kArea = 1, kVolume = 2 };

struct ImportState {
  // Pairs (library abbreviation, file abbreviation).
  std::vector<std::pair<std::string, std::string>> abbrev_map;
  std::vector<UnitConflict> conflicts;
  // Pairs (dimension number, unit text) of the delimited text import and the
  // dimension abbreviations of a version 2 file.
  std::vector<std::pair<int, std::string>> dimension_cache;
  double multipliers[3] = {1.0, 1.0, 1.0};
  // Set when the user cancelled a question: the import ends without an error box.
  bool cancelled = false;
  // Set when the person stopped the import in the progress window: the import
  // rolls back whatever it placed and fails.
  bool stopped = false;
  // The host decimal point, read once an import: numbers of the file are read with it.
  char decimal_point = '.';

  // The library abbreviation of a unit named abbrev in the file.
  std::string map_abbrev(std::string_view abbrev) const;
  // Enters (library, file) into the map; false when another file abbreviation
  // already maps onto library.
  bool add_abbrev(const std::string& library, const std::string& file);
};

// Shows error number `error` of the import file (title 21677, message 21691).
void show_error(void* window, int error);
// Shows error `error` of a failed dim line.
void show_line_error(void* window, int error, const std::string& line);
// Shows error `error` found in line `number` of the file (from 1).
void show_numbered_error(void* window, int error, long number);

// Error numbers of the checks that have none of their own in the file's tradition
// (listed in docs/formats.md).
inline constexpr int kErrorLineEnd = 70;          // a line not ended by CR LF
inline constexpr int kErrorLongHeaderLine = 71;   // a header line longer than kMaxHeaderLine
inline constexpr int kErrorHeaderCut = 72;        // the file ends inside its header
inline constexpr int kErrorLongFormula = 73;      // a subprice formula too long for its field
inline constexpr int kErrorSubpriceRefused = 74;  // the library refused a subprice
inline constexpr int kErrorNamesRefused = 75;     // the library refused the long text names
inline constexpr int kErrorPriceRange = 76;       // a unit price outside 0 to kMaxUnitPrice
inline constexpr int kErrorUnitElsewhere = 77;    // a standard unit in another dimension
inline constexpr int kErrorNoDimension = 78;      // no free number for a standard dimension

// Reads one line: the bytes up to CR or LF, then the LF after a CR. False at the
// end of the file or for a line longer than kMaxHeaderLine.
inline constexpr std::size_t kMaxHeaderLine = 65536;
bool read_line(std::FILE* file, std::string& line);

// Checks the layout of a whole list export file before anything is read into the
// library: every line ends with CR LF (a CR or LF alone is refused wherever it
// stands, also inside a record), no header line is longer than kMaxHeaderLine, and
// the header ends with its empty line (version 3: one after the second line;
// version 2: the end of the field description block and then that of the header).
// 0 when the file passes, else the error number, with the line in *line (from 1).
// The file is read from its start; its position afterwards is unspecified.
int check_layout(std::FILE* file, bool old_format, long* line);

// Makes the library hold the standard dimensions and their units. A standard
// dimension is the one that holds the library's units of its abbreviations (its
// basic unit counted only with a basic factor), whatever its name; else the one of
// its standard name; else it is created. Missing units are created in it.
enum class StandardOutcome {
  kDone,
  kUnitElsewhere,    // a standard unit stands in another dimension than the others
  kNoFreeDimension,  // a missing standard dimension finds no free number
  kFailed,           // a library call failed
};
struct StandardProblem {
  std::string unit;       // the unit's abbreviation
  std::string dimension;  // the standard dimension's name
  std::string holder;     // the name of the dimension that holds the unit
};
StandardOutcome make_standard_dimensions(LISTCONTEXT* library, StandardProblem* problem);
// The standard basic unit for a dimension named `dimension` whose basic unit is
// named `unit` in the file (case-insensitive): the library abbreviation, the
// multiplier slot and its value. False when the pair is not a standard one.
struct StandardBasic {
  std::string abbrev;        // the library's abbreviation of that unit
  std::string dimension;     // the standard dimension's name
  int slot = -1;             // kLength, kArea, kVolume; -1 for pieces
  double multiplier = 1.0;
};
bool standard_basic(const std::string& dimension, const std::string& unit, StandardBasic& out);
// The multiplier slot of a dimension name (length, area, volume), -1 for another.
int multiplier_slot(std::string_view dimension_name);
// The piece unit's abbreviation.
std::string piece_unit();

// Reads the header of a version 3 file (after its first line): the separator line,
// then the header lines up to the empty line. 1 on success, 0 after an error shown.
int read_header_v3(void* window, LISTCONTEXT* library, std::FILE* file, ImportState& state,
                   FileImport& fields);
// Reads the header of a version 2 file (after its first line).
int read_header_v2(void* window, LISTCONTEXT* library, std::FILE* file, ImportState& state,
                   FileImport& fields);

// Evaluates a number of the file: an expression with the host's decimal point
// (decimal_point), or with "." as list export files write it.
bool evaluate(const std::string& text, double& value, char decimal_point);
// value rounded half up to decimals: the value of its text with that many
// decimals, read back as written; a value too long to write stays as it is.
double round_half_up(double value, int decimals);

// Case-insensitive equality of byte texts.
bool same_text(std::string_view a, std::string_view b);

}  // namespace dlist::limport
