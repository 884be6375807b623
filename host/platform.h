// Small helpers in place of the operating system's calls that the suite reaches
// through Windows: the folder for temporary files, a fresh temporary file name,
// and the user's currency symbol.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "dlist/api.h"

namespace dlist {

// The named setting that holds the user's currency symbol.
inline constexpr char kCurrencySymbolKey[] = "intl.sCurrency";
// The currency symbol when the setting is unset or empty.
inline constexpr char kDefaultCurrencySymbol[] = "$";

// The folder for temporary files: the environment variable TMP, else TMPDIR (each
// only when set and not empty), else the system's default folder.
DLIST_API std::filesystem::path temp_directory();

// Creates a new, empty file in directory whose name begins with prefix and did not
// exist before (created exclusively, so two callers never get the same name), and
// returns its path. The caller removes the file when done. An empty path when
// directory is not a writable folder.
DLIST_API std::filesystem::path unique_temp_path(const std::filesystem::path& directory,
                                                 std::string_view prefix = "dl");

// The user's currency symbol: the setting kCurrencySymbolKey, or "$" when it is
// unset or empty.
DLIST_API std::string currency_symbol();

}  // namespace dlist
