// The window system's active window. Headless, the active window is the dialog of
// the engine that is running innermost (host/dialog/engine.h), null when none runs.
#pragma once

#include "dlist/api.h"

#if !defined(_WIN32)
// The active window of the thread, null when there is none.
DLIST_API void* GetActiveWindow();
#endif
