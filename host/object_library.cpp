// The object library stand-in: parameter blocks of library parts.

#include "host/object_library.h"

#include <cstdint>

int explode_deplibpars(ORIGNAME /*name*/, LIBPARAMS* params, LIBPARAMS* expanded) {
  if (!params || !expanded) return 0;
  params->count = static_cast<int16_t>(params->used());
  *expanded = *params;
  return 1;
}
