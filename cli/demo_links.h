// The demonstration's material links: materials of its library linked to several
// wall prototypes through the material link dialog (fixed and automatic quantities,
// a parameter, a location), one group stored and applied, and the links carried
// through a prototype file into a fresh project.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

class LISTCONTEXT;

namespace dlist::cli {

inline constexpr char kDemoLinkFile[] = "linked-prototypes.prt";
inline constexpr char kDemoLinkProject[] = "linked.dlist";

// Works on the project at project with library active; writes what it did to out.
// False with the reason in *error.
bool run_link_demo(const std::filesystem::path& dir, const std::filesystem::path& project,
                   LISTCONTEXT& library, std::ostream& out, std::string* error);

}  // namespace dlist::cli
