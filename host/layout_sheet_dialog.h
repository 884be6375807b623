// CrtFolia: the host's layout-sheet dialog, here the least stand-in: it lists the
// named layers of a sheet (its DBFOLIANAMES) with whether the sheet's layer set
// (its DBFOLIATYPE) keeps each one; a double click switches a layer between kept
// and left out, OK writes the layer set back. Each call is recorded for tests.
#pragma once

#include <vector>

#include "dlist/api.h"
#include "foundation/plan_records.h"

namespace dlist {

inline constexpr int kLayoutSheetContext = 50405;  // a context of ours
inline constexpr int kLayoutSheetLayers = 10750;   // tree: one item per named layer, parameter its index

// The arguments of one call beside the two records.
struct LayoutSheetCall {
  int first = 0, second = 0, third = 0, last = 0;
  bool accepted = false;
};
DLIST_API const std::vector<LayoutSheetCall>& layout_sheet_calls();
DLIST_API void clear_layout_sheet_calls();

}  // namespace dlist

// 1 when the user confirmed (sheet then holds the edited layer set), else 0 (sheet
// unchanged); 0 for a null record.
DLIST_API int CrtFolia(void* parent, DBFOLIATYPE* sheet, DBFOLIANAMES* names, int first, int second, int third,
                       const char* text, void* pointer, int last);
