// The questions the list import asks while it reads a file: which dimension a unit
// text belongs to, which unit of a dimension is meant, new abbreviations for units
// that clash, and whether to overwrite a stored material. Each runs a modal dialog
// on the dialog framework with window as parent.
#pragma once

#include <vector>

#include "materials/material_entry.h"

class LISTCONTEXT;

// The number of the dimension the user picks for unit_text; -1 on cancel.
int AskDimension(void* window, LISTCONTEXT* library, const char* unit_text);

// The abbreviation of the unit directly below dimension (its identifier) that the
// user picks for unit_text, into out (kUnitAbbrevSize bytes); with exactly one unit
// it is taken without asking. 1 when chosen, 0 on cancel or when the dimension has
// no unit.
int AskUnit(void* window, LISTCONTEXT* library, long dimension, const char* unit_text, char* out);

// New abbreviations for the two entries first and second of conflicts, which share
// one: both must differ from each other and from every other entry; written into
// library_abbrev of both. 1 when confirmed, 0 on cancel.
int AskAbbreviationPair(void* window, std::vector<UnitConflict>& conflicts, std::size_t first,
                        std::size_t second);

// A library abbreviation for the native unit file_abbrev of dimension number
// dimension, which the library lacks or holds under another dimension, into out
// (kUnitAbbrevSize bytes). 1 when confirmed, 0 on cancel.
int AskLibraryAbbreviation(void* window, LISTCONTEXT* library, int dimension,
                           const char* file_abbrev, char* out);

// Whether to overwrite stored material `stored` with the imported record; reason is
// the first difference found (0 own code, 2 name, 3 market, 4 native unit, 5 unit
// price, 6 unit references, 7 subprice references, 8 long texts), -1 for none.
// -1 overwrite this one, -2 keep this one (also on cancel), 1 overwrite all, 2 keep
// all.
int AskOverwrite(void* window, LISTCONTEXT* library, long stored, MATERIALENTRY* imported,
                 int reason);
