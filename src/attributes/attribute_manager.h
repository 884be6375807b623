// The attribute manager: the modal dialog in which the user keeps the attribute
// library, its groups and attribute definitions in a tree (attribute_library_tree.h)
// with the summary of the selected attribute beside it; new groups and attributes,
// renaming, editing, removing, moving by drag and drop, export and import of
// attribute files. Everything it changes in the library goes through
// attribute_manager_procedures.h.
//
// While the manager is open the window class "drag_adapter" of its drag adapter is
// registered; it is unregistered when the dialog closes, on every way out.
#pragma once

#include "dlist/api.h"

namespace dlist {

// Controls.
inline constexpr int kAttrManagerTree = 10750;
inline constexpr int kAttrManagerSummary = 10751;
inline constexpr int kAttrManagerSplitter = 10806;
inline constexpr int kAttrManagerAdapter = 10061;    // hidden window of class "drag_adapter"
inline constexpr int kAttrManagerNameField = 10436;  // the group name and rename dialogs

// Commands (menu bar and context menu).
inline constexpr int kAttrCmdNewGroup = 10770;
inline constexpr int kAttrCmdNewAttribute = 10771;
inline constexpr int kAttrCmdRename = 10772;
inline constexpr int kAttrCmdDelete = 10773;
inline constexpr int kAttrCmdEdit = 10774;
inline constexpr int kAttrCmdExport = 10775;
inline constexpr int kAttrCmdImport = 10776;
inline constexpr int kAttrCmdForget = 10805;  // clears the context menu's target

// Context identifiers.
inline constexpr int kAttrManagerContext = 22202;
inline constexpr int kAttrGroupNameContext = 22253;
inline constexpr int kAttrRenameContext = 22263;

// The group name dialog: creates the group that the user names in the group of
// given (an attribute stands for its group). The new group, 0 when cancelled.
long run_new_group_dialog(void* parent, long given);

// The host setting that keeps the last import path of attribute files.
inline constexpr int kAttrImportSetting = 274;

}  // namespace dlist

// Runs the manager over the owner window. The dialog's result (the manager has only
// a Close button: 0 when closed, also when it could not be shown).
DLIST_API int DLIST_CALL CrtAttributeManager(void* hwnd);

// The window procedure of the drag adapter ("drag_adapter"): passes the mouse's
// moves (512) and release (514) to the manager as notifications of its tree; on
// each tick moves the drag image and scrolls near the tree's edges, or, with the
// pointer outside the tree, notifies the dialog that the drag left it.
DLIST_API long DLIST_CALL AttrDragAdapterProc(void* window, unsigned message, unsigned wparam,
                                              long lparam);
