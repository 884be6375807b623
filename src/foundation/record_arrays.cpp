// The array instantiations of the record types, compiled once here so that the
// library exports them to the host.
#include "foundation/attribute_records.h"
#include "foundation/records.h"

template class CDA<COORD3D, 4>;
template class PDA<DBSURFHATCH, 1, 1>;
template class PRAS<DBSURFHATCH, 1, 1>;
template class CDA<SURFACEMASK, 1>;
template class CRAS<SURFACEMASK, 1>;
template class PDA<DBMATREF, 4, 4>;
template class PRAS<DBMATREF, 4, 4>;
template class PDA<DBATTREFTYPE, 5, 5>;
template class PRAS<DBATTREFTYPE, 5, 5>;
template class PDA<DBATTRIBUTETYPE, 1, 1>;
template class PRAS<DBATTRIBUTETYPE, 1, 1>;
template class PDA<DBEDGEPALETTE, 4, 4>;
template class PRAS<DBEDGEPALETTE, 4, 4>;
template class PDA<ROOFCALCDATA, 4, 4>;
template class PDA<DBPOLYGONTYPE, 2, 2>;
template class PRAS<DBPOLYGONTYPE, 2, 2>;
