// The element kind on the command line: by its code (1 to 13) or by its word
// (`wall`, `door`, `window`, `symbol`, `stair`, `ceiling`, `roof`, `parcel`,
// `text`, `raster`, `line`, `circle`, `hotspot`), from the kind table.
#pragma once

#include <string>
#include <string_view>

namespace dlist::cli {

// The kind that word names, its code or its word in any case; 0, with the reason
// in *error, for anything else (kind 0 and 14 included).
int parse_kind(std::string_view word, std::string* error);

// The word of a kind ("wall"); "-" for a code outside 1 to 13.
const char* kind_word(int kind);

}  // namespace dlist::cli
