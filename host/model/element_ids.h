// The text form of an element identifier in quantity lists: "#" followed by the
// identifier in decimal, without sign or leading zeros ("#1742"). Lists name the
// elements they count by it; docs/model_database.md, "Element identifiers in lists".
#pragma once

#include "dlist/api.h"

// Room of the text form, terminator included ("#2147483647" and more).
inline constexpr int kListIdSize = 16;

// Writes the text form of element into out (kListIdSize bytes): 1; for an
// identifier below 1, an empty text and 0.
DLIST_API int ElemidToListId(long element, char* out);
// The element that a text form names; 0 for a text that is no text form or names
// an identifier outside 1 to 2147483647.
DLIST_API long ListIdToElemid(const char* text);
