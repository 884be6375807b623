// Message boxes: the text, the caption and the flags (kMb* buttons and icon) go to
// the active user, whose answer is returned: kIdOk, kIdCancel, kIdYes (6) or kIdNo
// (7). An answer that is not one of the box's buttons, or no answer, gives No for
// a Yes/No box, Cancel for a box with a Cancel button and OK for an OK box, and the
// record says so. Every box is recorded in the dialog log with its answer.
#pragma once

#include "dlist/api.h"

namespace dlist {

int message_box(void* parent, const char* text, const char* caption, unsigned flags);

}  // namespace dlist

#if !defined(_WIN32)
// The window system's message box, answered by the active user.
DLIST_API int MessageBoxA(void* parent, const char* text, const char* caption, unsigned flags);
#endif
