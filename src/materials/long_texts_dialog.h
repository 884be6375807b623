// The long texts dialog of the material dialogs: four tabs named by the library's
// long text names, one multi-line text of up to kMaxLongText characters each.
#pragma once

#include "foundation/material_records.h"

class LISTCONTEXT;

namespace dlist {

// Shows texts (kLongTextCount buffers); when accepted and not read_only, each text
// is stored into its buffer (without a terminator). 1 when accepted, 0 when
// cancelled, -1 when the dialog could not be built (reported).
int run_long_texts_dialog(void* parent, LISTCONTEXT* library, LONGTEXT* texts, bool read_only);

}  // namespace dlist
