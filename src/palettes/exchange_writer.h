// The writer of palette and prototype exchange files: PaletteExport writes a part of
// the palette tree (one palette, a folder with everything below it, or the whole
// tree) with the palettes and their surface sets; PrototypeExport a part of the
// prototype tree with the element records, surface sets and reference chains. Block
// codes and header in exchange_format.h, the layout in docs/formats.md.
//
// Every node is written after the node of its parent: a folder's BLOCK_NODE precedes
// its contents, and the blocks of a leaf's record precede its BLOCK_NODE. Within a
// folder the leaves and the nodes of the subfolders come in store order, then the
// contents of the subfolders, the last subfolder first. Nodes of the system levels
// (palette levels 0 to 2, prototype levels 0 and 1) are never written, and a node
// of the first user level is written with parent 0, which an importer reads as its
// target folder.
//
// An export never destroys the previous file of that name: it writes a temporary
// file beside it and puts that in its place only when the file, with its resource
// appendix when asked for, is complete and closed. On any failure the temporary file
// is removed, the previous file stays byte for byte, and the reason goes to the
// diagnostic output.
#pragma once

#include "dlist/api.h"

// Writes the palette subtree that starts at node (a node identifier; 0: the whole
// tree) to file, after the description header of description (null: none). With
// resources non-zero the resources of the palettes' surface sets are appended. 1 on
// success, 0 on failure. hwnd is the calling dialog; nothing is shown.
DLIST_API int DLIST_CALL PaletteExport(void* hwnd, long node, char* file, char* description,
                                       int resources);
// The same for the index-th child of the palette root, counted from 1; 0 when the
// root has fewer children. An index of 0 or less exports the node that
// PALETTES::rew_node(0) answers (the root).
DLIST_API int DLIST_CALL PaletteExport(void* hwnd, short index, char* file, char* description,
                                       int resources);

// Writes the prototype subtree that starts at node (the root, a kind folder, a user
// folder or one prototype) to file. A kind folder gives the user nodes of its kind,
// the root those of every kind, each with parent 0. 1 on success, 0 on failure
// (also for a node that is not one of the prototype tree).
DLIST_API int DLIST_CALL PrototypeExport(void* hwnd, long node, char* file, char* description,
                                         int resources);
// As the index form of PaletteExport, over the children of the prototype root.
DLIST_API int DLIST_CALL PrototypeExport(void* hwnd, short index, char* file, char* description,
                                         int resources);
