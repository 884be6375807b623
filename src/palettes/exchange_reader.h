// The reader of palette and prototype exchange files (exchange_format.h): it
// recreates the file's folders below the folder the user chose, stores the palettes
// or element records with their surface sets and reference chains, and hangs the
// new nodes into the tree, keeping the palette manager's open tree view up to date
// when it is given the manager's dialog.
//
// A node of the file's first user level (parent 0) goes into the target folder of
// its kind: the target itself when it is a user folder, else the kind folder of the
// node's kind. When the target has a kind, nodes of other kinds are skipped. A name
// that is taken among the siblings is replaced by the next free one ("Door" gives
// "Door~1", "Wall~7" gives "Wall~8"). A palette folder that exists already is used
// as it is; a prototype folder never merges with an existing one. A palette that
// the project already holds is not stored again: when it has a node that differs
// from the imported one, the clash choice (clash_dialog.h) decides whether the
// imported node overwrites it.
//
// Every block is checked before it is used: its size against the bytes left, a
// palette image against its kind's size, a surface entry against its 109 bytes, a
// streamed block for being consumed exactly, a text for its cap and its zero. A
// refused block, a store call that fails or a name that runs out of suffixes ends
// the import with 0, and the diagnostic output says what was wrong and at which
// offset ("HIBA" follows for prototype files); what the import created before stays
// in the project. Each block read, and "exist", "bExist" and "registered" for
// palette folders and palettes found in the project, go to the diagnostic output.
#pragma once

#include "dlist/api.h"

// Imports a palette file below target: a palette folder, or a palette (its folder is
// then used), or 0 for the palette root. hwnd is the palette manager's dialog (its
// palette tree view, control 10750, is kept up to date) or null. 1 when the end
// block was reached, 0 otherwise.
DLIST_API int DLIST_CALL PaletteImport(void* hwnd, long target, char* file);
// The same below the index-th child of the palette root, counted from 1 (0 when the
// root has fewer children); for an index of 0 or less below the root.
DLIST_API int DLIST_CALL PaletteImport(void* hwnd, short index, char* file);

// Imports a prototype file below target: a prototype folder, or a prototype (its
// folder is then used), or 0 for the prototype root. hwnd is the palette manager's
// dialog (its prototype tree view, control 10751, is kept up to date) or null.
// Every record is stored anew. 1 when the end block was reached, 0 otherwise.
DLIST_API int DLIST_CALL PrototypeImport(void* hwnd, long target, char* file);
DLIST_API int DLIST_CALL PrototypeImport(void* hwnd, short index, char* file);
