// The palette manager: the dialog in which the user sees, organises, exchanges and
// selects palettes and prototypes, one of the two trees at a time, and the small
// dialogs around it (save an element as a prototype, register a palette, give a
// stored record a node, describe a node, find by name). Everything the manager
// changes in the stores goes through manager_procedures.h.
//
// One manager runs at a time; its state (the element module, the node selected,
// the page shown, the search) is module-wide for the length of the run. While a
// manager dialog is open the window class "paldrag_adapter" of its drag adapter
// is registered; it is unregistered when the dialog closes, on every way out.
#pragma once

#include "dlist/api.h"
#include "foundation/records.h"
#include "foundation/types.h"

namespace dlist {

// Controls of the manager.
inline constexpr int kManagerDescription = 10436;  // read-only description of the selection
inline constexpr int kManagerSelection = 10805;    // the kind filter of selection mode
inline constexpr int kManagerSplitter = 10806;
inline constexpr int kManagerAdapter = 10061;  // hidden window of class "paldrag_adapter"

// Commands (menu bar and context menus).
inline constexpr int kCmdNewFolder = 10770;
inline constexpr int kCmdNew = 10771;
inline constexpr int kCmdRename = 10772;
inline constexpr int kCmdDelete = 10773;
inline constexpr int kCmdDescription = 10774;
inline constexpr int kCmdChange = 10775;
inline constexpr int kCmdImportInto = 10776;
inline constexpr int kCmdImport = 10777;
inline constexpr int kCmdRegister = 10778;
inline constexpr int kCmdExportSelected = 10781;
inline constexpr int kCmdExportAll = 10782;
inline constexpr int kCmdShowPrototypes = 10783;
inline constexpr int kCmdShowPalettes = 10784;
inline constexpr int kCmdReport = 10785;
inline constexpr int kCmdFind = 10786;
inline constexpr int kCmdFindNext = 10787;
inline constexpr int kCmdDuplicate = 10788;

// Context identifiers.
inline constexpr int kManagerContext = 22372;
inline constexpr int kSaveAsPrototypeContext = 22373;
inline constexpr int kNewFolderContext = 22374;
inline constexpr int kCreatePrototypeNodeContext = 22376;
inline constexpr int kCreatePaletteNodeContext = 22377;
inline constexpr int kRegisterContext = 22378;
inline constexpr int kDescriptionContext = 22380;
inline constexpr int kRenameContext = 22382;
inline constexpr int kFindContext = 22385;

// The host setting that asks to register new palettes.
inline constexpr int kSettingRegisterPalettes = 247;
// The host setting that keeps the folder of the last import.
inline constexpr int kSettingImportPath = 274;

// What CrtSaveAsPrototype stores: an element record of kind with its surface set
// and chains (each may be null).
struct ElementToSave {
  int kind = 0;
  void* record = nullptr;  // the DB<KIND>TYPE of kind
  DBSURFREFTYPE* surf = nullptr;
  DBMATREFCHAIN* mat = nullptr;
  DBATTREFCHAIN* attr = nullptr;
};

}  // namespace dlist

// Runs the manager. With kind and node both given it is a selection: on OK *node
// receives the selected palette (a palette record identifier) or prototype node,
// and for a prototype *kind is negated; *kind on entry limits the trees to that
// kind (0: every kind). With both null the manager only manages. One given
// without the other returns 0. The dialog's result: non-zero for OK.
DLIST_API int DLIST_CALL CrtPaletteManager(void* hwnd, MODULTYPE module, int* kind, long* node);
// Opens the manager for a selection on the palette page, under a shortened
// caption.
DLIST_API int DLIST_CALL CrtSelectPrototype(void* hwnd, MODULTYPE module, int* kind, long* node);
// Stores the element that record holds the address of (a dlist::ElementToSave) as
// a prototype: the user names it, describes it and picks its folder. Non-zero when
// its node was made; 0 for a null record or a kind outside 1 to 13.
DLIST_API int DLIST_CALL CrtSaveAsPrototype(void* hwnd, long record);
// Asks for the name under which palette b is registered in folder a; returns 1 at
// once while host setting 247 is off. The new node on OK, 0 on cancel.
DLIST_API long DLIST_CALL CrtRegistering(void* hwnd, char* name, long a, long b);
// Asks for the name of a node for record b placed at a (a folder, or a leaf whose
// folder is used); mode non-zero for the palette store, 0 for the prototype store.
// The new node on OK, 0 on cancel.
DLIST_API long DLIST_CALL CallCreate(void* hwnd, long a, long b, int mode);
// Shows the description of palette node node; stores nothing.
DLIST_API void DLIST_CALL CallPaletteDescription(void* hwnd, long node);
// The find dialog over the manager's search text and options. Non-zero for OK.
DLIST_API int DLIST_CALL CallFindName(void* dialog);
// Forgets the last found item and disables the find-next command.
DLIST_API void DLIST_CALL EndFindProc(void);
