// The array and sequence instantiations that this library compiles and exports for
// its own element types, so that the host modules and this library can hand such
// arrays to each other. The record types' instantiations live beside those records.
#include "foundation/arrays.h"

#include "foundation/orb_string.h"
#include "foundation/precision.h"
#include "foundation/sequences.h"

template class CDA<int, 6>;
template class CDA<double, 6>;
template class CDA<long, 8>;
template class SCDA<long>;
template class CRAS<long, 4>;
template class PDA<double, 5, 5>;
template class PRAS<double, 5, 5>;
template class CDA<DL_PRECISION, 7>;

template class PDA<ORB::String, 6, 4>;
template class OutArraySimple<ORB::String>;
