// ScratchFolder: a folder of one operation's scratch files. It is made atomically
// under a unique name (mkdtemp: mode 0700, never an existing folder), files are
// created in it only by a plain file name and only when no file of that name exists
// (never through a link), and the folder is removed with everything in it when the
// ScratchFolder ends, on every way out. The removal works below the folder's own
// handle and unlinks links as links: it never follows one out of the folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "dlist/api.h"

namespace dlist {

// Whether name is a plain file name: 1 to 255 bytes, no "/", "\\", ":" or zero
// byte, and neither "." nor "..".
DLIST_API bool is_plain_file_name(std::string_view name);

class DLIST_API ScratchFolder {
 public:
  // Makes a new folder in parent (the temporary folder when empty) whose name begins
  // with prefix. ok() is false when it cannot be made.
  explicit ScratchFolder(const std::filesystem::path& parent = {},
                         std::string_view prefix = "dls");
  // Removes the folder with its contents.
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }
  // The folder's own name (its last component).
  std::string name() const { return path_.filename().string(); }

  // A file being written into the folder.
  class DLIST_API File {
   public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    // Appends size bytes; false when the write fails.
    bool write(const void* data, std::size_t size);
    // Closes the file; false when that fails (also when it is not open).
    bool close();

   private:
    friend class ScratchFolder;
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
  };

  // Creates the file name (a plain file name) in the folder for writing; the file
  // is closed (false) when name is not plain, a file or link of that name exists,
  // or it cannot be made.
  File create(std::string_view name);

  // The regular files of the folder (links and anything else left out), by name in
  // byte order.
  std::vector<std::string> files() const;

  // Removes the folder now; false when something of it stays.
  bool remove();

 private:
  std::filesystem::path path_;
};

}  // namespace dlist
