// The host's database browser (`CrtDatabaseWandler`), a diagnostic window that shows
// one stored record. Headless, it opens nothing: it writes one diagnostic line
// naming the record, "database browser: record <id>", to the report log.
#pragma once

#include "dlist/api.h"

// Opens the browser on record id with parent as owner. Returns 1.
DLIST_API int CrtDatabaseWandler(void* parent, long id);
