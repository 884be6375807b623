// FileReplacement on the C library and std::filesystem: the temporary file is
// created exclusively ("wbx") under a random name, so it never takes over a file of
// someone else, then written through a FileHandle. A target that is a symbolic link
// is replaced where the link points, so the link stays a link; a target that exists
// but is no regular file (a device, a pipe, a folder) is never replaced.
#include "host/file_replacement.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace dlist {

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 16;
// Links followed before a target is taken to be a loop of links.
constexpr int kMaxLinks = 40;

// The file that writing to target would change: target itself, or the file at the
// end of its chain of symbolic links (relative links count from the link's folder).
std::string resolve_links(const std::string& target) {
  fs::path path(target);
  for (int links = 0;; ++links) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() != fs::file_type::symlink) return path.string();
    if (links == kMaxLinks) throw StreamError("cannot replace '" + target + "': too many levels of links");
    fs::path next = fs::read_symlink(path, ec);
    if (ec) throw StreamError("cannot replace '" + target + "': " + ec.message());
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
}

// Throws when name exists and is not a regular file.
void check_replaceable(const std::string& name, const std::string& target) {
  std::error_code ec;
  const fs::file_status status = fs::status(name, ec);
  if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular) return;
  if (ec) throw StreamError("cannot replace '" + target + "': " + ec.message());
  throw StreamError("cannot replace '" + target + "': it is not a regular file");
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target)
    : target_(target), temporary_{create_beside(target_)}, file_(temporary_.path.c_str(), "wb") {}

FileReplacement::Temporary::~Temporary() {
  if (keep) return;
  std::error_code ec;
  fs::remove(path, ec);
}

std::string FileReplacement::create_beside(std::string& target) {
  if (target.empty()) throw StreamError("cannot write a file without a name");
  const std::string named = target;
  target = resolve_links(named);
  check_replaceable(target, named);
  std::random_device entropy;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(entropy()));
    std::string name = target + suffix;
    if (std::FILE* f = std::fopen(name.c_str(), "wbx")) {
      std::fclose(f);
      // The new file keeps the permissions of the one it replaces.
      std::error_code ec;
      const fs::file_status old = fs::status(target, ec);
      if (!ec && old.type() == fs::file_type::regular) fs::permissions(name, old.permissions(), ec);
      return name;
    }
  }
  throw StreamError("cannot create a temporary file beside '" + named + "'");
}

void FileReplacement::close() { file_.close(); }

void FileReplacement::commit() {
  file_.close();
  std::error_code ec;
  check_replaceable(target_, target_);
  fs::rename(temporary_.path, target_, ec);
  if (ec) throw StreamError("cannot replace '" + target_ + "': " + ec.message());
  temporary_.keep = true;
}

}  // namespace dlist
