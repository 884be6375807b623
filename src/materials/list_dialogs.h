// The small dialogs of the material library's records: markets, subprices, units,
// dimensions, the long text names, the material ID separator, and a one-line text.
// Each returns the dialog's result (non-zero when accepted); a mode the dialog does not
// know, or a dialog that cannot be built, is reported and gives 0.
#pragma once

#include "dlist/api.h"

class LISTCONTEXT;
class Market;
class Subprice;
class Unit;

// Mode 2 edits, 3 creates.
DLIST_API int DLIST_CALL CrtEditMarket(void* window, Market* market, short mode);
// Mode 1 edits, 3 creates.
DLIST_API int DLIST_CALL CrtEditSubprice(void* window, Subprice* subprice, short mode);
// Asks the abbreviation and value of a subprice the list import brings, and creates it.
DLIST_API int DLIST_CALL CrtImportSubprice(void* window, Subprice* subprice);
DLIST_API int DLIST_CALL CrtRenameSubprice(void* window, Subprice* subprice);
// Mode 1 edits, 5 creates a unit below parent.
DLIST_API int DLIST_CALL CrtEditUnit(void* window, Unit* unit, long parent, short mode);
DLIST_API int DLIST_CALL CrtRenameUnit(void* window, Unit* unit);
// Mode 1 edits, 5 creates.
DLIST_API int DLIST_CALL CrtEditDimension(void* window, Unit* dimension, short mode);
DLIST_API int DLIST_CALL CrtLongTextNames(void* window, LISTCONTEXT* library);
DLIST_API int DLIST_CALL CrtMatIDSeparator(void* window, LISTCONTEXT* library);
// One text of 1 to 256 characters into text (room for 257 bytes).
DLIST_API int DLIST_CALL CrtTextReader(void* window, char* text);
