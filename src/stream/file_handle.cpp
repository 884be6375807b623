// FileHandle on the C library's FILE streams. The file's length is learnt once at
// opening; from then on the handle tracks its position and the length itself, so
// remaining() needs no system call and a read can be refused before it starts.
#include "stream/file_handle.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace {

// 64-bit seek and tell where the platform offers them.
int seek64(std::FILE* f, int64_t offset, int whence) {
#if defined(_WIN32)
  return _fseeki64(f, offset, whence);
#else
  return fseeko(f, static_cast<off_t>(offset), whence);
#endif
}

int64_t tell64(std::FILE* f) {
#if defined(_WIN32)
  return _ftelli64(f);
#else
  return static_cast<int64_t>(ftello(f));
#endif
}

// Writes left until the injected failure; 0 when none is armed.
std::atomic<unsigned> g_writes_until_failure{0};

// True when this write is the one chosen to fail.
bool injected_write_failure() {
  unsigned left = g_writes_until_failure.load();
  while (left != 0 && !g_writes_until_failure.compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}

bool known_mode(const char* mode) {
  return std::strcmp(mode, "rb") == 0 || std::strcmp(mode, "wb") == 0 ||
         std::strcmp(mode, "ab") == 0 || std::strcmp(mode, "r+b") == 0;
}

}  // namespace

FileHandle::FileHandle(const ORB::String& name, const ORB::String& mode) : name_(name.c_str()) {
  const char* m = mode.c_str();
  if (!known_mode(m)) {
    throw dlist::StreamError("cannot open '" + name_ + "': unsupported mode '" + m + "'");
  }
  if (!name.valid() || name_.empty()) throw dlist::StreamError("cannot open a file without a name");
  errno = 0;
  file_ = std::fopen(name_.c_str(), m);
  if (file_ == nullptr) fail("cannot open", errno);
  if (m[0] != 'w') {
    // Learn the length; for "ab" the position is the end, otherwise the start.
    int64_t end = -1;
    if (seek64(file_, 0, SEEK_END) == 0) end = tell64(file_);
    if (end < 0 || (m[0] == 'r' && seek64(file_, 0, SEEK_SET) != 0)) {
      int err = errno;
      std::fclose(file_);
      file_ = nullptr;
      fail("cannot determine the length of", err);
    }
    size_ = static_cast<uint64_t>(end);
    position_ = m[0] == 'a' ? size_ : 0;
  }
}

FileHandle::~FileHandle() {
  if (file_ != nullptr) std::fclose(file_);
}

void FileHandle::read(void* data, unsigned size) {
  require_open("cannot read from");
  if (size > remaining()) {
    throw dlist::StreamError("short read from '" + name_ + "': " + std::to_string(size) +
                             " bytes wanted, " + std::to_string(remaining()) + " left");
  }
  if (size == 0) return;
  switch_direction(false);
  errno = 0;
  std::size_t got = std::fread(data, 1, size, file_);
  position_ += got;
  if (got != size) {
    if (std::ferror(file_)) fail("cannot read from", errno);
    throw dlist::StreamError("short read from '" + name_ + "': the file ended early");
  }
}

void FileHandle::write(const void* data, unsigned size) {
  require_open("cannot write to");
  if (size == 0) return;
  if (injected_write_failure()) {
    throw dlist::StreamError("cannot write to '" + name_ + "': injected write failure");
  }
  switch_direction(true);
  errno = 0;
  std::size_t put = std::fwrite(data, 1, size, file_);
  position_ += put;
  if (position_ > size_) size_ = position_;
  if (put != size) fail("cannot write to", errno);
}

uint64_t FileHandle::remaining() const {
  return size_ > position_ ? size_ - position_ : 0;
}

void FileHandle::flush() {
  require_open("cannot flush");
  errno = 0;
  if (std::fflush(file_) != 0) fail("cannot flush", errno);
}

void FileHandle::close() {
  if (file_ == nullptr) return;
  errno = 0;
  int flushed = std::fflush(file_);
  int flush_err = errno;
  std::FILE* f = file_;
  file_ = nullptr;
  errno = 0;
  int closed = std::fclose(f);
  if (flushed != 0) fail("cannot flush", flush_err);
  if (closed != 0) fail("cannot close", errno);
}

void FileHandle::fail(const char* what, int err) const {
  std::string reason = err != 0 ? std::generic_category().message(err) : "unknown error";
  throw dlist::StreamError(std::string(what) + " '" + name_ + "': " + reason);
}

void FileHandle::require_open(const char* what) const {
  if (file_ == nullptr)
    throw dlist::StreamError(std::string(what) + " '" + name_ + "': the file is closed");
}

void FileHandle::switch_direction(bool to_write) {
  int next = to_write ? 2 : 1;
  if (last_ != 0 && last_ != next) {
    errno = 0;
    if (seek64(file_, static_cast<int64_t>(position_), SEEK_SET) != 0)
      fail("cannot seek in", errno);
  }
  last_ = next;
}

void dlist::fail_file_writes_after(unsigned n) { g_writes_until_failure.store(n); }
