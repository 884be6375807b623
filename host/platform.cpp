// The platform helpers: the temporary folder from the environment, exclusive
// creation of temporary files, and the currency symbol from the settings store.

#include "host/platform.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <random>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include "host/settings.h"

namespace dlist {
namespace {

// The value of an environment variable when it is set and not empty.
std::optional<std::string> env_value(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

// A prefix names no folder and holds no character that a file name cannot.
bool is_plain_prefix(std::string_view prefix) {
  for (char c : prefix) {
    if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
  }
  return true;
}

// Starts argv without a shell and without waiting for it.
bool start_program(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
#if defined(_WIN32)
  return false;  // the Windows build opens files through the shell's "Open" verb
#else
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
  // The viewer hands the file to the desktop and ends; its exit is collected here
  // so that it leaves no zombie, without waiting for the desktop's viewer itself.
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

ProgramStarter& program_starter() {
  static ProgramStarter starter;
  return starter;
}

}  // namespace

std::filesystem::path unique_temp_folder(const std::filesystem::path& directory,
                                         std::string_view prefix) {
  if (directory.empty() || !is_plain_prefix(prefix)) return {};
#if defined(_WIN32)
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path file = unique_temp_path(directory, prefix);
    if (file.empty()) return {};
    std::error_code ec;
    std::filesystem::path folder = file;
    folder.replace_extension(".d");
    const bool made = std::filesystem::create_directory(folder, ec);
    std::filesystem::remove(file, ec);
    if (made) return folder;
  }
  return {};
#else
  const std::string pattern = (directory / (std::string(prefix) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) return {};
  return std::filesystem::path(name.data());
#endif
}

bool open_file_for_viewing(const std::filesystem::path& file) {
  std::error_code ec;
  if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return false;
#if defined(__APPLE__)
  const std::vector<std::string> argv{"open", file.string()};
#else
  const std::vector<std::string> argv{"xdg-open", file.string()};
#endif
  const ProgramStarter& starter = program_starter();
  return starter ? starter(argv) : start_program(argv);
}

ProgramStarter set_program_starter(ProgramStarter starter) {
  ProgramStarter previous = std::move(program_starter());
  program_starter() = std::move(starter);
  return previous;
}

ProgramRecorder::ProgramRecorder(bool result)
    : previous_(set_program_starter([this, result](const std::vector<std::string>& argv) {
        calls_.push_back(argv);
        return result;
      })) {}

ProgramRecorder::~ProgramRecorder() { set_program_starter(std::move(previous_)); }

std::filesystem::path temp_directory() {
  if (auto tmp = env_value("TMP")) return std::filesystem::path(*tmp);
  if (auto tmpdir = env_value("TMPDIR")) return std::filesystem::path(*tmpdir);
  std::error_code error;
  std::filesystem::path system = std::filesystem::temp_directory_path(error);
  if (error || system.empty()) {
#if defined(_WIN32)
    return std::filesystem::path("C:\\Windows\\Temp");
#else
    return std::filesystem::path("/tmp");
#endif
  }
  return system;
}

std::filesystem::path unique_temp_path(const std::filesystem::path& directory,
                                       std::string_view prefix) {
  if (directory.empty() || !is_plain_prefix(prefix)) return {};
#if defined(_WIN32)
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[17];
    const unsigned long long bits = random();
    for (int i = 0; i < 16; ++i) name[i] = "0123456789abcdef"[(bits >> (4 * i)) & 15];
    name[16] = '\0';
    const std::filesystem::path path = directory / (std::string(prefix) + name + ".tmp");
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE) == 0) {
      _close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
#else
  const std::string pattern = (directory / (std::string(prefix) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return std::filesystem::path(name.data());
#endif
}

std::string currency_symbol() {
  std::optional<std::string> value = get_setting(kCurrencySymbolKey);
  if (!value || value->empty()) return kDefaultCurrencySymbol;
  return *value;
}

}  // namespace dlist
