// The records of the model's plans: a plan with its name, a storey of a plan with
// its number and name, and the names of a plan's layers. The model database
// (host/model/plans.h) stores them; the system reads them through its calls.
#pragma once

#include <cstdint>

// Field widths, terminator included.
inline constexpr int kPlanNameSize = 32;    // plan name, at most 31 characters
inline constexpr int kStoreyNameSize = 32;  // storey name, at most 31
inline constexpr int kLayerNameSize = 32;   // layer name, at most 31
inline constexpr int kLayerNameCount = 255;

struct DBPLANTYPE {
  char name[kPlanNameSize];
};

// One storey of a plan; numbers are unique within the plan (0 is the ground floor,
// negative numbers lie below it).
struct DBSTORTYPE {
  int32_t number;
  char name[kStoreyNameSize];
};

// The layer names of a plan, by layer index; an unnamed layer has an empty name.
struct DBFOLIANAMES {
  char name[kLayerNameCount][kLayerNameSize];
};

// The layer set of a layout sheet: one byte per layer index (0 to 254); the byte
// kSheetLayerOff leaves that layer out of the sheet, any other value keeps it.
inline constexpr unsigned char kSheetLayerOff = 2;
struct DBFOLIATYPE {
  unsigned char layer[kLayerNameCount];
};
