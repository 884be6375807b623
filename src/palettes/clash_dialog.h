// The clash choice of palette imports and the dialog that asks for it. When an
// imported palette already exists in the project under a node that differs from the
// imported one, the clash choice decides: overwrite that node with the imported
// one, or leave it. The choice is module-wide; the palette manager sets it to -1
// before every import, and while it is negative the import asks at every clash.
#pragma once

#include "dlist/api.h"

namespace dlist {

// Values of the clash choice.
inline constexpr short kClashOverwriteAsk = -1;  // overwrite this node, ask again next time
inline constexpr short kClashKeepAsk = -2;       // leave this node, ask again next time
inline constexpr short kClashOverwriteAll = 1;   // overwrite this and every further node
inline constexpr short kClashKeepAll = 2;        // leave this and every further node

// The dialog: context, caption, the two names shown and the four buttons.
inline constexpr int kClashContext = 22242;
inline constexpr int kClashCaption = 21684;
inline constexpr int kClashImportedName = 10396;  // the imported node's name
inline constexpr int kClashExistingName = 10397;  // the existing node's name
inline constexpr int kClashButtonOverwrite = 10770;
inline constexpr int kClashButtonKeep = 10771;
inline constexpr int kClashButtonOverwriteAll = 10772;
inline constexpr int kClashButtonKeepAll = 10773;

// The clash choice (-1 at load).
DLIST_API short clash_choice();
DLIST_API void set_clash_choice(short choice);

// Shows the names of the imported node and of the existing one and asks what to do.
// The button that has the focus when the dialog is confirmed (by that button, or
// Enter) sets the clash choice: 10770 -1, 10771 -2, 10772 1, 10773 2; the dialog
// opens with the focus on 10770, and cancelling it sets -2. Returns false, with the
// choice as it was and a failure reported with SpecBeep, when the dialog's buffers
// cannot be reserved or it cannot be built.
DLIST_API bool ask_clash_choice(void* parent, const char* imported, const char* existing);

}  // namespace dlist
