// The headless cursor: a count of the wait scopes open on the user-interface thread.
#include "host/cursor.h"

namespace dlist {
namespace {

int g_wait_scopes = 0;
CursorShape g_shape = CursorShape::kArrow;

}  // namespace

CursorShape cursor_shape() {
  return g_wait_scopes > 0 ? CursorShape::kWait : g_shape;
}

CursorShape set_cursor_shape(CursorShape shape) {
  const CursorShape previous = g_shape;
  g_shape = shape;
  return previous;
}

WaitCursor::WaitCursor() { ++g_wait_scopes; }

WaitCursor::~WaitCursor() { --g_wait_scopes; }

}  // namespace dlist
