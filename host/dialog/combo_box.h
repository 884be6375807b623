// Combo boxes, driven through the window of a ComboInput control: a list of item
// texts with a parameter each, and the chosen item. Choosing by the program does
// not notify; the user's choice notifies kCbnSelChange, typing kCbnEditChange.
#pragma once

#include <cstdint>
#include <string>

namespace dlist {

// Appends an item; returns its index, -1 on failure.
int combo_add(void* combo, const char* text, intptr_t param = 0);
// Inserts an item at index (beyond the end: appended); returns its index, -1 on failure.
int combo_insert(void* combo, int index, const char* text, intptr_t param = 0);
bool combo_delete(void* combo, int index);
bool combo_clear(void* combo);
int combo_count(void* combo);
std::string combo_item_text(void* combo, int index);
intptr_t combo_param(void* combo, int index);
// The index of the first item whose text is text, -1 when none.
int combo_find(void* combo, const char* text);
// Chooses item index (-1: none); the combo's text becomes the item's.
bool combo_set_current(void* combo, int index);
int combo_current(void* combo);

}  // namespace dlist
