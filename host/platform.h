// Small helpers in place of the operating system's calls that the suite reaches
// through Windows: the folder for temporary files, a fresh temporary file name,
// the user's currency symbol, and opening a file for viewing.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// Creates a new, empty folder in directory whose name begins with prefix and did
// not exist before, and returns its path; an empty path when it cannot be made.
// The caller removes the folder when done.
DLIST_API std::filesystem::path unique_temp_folder(const std::filesystem::path& directory,
                                                   std::string_view prefix = "dl");

// Opens file with the desktop's viewer for its type (the shell's "Open" verb):
// the viewer program is started with an argument vector, never through a shell,
// and not waited for. False when the file does not exist or the viewer cannot be
// started.
DLIST_API bool open_file_for_viewing(const std::filesystem::path& file);

// What starts a program: given the argument vector (the program first), true when
// it started. Tests put a recorder in place so that nothing is ever started.
using ProgramStarter = std::function<bool(const std::vector<std::string>& argv)>;
// Puts starter in place (an empty one restores the system's) and returns the one
// before.
DLIST_API ProgramStarter set_program_starter(ProgramStarter starter);

// Records every program the helpers would start instead of starting it, for the
// life of the object; started() answers the recorded calls.
class DLIST_API ProgramRecorder {
 public:
  explicit ProgramRecorder(bool result = true);
  ~ProgramRecorder();
  ProgramRecorder(const ProgramRecorder&) = delete;
  ProgramRecorder& operator=(const ProgramRecorder&) = delete;

  const std::vector<std::vector<std::string>>& calls() const { return calls_; }

 private:
  std::vector<std::vector<std::string>> calls_;
  ProgramStarter previous_;
};

}  // namespace dlist
