// The active window of the headless window system.

#include "host/active_window.h"

#include "host/dialog/engine.h"

#if !defined(_WIN32)
void* GetActiveWindow() {
  return dlist::innermost_dialog();
}
#endif
