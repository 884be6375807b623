// Locations named on the command line: by identifier or by a path of names from the
// top level ("Site/Hall/Room"; a leading "/" makes a name of digits a path).
#pragma once

#include <string>

namespace dlist::cli {

// The key of the location that text names; 0, with the reason in *error, when there
// is none (or the location has no key).
long location_key(const std::string& text, std::string* error);
// The path of names (UTF-8) of the location whose key is key; "" when there is none.
std::string location_key_path(long key);

}  // namespace dlist::cli
