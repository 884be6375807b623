// The identifier of a stored record together with its record type, as records
// carry it: a 32-bit identifier and a 16-bit type, six bytes packed.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct RECIDTYPE {
  int32_t id;    // record identifier in the model database, 0 for none
  int16_t type;  // record type of the host (`rttype()` of the record), 0 for none

  constexpr RECIDTYPE() : id(0), type(0) {}
  constexpr RECIDTYPE(int32_t i, int16_t t) : id(i), type(t) {}
};
#pragma pack(pop)

static_assert(sizeof(RECIDTYPE) == 6, "RECIDTYPE image is 6 bytes");

inline bool operator==(const RECIDTYPE& a, const RECIDTYPE& b) {
  return a.id == b.id && a.type == b.type;
}
