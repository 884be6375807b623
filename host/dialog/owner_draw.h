// Owner-drawn rows of report list views. When an owner-drawn list needs painting,
// the engine calls the draw procedure of the list (SetInpCont_DrawProc) once for each
// row, in row order, and records what the procedure drew: texts and images per
// column and whether it painted the row highlighted. The drawing context handed to
// the procedure is a handle that is valid only during that call; the draw calls
// below ignore any other. Before the first painting the engine asks the measure
// procedure (SetInpCont_MeasureProc), if there is one, for the row height.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"

namespace dlist {

// What the draw procedure is told about the row to draw.
struct DrawItem {
  int control = 0;     // the list's identifier
  int row = 0;         // the row's index
  intptr_t param = 0;  // the row's item parameter
  unsigned state = 0;  // kLvisSelected, kLvisFocused
  void* dc = nullptr;  // the drawing context for the calls below
};

// Draw procedure of an owner-drawn list; the result is ignored.
using DrawProc = int(DLIST_CALL*)(void* dialog, const DrawItem* item);
// Measure procedure: the row height of list control.
using MeasureProc = int(DLIST_CALL*)(void* dialog, int control);

// Draws text in column of the row being drawn.
void draw_text(void* dc, int column, const char* text);
// Draws image (of the list's image list) in column of the row being drawn.
void draw_image(void* dc, int column, int image);
// Paints the row in the highlight colours.
void draw_highlight(void* dc);

struct DrawnCell {
  int column = 0;
  std::string text;  // empty for an image
  int image = -1;    // -1 for a text
};

struct DrawnRow {
  int row = 0;
  bool highlighted = false;
  std::vector<DrawnCell> cells;

  // The texts drawn in column, joined by one blank; empty when none.
  std::string text(int column) const;
};

}  // namespace dlist
