// The surface pack: the form of a surface exchange file (docs/formats.md, "Surface
// exchange file"). A pack is a sequence of entries, each a file of a scratch folder:
// the name's byte count n (32-bit, the zero included), the name (n bytes, a plain
// file name and its zero), the file's byte count m (32-bit) and its m bytes; the
// pack ends with the file.
//
// SurfacePackReader is the one reader of packs: the import unpacks through it, `dlist
// dump` lists through it and the fuzz target reaches it through the import. It
// refuses an entry before anything of it is allocated or written: a name that is
// empty, longer than 255 bytes, holds "/", "\\", ":" or a zero before its end, is
// "." or "..", or repeats (compared in upper case, as a file system may); a count
// that runs past the bytes left; files beyond kMaxPackBytes in all or more than
// kMaxPackEntries entries.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dlist/api.h"
#include "host/scratch_folder.h"
#include "host/surface/surface_library.h"

namespace dlist {

inline constexpr uint32_t kMaxPackNameBytes = 256;   // n, the zero included
inline constexpr uint64_t kMaxPackBytes = 320u << 20;  // the files of a pack together
inline constexpr uint32_t kMaxPackEntries = 4096;

// Whether a file of a folder goes into the pack: its extension, in upper case, is
// ".SRF", ".BMP" or ".ORB".
DLIST_API bool is_pack_file_name(std::string_view name);
// Whether name's extension is ".SRF" in upper case.
DLIST_API bool is_surface_file_name(std::string_view name);

// Where a pack is read from.
class PackInput {
 public:
  virtual ~PackInput() = default;
  virtual uint64_t size() const = 0;
  virtual uint64_t tell() const = 0;
  // Reads exactly n bytes; false when fewer are there.
  virtual bool read(void* data, std::size_t n) = 0;
};

class DLIST_API MemoryPackInput : public PackInput {
 public:
  explicit MemoryPackInput(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }
  uint64_t tell() const override { return at_; }
  bool read(void* data, std::size_t n) override;

 private:
  std::span<const unsigned char> bytes_;
  std::size_t at_ = 0;
};

class DLIST_API FilePackInput : public PackInput {
 public:
  // Opens path for reading; ok() is false when it cannot (the reason in error()).
  explicit FilePackInput(const std::string& path);
  ~FilePackInput() override;
  FilePackInput(const FilePackInput&) = delete;
  FilePackInput& operator=(const FilePackInput&) = delete;
  bool ok() const { return file_ != nullptr; }
  const std::string& error() const { return error_; }
  uint64_t size() const override { return size_; }
  uint64_t tell() const override { return at_; }
  bool read(void* data, std::size_t n) override;

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t at_ = 0;
  std::string error_;
};

struct PackEntry {
  uint64_t offset = 0;  // of the entry's name count
  std::string name;     // without its zero
  uint32_t length = 0;  // of the file
  uint64_t content_offset = 0;
};

class DLIST_API SurfacePackReader {
 public:
  enum class Step { kEntry, kEnd, kFault };

  explicit SurfacePackReader(PackInput& in) : in_(in) {}

  // The next entry's header; the content of the one before, when it was not taken,
  // is skipped. kEnd when the input ends between entries; kFault with what() and
  // offset() when the entry is refused.
  Step next(PackEntry& entry);
  // Hands the current entry's bytes to sink in pieces of at most 64 KiB (a sink
  // that answers false stops it); false on a fault or a stop.
  bool content(const std::function<bool(std::span<const unsigned char>)>& sink);

  const std::string& what() const { return what_; }
  uint64_t offset() const { return offset_; }

 private:
  Step fault(uint64_t at, std::string what);

  PackInput& in_;
  std::set<std::string> names_;  // in upper case
  uint64_t total_ = 0;
  uint32_t entries_ = 0;
  uint64_t unread_ = 0;  // bytes of the current entry not taken
  std::string what_;
  uint64_t offset_ = 0;
};

// The files of a pack unpacked into a scratch folder.
struct UnpackResult {
  std::vector<PackEntry> entries;
  std::string error;  // empty when every entry was written
  uint64_t error_offset = 0;
  bool ok() const { return error.empty(); }
};

// Writes every entry of the pack into folder under its name (never over a file,
// never through a link, never outside it).
DLIST_API UnpackResult unpack_surface_pack(PackInput& in, ScratchFolder& folder);

// Writes the pack of folder's regular files that the rule takes (.SRF files first,
// then the others, each group in byte order of the names) into the new file
// pack_name of folder. False, with the reason in *error, when a file does not fit
// the pack or cannot be read or written.
DLIST_API bool write_surface_pack(ScratchFolder& folder, const std::string& pack_name,
                                  std::string* error);

// What `dlist dump` shows of a pack: its entries and each surface library file in
// it, decoded.
struct SurfacePackDump {
  uint64_t file_size = 0;
  std::vector<PackEntry> entries;
  std::vector<std::pair<std::size_t, SurfaceFileContent>> libraries;  // entry index, content
  std::string error;
  uint64_t error_offset = 0;
  bool ok() const { return error.empty(); }
};

DLIST_API SurfacePackDump decode_surface_pack(PackInput& in);

// Whether bytes (the start of a file) begin as a pack does: a name count of 2 to 256
// and a plain name that the pack rule takes, ending in its zero.
DLIST_API bool looks_like_surface_pack(std::span<const unsigned char> head);

}  // namespace dlist
