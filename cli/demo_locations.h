// The demo's locations: a nested tree made in the active project, and its print for
// comparing two projects.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dlist::cli {

// Makes the demo's locations (three levels, one of them fixed with key 0) in the
// active project; their number, or nothing with the reason.
std::optional<int> fill_demo_locations(std::string* error);

// Every location of the active project as "path#key[text]", in tree order.
std::vector<std::string> location_prints();

}  // namespace dlist::cli
