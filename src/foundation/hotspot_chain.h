// HOTSPOTCHAIN: the 3D hotspots of a symbol or stair, a contiguous array of
// `COORD3D` (steps of 16) with its count.
#pragma once

#include <cstring>

#include "foundation/arrays.h"
#include "foundation/geometry.h"

class HOTSPOTCHAIN : public CDA<COORD3D, 4> {
 public:
  using CDA<COORD3D, 4>::CDA;

  unsigned count() const { return size(); }

  // Sets the count to n; hotspots that remain keep their values, new ones are
  // (0, 0, 0). False, unchanged, when memory is short.
  bool set_count(unsigned n) {
    const unsigned old = size();
    if (n == 0) {
      resize(0);
      return true;
    }
    if (!resize(n)) return false;
    if (n > old) std::memset(static_cast<void*>(data + old), 0, sizeof(COORD3D) * (n - old));
    return true;
  }
};

// Equal when the counts are equal and every coordinate is equal bit for bit.
inline bool operator==(const HOTSPOTCHAIN& a, const HOTSPOTCHAIN& b) {
  return a.count() == b.count() &&
         (a.count() == 0 ||
          std::memcmp(static_cast<const COORD3D*>(a), static_cast<const COORD3D*>(b),
                      sizeof(COORD3D) * a.count()) == 0);
}

extern template class CDA<COORD3D, 4>;
