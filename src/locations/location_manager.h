// The location manager (create, rename, edit, delete and move locations by drag and
// drop), the location dialog, the selection dialog and the tree filling.
#pragma once

#include <cstdint>

#include "dlist/api.h"

namespace dlist {

// Controls and commands of the manager and the selection dialog.
inline constexpr int kLocTree = 10750;
inline constexpr int kLocText = 10436;      // the read-only text beside the tree
inline constexpr int kLocSplitter = 10806;
inline constexpr int kLocAdapter = 10061;   // the hidden drag adapter window
inline constexpr int kLocNoLocation = 10807;
inline constexpr int kLocNewBeside = 10770;
inline constexpr int kLocNewUnder = 10771;
inline constexpr int kLocEdit = 10772;
inline constexpr int kLocDelete = 10773;
inline constexpr int kLocExportAll = 10774;
inline constexpr int kLocImportAll = 10775;
inline constexpr int kLocExportSelected = 10776;
inline constexpr int kLocImportSelected = 10777;
inline constexpr int kLocClearTarget = 10805;
// The location dialog's controls.
inline constexpr int kLocNameInput = 10436;
inline constexpr int kLocTextInput = 10437;

// Dialog contexts.
inline constexpr int kLocManagerContext = 22367;
inline constexpr int kLocSelectContext = 22368;
inline constexpr int kLocNewContext = 22369;
inline constexpr int kLocEditContext = 22370;

// The setting that keeps the folder of the last imported location file.
inline constexpr int kLocImportPathSetting = 275;

// Asks, as the manager does before a deletion, whether the location of key is to be
// deleted (telling first when it is in use, or when the caller knows a use the store
// does not hold yet: used_here). True for Yes.
DLIST_API bool AskDeleteLocation(void* hwnd, long key, bool used_here = false);

// Runs the location dialog over hwnd for a new location under parent (a record
// identifier, 0 for the top level), titled as a new location under (under) or
// beside the one the user works on. The new location's identifier; 0 when the user
// cancelled.
DLIST_API long NewLocationInDialog(void* hwnd, long parent, bool under);
// Runs the location dialog over hwnd on location id (its name and text); true when
// the user changed it.
DLIST_API bool EditLocationInDialog(void* hwnd, long id);

}  // namespace dlist

// Runs the location manager over hwnd.
DLIST_API void DLIST_CALL CrtLocationManager(void* hwnd);
// Runs the selection dialog: the location of *key is selected at the start; on OK
// *key receives the selected location's key (0 for none). The dialog's result.
DLIST_API int DLIST_CALL CrtSelectLocation(void* hwnd, long* key);
// Fills the tree control (kLocTree for 0) of dialog with the whole location tree,
// selecting the first top-level item.
DLIST_API void DLIST_CALL FillLocationTreeView(void* dialog, unsigned short control);
// The window procedure of the drag adapter class "locdrag_adapter".
DLIST_API long DLIST_CALL LocDragAdapterProc(void* hwnd, unsigned message, unsigned wparam,
                                             long lparam);
// Releases the manager's image list.
DLIST_API void DLIST_CALL DestroyLocationImageList();
