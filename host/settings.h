// Numbered host settings and the unit-system and decimal-point queries: the
// stand-ins of the suite's settings module. Values live in a small key/value
// store; numbered settings use their number as key ("141"), the stand-ins' own
// settings a name ("meter_inch").
//
// The store is, in this order of choice: the file named by the environment
// variable DLIST_SETTINGS (":memory:" there selects a store in memory), else
// $XDG_CONFIG_HOME/dlist/settings, else $HOME/.config/dlist/settings (on Windows
// %APPDATA%\dlist\settings), else a store in memory. A file store is read on
// first use and written whole after every change: to a temporary file beside it,
// then renamed over it, so a crash leaves either the old or the new file.
// Tests and the command switch stores with use_memory_settings(),
// use_settings_file() or a ScopedSettings object.
//
// File format (text): one "key=value" a line; lines that are empty or begin with
// '#' are skipped. Keys are 1 to 64 characters of letters, digits, '_', '.', '-'.
// In values a backslash starts an escape: \\ \n \r \t, or \xHH for any other
// byte below 0x20 or 0x7F, so a value with line breaks stays on one line.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dlist/api.h"

// Setting id as a flag: 1 when it holds "1", 0 when it holds "0"; the setting's
// default when it is unset or holds anything else (1 for 247, whether new
// palettes are offered for registering; 0 for every other setting).
DLIST_API int R_Get_BOOL(int id);
// Stores value as a flag (any non-zero value as 1). Returns 1 when stored, 0 when
// the store could not be written (the value then holds for this process only).
DLIST_API int R_Set_BOOL(int id, int value);
// Copies setting id into buffer, cut to size - 1 characters and zero-terminated,
// and returns the number of characters copied; an unset setting gives the empty
// text (result 0). With a null buffer or a size below 1 nothing is written.
DLIST_API int R_Get_STRING(int id, char* buffer, int size);
// Stores value (null stores the empty text). Returns 1 when stored, 0 when the
// value is too long (over 32768 bytes) or the store could not be written.
DLIST_API int R_Set_STRING(int id, const char* value);

// The unit system of the host, setting "meter_inch": values below 4 are metric
// units, 4 and above imperial ones. Default 0 (metric), also for a value that is
// not a number from 0 to 99.
DLIST_API int GetMeterInch();
// The decimal point of the user's number format, setting "decimal_point" (its
// single character). Default '.', also for a value that is not one printable
// character.
DLIST_API char GetWinIniDecPoint();

// The material selection mode of the host, setting "mat_select_mode": 1 to 4,
// default 1 (also for a value outside 1 to 4). SetMatSelectMode stores a mode of 1
// to 4 and answers 1, 0 for another value or when it could not be stored.
DLIST_API int GetMatSelectMode();
DLIST_API int SetMatSelectMode(int mode);

namespace dlist {

inline constexpr char kMeterInchKey[] = "meter_inch";
inline constexpr char kDecimalPointKey[] = "decimal_point";
inline constexpr char kMatSelectModeKey[] = "mat_select_mode";
inline constexpr size_t kMaxSettingValue = 32768;

// The value of key; nothing when unset or when the key is not a valid key.
std::optional<std::string> get_setting(std::string_view key);
// Stores value under key. False when the key is invalid, the value too long, or
// the file could not be written (the value then holds in memory only).
bool set_setting(std::string_view key, std::string_view value);
// Removes key; false only when the file could not be written.
bool erase_setting(std::string_view key);

// The user's settings file, or nothing when the environment names no folder for it.
std::optional<std::filesystem::path> default_settings_path();
// The file of the store in use; nothing for a store in memory.
std::optional<std::filesystem::path> settings_file();

// Switch the process to a new, empty store in memory.
void use_memory_settings();
// Switch the process to the store of file (read on first use).
void use_settings_file(const std::filesystem::path& file);
// Switch back to the store chosen from the environment (see above).
void use_default_settings();

class SettingsStore;

// Puts a store in place for the life of the object and restores the previous
// one afterwards: an empty store in memory, or the store of a given file.
class ScopedSettings {
 public:
  ScopedSettings();
  explicit ScopedSettings(const std::filesystem::path& file);
  ~ScopedSettings();
  ScopedSettings(const ScopedSettings&) = delete;
  ScopedSettings& operator=(const ScopedSettings&) = delete;

 private:
  std::unique_ptr<SettingsStore> previous_;
};

// The escaping of values in the file, exposed for tests and tools.
std::string escape_setting_value(std::string_view value);
// Nothing when text holds a malformed escape.
std::optional<std::string> unescape_setting_value(std::string_view text);

}  // namespace dlist
