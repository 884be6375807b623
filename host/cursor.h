// The mouse cursor of the window system, headless: long operations show the wait
// cursor for their duration (a WaitCursor scope) and the arrow afterwards, on every
// way out. Tests read the shape with cursor_shape().
#pragma once

#include "dlist/api.h"

namespace dlist {

// kDrop and kNoDrop are shown while an item is dragged (window_system.h).
enum class CursorShape { kArrow, kWait, kDrop, kNoDrop };

// The shape shown now.
DLIST_API CursorShape cursor_shape();
// Sets the shape shown while no wait scope is open; returns the previous one.
DLIST_API CursorShape set_cursor_shape(CursorShape shape);

// Shows the wait cursor while it lives, then the arrow. Scopes nest: the arrow
// returns when the outermost one ends.
class DLIST_API WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace dlist
