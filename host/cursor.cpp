// The headless cursor: a count of the wait scopes open on the user-interface thread.
#include "host/cursor.h"

namespace dlist {
namespace {

int g_wait_scopes = 0;

}  // namespace

CursorShape cursor_shape() { return g_wait_scopes > 0 ? CursorShape::kWait : CursorShape::kArrow; }

WaitCursor::WaitCursor() { ++g_wait_scopes; }

WaitCursor::~WaitCursor() { --g_wait_scopes; }

}  // namespace dlist
