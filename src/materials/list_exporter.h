// The list export file (".lis"): a material library, or a part of it, as 8-bit text
// lines ended by CR LF: the header, the dimensions with their units, the markets,
// the subprices, the long text names and one line per material. Layout:
// docs/formats.md, "List export file".
#pragma once

#include "dlist/api.h"

class LISTCONTEXT;
class TEXTBUFFERCHAIN;

// The first line of a list export file: the version byte and this text.
inline constexpr char kListBanner[] = "This file is exported by Corvida";
inline constexpr unsigned char kListVersion = 3;
inline constexpr unsigned char kListVersionOld = 2;

// Writes the subtree of material root (0: the whole library, each root followed by its
// subtree) with codes started as target says (-1: full codes; 0: the first exported
// material becomes a top-level code; above 0: below material target, whose code
// components come first). With a window the file is chosen by the user (cancelling
// gives 0) and path is not used; without one, path names the file, and an empty path
// makes a new temporary file whose name is copied back into path (which must have room
// for kListTempPathSize bytes; a name that does not fit gives 0). 1 on success; 0 on
// failure: no path, a file that cannot be opened or written, a library without any
// unit, a whole-library export of a library without materials, a subprice of a kind
// the file has no character for, a text that holds a separator of its field or a line
// break the file cannot carry (the reason, naming the record and the field, goes to
// the diagnostic output), a failed library read.
// The library's read lock is held for the whole export. The file is written beside
// the target under a temporary name and renamed into its place when complete: a
// failed export leaves the target as it was (or absent).
DLIST_API int DLIST_CALL ListExporter(void* window, LISTCONTEXT* library, long root, char* path,
                                      long target);
// Writes the materials whose codes are listed, with their ancestors, in ascending byte
// order of the codes, with full codes; codes that name no material are skipped. codes
// is extended by the ancestors' codes not listed yet and left sorted (stable). 1 on
// success (no file is made for an empty list), 0 on failure as above.
DLIST_API int DLIST_CALL ListExporter(LISTCONTEXT* library, char* path, TEXTBUFFERCHAIN* codes);

// Room the caller gives path for a temporary file name.
inline constexpr int kListTempPathSize = 4096;
