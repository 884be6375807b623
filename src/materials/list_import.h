// The list import: brings materials, units, dimensions, markets, subprices and long
// text names from a file into the material library below a parent material. Three
// kinds of file are read: list export files of version 3 and of the older version 2
// (list_exporter.h, docs/formats.md) and any delimited text file whose columns the
// user assigns to material fields. MoveList moves a subtree of materials through
// a list export file in one transaction of the library.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "dlist/api.h"
#include "materials/material_entry.h"

class LISTCONTEXT;

// Reads the file at path into library below material parent (0: at the top). ask 1:
// codes are full codes placed where they stand (the user may switch to relative
// placement when a parent is missing); ask 0: codes are placed relative to parent,
// the first record's own component directly below it. The library's write lock is
// held for the whole run. Non-zero on success, 0 on any failure or cancel (what was
// placed before stays).
DLIST_API int DLIST_CALL ListImport(void* window, LISTCONTEXT* library, long parent,
                                    const char* path, int ask);
// Imports path into an empty library (parent 0, ask 1) and gives the library its
// default long text names when it has none. The import's result.
DLIST_API int DLIST_CALL ListInic(void* window, LISTCONTEXT* library, const char* path);

// Moves the subtree of material source below material destination (0: to the
// top) inside the library, under one write lock: every moved material keeps its
// identifier, fields, long texts and references, and units keep their usage
// counts; a failing step rolls the library back to where it was. 1 on success; 0
// when destination lies in the subtree of source, already holds a child with the
// own code of source, or a step fails.
DLIST_API int DLIST_CALL MoveList(LISTCONTEXT* library, void* window, long source,
                                  long destination);

namespace dlist {

// Answers of the overwrite question: overwrite this one, keep this one, overwrite
// all, keep all.
inline constexpr int kOverwriteThis = -1;
inline constexpr int kKeepThis = -2;
inline constexpr int kOverwriteAll = 1;
inline constexpr int kKeepAll = 2;

// What a caller may set instead of asking the user.
struct ListImportOptions {
  // A column map (column_map.h) for a delimited text file, used instead of the
  // column question and dialog.
  std::optional<std::string> column_map;
  // A standing answer to the overwrite question (kOverwriteAll or kKeepAll), or a
  // first answer (kOverwriteThis, kKeepThis apply to every material then).
  std::optional<int> overwrite;
  // Asks the overwrite question (stored material, imported record, reason); the
  // import's own dialog when empty.
  std::function<int(long stored, MATERIALENTRY& imported, int reason)> ask_overwrite;
};

// ListImport with options.
DLIST_API int list_import(void* window, LISTCONTEXT* library, long parent, const char* path,
                          int ask, const ListImportOptions& options);

}  // namespace dlist
