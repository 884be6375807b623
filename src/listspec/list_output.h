// The list output dialog: open a set of list definitions, choose one, edit its tree,
// set its properties and hand it (or every marked one) to the main module's list
// generation (CallDoList). The constants are in list_output_ids.h.
#pragma once

#include "dlist/api.h"

// Runs the dialog over parent until the user closes it.
DLIST_API void DLIST_CALL CrtListOutGenerating(void* parent);
// The window procedure of the drag adapter class "mouse_adapter".
DLIST_API long DLIST_CALL ListOutDragAdapterProc(void* window, unsigned message, unsigned wparam, long lparam);
