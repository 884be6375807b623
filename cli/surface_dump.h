// `dlist dump` of a surface exchange file (a pack) or of a surface library file
// (".srf"), told apart from palette and prototype files by their first bytes. The
// text form gives the file's kind and size, then each entry as "@<offset> entry
// "<name>" <length> bytes at <content offset>", and below an entry that holds a
// surface library file its header and each surface with its fields and bitmap name
// (offsets from the start of the dumped file). The JSON form is one object with the
// keys file, kind, size, entries (offset, name, length, content_offset, library),
// ok, error and error_offset; a library has version, count, surfaces, error and
// error_offset. A refused file is shown as far as it could be read, with one line on
// stderr (status 1).
#pragma once

#include <span>
#include <string>

#include "cli/project.h"

namespace dlist::cli {

// Whether the first bytes of a file are those of a surface pack or of a surface
// library file.
bool is_surface_dump(std::span<const unsigned char> head);

// The command's body for such a file: 0 for a file the import reads through.
int surface_dump_command(const std::string& file, bool json, Output& out);

}  // namespace dlist::cli
