// Questions about units and dimensions: which dimension holds a unit, its number
// and its class among the three named dimensions, the basic unit of a dimension
// or below a unit, the free dimension numbers, and the dimensions that a
// material's unit references use.

#include <array>
#include <charconv>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/database_task.h"
#include "host/list/list_context.h"
#include "host/resources.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace dlist {

bool unit_children(LISTCONTEXT* library, long parent, std::vector<UnitChild>& out) {
  out.clear();
  if (library->rewind_unit(parent) < 0) return false;
  dbunit record{};
  long id = library->get(record);
  for (; id > 0; id = library->get(record)) out.push_back({id, record});
  return id == 0;  // a step below 0 is a failed read, not the end of the walk
}

long dimension_above(LISTCONTEXT* library, long unit) {
  std::unordered_set<long> seen;
  while (unit > 0 && seen.insert(unit).second) {
    dbunit record{};
    if (library->get(unit, record) < 1) return 0;
    if (has_dimension_prefix(field_text(record.abbrev))) return unit;
    unit = library->get_parent(unit);
  }
  return 0;
}

const char* dimension_name(int index) {
  static const std::array<std::string, 3> names = [] {
    std::array<std::string, 3> loaded;
    for (unsigned i = 0; i < loaded.size(); ++i) {
      char text[kUnitNameSize];
      LoadStr(nullptr, kMsgFirstDimensionName + i, text, sizeof text);
      loaded[i] = text;
    }
    return loaded;
  }();
  return index >= 0 && index < 3 ? names[static_cast<unsigned>(index)].c_str() : "";
}

int dimension_number_of(std::string_view abbrev) {
  if (!has_dimension_prefix(abbrev)) return -1;
  const std::string_view digits = abbrev.substr(2);
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return -1;
  // Digits only: from_chars would take a sign, and "##-0" is no dimension.
  if (digits.find_first_not_of("0123456789") != std::string_view::npos) return -1;
  int n = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size()) return -1;
  return n >= 0 && n < kMaxDimensions ? n : -1;
}

namespace {

// The abbreviation of dimension n.
std::string dimension_abbrev(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "##%d", n);
  return text;
}

// The unit of an abbreviation; 0 when there is none.
long unit_of(LISTCONTEXT* library, const char* abbrev) {
  if (abbrev == nullptr) return 0;
  dbunit record{};
  const long id = library->find_unit(abbrev, record);
  return id > 0 ? id : 0;
}

}  // namespace

}  // namespace dlist

using dlist::field_text;
using dlist::has_dimension_prefix;
using dlist::ReadLock;

int IsDimensionAbbrev(const char* text) {
  return text != nullptr && text[0] == '#' && text[1] == '#' ? 1 : 0;
}

int IsDimensionId(LISTCONTEXT* library, long id) {
  ReadLock lock(library);
  if (!lock) return 0;
  dbunit record{};
  if (library->get(id, record) < 1) return 0;
  return has_dimension_prefix(field_text(record.abbrev)) ? 1 : 0;
}

long GetUnitDimension(LISTCONTEXT* library, char* abbrev) {
  ReadLock lock(library);
  if (!lock) return 0;
  return dlist::dimension_above(library, dlist::unit_of(library, abbrev));
}

long GetUnitDimension(LISTCONTEXT* library, long id) {
  ReadLock lock(library);
  if (!lock) return 0;
  return dlist::dimension_above(library, id);
}

int GetDimEtalon(LISTCONTEXT* library, short n, char* out) {
  ReadLock lock(library);
  if (!lock) return 0;
  const std::string abbrev = dlist::dimension_abbrev(n);
  const long dimension = dlist::unit_of(library, abbrev.c_str());
  if (dimension == 0 || library->rewind_unit(dimension) < 0) return 0;
  dbunit record{};
  for (long id = library->get(record); id > 0; id = library->get(record)) {
    if (dlist::is_basic_factor(record.factor)) {
      dlist::copy_cut(out, kUnitAbbrevSize, field_text(record.abbrev));
      return 1;
    }
  }
  return 0;
}

// Each unit's children are searched for a basic unit before any level below them;
// the levels below are searched from the last child to the first.
long GetBasicUnitProc(LISTCONTEXT* library, long unit) {
  if (unit == 0) return 0;
  ReadLock lock(library);
  if (!lock) return 0;
  long found = 0;
  std::vector<dlist::UnitChild> children;
  dlist::walk_levels(
      unit,
      [&](long id, std::vector<long>& ids) {
        if (!dlist::unit_children(library, id, children)) return false;
        for (const dlist::UnitChild& child : children) ids.push_back(child.id);
        return true;
      },
      [&](const std::vector<long>&) {
        for (const dlist::UnitChild& child : children) {
          if (dlist::is_basic_factor(child.record.factor)) {
            found = child.id;
            return dlist::WalkStep::kStop;
          }
        }
        return dlist::WalkStep::kGoOn;
      });
  return found;
}

DIMENSION_TYPE get_unit_dimension(LISTCONTEXT* library, char* abbrev) {
  ReadLock lock(library);
  if (!lock) return DIMENSION_NONE;
  const long dimension = dlist::dimension_above(library, dlist::unit_of(library, abbrev));
  dbunit record{};
  if (dimension == 0 || library->get(dimension, record) < 1) return DIMENSION_NONE;
  const std::string_view name = field_text(record.name);
  for (int i = 0; i < 3; ++i) {
    if (name == dlist::dimension_name(i)) return static_cast<DIMENSION_TYPE>(i + 1);
  }
  return DIMENSION_NONE;
}

int GetDimensions(LISTCONTEXT* library, CRAS<long, 4>* out) {
  if (out == nullptr) return 0;
  out->resize(0);
  ReadLock lock(library);
  if (!lock) return 0;
  Unit unit(library, 0);
  for (int more = unit.root(); more != 0; more = unit.get()) {
    if (!has_dimension_prefix(field_text(unit.data.abbrev))) continue;
    const unsigned before = out->size();
    out->push(unit.elemid());
    if (out->size() == before) return 0;
  }
  return 1;
}

int FirstFreeDimensionAbbrev(LISTCONTEXT* library, char* out) {
  ReadLock lock(library);
  if (!lock) return -1;
  for (int n = 0; n < kMaxDimensions; ++n) {
    const std::string abbrev = dlist::dimension_abbrev(n);
    if (dlist::unit_of(library, abbrev.c_str()) == 0) {
      dlist::copy_cut(out, kUnitAbbrevSize, abbrev);
      return n;
    }
  }
  return -1;
}

long FindDimensionByName(LISTCONTEXT* library, const char* name) {
  if (name == nullptr) return 0;
  ReadLock lock(library);
  if (!lock) return 0;
  Unit unit(library, 0);
  for (int more = unit.root(); more != 0; more = unit.get()) {
    if (has_dimension_prefix(field_text(unit.data.abbrev)) && field_text(unit.data.name) == name) {
      return unit.elemid();
    }
  }
  return 0;
}

int DimensionNumber(LISTCONTEXT* library, const char* abbrev) {
  ReadLock lock(library);
  if (!lock) return -1;
  const long dimension = dlist::dimension_above(library, dlist::unit_of(library, abbrev));
  dbunit record{};
  if (dimension == 0 || library->get(dimension, record) < 1) return -1;
  return dlist::dimension_number_of(field_text(record.abbrev));
}

uint32_t MaterialDimensionMask(LISTCONTEXT* library, long material) {
  ReadLock lock(library);
  if (!lock) return 0;
  std::vector<std::string> abbrevs;
  if (library->rewind_unit_ref(material) < 0) return 0;
  unitref ref{};
  while (library->get(ref) > 0) abbrevs.emplace_back(field_text(ref.abbrev));
  uint32_t mask = 0;
  for (const std::string& abbrev : abbrevs) {
    const int n = DimensionNumber(library, abbrev.c_str());
    if (n < 0) return 0;
    mask |= uint32_t{1} << n;
  }
  return mask;
}
