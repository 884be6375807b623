// The object library (the library parts that doors, windows, symbols and stairs
// name by an ORIGNAME): the call that completes a part's parameter block with the
// parameters that depend on the others (`explode_deplibpars`).
//
// The stand-in stores no library parts, so no parameter can be derived: the call
// does the least that keeps a block sound. It clamps the block's count to the
// block (0 to LIBPARAMS::kCapacity), so that no count beyond the values is passed
// on, and hands the block's values over as the expanded block.
#pragma once

#include "dlist/api.h"
#include "foundation/library_params.h"

// Completes params for the library part name; expanded receives the completed
// block. 1 on success; 0, with nothing changed, when params or expanded is null.
DLIST_API int explode_deplibpars(ORIGNAME name, LIBPARAMS* params, LIBPARAMS* expanded);
