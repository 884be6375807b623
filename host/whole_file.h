// Writing a whole file at once through FileReplacement: the text goes to a file
// beside the target that takes its place only when it is complete.
#pragma once

#include <string>
#include <string_view>

#include "dlist/api.h"

namespace dlist {

// Replaces the file at path by text; false with the reason in error, the file at
// path then as it was.
DLIST_API bool write_whole_file(const std::string& path, std::string_view text, std::string& error);

}  // namespace dlist
