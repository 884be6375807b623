// The array instantiations of the material library's records, compiled once.
#include "foundation/material_records.h"

template class CDA<char, 8>;
template class CRAS<char, 8>;
template class CDA<MATID, 3>;
template class CRAS<MATID, 3>;
template class PDA<TEXTBUFFER, 4, 4>;
template class PRAS<TEXTBUFFER, 4, 4>;
