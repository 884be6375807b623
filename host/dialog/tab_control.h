// Tab controls, driven through the window of an Item of class "SysTabControl32":
// named tabs and the current one. Changing the tab by the program does not
// notify; the user's change notifies kTcnSelChanging (which may refuse it) and
// kTcnSelChange.
#pragma once

#include <string>

namespace dlist {

// Inserts a tab at index (beyond the end: appended); returns its index, -1 on failure.
int tab_insert(void* tab, int index, const char* text);
bool tab_delete_all(void* tab);
int tab_count(void* tab);
std::string tab_text(void* tab, int index);
bool tab_set_current(void* tab, int index);
int tab_current(void* tab);

}  // namespace dlist
