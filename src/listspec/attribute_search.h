// The attribute reference search (22192): the elements of the model that carry an
// attribute value, found by the model database's find_elems_by_attribute and shown
// with their plan, floor and kind. The inputs of the last search are remembered
// while the library is loaded, and reopening the dialog repeats that search.
#pragma once

#include "dlist/api.h"

namespace dlist::listspec {

inline constexpr int kSearchContext = 22192;
inline constexpr int kSearchKey = 10436;       // 1 to 6 characters
inline constexpr int kSearchChooseKey = 10808; // the attribute chooser
inline constexpr int kSearchValue = 10437;     // 1 to 255 characters
inline constexpr int kSearchTexts = 10806;     // the text library
inline constexpr int kSearchPart = 10550;      // the three options, in order
inline constexpr int kSearchMatchCase = 10551;
inline constexpr int kSearchNumeric = 10552;
inline constexpr int kSearchKinds = 10751;     // tree: parameter the kind's bit
inline constexpr int kSearchResults = 10750;   // owner-drawn list, four columns
inline constexpr int kSearchRun = 10805;
// The read-only view of a result's identifier (a context of ours).
inline constexpr int kSearchIdContext = 50407;
inline constexpr int kSearchIdText = 10436;

// The kind mask of key: from the first built-in parameter with that abbreviation
// (the kinds that have it), else from the first project attribute (its kind field
// without the top four bits); 0 when neither has it.
DLIST_API unsigned long search_key_mask(const char* key);
// Forgets the remembered inputs, as when the library is loaded.
DLIST_API void reset_search_memory();

}  // namespace dlist::listspec

DLIST_API void DLIST_CALL CrtFindAttributeReferences(void* parent);
