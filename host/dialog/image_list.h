// Image lists for tree and list views: icons added by resource name, counted and
// named by index. The engine keeps names, not pictures; whether a name can be
// loaded is asked of the icon catalogue, which knows every name unless a test
// installs one that refuses some (to see a dialog fail on a missing icon).
#pragma once

#include <string>

namespace dlist {

// A new, empty image list of cx by cy pixels; null for a size below 1.
void* image_list_create(int cx, int cy);
// Adds the icon of resource name; returns its index, -1 when it cannot be loaded.
int image_list_add_icon(void* list, const char* name);
int image_list_count(void* list);
std::string image_list_name(void* list, int index);
// Destroys the list (views that show it lose it). False for an unknown list.
bool image_list_destroy(void* list);
// Image lists created and not destroyed.
int image_list_live_count();

// Whether the icon of name can be loaded; null restores "every non-empty name".
using IconCatalog = bool (*)(const char* name);
void set_icon_catalog(IconCatalog catalog);

}  // namespace dlist
