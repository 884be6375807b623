// Tree views, driven through the window of a TreeViewInput control
// (GetControlHWND). The operations are those of the common tree control: insert
// under a parent (first, last, sorted or after a sibling), walk by relation, read
// and change an item's text, images, parameter and state, delete, select, expand,
// sort children, scroll into view, hit-test, edit a label and drag.
//
// Items are handles that stay valid until the item or its tree is deleted; a stale
// or foreign handle is refused like a null one. As with the common control, the
// program's selection changes notify the dialog (kTvnSelChanged, action
// kTvcUnknown), its expand calls do not, and sorting compares texts without regard
// to case, keeping equal texts in their order.
#pragma once

#include <cstdint>
#include <string>

#include "host/dialog/notify_codes.h"

namespace dlist {

// Inserts an item below parent (null or kTviRoot: at the top) after after
// (kTviFirst, kTviLast, kTviSort: before the first sibling whose text sorts
// after it; or a sibling item). Returns the item, null when parent or after is no
// item of tree.
_TREEITEM* tree_insert(void* tree, _TREEITEM* parent, _TREEITEM* after, const char* text, int image,
                       int selected_image, intptr_t param);

// The item in relation to item (item is ignored for kRoot, kFirstVisible,
// kDropHilite, kCaret, kLastVisible); null when there is none.
_TREEITEM* tree_get_next(void* tree, _TREEITEM* item, TreeRelation relation);

bool tree_has_item(void* tree, _TREEITEM* item);
unsigned tree_count(void* tree);

// Item fields; the getters give "" / 0 for an unknown item.
std::string tree_text(void* tree, _TREEITEM* item);
// Copies the text, cut to size - 1 characters; false for an unknown item or no buffer.
bool tree_get_text(void* tree, _TREEITEM* item, char* buffer, unsigned size);
bool tree_set_text(void* tree, _TREEITEM* item, const char* text);
int tree_image(void* tree, _TREEITEM* item);
int tree_selected_image(void* tree, _TREEITEM* item);
bool tree_set_image(void* tree, _TREEITEM* item, int image, int selected_image);
intptr_t tree_param(void* tree, _TREEITEM* item);
bool tree_set_param(void* tree, _TREEITEM* item, intptr_t param);
unsigned tree_state(void* tree, _TREEITEM* item);
// Sets the state bits in mask to state. kTvisSelected and kTvisDropHilited follow
// the selection and the drop target and cannot be set here.
bool tree_set_state(void* tree, _TREEITEM* item, unsigned state, unsigned mask);
// Whether the item shows an expand button while it has no children yet.
bool tree_set_children(void* tree, _TREEITEM* item, bool has_children);

// Deletes item and its subtree (kTviRoot or null: every item). When the selected
// item goes, its next sibling, else its previous sibling, else its parent is
// selected (notified); deleting every item clears the selection silently.
bool tree_delete(void* tree, _TREEITEM* item);
bool tree_delete_all(void* tree);

// Selects item as caret (expanding its ancestors), drop target or top item; null
// clears the caret or the drop target.
bool tree_select(void* tree, _TREEITEM* item, TreeSelect what = TreeSelect::kCaret);
// Expands, collapses or toggles item (kTve*), without notifications.
bool tree_expand(void* tree, _TREEITEM* item, int action);
// Sorts the children of parent (kTviRoot or null: the top items) by text, and with
// recurse all their descendants.
bool tree_sort_children(void* tree, _TREEITEM* parent, bool recurse = false);
// As tree_sort_children with compare(param a, param b, data) < 0 when a goes first.
using TreeCompare = int (*)(intptr_t a, intptr_t b, intptr_t data);
bool tree_sort_children_cb(void* tree, _TREEITEM* parent, TreeCompare compare, intptr_t data);
// Expands the item's ancestors and scrolls it into view.
bool tree_ensure_visible(void* tree, _TREEITEM* item);

// The item under the pointer: the one the user last clicked, right-clicked or
// dragged over; null when none.
_TREEITEM* tree_hit_test(void* tree);

// Starts editing the label of item: notifies kTvnBeginLabelEdit and, unless that
// refuses, leaves the editor open for the user's next action. Returns false when
// refused.
bool tree_edit_label(void* tree, _TREEITEM* item);
// Limits the open label editor to n characters (0: no limit).
bool tree_limit_label(void* tree, unsigned n);
// Ends the open label editor: cancelled (text null in kTvnEndLabelEdit) or with
// the label unchanged.
bool tree_end_edit_label(void* tree, bool cancel);
_TREEITEM* tree_editing(void* tree);

// Takes up the drag of item that the user started (kTvnBeginDrag); the engine then
// delivers kDlnDragOver and kDlnDrop. Without it the drag goes no further.
bool tree_begin_drag(void* tree, _TREEITEM* item);
bool tree_end_drag(void* tree);
_TREEITEM* tree_dragging(void* tree);

// Attaches an image list (image_list.h); returns the previous one.
void* tree_set_image_list(void* tree, void* image_list);
void* tree_image_list(void* tree);

}  // namespace dlist
