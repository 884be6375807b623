// Surface exchange files: the surfaces named by a list, carried between surface
// libraries with their bitmap files as one file (a surface pack, surface_pack.h;
// layout in docs/formats.md, "Surface exchange file").
//
// The export lets the library write the surfaces into a surface library file in a
// scratch folder (WriteSurfaces), packs the folder and converts the pack into the
// file (file_compress). The import unpacks the file into a scratch folder and lets
// the library read the surface library file found there (ReadSurfaces). Scratch
// folders have names of their own, made atomically, and are removed on every way
// out; nothing of a refused file reaches the library.
#pragma once

#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/material_records.h"  // TEXTBUFFERCHAIN
#include "host/surface/surface_library.h"
#include "palettes/surface_pack.h"

// Writes the surfaces whose names are listed to file. 1 on success, 0 on failure.
DLIST_API int DLIST_CALL ExportSurfaceReferences(SURFCONTEXT* surfaces, TEXTBUFFERCHAIN* names,
                                                 char* file);

// Reads the surface file into the library; option is ReadSurfaces' ("replace", or
// "keep" / empty / null). The result of ReadSurfaces (1 on success); 0 when the file
// cannot be unpacked, holds no surface library file or more than one, or is refused.
DLIST_API int DLIST_CALL ImportSurfaceReferences(SURFCONTEXT* surfaces, char* file, char* option);

namespace dlist {

// ExportSurfaceReferences with the names as a list; the reason of a failure in
// *error.
DLIST_API bool export_surface_references(SURFCONTEXT& surfaces,
                                         const std::vector<std::string>& names,
                                         const std::string& file, std::string* error);

// The import from any input (a file, or bytes in memory for the fuzz target): the
// report says what was added, replaced and kept, or why nothing was.
DLIST_API bool import_surface_references(SURFCONTEXT& surfaces, PackInput& in,
                                         SurfaceConflict conflict, SurfaceReadReport* report);

}  // namespace dlist
