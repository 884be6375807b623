// DL_PRECISION, the precision of one numeric object parameter in a set of
// list definitions, and the instantiation of its table, CDA<DL_PRECISION,7>.
#pragma once

#include "foundation/arrays.h"

struct DL_PRECISION {
  char key[8];    // the parameter's key, zero-terminated
  int precision;  // number of decimals
};
static_assert(sizeof(DL_PRECISION) == 12, "DL_PRECISION is a key of 8 bytes and an int");

extern template class CDA<DL_PRECISION, 7>;
