// The model database's file conversion of exchange files (`file_compress`). The
// stand-in converts nothing: it copies the file as it stands, so a file it makes is
// read back in its original form (the surface exchange file is its pack).
#pragma once

#include "dlist/api.h"

// Writes the converted form of the file from to the file to (through a temporary
// file beside it, renamed into place when complete). 1 on success; 0, with to as it
// was, when from cannot be read or to cannot be written.
DLIST_API int file_compress(const char* from, const char* to);
