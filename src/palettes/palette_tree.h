// The palette tree and the prototype tree as the palette manager shows them: two
// tree views of one dialog (10750 palettes, 10751 prototypes) filled from the
// stores, their image list, the texts of their items, single items inserted after a
// change, look-ups of items by parameter, by name and by content, and the window
// procedure of the drag adapter that runs while an item is dragged.
//
// Items carry the identifier of the store node they show; an unregistered palette
// (one without a node) carries its palette record identifier, and the folders of
// unregistered palettes carry 0. Folders show their name after one blank, so they
// sort before the leaves of their level. System folders (palette levels 0 to 2,
// prototype levels 0 and 1) keep the store's order; the rest is sorted by text.
#pragma once

#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/records.h"
#include "foundation/tree_nodes.h"
#include "host/dialog/notify_codes.h"

namespace dlist {

inline constexpr int kPaletteTreeView = 10750;
inline constexpr int kPrototypeTreeView = 10751;
inline constexpr int kFindNextCommand = 10787;

// Images of the items, in the order the image list loads them.
inline constexpr int kFolderImage = 0;
inline constexpr int kRegisteredImage = 1;
inline constexpr int kUnregisteredImage = 2;
inline constexpr int kPrototypeImage = 3;

inline constexpr int kPaletteSystemLevels = 3;    // levels 0 to 2
inline constexpr int kPrototypeSystemLevels = 2;  // levels 0 and 1

// Texts of items.
std::string folder_item_text(const char* name);
// A palette shown by its node (name), or without one (palette only), with the
// reference counts when the palette report flag is set.
std::string palette_item_text(const DBPALETTENODETYPE* node, long palette);

// The search of the manager's find command: the text (at most 31 characters), its
// two options and the last item found. Module-wide.
struct NameSearch {
  char text[32] = {};
  int match_case = 0;
  int match_beginning = 0;
  _TREEITEM* last = nullptr;
};
NameSearch& name_search();

// Whether an item text matches the search: with match_beginning the text cut to
// the search's length equals it, else the search occurs in it; case-insensitive
// unless match_case. A folder's leading blank is not part of the name searched.
bool name_matches(const std::string& item_text, const NameSearch& search);

// The items of tree below start (null: the whole tree) in the visiting order of
// RecFindLPARAMInTree: the children of a level first, then the subtrees of the
// children from the last to the first.
std::vector<_TREEITEM*> items_in_search_order(void* tree, _TREEITEM* start = nullptr);

// The first item of tree in the visiting order with param and image; null when none.
_TREEITEM* find_item(void* tree, long param, int image);

// The unregistered folder item of kind in the palette tree, null when none.
_TREEITEM* unregistered_folder(int kind);

// Adds an item for palette (no node) below the unregistered folder of its kind
// unless the report flag is set and nothing uses it; null when not added.
_TREEITEM* add_unregistered_item(void* tree, int kind, long palette);

// Re-reads the children of the folder item (its parameter a node of the store of
// tree 10750 or 10751): deletes its children and fills them anew.
void refill_children(void* dialog, int tree_id, _TREEITEM* folder);

// The two tree views without the manager: a hidden modeless dialog that holds
// trees 10750 and 10751, for the procedures that work on filled trees outside the
// manager (the command line's search, measurements). Closed when it goes.
class TreeViewHost {
 public:
  TreeViewHost();
  ~TreeViewHost();
  TreeViewHost(const TreeViewHost&) = delete;
  TreeViewHost& operator=(const TreeViewHost&) = delete;

  // The dialog; null when it could not be made.
  void* dialog() const { return dialog_; }
  void* tree(int id) const;

 private:
  void* dialog_ = nullptr;
  bool buffers_ = false;
};

// The items found by the name search of tree from its start, in its visiting
// order: the first only, or with all every one.
std::vector<_TREEITEM*> search_names(void* tree, bool all);

}  // namespace dlist

// Builds the image list of both trees (icons "palfolder", "registered",
// "unregist", "prototype") and attaches it to the trees of dialog. 0 when fewer
// than four images could be loaded (the list is destroyed then).
DLIST_API int DLIST_CALL CreatePaletteImageList(void* dialog);
DLIST_API void DLIST_CALL DestroyPaletteImageList();

// Fills tree 10750 of dialog: the whole palette store for kind 0, else the kind
// folder of kind; then the palettes without a node below the unregistered folders.
DLIST_API void DLIST_CALL FillPaletteTreeView(void* dialog, short kind);
// Fills tree 10751 of dialog from the prototype root, or for a kind from its kind
// folder. flag has no effect.
DLIST_API void DLIST_CALL FillPrototypeTreeView(void* dialog, short kind, short flag);

// Reads node from its store and inserts its item below parent; sorts parent's
// children. The new item; null when the node cannot be read.
DLIST_API _TREEITEM* DLIST_CALL AddPaletteItem(void* dialog, _TREEITEM* parent, long node);
DLIST_API _TREEITEM* DLIST_CALL AddPrototypeItem(void* dialog, _TREEITEM* parent, long node);

// The first item below start (null: the whole tree) whose parameter is value, in
// the visiting order above (so the shallowest one); null when none.
DLIST_API _TREEITEM* DLIST_CALL RecFindLPARAMInTree(void* tree, _TREEITEM* start, long value);

// Finds the next item after the last found one whose text matches the search,
// selects it and enables command 10787 of menu; when none is left, forgets the
// last found item and disables 10787. 1 when an item was found, 0 otherwise.
DLIST_API int DLIST_CALL SearchNameInTree(void* tree, void* menu);
// The last item found by the name search, null when none.
DLIST_API _TREEITEM* DLIST_CALL GetOccurentId();

// Selects the item of the stored palette equal to the palette member of record
// (an element record of kind) and surf; null when none is stored or shown.
DLIST_API _TREEITEM* DLIST_CALL FindPaletteInTree(void* dialog, int kind, char* record,
                                                  DBSURFREFTYPE* surf);
// Selects the item of the shown prototype whose stored element equals record; the
// chains and mode are not compared. Null when none.
DLIST_API _TREEITEM* DLIST_CALL FindPrototypeInTree(void* dialog, int kind, char* record,
                                                    DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                                                    DBATTREFCHAIN* attr, int mode);
// Selects the item of prototype node (of kind, or of any kind for 0); null when none.
DLIST_API _TREEITEM* DLIST_CALL FindPrototypeInTree(void* dialog, int kind, long node);

// Relabels every palette item that shows palette and selects the first.
DLIST_API void DLIST_CALL RedrawEndnode(void* dialog, long palette);

// The window procedure of the drag adapter ("paldrag_adapter"): passes the mouse's
// moves (512) and release (514) to the dialog as notifications of the tree shown;
// on each tick moves the drag image and scrolls near the tree's edges, or, with the
// pointer outside the tree, notifies the dialog that the drag left it.
DLIST_API long DLIST_CALL PalDragAdapterProc(void* window, unsigned message, unsigned wparam,
                                             long lparam);
