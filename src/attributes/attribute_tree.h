// The attribute library as a tree filtered by element kinds, shared by the
// attribute selection and the attribute link panel: only the attributes whose
// element-kind filter meets the bits asked for remain, with the groups that lead
// to them, sorted by name; the root always stands.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "host/dialog/notify_codes.h"

namespace dlist {

// Images of the attribute trees, in the order they are added.
inline constexpr int kAttrImageRoot = 0;     // "aroot"
inline constexpr int kAttrImageGroup = 1;    // "material"
inline constexpr int kAttrImageFormula = 2;  // "formula"
inline constexpr int kAttrImageText = 3;     // "text"
inline constexpr int kAttrImageFile = 4;     // "file"
inline constexpr int kAttrImageDummy = 5;    // "dummy"

// Adds the six icons to image_list; false when one is missing.
bool add_attribute_images(void* image_list);

// Fills tree (emptied first) with the library of the active model: the root with
// its name, then the groups and attributes that lead to an attribute whose filter
// has a bit of filter. Item parameters are the entries' identifiers. The root is
// expanded. Returns the root item, null when the library cannot be read.
_TREEITEM* build_attribute_tree(void* tree, uint32_t filter);

// Whether an item's image is that of an attribute (formula, text or file).
inline bool is_attribute_image(int image) {
  return image >= kAttrImageFormula && image <= kAttrImageFile;
}

// Context and controls of the selection dialog.
inline constexpr int kAttributeSelContext = 22321;
inline constexpr int kAttributeSelTree = 10750;

}  // namespace dlist

// Lets the user pick one attribute among those whose element-kind filter meets
// filter. The chosen attribute's identifier; 0 when cancelled or on failure.
DLIST_API long CallAttributeSel(void* window, long filter);
