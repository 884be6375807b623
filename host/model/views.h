// The host's views dialog (`CrtViews`), which shows the model's stored views.
// Headless, it opens nothing: it writes one diagnostic line, "views: <text>", to
// the report log.
#pragma once

#include "dlist/api.h"

// Opens the views dialog with parent as owner on text (null: empty). Returns 1.
DLIST_API int CrtViews(void* parent, char* text);
