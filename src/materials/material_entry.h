// The record of one material as the list import reads it, before it is placed in
// the library: the material with its long texts, its code components, and the unit
// and subprice references it brings. The import's overwrite question shows it
// beside the stored material.
#pragma once

#include <string>
#include <vector>

#include "foundation/material_records.h"

inline constexpr int kEntryUnitSlots = 32;
inline constexpr int kEntrySubpriceSlots = 20;
// The value of a subprice slot that was not given yet: the smallest normal double.
inline constexpr double kSubpriceNotGiven = 2.2250738585072014e-308;

struct MATERIALENTRY {
  dbmaterial material{};
  LONGTEXT texts[kLongTextCount];
  std::vector<std::string> code;  // code components as read
  unitref units[kEntryUnitSlots]{};          // factor 0: not given yet
  subpriceref subprices[kEntrySubpriceSlots]{};  // value kSubpriceNotGiven: not given yet
};

// One entry of the import's unit conflict list.
struct UnitConflict {
  long line = 0;        // line of the file that names the unit
  int dimension = -1;   // number of the dimension it belongs to
  int flag = 0;         // set when that line created a new dimension
  char library_abbrev[kUnitAbbrevSize]{};
  char file_abbrev[kUnitAbbrevSize]{};
  std::string description;  // how the file describes the unit, for the question
};
