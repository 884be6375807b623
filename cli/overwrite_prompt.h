// The overwrite question of the imports at the terminal: a stored record differs
// from the imported one, and the user overwrites or keeps it, this once or for all.
#pragma once

#include <iosfwd>

namespace dlist::cli {

enum class OverwriteAnswer { kOverwrite, kKeep, kOverwriteAll, kKeepAll };

// Prompts "(o)verwrite, (k)eep, overwrite (a)ll, keep a(l)l?" on prompt and reads
// the answer from in, asking again after an unreadable one; keep when the input
// ends or stays unreadable.
OverwriteAnswer ask_overwrite(std::istream& in, std::ostream& prompt);

}  // namespace dlist::cli
