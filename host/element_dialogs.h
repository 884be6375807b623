// The element dialogs of the suite, stood in for by one table-driven dialog: for
// each element kind a table names the fields of the kind's palette member (its
// label, where it lies, its type and its range), and the dialog shows one number
// field per entry. The presets are edited in place; the other members of the
// element record are left as they are.
#pragma once

#include "dlist/api.h"

namespace dlist {

// Context identifier of the dialog of kind: kElementDialogContext + kind.
inline constexpr int kElementDialogContext = 50650;
// The first number field; the n-th field of a kind's table is kElementFirstField + n.
inline constexpr int kElementFirstField = 10900;

// The number of fields the dialog of kind shows; 0 for a kind outside 1 to 13.
int element_field_count(int kind);

}  // namespace dlist

// Edits the presets of the element record at record (a DB<KIND>TYPE of kind) in a
// modal dialog titled with the kind's name. 1 when the user confirmed (the record
// then holds the new values), 0 when cancelled, for a null record or a kind
// outside 1 to 13 (the record is untouched then).
DLIST_API int DLIST_CALL CrtElementPreset(void* parent, int kind, void* record);
