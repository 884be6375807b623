// The scratch folder of one operation: made by mkdtemp, filled by name below the
// folder, removed below the folder's own handle without following links.
#include "host/scratch_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#if !defined(_WIN32)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "host/platform.h"

namespace dlist {

bool is_plain_file_name(std::string_view name) {
  if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
  for (char c : name)
    if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
  return true;
}

#if !defined(_WIN32)
namespace {

// Removes every entry below the open folder fd, then closes it. Links are unlinked
// as links; folders are opened with O_NOFOLLOW below fd, so nothing outside is met.
bool empty_folder(int fd) {
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return false;
  }
  bool ok = true;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    const std::string_view n = e->d_name;
    if (n != "." && n != "..") names.emplace_back(n);
  }
  for (const std::string& n : names) {
    if (::unlinkat(fd, n.c_str(), 0) == 0) continue;
    if (errno != EISDIR && errno != EPERM) {
      ok = false;
      continue;
    }
    const int sub = ::openat(fd, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0 || !empty_folder(sub) || ::unlinkat(fd, n.c_str(), AT_REMOVEDIR) != 0) ok = false;
  }
  ::closedir(dir);
  return ok;
}

}  // namespace
#endif

ScratchFolder::ScratchFolder(const std::filesystem::path& parent, std::string_view prefix) {
  const std::filesystem::path base = parent.empty() ? temp_directory() : parent;
  if (!is_plain_file_name(prefix)) return;
#if defined(_WIN32)
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path file = unique_temp_path(base, prefix);
    if (file.empty()) return;
    std::error_code ec;
    std::filesystem::path folder = file;
    folder.replace_extension(".d");
    const bool made = std::filesystem::create_directory(folder, ec);
    std::filesystem::remove(file, ec);
    if (made) {
      path_ = folder;
      return;
    }
  }
#else
  const std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) != nullptr) path_ = name.data();
#endif
}

ScratchFolder::~ScratchFolder() { remove(); }

bool ScratchFolder::remove() {
  if (path_.empty()) return true;
  bool ok = true;
#if defined(_WIN32)
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  ok = !ec;
#else
  const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  ok = fd >= 0 && empty_folder(fd);
  if (::rmdir(path_.c_str()) != 0) ok = false;
#endif
  if (ok) path_.clear();
  return ok;
}

ScratchFolder::File ScratchFolder::create(std::string_view name) {
  if (path_.empty() || !is_plain_file_name(name)) return File();
#if defined(_WIN32)
  const std::filesystem::path file = path_ / std::string(name);
  FILE* f = nullptr;
  if (_wfopen_s(&f, file.c_str(), L"wxb") != 0 || f == nullptr) return File();
  return File(_dup(_fileno(f)));
#else
  const int dir = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0) return File();
  const std::string n(name);
  const int fd =
      ::openat(dir, n.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  ::close(dir);
  return File(fd);
#endif
}

std::vector<std::string> ScratchFolder::files() const {
  std::vector<std::string> names;
  std::error_code ec;
  if (path_.empty()) return names;
  for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
    std::error_code type_ec;
    if (entry.symlink_status(type_ec).type() == std::filesystem::file_type::regular)
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

ScratchFolder::File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

ScratchFolder::File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

ScratchFolder::File& ScratchFolder::File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool ScratchFolder::File::write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ScratchFolder::File::close() {
  if (fd_ < 0) return false;
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

}  // namespace dlist
