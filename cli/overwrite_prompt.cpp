#include "cli/overwrite_prompt.h"

#include <cctype>
#include <istream>
#include <ostream>
#include <string>

namespace dlist::cli {
namespace {

constexpr int kMaxPrompts = 3;  // unreadable answers before the record is kept

}  // namespace

OverwriteAnswer ask_overwrite(std::istream& in, std::ostream& prompt) {
  for (int attempt = 0; attempt < kMaxPrompts; ++attempt) {
    prompt << "(o)verwrite, (k)eep, overwrite (a)ll, keep a(l)l? " << std::flush;
    std::string line;
    if (!std::getline(in, line)) break;
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    if (line == "o" || line == "overwrite") return OverwriteAnswer::kOverwrite;
    if (line == "k" || line == "keep") return OverwriteAnswer::kKeep;
    if (line == "a" || line == "overwrite all") return OverwriteAnswer::kOverwriteAll;
    if (line == "l" || line == "keep all") return OverwriteAnswer::kKeepAll;
  }
  prompt << "\n";
  return OverwriteAnswer::kKeep;
}

}  // namespace dlist::cli
