// The column map: a one-line text form of what the user picks in the column
// dialog, for scripts and the command line. It fills a FileImport exactly as the
// confirmed dialog does (FileImport::SetColumns).
//
//   delim=;,skip=1,cols=code,name,-,unit_price
//
// Items are separated by ",":
// - delim=C   the delimiter: one character C (also "," itself, as in "delim=,,"),
//             or one of the words tab, comma, semicolon, pipe, space. Default: tab.
// - skip=N    header lines before the first record, 0 to 1000000. Default: 0.
// - cols=...  the last item: one word per column of the file, from the first
//             column on, separated by ","; "-" leaves a column out. Columns after
//             the last listed one are dropped.
// Column words name the offered fields by their type (case does not matter):
//   0 code, 1 name, 2 market, 3 dimension, 4 unit, 5 ignored, 6 dimension2,
//   7 factor2, 8 subprice_name, 9 subprice_value, 10 text1, 11 text2, 12 text3,
//   13 text4, 14 unit_price, 15 subprice, 16 conversion, 17 ref_unit,
//   18 ref_factor.
// A word names an offered field only; fields of repeat class 0 and 1 take one
// column at most, those of class 2 any number.
#pragma once

#include <string>
#include <string_view>

#include "dlist/api.h"
#include "host/import/field_list.h"

namespace dlist {

// The column word of field type type; null when the type has none.
DLIST_API const char* column_word(int type);
// The field type of a column word (any case); -1 when it names none.
DLIST_API int column_word_type(std::string_view word);

// Fills target's field list, delimiter and start point from text. Returns "" on
// success, else what is wrong (naming the item); target is then left as it was.
DLIST_API std::string parse_column_map(std::string_view text, FileImport& target);

// The column words of target's offered fields, in offered order, joined by ", "
// (for help texts and messages).
DLIST_API std::string offered_column_words(const FileImport& target);

}  // namespace dlist
