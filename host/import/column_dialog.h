// The column dialog of the record reader (FileImport::CallDialog): it shows the
// first lines of a delimited text file and lets the user pick the delimiter, the
// number of header lines to skip and, for each column of the file, the offered
// field it carries or none. Confirming it gives the FileImport the same field list
// as the column map would (column_map.h).
//
// Layout: the delimiter combo (Tab, ";", ",", "|", or one typed character), the
// header lines field, the list of columns (number, the column's first value, its
// field), the field combo ("(none)" and the offered fields in offered order) and
// the preview of the first lines, split at the delimiter. Choosing a row of the
// columns list shows its field in the field combo; choosing in the field combo
// assigns the field to that row. A field of repeat class 0 or 1 moves from any
// other column it was on; class 2 fields may stay on several columns. Changing the
// delimiter keeps the assignments of the columns that remain.
//
// Confirming refuses, with a warning on the control, a delimiter that is not one
// character, a header line count outside 0 to 1000000, and a mapping without any
// assigned column.
#pragma once

namespace dlist {

inline constexpr int kColumnDialogContext = 16690;

// Controls.
inline constexpr int kColumnDelimiter = 16691;  // combo: Tab ; , | or a typed character
inline constexpr int kColumnSkip = 16692;       // header lines to skip
inline constexpr int kColumnList = 16693;       // one row per column: number, first value, field
inline constexpr int kColumnField = 16694;      // combo: (none) and the offered fields
inline constexpr int kColumnPreview = 16695;    // one row per line: line number, split text
inline constexpr int kColumnLabelFirst = 16696;  // 16696 to 16700: the labels

// The lines the preview shows, and the bytes of each it keeps.
inline constexpr int kPreviewLines = 20;
inline constexpr int kPreviewLineBytes = 1024;

}  // namespace dlist
