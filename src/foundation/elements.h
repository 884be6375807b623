// The element records of the 13 kinds (`DB<KIND>TYPE`), each embedding its palette:
// the plain records (walls, doors, windows, lines, circles, hotspots), the text
// record, the outline records (ceilings, roofs, rasters, parcels) and the placed
// records (stairs, symbols).
#pragma once

#include "foundation/outline_elements.h"
#include "foundation/placed_elements.h"
#include "foundation/plain_elements.h"
#include "foundation/text_element.h"
