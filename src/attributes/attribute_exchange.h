// The attribute file's export and import, and the dialogs of the import's
// conflicts.
//
// The export writes a group with everything under it, or one attribute, with the
// references of every attribute and their values (a file reference as the embedded
// file, read from the disk when the database only names it). It writes to a
// temporary file beside the target that takes the target's place only when the
// file is complete: a failed export leaves an earlier file as it was.
//
// The import reads the file (every record checked, attribute_file.h) into a group
// of the library. A group whose name is a predefined one is found in the library
// rather than created (the root for the library's own name); an attribute whose
// abbreviation exists is not created again when the definitions agree, and
// otherwise the conflict strategy decides between the two; a reference whose name
// the attribute holds is compared by value and, when the values differ, decided
// the same way. A name taken in the target group gets the suffix "_1", "_2", ...
// within its 31 characters. A failure returns 0 with the reason in the diagnostic
// output ("AttributeImport: ..."); the caller that wants the library unchanged
// holds the model's write lock around the import and abandons it (`dlist
// attributes import` does).
#pragma once

#include <string>

#include "dlist/api.h"
#include "foundation/attribute_records.h"
#include "foundation/elemid_list.h"

// Writes the library entry id (a group or an attribute) to file. With a selection,
// only the groups and attributes it names are written, while the groups under an
// unselected group are still visited. 1 on success, 0 on failure.
DLIST_API int DLIST_CALL AttributeExport(void* hwnd, long id, char* file, long unused,
                                         ELEMID_LIST* selection);

// Reads file into the library group target (0: the root); hwnd owns the conflict
// dialogs. 1 on success, 0 on failure.
DLIST_API int DLIST_CALL AttributeImport(void* hwnd, long target, char* file);

// Shows two definitions side by side as attribute summaries and asks which to
// take: on OK *choice is 0 when button 10770 closed the dialog, 1 for 10771. The
// dialog's result (1 OK, 0 cancelled).
DLIST_API int DLIST_CALL CrtSetImportStrat(void* hwnd, int* choice, DBATTRIBUTETYPE* first,
                                           DBATTRIBUTETYPE* second);

namespace dlist {

// Values of the conflict strategy, module-wide and kept from one import to the
// next; 0 (keep, do not ask) at load. While it is negative the import asks.
inline constexpr short kConflictKeepSilently = 0;
inline constexpr short kConflictReplaceAsk = -1;  // replace this one, ask again
inline constexpr short kConflictKeepAsk = -2;     // keep this one, ask again
inline constexpr short kConflictReplaceAll = 1;
inline constexpr short kConflictKeepAll = 2;

// The two conflict dialogs, the strategy dialog and their controls.
inline constexpr int kConflictContext = 22242;
inline constexpr int kConflictCaption = 21684;
inline constexpr int kConflictButtonReplace = 10770;
inline constexpr int kConflictButtonKeep = 10771;
inline constexpr int kConflictButtonReplaceAll = 10772;
inline constexpr int kConflictButtonKeepAll = 10773;
inline constexpr int kConflictShowExisting = 10774;
inline constexpr int kConflictShowImported = 10775;
inline constexpr int kConflictExistingText =
    10396;  // existing name and abbreviation / the line "attribute - reference"
inline constexpr int kConflictImportedText =
    10397;  // imported name and abbreviation / the new value
inline constexpr int kConflictOldValueText = 10398;  // the existing value (reference conflicts)
inline constexpr int kStrategyFirstTree = 10750;
inline constexpr int kStrategySecondTree = 10751;

DLIST_API short attribute_conflict_strategy();
DLIST_API void set_attribute_conflict_strategy(short strategy);

// The predefined-name code of name (1 to 7), 0 for any other name.
DLIST_API int predefined_name_code(const char* name);

// The attribute summary of a definition: twelve lines, label and value by turns,
// the element kinds one a line.
DLIST_API std::string attribute_summary(const DBATTRIBUTETYPE& definition);
// Appends the summary to tree (a tree view), one item a line.
DLIST_API void fill_attribute_summary_tree(void* tree, const DBATTRIBUTETYPE& definition);

// What the "show" buttons of the attribute conflict open: by default the editor's
// read-only view of the definition (CallAttributeShow); a function set here takes
// its place (id: the library's entry, 0 for the definition read from the file).
using AttributeShowFunction = void (*)(void* owner, long id, const DBATTRIBUTETYPE& definition);
DLIST_API void set_attribute_show_function(AttributeShowFunction show);

}  // namespace dlist
