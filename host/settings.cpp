// The settings store: a map from key to value, optionally backed by a file that
// is read once, on first use, and rewritten atomically after each change. A file
// that cannot be read (other than one that does not exist yet) or is larger than
// kMaxFileBytes is never overwritten: its store keeps changes in memory and
// reports them as not stored, so the user's file is not lost.

#include "host/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "host/report.h"

namespace dlist {

namespace {

constexpr uintmax_t kMaxFileBytes = 1u << 20;
constexpr size_t kMaxKeyLength = 64;

bool is_valid_key(std::string_view key) {
  if (key.empty() || key.size() > kMaxKeyLength) return false;
  return std::all_of(key.begin(), key.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
  });
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string escape_setting_value(std::string_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out += "\\x";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::optional<std::string> unescape_setting_value(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x': {
        if (text.size() - i < 3) return std::nullopt;
        int high = hex_digit(text[i + 1]);
        int low = hex_digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

// A store in memory, optionally mirrored in a file.
class SettingsStore {
 public:
  SettingsStore() = default;
  explicit SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

  const std::optional<std::filesystem::path>& file() const { return file_; }

  std::optional<std::string> get(std::string_view key, std::vector<std::string>& notes) {
    load(notes);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }

  bool set(std::string_view key, std::string_view value, std::vector<std::string>& notes) {
    load(notes);
    auto it = values_.find(key);
    if (it != values_.end() && it->second == value) return writable_;
    values_.insert_or_assign(std::string(key), std::string(value));
    return save(notes);
  }

  bool erase(std::string_view key, std::vector<std::string>& notes) {
    load(notes);
    auto it = values_.find(key);
    if (it == values_.end()) return true;
    values_.erase(it);
    return save(notes);
  }

 private:
  void load(std::vector<std::string>& notes);
  bool save(std::vector<std::string>& notes);

  std::optional<std::filesystem::path> file_;
  std::map<std::string, std::string, std::less<>> values_;
  bool loaded_ = false;
  bool writable_ = true;  // false when the file exists but could not be read
};

void SettingsStore::load(std::vector<std::string>& notes) {
  if (loaded_ || !file_) return;
  loaded_ = true;
  const std::string name = file_->string();

  std::error_code ec;
  auto status = std::filesystem::status(*file_, ec);
  if (status.type() == std::filesystem::file_type::not_found) return;  // nothing stored yet
  if (ec) {
    notes.push_back("settings: cannot inspect '" + name + "': " + ec.message() +
                    "; changes are kept in memory");
    writable_ = false;
    return;
  }
  if (!std::filesystem::is_regular_file(status)) {
    notes.push_back("settings: '" + name + "' is not a regular file; changes are kept in memory");
    writable_ = false;
    return;
  }
  uintmax_t size = std::filesystem::file_size(*file_, ec);
  if (ec || size > kMaxFileBytes) {
    notes.push_back("settings: '" + name + "' is larger than " + std::to_string(kMaxFileBytes) +
                    " bytes or its size cannot be read; changes are kept in memory");
    writable_ = false;
    return;
  }
  std::FILE* in = std::fopen(name.c_str(), "rb");
  if (in == nullptr) {
    notes.push_back("settings: cannot read '" + name + "': " + std::strerror(errno) +
                    "; changes are kept in memory");
    writable_ = false;
    return;
  }
  std::string content(static_cast<size_t>(size), '\0');
  size_t got = content.empty() ? 0 : std::fread(content.data(), 1, content.size(), in);
  bool read_error = std::ferror(in) != 0;
  std::fclose(in);
  if (read_error) {
    notes.push_back("settings: cannot read '" + name + "'; changes are kept in memory");
    writable_ = false;
    return;
  }
  content.resize(got);

  size_t line_number = 0;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + pos, end - pos);
    pos = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    size_t equals = line.find('=');
    std::string_view key = line.substr(0, equals);
    std::optional<std::string> value;
    if (equals != std::string_view::npos && is_valid_key(key)) {
      value = unescape_setting_value(line.substr(equals + 1));
    }
    if (!value || value->size() > kMaxSettingValue) {
      notes.push_back("settings: " + name + ":" + std::to_string(line_number) +
                      ": not a valid \"key=value\" line; ignored");
      continue;
    }
    values_.insert_or_assign(std::string(key), std::move(*value));
  }
}

bool SettingsStore::save(std::vector<std::string>& notes) {
  if (!file_) return true;
  if (!writable_) return false;
  const std::filesystem::path& path = *file_;

  std::string content =
      "# dlist settings: one \"key=value\" a line; values escape \\\\ \\n \\r \\t \\xHH\n";
  for (const auto& [key, value] : values_) {
    content += key;
    content += '=';
    content += escape_setting_value(value);
    content += '\n';
  }

  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);

  // A fresh name beside the file, created exclusively so that no other file is reused.
  std::random_device entropy;
  std::filesystem::path temporary;
  std::FILE* out = nullptr;
  for (int attempt = 0; attempt < 16 && out == nullptr; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp-%08x", static_cast<unsigned>(entropy()));
    temporary = path;
    temporary += suffix;
    out = std::fopen(temporary.string().c_str(), "wbx");
    if (out == nullptr && errno != EEXIST) break;
  }
  if (out == nullptr) {
    notes.push_back("settings: cannot create a temporary file beside '" + path.string() +
                    "': " + std::strerror(errno));
    return false;
  }
  bool ok = std::fwrite(content.data(), 1, content.size(), out) == content.size();
  ok = std::fflush(out) == 0 && ok;
#if !defined(_WIN32)
  ok = ok && ::fsync(::fileno(out)) == 0;
#endif
  ok = std::fclose(out) == 0 && ok;
  if (ok) {
    std::filesystem::rename(temporary, path, ec);
    ok = !ec;
  }
  if (!ok) {
    notes.push_back("settings: cannot write '" + path.string() + "'");
    std::filesystem::remove(temporary, ec);
  }
  return ok;
}

namespace {

std::mutex g_mutex;
std::unique_ptr<SettingsStore> g_store;  // null until first use

std::unique_ptr<SettingsStore> make_default_store() {
  if (const char* chosen = std::getenv("DLIST_SETTINGS"); chosen && *chosen) {
    if (std::strcmp(chosen, ":memory:") == 0) return std::make_unique<SettingsStore>();
    return std::make_unique<SettingsStore>(std::filesystem::path(chosen));
  }
  if (auto path = default_settings_path()) return std::make_unique<SettingsStore>(*path);
  return std::make_unique<SettingsStore>();
}

SettingsStore& store_locked() {
  if (!g_store) g_store = make_default_store();
  return *g_store;
}

void emit(const std::vector<std::string>& notes) {
  for (const std::string& note : notes) DiagnosticOut(note.c_str());
}

// Runs op on the store under the lock, then hands its notes to the report log.
template <typename Op>
auto with_store(Op op) {
  std::vector<std::string> notes;
  auto result = [&] {
    std::lock_guard<std::mutex> lock(g_mutex);
    return op(store_locked(), notes);
  }();
  emit(notes);
  return result;
}

std::unique_ptr<SettingsStore> replace_store(std::unique_ptr<SettingsStore> next) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::swap(g_store, next);
  return next;
}

int copy_out(const std::string& value, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return 0;
  size_t copied = std::min(value.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, value.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

}  // namespace

std::optional<std::string> get_setting(std::string_view key) {
  if (!is_valid_key(key)) return std::nullopt;
  return with_store(
      [&](SettingsStore& store, std::vector<std::string>& notes) { return store.get(key, notes); });
}

bool set_setting(std::string_view key, std::string_view value) {
  if (!is_valid_key(key) || value.size() > kMaxSettingValue) return false;
  return with_store([&](SettingsStore& store, std::vector<std::string>& notes) {
    return store.set(key, value, notes);
  });
}

bool erase_setting(std::string_view key) {
  if (!is_valid_key(key)) return true;
  return with_store([&](SettingsStore& store, std::vector<std::string>& notes) {
    return store.erase(key, notes);
  });
}

std::optional<std::filesystem::path> default_settings_path() {
#if defined(_WIN32)
  if (const char* appdata = std::getenv("APPDATA"); appdata && *appdata) {
    return std::filesystem::path(appdata) / "dlist" / "settings";
  }
#else
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
    return std::filesystem::path(config) / "dlist" / "settings";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".config" / "dlist" / "settings";
  }
#endif
  return std::nullopt;
}

std::optional<std::filesystem::path> settings_file() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return store_locked().file();
}

void use_memory_settings() {
  replace_store(std::make_unique<SettingsStore>());
}

void use_settings_file(const std::filesystem::path& file) {
  replace_store(std::make_unique<SettingsStore>(file));
}

void use_default_settings() {
  replace_store(nullptr);
}

ScopedSettings::ScopedSettings() : previous_(replace_store(std::make_unique<SettingsStore>())) {}

ScopedSettings::ScopedSettings(const std::filesystem::path& file)
    : previous_(replace_store(std::make_unique<SettingsStore>(file))) {}

ScopedSettings::~ScopedSettings() {
  replace_store(std::move(previous_));
}

}  // namespace dlist

int R_Get_BOOL(int id) {
  auto value = dlist::get_setting(std::to_string(id));
  if (value == "1") return 1;
  if (value == "0") return 0;
  return id == 247 ? 1 : 0;
}

int R_Set_BOOL(int id, int value) {
  return dlist::set_setting(std::to_string(id), value ? "1" : "0") ? 1 : 0;
}

int R_Get_STRING(int id, char* buffer, int size) {
  return dlist::copy_out(dlist::get_setting(std::to_string(id)).value_or(std::string()), buffer,
                         size);
}

int R_Set_STRING(int id, const char* value) {
  return dlist::set_setting(std::to_string(id), value ? value : "") ? 1 : 0;
}

int GetMatSelectMode() {
  auto value = dlist::get_setting(dlist::kMatSelectModeKey);
  if (!value || value->size() != 1 || (*value)[0] < '1' || (*value)[0] > '4') return 1;
  return (*value)[0] - '0';
}

int SetMatSelectMode(int mode) {
  if (mode < 1 || mode > 4) return 0;
  return dlist::set_setting(dlist::kMatSelectModeKey, std::string(1, static_cast<char>('0' + mode)))
             ? 1
             : 0;
}

int GetMeterInch() {
  auto value = dlist::get_setting(dlist::kMeterInchKey);
  if (!value || value->empty() || value->size() > 2) return 0;
  int number = 0;
  for (char c : *value) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

char GetWinIniDecPoint() {
  auto value = dlist::get_setting(dlist::kDecimalPointKey);
  if (!value || value->size() != 1) return '.';
  unsigned char c = static_cast<unsigned char>((*value)[0]);
  return c > 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
}
