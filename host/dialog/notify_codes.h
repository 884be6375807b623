// The numbers that pass between the dialog engine and a dialog's callbacks: the
// notification codes that the action procedure receives with a control's
// identifier, the item states, relations and expand actions of tree views, the
// item states of list views, control styles, and the message box flags and
// answers. Where the common controls define a value, the same value is used, so a
// host on real windows can pass its own through unchanged; the drag-over and drop
// codes are the engine's own and stand for the mouse messages of a drag.
#pragma once

#include <cstdint>

// A tree view item. Only its address is used, as a handle; it is never dereferenced.
struct _TREEITEM;

namespace dlist {

// ---- notification codes (third argument of the action procedure) ----------------

// Button pressed, check box clicked, menu command chosen.
inline constexpr int kBnClicked = 0;
// Combo: the user chose an item (row: its index); the user changed the text.
inline constexpr int kCbnSelChange = 1;
inline constexpr int kCbnEditChange = 5;
// Edit field: the user changed the text.
inline constexpr int kEnChange = 0x300;
// Tree or list: double click and right click (item or row).
inline constexpr int kNmDblClk = -3;
inline constexpr int kNmRClick = -5;
// List: a row's state changed (row, old_state, new_state); a column title was
// clicked (column).
inline constexpr int kLvnItemChanged = -101;
inline constexpr int kLvnColumnClick = -108;
// Tree: the selection moved (item, old_item, action: kTvcByMouse or kTvcUnknown).
inline constexpr int kTvnSelChanged = -402;
// Tree: item is about to expand or collapse (action: kTveExpand or kTveCollapse);
// non-zero prevents it. Then: it did.
inline constexpr int kTvnItemExpanding = -405;
inline constexpr int kTvnItemExpanded = -406;
// Tree: the user starts dragging item (shift).
inline constexpr int kTvnBeginDrag = -407;
// Tree: label editing of item starts (non-zero cancels it) and ends (text, null
// when cancelled; non-zero takes the text as the item's label).
inline constexpr int kTvnBeginLabelEdit = -410;
inline constexpr int kTvnEndLabelEdit = -411;
// Tab control: about to change to tab row (non-zero prevents it); changed.
inline constexpr int kTcnSelChanging = -552;
inline constexpr int kTcnSelChange = -551;
// Tree: the dragged item is over target; it was released over target.
inline constexpr int kDlnDragOver = -4001;
inline constexpr int kDlnDrop = -4002;

// ---- the two buttons every dialog knows -------------------------------------------

inline constexpr int kIdAccept = 9999;  // accepts the dialog (OK procedure)
inline constexpr int kIdReject = 2;     // cancels the dialog (cancel procedure)

// ---- tree views --------------------------------------------------------------------

// Item states.
inline constexpr unsigned kTvisSelected = 0x02;
inline constexpr unsigned kTvisCut = 0x04;
inline constexpr unsigned kTvisDropHilited = 0x08;
inline constexpr unsigned kTvisBold = 0x10;
inline constexpr unsigned kTvisExpanded = 0x20;

// Expand actions (tree_expand, and the action of the expanding notifications).
inline constexpr int kTveCollapse = 1;
inline constexpr int kTveExpand = 2;
inline constexpr int kTveToggle = 3;

// Causes of a selection change (action of kTvnSelChanged).
inline constexpr int kTvcUnknown = 0;  // by the program
inline constexpr int kTvcByMouse = 1;  // by the user

// Special parents and insert positions.
inline _TREEITEM* const kTviRoot = reinterpret_cast<_TREEITEM*>(static_cast<intptr_t>(-0x10000));
inline _TREEITEM* const kTviFirst = reinterpret_cast<_TREEITEM*>(static_cast<intptr_t>(-0x0FFFF));
inline _TREEITEM* const kTviLast = reinterpret_cast<_TREEITEM*>(static_cast<intptr_t>(-0x0FFFE));
inline _TREEITEM* const kTviSort = reinterpret_cast<_TREEITEM*>(static_cast<intptr_t>(-0x0FFFD));

// Relations of tree_get_next.
enum class TreeRelation {
  kRoot,             // the first item at the top
  kNext,             // the next sibling
  kPrevious,         // the previous sibling
  kParent,           // the parent (null at the top)
  kChild,            // the first child
  kFirstVisible,     // the item at the top of the view
  kNextVisible,      // the next item shown (its ancestors expanded)
  kPreviousVisible,  // the previous item shown
  kDropHilite,       // the drop target
  kCaret,            // the selected item
  kLastVisible,      // the last item shown
};

// What tree_select sets.
enum class TreeSelect {
  kCaret,         // the selection (notifies kTvnSelChanged)
  kDropHilite,    // the drop target highlight
  kFirstVisible,  // the item at the top of the view
};

// ---- list views ---------------------------------------------------------------------

inline constexpr unsigned kLvisFocused = 0x01;
inline constexpr unsigned kLvisSelected = 0x02;

// ---- control styles (the style argument of the control calls) -------------------------

inline constexpr unsigned kEsMultiline = 0x0004;
inline constexpr unsigned kEsReadOnly = 0x0800;
inline constexpr unsigned kCbsDropDownList = 0x0003;  // a combo whose text cannot be typed
inline constexpr unsigned kBsCheckBox = 0x0003;       // "Button" class: check box
inline constexpr unsigned kBsRadioButton = 0x0009;    // "Button" class: radio button
inline constexpr unsigned kTvsEditLabels = 0x0008;
inline constexpr unsigned kLvsOwnerDrawFixed = 0x0400;

// ---- message boxes ------------------------------------------------------------------

inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbOkCancel = 0x01;
inline constexpr unsigned kMbYesNoCancel = 0x03;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbTypeMask = 0x0F;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

}  // namespace dlist
