// The location file ("*.loc", layout in docs/formats.md, "Location files") and its
// one reader, with the exported export and import.
//
// After the description header come 96-byte records, little-endian:
//
//   0 parent (32)   4 id (32)   8 key (32)   12 name (80 bytes)   92 text length (32)
//
// each followed by its text (length bytes, the terminating zero counted) when the
// length is not 0. A record whose parent, id and text length are all 0 ends the
// file, as does a rest shorter than a record. A location's record comes after its
// parent's.
//
// The reader checks each record before it hands it on: the name ends inside its 80
// bytes and is not empty, the text fits in the bytes left and in the 32,000 bytes
// the dialogs allow, the id is not 0 and was not read before, and the parent is 0
// or a record read before. The import, the decoder behind `dlist dump` and the fuzz
// target all read through it. A refusal is thrown as a LocationFileFault naming the
// record's offset.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "dlist/api.h"
#include "foundation/location_records.h"
#include "stream/file_handle.h"

namespace dlist {

inline constexpr unsigned kLocationRecordSize = 96;
inline constexpr unsigned kLocationNameSize = 80;
inline constexpr unsigned kLocationEndSize = 12;  // the twelve zero bytes that close a file
// The longest text a record may carry, its terminating zero counted.
inline constexpr uint32_t kMaxLocationText = DBLOCATIONTYPE::kMaxText + 1;

// One record as read (the text without its terminating zero).
struct LocationFileRecord {
  uint64_t offset = 0;  // of the record in the file
  int32_t parent = 0;
  int32_t id = 0;
  int32_t key = 0;
  std::string name;
  uint32_t text_length = 0;  // as the record gives it
  std::string text;
};

struct LocationFileFault {
  uint64_t offset = 0;
  std::string what;

  // "<what> at offset <offset>".
  DLIST_API std::string describe() const;
};

class DLIST_API LocationFileReader {
 public:
  // Reads from the file's position (the start of the file).
  explicit LocationFileReader(FileHandle& file) : file_(file) {}

  // Reads the description header (into *description, or skips it). Throws
  // StreamError when it cannot be read.
  void description(std::string* description);
  // Reads the next record into *record: false at the end of the file (the all-zero
  // record, or fewer than 96 bytes left). Throws LocationFileFault for a refused
  // record and StreamError for a failed read.
  bool next(LocationFileRecord* record);

 private:
  FileHandle& file_;
  std::unordered_set<int32_t> ids_;  // the records read so far
};

}  // namespace dlist

// Writes location id (0: every top-level location) with its whole subtree to file,
// behind a description header holding description (null: empty). The file takes
// the place of an earlier one only when it is complete. 1 on success, 0 on failure
// (the reason in the diagnostic output, "LocationExport: ...").
DLIST_API int DLIST_CALL LocationExport(void* hwnd, long id, char* file, char* description);

// Reads file under location target (0: the top level), the file's keys replaced by
// fresh ones where they are taken, or, with target -1, in place of every location
// (the file's keys kept). A full replacement removes the locations and creates the
// file's in one transaction of the model: when the file is refused, the locations
// stay as they were. An import under a location keeps what it created before a
// refused record; a caller that wants nothing then holds the model's write lock and
// abandons it. 1 on success, 0 on failure (the reason in the diagnostic output,
// "LocationImport: ...").
DLIST_API int DLIST_CALL LocationImport(void* hwnd, long target, char* file);
