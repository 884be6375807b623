// The surface mask dialog, a stand-in of ours for the suite's surface dialogs that
// take fields of one element's surfaces over to another's: a check box for each
// field that a MASK selects (flags 0 to 5, the hatch values and the last one-byte
// field of slots 0 to 2), a line that says whether the ticked fields are equal in
// both sets (DlgSelectSurfMask), kept up to date as boxes are ticked, and OK, which
// copies the ticked fields from the source set to the target set
// (DlgUpdateSurfMask). The mask is filled from the boxes when the dialog is
// accepted.
#pragma once

#include "palettes/surface_masks.h"

namespace dlist {

inline constexpr int kSurfaceMaskContext = 50700;
// The check box of surface flag f is kSurfaceMaskFlagBase + f.
inline constexpr int kSurfaceMaskFlagBase = 29500;
inline constexpr int kSurfaceMaskStatus = 29499;

// Runs the dialog; the boxes start as mask's flags. 1 when accepted (mask holds the
// ticked flags, and target the copied fields), 0 when cancelled or the dialog cannot
// run (mask and target as they were).
int CrtSurfaceMask(void* parent, MASK& mask, const DBSURFREFTYPE& source, DBSURFREFTYPE& target);

}  // namespace dlist
