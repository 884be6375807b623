// CallTextSelect: the host's chooser of the text library (host/model/text_library.h).
// A modal dialog lists the library's texts by name; the user picks one (a click and
// OK, or a double click) and its text is handed back.
#pragma once

#include "dlist/api.h"
#include "foundation/text_buffer.h"

namespace dlist {

// The chooser's context identifier and its controls.
inline constexpr int kTextSelectContext = 22308;
inline constexpr int kTextSelectList = 10750;     // report list: name, text
inline constexpr int kTextSelectPreview = 10437;  // the chosen text, read-only

}  // namespace dlist

// Lets the user pick a text of the active model's text library: 1 with the text in
// *text, 0 when the user cancels, picks nothing, the library is empty (a message
// says so) or the dialog cannot be built (*text then stays as it was).
DLIST_API int CallTextSelect(void* parent, TEXTBUFFER* text);
