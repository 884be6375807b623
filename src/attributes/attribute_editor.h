// The attribute editor: the modal dialog in which one attribute definition and its
// references (named values) are created, changed or shown, and the read-only view
// of a definition alone.
#pragma once

#include "dlist/api.h"
#include "foundation/attribute_records.h"

namespace dlist {
inline constexpr int kAttributeCreate = 0;
inline constexpr int kAttributeEdit = 1;
inline constexpr int kAttributeShow = 2;
}  // namespace dlist

// Mode 0 creates an attribute in the group id and returns the new attribute's
// identifier; mode 1 edits the attribute id and returns id; mode 2 shows it
// read-only and returns id. 0 when the dialog is cancelled or fails.
DLIST_API long CallAttributeEdit(void* window, long id, int mode);
// Shows definition read-only, without references: 1 when shown, 0 on failure.
DLIST_API int CallAttributeShow(void* window, DBATTRIBUTETYPE& definition);
