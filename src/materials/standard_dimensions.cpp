// The four standard dimensions of the list import (pieces, length, area, volume)
// with their units, and the recognition of a file's dimension line as one of them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/fixed_text.h"
#include "host/list/list_context.h"
#include "host/resources.h"
#include "host/settings.h"
#include "materials/list_import_internal.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace dlist::limport {
namespace {

constexpr double kFeet = 3.2808337791663327;
constexpr double kSquareFeet = 10.763870286518841;
constexpr double kCubicFeet = 35.31446923057581;

constexpr unsigned kPieces = 438;
constexpr unsigned kLengthName = 447;
constexpr unsigned kAreaName = 456;
constexpr unsigned kVolumeName = 466;

struct StandardUnit {
  unsigned dimension;  // message of the dimension's name
  unsigned name;       // message of the unit's name
  unsigned abbrev;     // message of the unit's abbreviation
  double factor;
};

constexpr StandardUnit kUnits[] = {
    {kPieces, 439, 440, 1},
    {kLengthName, 471, 441, 1},
    {kLengthName, 472, 442, 10},
    {kLengthName, 473, 443, 100},
    {kLengthName, 474, 444, 1000},
    {kLengthName, 475, 445, 39.37000534999599},
    {kLengthName, 476, 446, kFeet},
    {kAreaName, 482, 451, 1},
    {kAreaName, 483, 452, 100},
    {kAreaName, 484, 453, 10000},
    {kAreaName, 485, 454, 1549.997321258713},
    {kAreaName, 486, 455, kSquareFeet},
    {kVolumeName, 491, 461, 1},
    {kVolumeName, 492, 462, 1000},
    {kVolumeName, 493, 463, 1000000},
    {kVolumeName, 494, 464, 61023.40283043499},
    {kVolumeName, 495, 465, kCubicFeet},
};

// The basic units a dimension line may name, with the multiplier of its factors.
struct BasicPair {
  unsigned dimension;
  unsigned unit;
  unsigned abbrev;
  int slot;
  double multiplier;
};

constexpr BasicPair kBasics[] = {
    {kPieces, 439, 440, -1, 1.0},
    {kLengthName, 471, 441, kLength, 1.0 / kFeet},
    {kLengthName, 476, 446, kLength, kFeet},
    {kAreaName, 482, 451, kArea, 1.0 / kSquareFeet},
    {kAreaName, 486, 455, kArea, kSquareFeet},
    {kVolumeName, 491, 461, kVolume, 1.0 / kCubicFeet},
    {kVolumeName, 495, 465, kVolume, kCubicFeet},
};

std::string text(unsigned id, std::size_t limit) {
  std::string s = load_string(id);
  if (s.size() > limit) s.resize(limit);
  return s;
}

void copy_field(char* out, std::size_t size, const std::string& value) {
  std::memset(out, 0, size);
  std::memcpy(out, value.data(), std::min(value.size(), size - 1));
}

// The dimension of name (case-insensitive) among "##0" to "##31"; 0 when none,
// -1 when the walk fails.
long find_standard_dimension(LISTCONTEXT* library, const std::string& name) {
  std::vector<long> ids;
  if (library->unit_children(0, ids) < 0) return -1;
  for (const long id : ids) {
    dbunit rec{};
    if (library->get(id, rec) != id) return -1;
    if (std::strncmp(rec.abbrev, "##", 2) != 0) continue;
    const std::string number = dlist::field_string(rec.abbrev + 2, kUnitAbbrevSize - 2);
    if (number.empty() || number.size() > 2) continue;
    if (same_text(dlist::field_string(rec.name), name)) return id;
  }
  return 0;
}

}  // namespace

bool same_text(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    const auto lx = (x >= 'A' && x <= 'Z') ? x + 32 : x;
    const auto ly = (y >= 'A' && y <= 'Z') ? y + 32 : y;
    if (lx != ly) return false;
  }
  return true;
}

std::string piece_unit() { return text(440, kUnitAbbrevSize - 1); }

int multiplier_slot(std::string_view dimension_name) {
  if (same_text(dimension_name, text(kLengthName, kUnitNameSize - 1))) return kLength;
  if (same_text(dimension_name, text(kAreaName, kUnitNameSize - 1))) return kArea;
  if (same_text(dimension_name, text(kVolumeName, kUnitNameSize - 1))) return kVolume;
  return -1;
}

bool standard_basic(const std::string& dimension, const std::string& unit, StandardBasic& out) {
  for (const BasicPair& pair : kBasics) {
    if (same_text(dimension, text(pair.dimension, kUnitNameSize - 1)) &&
        same_text(unit, text(pair.unit, kUnitNameSize - 1))) {
      out.abbrev = text(pair.abbrev, kUnitAbbrevSize - 1);
      out.dimension = text(pair.dimension, kUnitNameSize - 1);
      out.slot = pair.slot;
      out.multiplier = pair.multiplier;
      return true;
    }
  }
  return false;
}

namespace {

std::string name_of(const dbunit& rec) { return dlist::field_string(rec.name); }

// The dimension that holds the standard units of one dimension: the dimension above
// the first of them that the library holds (the basic unit only when its factor is
// basic), else the dimension of the standard name. 0 when there is none, -1 when a
// call fails.
long holding_dimension(LISTCONTEXT* library, const StandardUnit* first, const StandardUnit* last) {
  for (const StandardUnit* u = first; u != last; ++u) {
    dbunit found{};
    const long id = library->find_unit(text(u->abbrev, kUnitAbbrevSize - 1).c_str(), found);
    if (id < 0) return -1;
    if (id == 0) continue;
    if (u->factor == 1.0 && !(std::fabs(found.factor - 1.0) < kBasicUnitTolerance)) continue;
    const long dimension = GetUnitDimension(library, id);
    if (dimension <= 0) return -1;  // a found unit stands in a dimension
    return dimension;
  }
  return find_standard_dimension(library, text(first->dimension, kUnitNameSize - 1));
}

}  // namespace

StandardOutcome make_standard_dimensions(LISTCONTEXT* library, StandardProblem* problem) {
  const bool inches = GetMeterInch() >= 4;
  const StandardUnit* const end = kUnits + sizeof kUnits / sizeof kUnits[0];
  for (const StandardUnit* first = kUnits; first != end;) {
    const StandardUnit* last = first;
    while (last != end && last->dimension == first->dimension) ++last;
    const std::string dimension_name = text(first->dimension, kUnitNameSize - 1);
    long dimension = holding_dimension(library, first, last);
    if (dimension < 0) return StandardOutcome::kFailed;
    if (dimension == 0) {
      dbunit rec{};
      if (FirstFreeDimensionAbbrev(library, rec.abbrev) < 0) {
        if (problem != nullptr) problem->dimension = dimension_name;
        return StandardOutcome::kNoFreeDimension;
      }
      copy_field(rec.name, kUnitNameSize, dimension_name);
      rec.factor = 1.0;
      dimension = library->create(0, rec);
      if (dimension < 1) return StandardOutcome::kFailed;
    }
    for (const StandardUnit* u = first; u != last; ++u) {
      const std::string abbrev = text(u->abbrev, kUnitAbbrevSize - 1);
      dbunit found{};
      const long id = library->find_unit(abbrev.c_str(), found);
      if (id < 0) return StandardOutcome::kFailed;
      if (id > 0) {
        // The library's own unit of that abbreviation serves, whatever its name, when
        // it stands in the same dimension as the others.
        const long holder = GetUnitDimension(library, id);
        if (holder <= 0) return StandardOutcome::kFailed;  // a failed read, no conflict
        if (holder == dimension) continue;
        if (problem != nullptr) {
          dbunit other{};
          problem->unit = abbrev;
          problem->dimension = dimension_name;
          problem->holder = holder > 0 && library->get(holder, other) == holder ? name_of(other) : std::string();
        }
        return StandardOutcome::kUnitElsewhere;
      }
      double factor = u->factor;
      if (inches) {
        if (u->dimension == kLengthName) factor /= kFeet;
        if (u->dimension == kAreaName) factor /= kSquareFeet;
        if (u->dimension == kVolumeName) factor /= kCubicFeet;
      }
      dbunit rec{};
      copy_field(rec.abbrev, kUnitAbbrevSize, abbrev);
      copy_field(rec.name, kUnitNameSize, text(u->name, kUnitNameSize - 1));
      rec.factor = factor;
      if (library->create(dimension, rec) < 1) return StandardOutcome::kFailed;
    }
    first = last;
  }
  return StandardOutcome::kDone;
}

}  // namespace dlist::limport
