// The framework's file choosers. Each takes the parent window, a filter, the
// caller's path buffer and its size (terminator included), and a title; the
// active user chooses. A filter is a pattern ("*.pal") or description and pattern
// pairs separated by '|' ("Palette files|*.pal"). Non-zero means a file was chosen
// and its path now fills the buffer. A path that does not fit the buffer is
// refused as a whole (result 0, buffer unchanged, noted in the record): a cut path
// would name another file. Every call is recorded in the dialog log.
#pragma once

#include "dlist/api.h"

// Chooses an existing file to open.
DLIST_API int SelectFileR(void* parent, const char* filter, char* path, unsigned size,
                          const char* title = nullptr);
// Chooses a file to import; setting names the host setting in which the caller
// keeps the folder (it is recorded, not touched).
DLIST_API int SelectImportFileR(void* parent, const char* filter, char* path, unsigned size,
                                int setting, const char* title = nullptr);
// Chooses the name of a file to write.
DLIST_API int SaveFile(void* parent, const char* filter, char* path, unsigned size,
                       const char* title = nullptr);
DLIST_API int SaveFileR(void* parent, const char* filter, char* path, unsigned size,
                        const char* title = nullptr);
// Chooses the file to export to and a description of it (into description, of
// description_size bytes; a description that does not fit refuses the choice).
DLIST_API int ExportFile(void* parent, const char* filter, char* path, unsigned size,
                         const char* title, char* description, unsigned description_size);
// Chooses a folder.
DLIST_API int SurePathDialog(void* parent, char* path, unsigned size, const char* filter,
                             const char* title = nullptr);
