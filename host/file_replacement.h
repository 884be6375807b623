// FileReplacement: writing a file that takes the place of another only when it is
// complete. The bytes go to a new file beside the target (same folder, so the final
// rename never crosses file systems, under a unique name); commit() closes it,
// reporting a failed flush, and renames it over the target. Until then, and whenever
// anything fails, the target stays as it was, byte for byte, and the temporary file
// is removed when the replacement ends. A symbolic link is followed: the file it
// points to is replaced and the link stays. An existing target that is no regular
// file (a device, a pipe, a folder) is refused.
#pragma once

#include <string>

#include "stream/file_handle.h"

namespace dlist {

class FileReplacement {
 public:
  // Creates the temporary file beside target (beside the file at the end of its
  // links) and opens it for writing. Throws StreamError naming the target when it is
  // no regular file or no temporary file can be made there.
  explicit FileReplacement(const std::string& target);
  // Removes the temporary file unless it was committed.
  ~FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The open temporary file.
  FileHandle& file() { return file_; }
  // The file that commit() replaces: the target with its links followed.
  const std::string& target() const { return target_; }
  const std::string& temporary_path() const { return temporary_.path; }

  // Flushes and closes the temporary file; throws StreamError when that fails. Bytes
  // may still be appended by name (temporary_path()) before commit().
  void close();
  // Closes the temporary file when it is open, then renames it over the target.
  // Throws StreamError when either fails; the target is then untouched.
  void commit();

 private:
  // The temporary file's name; removes the file when it ends, unless kept. Declared
  // before the handle, so that the file is closed before it is removed.
  struct Temporary {
    std::string path;
    bool keep = false;
    ~Temporary();
  };

  // Follows target's links (updating target), checks that it can be replaced,
  // creates a file of a new name beside it with its permissions and returns the name.
  static std::string create_beside(std::string& target);

  std::string target_;
  Temporary temporary_;
  FileHandle file_;
};

}  // namespace dlist
