// The reference list file of the attribute editor: the named values of one
// attribute as 8-bit text, so that a list can be kept outside a project and loaded
// into another attribute of the same kind (docs/formats.md, "Reference list files").
//
//   kind digit ("0" formula, "1" text, "2" file)
//   name CR LF value CR LF            the first reference, directly after the digit
//   "#" name CR LF value CR LF         every further one
//
// A value may span lines; it ends at a CR LF followed by "#" or by the end of the
// file. The reader works on the file's bytes in memory and checks every length
// against its cap and against the bytes left; the writer refuses a list that
// would not read back as it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dlist {

// Names of references: 1 to 16 characters.
inline constexpr std::size_t kMaxReferenceName = 16;
// Values by kind: a formula is at most 4095 characters (the formula field), a text
// or a file's path at most 65535.
inline constexpr std::size_t kMaxFormulaValue = 4095;
inline constexpr std::size_t kMaxTextValue = 65535;
// A reference list file larger than this is refused before it is read.
inline constexpr std::size_t kMaxReferenceListFile = 16u << 20;

// The most characters a value of kind (0 formula, 1 text, 2 file) may hold.
std::size_t max_reference_value(int kind);

struct ReferenceListEntry {
  std::string name;
  std::string value;
};

struct ReferenceListRead {
  enum class Fault {
    kNone,
    kEmpty,      // the file holds no byte
    kWrongKind,  // the first byte is not the expected kind's digit
    kDamaged,    // a name or value that does not fit, or a file that ends inside one
  };
  Fault fault = Fault::kNone;
  std::vector<ReferenceListEntry> entries;  // in file order; empty unless the read succeeded
  std::string message;  // what is wrong, naming the reference and the byte offset
  std::size_t offset = 0;

  bool ok() const { return fault == Fault::kNone; }
};

// Reads the bytes of a reference list file for an attribute of kind (0 to 2).
// Refused: an empty file, another kind's digit, a name that is empty, holds 17
// characters or more, or does not end with CR LF before the file does, a file that
// ends inside a value, a value over its kind's cap or holding a zero byte, and a
// name that an earlier reference of the file has.
ReferenceListRead read_reference_list(std::string_view bytes, int kind);

// The bytes of the reference list file of entries of kind. False, with the reason
// in *error, when an entry would not read back as it stands: a name the reader
// refuses (empty, over 16 characters, holding CR, LF or a zero byte, or twice in
// the list), a value over its kind's cap or holding a zero byte, or a value in
// which a CR LF is followed by "#" (the reader would end the value there).
bool write_reference_list(int kind, const std::vector<ReferenceListEntry>& entries,
                          std::string* bytes, std::string* error);

// Reads the file at path into *read: false, with read->fault kDamaged and the
// reason, when the file cannot be opened or read or is larger than the cap.
bool load_reference_list_file(const std::string& path, int kind, ReferenceListRead* read);
// Writes bytes to path through a temporary file renamed into place: a failed write
// leaves an earlier file as it was. False, with the reason in *error, on failure.
bool save_reference_list_file(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace dlist
