// FileHandle, the file helper under the file streams: a binary file opened by name
// and mode, read and written in exact amounts. Every failure (a file that cannot be
// opened, a short read, a failed write or flush) is thrown as dlist::StreamError with
// a message naming the file; nothing is reported through a status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/orb_string.h"
#include "foundation/stream_error.h"

class FileHandle {
 public:
  // Opens name in mode: "rb" (read), "wb" (create or truncate, write), "ab" (append),
  // "r+b" (read and write an existing file). Throws StreamError naming the file and
  // the system's reason when it cannot be opened, or when the mode is none of these.
  FileHandle(const ORB::String& name, const ORB::String& mode);
  // Closes the file; a failure to flush is ignored here (close() reports it).
  ~FileHandle();

  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // Reads exactly size bytes into data, or throws without claiming any of them
  // (the position after a failed read is unspecified).
  void read(void* data, unsigned size);
  // Writes all size bytes, or throws.
  void write(const void* data, unsigned size);

  // Bytes between the position and the end of the file.
  uint64_t remaining() const;
  // The position, in bytes from the start of the file.
  uint64_t tell() const { return position_; }
  // The name the handle was opened with.
  const std::string& name() const { return name_; }
  bool is_open() const { return file_ != nullptr; }

  // Pushes buffered writes to the system; throws when that fails.
  void flush();
  // Flushes and closes; throws when either fails (the handle is closed regardless).
  // Closing a closed handle does nothing.
  void close();

 private:
  // Throws StreamError "<what> '<name>': <reason of err>".
  [[noreturn]] void fail(const char* what, int err) const;
  void require_open(const char* what) const;
  // A FILE opened for update needs a seek between reading and writing.
  void switch_direction(bool to_write);

  std::FILE* file_ = nullptr;
  std::string name_;
  uint64_t position_ = 0;  // bytes from the start of the file
  uint64_t size_ = 0;      // length of the file as far as this handle knows it
  int last_ = 0;           // last transfer: 0 none, 1 read, 2 write
};

namespace dlist {

// Makes the n-th following FileHandle::write of at least one byte, on any handle (1:
// the next one), fail as a failed write does: it writes nothing and throws
// StreamError. 0 switches it off. The injection fires once. For tests of writers that
// must survive a failed write.
void fail_file_writes_after(unsigned n);

}  // namespace dlist
