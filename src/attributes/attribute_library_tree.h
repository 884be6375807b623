// The attribute library as the attribute manager shows it: one tree view with the
// whole library, every group and attribute, each item carrying its entry's
// identifier. The root shows its name with the "aroot" icon, groups show theirs
// after one blank with the "material" icon (so they sort before the attributes of
// their level), attributes show their names with the icon of their kind
// ("formula", "text", "file"); every level is sorted by text.
#pragma once

#include <string>

#include "foundation/attribute_records.h"
#include "host/dialog/notify_codes.h"

namespace dlist {

// Images of the items, in the order the image list loads them.
inline constexpr int kAttrRootImage = 0;
inline constexpr int kAttrGroupImage = 1;
inline constexpr int kAttrFormulaImage = 2;
inline constexpr int kAttrTextImage = 3;
inline constexpr int kAttrFileImage = 4;

// A new image list of the five icons, 16 x 16; null when fewer could be loaded
// (nothing stays behind then). The caller destroys it.
void* make_attribute_image_list();

// The text and image of the item of entry id (node as the library lists it).
std::string attribute_item_text(const DBATTRIBUTENODETYPE& node);
int attribute_item_image(long id, const DBATTRIBUTENODETYPE& node);

// Empties tree and fills it with the whole library; the root's item, null when
// the library cannot be read.
_TREEITEM* fill_attribute_library_tree(void* tree);

// Deletes the children of item (carrying a group) and fills them anew from the
// group group, with everything under them.
void refill_attribute_children(void* tree, _TREEITEM* item, long group);

// Reads entry id and inserts its item, sorted, below parent (with its contents
// when it is a group). The new item; null when the entry cannot be read.
_TREEITEM* add_attribute_item(void* tree, _TREEITEM* parent, long id);

// The item that carries entry id, searched from the top; null when none.
_TREEITEM* find_attribute_item(void* tree, long id);

}  // namespace dlist
