// Report list views, driven through the window of a ListViewInputA control
// (GetControlHWND): columns, rows with a text per column, an image and an item
// parameter, and the selected and focused states. As with the common control, a
// state change by the program notifies the dialog (kLvnItemChanged) just as one by
// the user. Owner-drawn lists (kLvsOwnerDrawFixed with a draw procedure) are
// painted by the engine after each user action that changed them; what the draw
// procedure drew is kept per row (owner_draw.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/dialog/owner_draw.h"

namespace dlist {

// Inserts column at index (beyond the end: appended). Returns its index, -1 on failure.
int list_insert_column(void* list, int column, const char* title, int width);
int list_column_count(void* list);
std::string list_column_title(void* list, int column);
int list_column_width(void* list, int column);

// Inserts a row at index row (beyond the end: appended) with text in column 0.
// Returns its index, -1 on failure.
int list_insert_row(void* list, int row, const char* text, intptr_t param, int image = -1);
bool list_delete_row(void* list, int row);
bool list_delete_all(void* list);
int list_row_count(void* list);

// The text of a row's column; "" when there is none.
std::string list_text(void* list, int row, int column);
// Copies the text, cut to size - 1 characters; false for an unknown row or no buffer.
bool list_get_text(void* list, int row, int column, char* buffer, unsigned size);
bool list_set_text(void* list, int row, int column, const char* text);
intptr_t list_param(void* list, int row);
bool list_set_param(void* list, int row, intptr_t param);
int list_image(void* list, int row);
bool list_set_image(void* list, int row, int image);
// The first row (from start + 1 on) whose parameter is param, -1 when none.
int list_find_param(void* list, intptr_t param, int start = -1);

unsigned list_state(void* list, int row);
// Sets the state bits in mask (kLvisSelected, kLvisFocused) of row (-1: every
// row); each row whose state changes is notified.
bool list_set_state(void* list, int row, unsigned state, unsigned mask);
// The next row after start whose state has all bits of state; -1 when none.
int list_next_with_state(void* list, int start, unsigned state);
// The first selected row, -1 when none.
int list_selected(void* list);
bool list_ensure_visible(void* list, int row);

// The row under the pointer: the one the user last clicked; -1 when none.
int list_hit_test(void* list);

// Asks for the list to be painted again after the current action.
bool list_redraw(void* list);
// What the draw procedure drew at the last painting, one entry per row.
std::vector<DrawnRow> list_painted(void* list);
int list_paint_count(void* list);
// The row height given by the measure procedure, 0 before it was asked.
int list_row_height(void* list);

void* list_set_image_list(void* list, void* image_list);
void* list_image_list(void* list);

}  // namespace dlist
