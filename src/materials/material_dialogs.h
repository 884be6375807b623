// The dialogs in which the user creates or edits one material of the library, renames
// it, and the read-only displays of a stored material and of an imported record.
#pragma once

#include "dlist/api.h"
#include "materials/material_entry.h"

class Material;

// Mode 1 edits the material the cursor stands on; mode 5 creates a child of it. The
// dialog's result (non-zero when accepted); 0 for another mode or when the dialog
// cannot be built.
DLIST_API int DLIST_CALL CrtEditMaterial(void* window, Material* material, short mode);
DLIST_API int DLIST_CALL CrtRenameMaterial(void* window, Material* material);
// Read-only: the subprice and unit lists of the stored material / of the imported
// record entry.
DLIST_API int DLIST_CALL CrtShowMaterial(void* window, Material* material);
DLIST_API int DLIST_CALL CrtShowMaterialEntry(void* window, Material* material, MATERIALENTRY* entry);
