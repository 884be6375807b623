// The material library of the demonstration: dimensions of length, area, volume
// and pieces with their units, two markets, a subprice of each of the four kinds,
// the four long text names and a three-level material tree (1 Masonry / 1.1 Bricks /
// 1.1.1 Solid brick, ...) whose materials carry prices, a native and further unit
// references, subprice references and long texts with line breaks (CR LF).
#pragma once

#include <optional>
#include <string>

#include "host/list/list_context.h"

namespace dlist::cli {

// What fill_demo_library made.
struct MaterialDemoCounts {
  int dimensions = 0;
  int units = 0;  // below the dimensions
  int markets = 0;
  int subprices = 0;
  int materials = 0;
};

// Fills an empty library through the dialogs of the `materials` commands (every
// unit reference raises its unit's usage). Nothing,
// with the reason in *error, when a store call fails; the caller's transaction then
// keeps the library as it was.
std::optional<MaterialDemoCounts> fill_demo_library(LISTCONTEXT& library, std::string* error);

}  // namespace dlist::cli
