// The framework's file choosers. Each takes the parent window, a filter, the
// caller's path buffer and its size (terminator included), and a title; the
// active user chooses. A filter is a pattern ("*.pal") or description and pattern
// pairs separated by '|' ("Palette files|*.pal"). Non-zero means a file was chosen
// and its path now fills the buffer. A path that does not fit the buffer is
// refused as a whole (result 0, buffer unchanged, noted in the record): a cut path
// would name another file. Every call is recorded in the dialog log.
#pragma once

#include <string>
#include <utility>
#include <vector>

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

namespace dlist {

// The child templates of the library for the system's open-file dialog.
inline constexpr int kTemplateAddReference = 799;     // label 10396, name 10436, check 10550, button 10770
inline constexpr int kTemplateChangeReference = 788;  // check 10550, button 10770
inline constexpr int kTemplateLinkReference = 780;    // check 10550, list view 10752, button 10770

// The extra controls of a child template, filled by the caller and read back after
// a file was chosen.
struct OpenFileExtras {
  int template_id = kTemplateAddReference;
  char* name = nullptr;     // 799: the name field 10436 (in and out), of name_size bytes
  unsigned name_size = 0;
  int check = 0;            // the check box 10550 (in and out)
  std::vector<std::pair<std::string, std::string>> rows;  // 780: the list 10752 (name, value)
  int chosen_row = -1;      // 780: the row the user chose (out), -1 for none
};

}  // namespace dlist

// The system's open-file dialog (explorer style, the file must exist, the current
// directory is left as it was) with a child template of the library and its hook:
// the user chooses an existing file, or in template 780 a row of the list (whose
// value is then the path). The path starts from what the buffer holds. A path or a
// name that does not fit its buffer, or a path that names no existing file, refuses
// the choice as a whole (result 0, nothing changed).
DLIST_API int OpenFileTemplate(void* parent, const char* filter, char* path, unsigned size,
                               const char* title, dlist::OpenFileExtras* extras);
