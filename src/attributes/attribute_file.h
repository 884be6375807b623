// The attribute file ("*.atr", layout in docs/formats.md, "Attribute files") and
// its one reader. The file is a plain sequence of records, each a 20-byte header of
// five little-endian 32-bit fields (code, type, length, parent, id) and `length`
// payload bytes:
//
//   0 file start   1 group node (34 bytes)   2 attribute start
//   3 attribute definition (152 bytes)       4 reference key (18 bytes)
//   5 reference value                        6 end
//
// The reader walks a file from its start record through its end record and checks
// every record before it hands it on: its length against what its type carries and
// against the bytes left, its fixed texts for ending inside their fields, its place
// (a definition right after its attribute start, a value right after its key) and
// its parent (a group or definition given before it). The import
// (attribute_exchange.h), the decoder behind `dlist dump` (attribute_dump.h) and the
// fuzz target all read through it, so a file is refused for the same faults at the
// same offsets whoever reads it. A refusal is thrown as an AttributeFileFault.
#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "attributes/held_file.h"  // the flags of a reference
#include "dlist/api.h"
#include "foundation/attribute_records.h"

namespace dlist {

// Record types.
enum AttributeRecordType : int32_t {
  kAtrStart = 0,
  kAtrGroup = 1,
  kAtrAttribute = 2,
  kAtrDefinition = 3,
  kAtrKey = 4,
  kAtrValue = 5,
  kAtrEnd = 6,
};

inline constexpr std::size_t kAtrHeaderSize = 20;
inline constexpr std::size_t kAtrGroupSize = DBATTRIBUTENODETYPE::kImageSize;   // 34
inline constexpr std::size_t kAtrDefinitionSize = DBATTRIBUTETYPE::kImageSize;  // 152
inline constexpr std::size_t kAtrRefNameSize = 17;               // name of a reference
inline constexpr std::size_t kAtrKeySize = kAtrRefNameSize + 1;  // name and flags: 18
// The largest reference value that a file may carry (and that the export writes):
// 64 MiB, the embedded file with its name and length included.
inline constexpr uint32_t kMaxAtrValue = 64u << 20;

// Predefined-name codes: a group or attribute whose name is one of these host texts
// carries the text's code (1 to 7, in this order); 1 stands for the library's root.
inline constexpr int kAtrPredefinedTexts[] = {20410, 20423, 20411, 439, 20412, 20413, 20414};
inline constexpr int32_t kAtrRootCode = 1;

struct AttributeRecordHeader {
  int32_t code = 0;
  int32_t type = 0;
  uint32_t length = 0;
  int32_t parent = 0;
  int32_t id = 0;
};

// "file start", "group node", ... "end"; "unknown" for another type.
DLIST_API const char* attribute_record_name(int32_t type);

DLIST_API AttributeRecordHeader decode_attribute_header(const unsigned char* bytes);
DLIST_API void encode_attribute_header(const AttributeRecordHeader& h, unsigned char* bytes);

// A refusal: what was wrong, and the offset of the record at fault. what names the
// record ("reference value (type 5)") but not the offset.
struct AttributeFileFault {
  uint64_t offset = 0;
  std::string what;

  // "<what> at offset <offset>" as the diagnostic output gives it.
  std::string describe() const;
};

// A reference value of a file attribute, split: the file's name (without its zero),
// and its bytes.
struct EmbeddedFile {
  std::string_view name;
  std::span<const unsigned char> bytes;
};

// Checks an embedded file value (name, zero, 32-bit length, bytes): the name is not
// empty and ends inside the value and the length equals the bytes that follow. Empty on success,
// else the reason.
DLIST_API std::string check_embedded_file(std::span<const unsigned char> value,
                                          EmbeddedFile* file = nullptr);

// What the reader hands on, record by record, in file order. Every call may throw
// an AttributeFileFault (or anything else, which the reader lets pass).
class AttributeRecordHandler {
 public:
  virtual ~AttributeRecordHandler() = default;
  // Every header as it was read, before anything about it is checked.
  virtual void header(const AttributeRecordHeader&, uint64_t /*at*/) {}
  // A group node (kind 0 or above, its name ending inside its field).
  virtual void group(const AttributeRecordHeader&, uint64_t /*at*/, const DBATTRIBUTENODETYPE&) {}
  // An attribute: its start record and the definition that follows it (exactly one
  // kind bit, every text ending inside its field).
  virtual void attribute(const AttributeRecordHeader& /*start*/, uint64_t /*at*/,
                         const AttributeRecordHeader& /*definition*/, uint64_t /*definition_at*/,
                         const DBATTRIBUTETYPE&) {}
  // A reference: its key (name, flags) and its value, checked for the kind of the
  // attribute whose definition the key names: a text (a formula, a text, or the
  // name an indirect reference points at) ends with its one zero; an embedded file
  // passes check_embedded_file.
  virtual void reference(const AttributeRecordHeader& /*key*/, uint64_t /*at*/,
                         const char* /*name*/, uint8_t /*flags*/, uint64_t /*value_at*/,
                         std::span<const unsigned char> /*value*/) {}
  // The end record.
  virtual void end(uint64_t /*at*/) {}
};

class DLIST_API AttributeFileReader {
 public:
  // Reads the file's bytes, which outlive the reader.
  explicit AttributeFileReader(std::span<const unsigned char> file) : file_(file) {}

  // Walks the records from the start record through the end record.
  void read(AttributeRecordHandler& handler);

  // Bytes between the position reached and the end of the file (after a complete
  // read: those after the end record).
  uint64_t left() const { return file_.size() - pos_; }

 private:
  AttributeRecordHeader header(uint64_t* at);
  std::span<const unsigned char> payload(const AttributeRecordHeader& h, uint64_t at);
  [[noreturn]] void fail(uint64_t at, const AttributeRecordHeader& h,
                         const std::string& detail) const;

  std::span<const unsigned char> file_;
  uint64_t pos_ = 0;
  std::set<int32_t> groups_;       // file identifiers of the groups given (0: the top)
  std::set<int32_t> definitions_;  // file identifiers of the definitions given
  std::set<int32_t> file_kinds_;   // those of the definitions of file attributes
};

}  // namespace dlist
