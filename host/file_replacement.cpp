// FileReplacement on the C library and std::filesystem: the temporary file is
// created exclusively ("wbx") under a random name, so it never takes over a file of
// someone else, then written through a FileHandle.
#include "host/file_replacement.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace dlist {

namespace {

constexpr int kNameAttempts = 16;

}  // namespace

FileReplacement::FileReplacement(const std::string& target)
    : target_(target), temporary_{create_beside(target)}, file_(temporary_.path.c_str(), "wb") {}

FileReplacement::Temporary::~Temporary() {
  if (keep) return;
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

std::string FileReplacement::create_beside(const std::string& target) {
  if (target.empty()) throw StreamError("cannot write a file without a name");
  std::random_device entropy;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(entropy()));
    std::string name = target + suffix;
    if (std::FILE* f = std::fopen(name.c_str(), "wbx")) {
      std::fclose(f);
      return name;
    }
  }
  throw StreamError("cannot create a temporary file beside '" + target + "'");
}

void FileReplacement::close() { file_.close(); }

void FileReplacement::commit() {
  file_.close();
  std::error_code ec;
  std::filesystem::rename(temporary_.path, target_, ec);
  if (ec) throw StreamError("cannot replace '" + target_ + "': " + ec.message());
  temporary_.keep = true;
}

}  // namespace dlist
