// The description header that opens the suite's exchange files (palette and
// prototype files among them): the free text the user gave when exporting, written
// by WriteDescription in front of the file's own content and read (or skipped) by
// ReadDescription before it. Layout in docs/formats.md, "Description header": a
// 32-bit little-endian byte count, then that many bytes of text, no terminator.
#pragma once

#include <cstdint>
#include <string>

#include "dlist/api.h"
#include "stream/file_handle.h"

namespace dlist {

// The longest description, in bytes, that is written or read.
inline constexpr uint32_t kMaxDescriptionBytes = 64u * 1024u;

}  // namespace dlist

// Writes the description header for description (null: empty) at the file's
// position. Throws dlist::StreamError when the write fails or the text is longer
// than dlist::kMaxDescriptionBytes; nothing is cut.
DLIST_API void WriteDescription(FileHandle& file, const char* description);

// Reads the description header at the file's position into *description (null: the
// header is skipped) and leaves the file behind it. Throws dlist::StreamError, with
// *description untouched, for a count above dlist::kMaxDescriptionBytes or beyond
// the bytes left in the file, and for a short read.
DLIST_API void ReadDescription(FileHandle& file, std::string* description);
