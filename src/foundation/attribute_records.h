// The records of the attribute library: a library entry (`DBATTRIBUTENODETYPE`,
// 34 bytes) and an attribute definition (`DBATTRIBUTETYPE`, 152 bytes). Both are
// plain, byte-packed records whose memory is the image that the attribute file
// carries (docs/formats.md, "Attribute files").
#pragma once

#include <cstdint>
#include <cstring>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/fixed_text.h"
#include "foundation/record_image.h"

#pragma pack(push, 1)

// One entry of the library tree: a group (kind 0 or above) or the stand-in of an
// attribute definition (kind below 0), whose record is read with the entry's
// identifier.
struct DBATTRIBUTENODETYPE {
  static constexpr std::size_t kImageSize = 34;

  int16_t kind = 0;    // 0 or above: a group; below 0: an attribute
  char name[32] = {};  // zero-terminated, at most 31 characters

  bool is_group() const { return kind >= 0; }
  void set_name(const char* text) { dlist::set_field(name, sizeof name, text); }
};

// One attribute definition. A new one is all zero bytes with precision -1.
struct DBATTRIBUTETYPE {
  static constexpr std::size_t kImageSize = 152;

  // Kind bits of the flags; exactly one is set.
  static constexpr uint32_t kFormula = 0x80000000u;
  static constexpr uint32_t kText = 0x40000000u;
  static constexpr uint32_t kFile = 0x20000000u;
  static constexpr uint32_t kKindBits = kFormula | kText | kFile;
  static constexpr uint32_t kFilterBits = 0x1FFFFFFFu;
  // Element-kind bits that the editor offers (bits 0 to 21).
  static constexpr uint32_t kEditorKinds = 0x3FFFFFu;
  // Option bits.
  static constexpr uint8_t kOptionChoiceOnly = 0x02;  // bit 1: values only from the references
  static constexpr uint8_t kOptionSecond = 0x04;      // bit 2
  static constexpr uint8_t kOptionSummarizable = 0x08;  // bit 3

  char abbrev[7] = {};       // 1 to 6 characters, zero-terminated: the attribute's key
  uint8_t unused = 0;        // not interpreted, kept as it stands
  uint32_t flags = 0;        // kind bit (31 formula, 30 text, 29 file) | element-kind filter
  char name[32] = {};        // 1 to 31 characters, zero-terminated
  uint8_t options = 0;       // bits 1 and 2: editor options; bit 3: summarizable
  int8_t precision = -1;     // decimals, -9 to 9
  char description[100] = {};  // at most 99 characters
  char unit[6] = {};         // abbreviation of a unit of the material library

  uint32_t Filter() const { return flags & kFilterBits; }
  bool IsSummarizable() const { return (options & kOptionSummarizable) != 0; }
  void SetSummarizable(bool on) {
    options = on ? (options | kOptionSummarizable) : (options & ~kOptionSummarizable);
  }
  // 0 formula, 1 text, 2 file, -1 when no kind bit is set.
  int kind_index() const {
    if (flags & kFormula) return 0;
    if (flags & kText) return 1;
    if (flags & kFile) return 2;
    return -1;
  }

  void set_abbrev(const char* text) { dlist::set_field(abbrev, sizeof abbrev, text); }
  void set_name(const char* text) { dlist::set_field(name, sizeof name, text); }
  void set_description(const char* text) {
    dlist::set_field(description, sizeof description, text);
  }
  void set_unit(const char* text) { dlist::set_field(unit, sizeof unit, text); }
};

#pragma pack(pop)

static_assert(dlist::PlainRecord<DBATTRIBUTENODETYPE>, "DBATTRIBUTENODETYPE is a 34-byte image");
static_assert(dlist::PlainRecord<DBATTRIBUTETYPE>, "DBATTRIBUTETYPE is a 152-byte image");
static_assert(offsetof(DBATTRIBUTETYPE, flags) == 8 && offsetof(DBATTRIBUTETYPE, name) == 12 &&
                  offsetof(DBATTRIBUTETYPE, options) == 44 &&
                  offsetof(DBATTRIBUTETYPE, description) == 46 &&
                  offsetof(DBATTRIBUTETYPE, unit) == 146,
              "DBATTRIBUTETYPE keeps the offsets of its image");

// A list of attribute definitions, two records to a block. Copy assignment rebuilds
// the target record by record (PRAS::clone; unchanged when memory is short).
class DLIST_API DBATTRIBUTECHAIN : public PRAS<DBATTRIBUTETYPE, 1, 1> {
 public:
  using PRAS<DBATTRIBUTETYPE, 1, 1>::PRAS;
};

extern template class PDA<DBATTRIBUTETYPE, 1, 1>;
extern template class PRAS<DBATTRIBUTETYPE, 1, 1>;
