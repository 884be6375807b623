// The reference chains that elements and presets carry: material references
// (`DBMATREF` in a `DBMATREFCHAIN`, pages of 16) and attribute link records
// (`DBATTREFTYPE` in a `DBATTREFCHAIN`, pages of 32), with their iterators.
//
// Both records own a text buffer, so they are not plain: in streams and images
// they take 29 and 39 bytes (the text buffer as a 4-byte pointer slot and its
// length), written field by field.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/record_image.h"
#include "foundation/sequences.h"
#include "foundation/text_buffer.h"
#include "foundation/type_codes.h"

// One material that an element consumes.
struct DLIST_API DBMATREF {
  // The quantity that stands for "follows from the parameter".
  static constexpr double kAutoQuantity = -9876543210.1234;

  TEXTBUFFER code;         // full code path of the material in the material library
  double quantity = 0.0;   // quantity, or kAutoQuantity
  int32_t location = 0;    // identifier of a location, 0 for none
  char parameter[7] = {};  // element parameter that measures the quantity, <= 6 characters
  int16_t reserved = 0;    // 16-bit field of the host, kept as it stands

  // True when the quantity is the automatic marker (within 1e-10).
  bool is_auto_quantity() const;
  void set_parameter(const char* text) { dlist::set_field(parameter, sizeof parameter, text); }
};

DLIST_API bool operator==(const DBMATREF& a, const DBMATREF& b);

// One attribute value that an element carries.
struct DLIST_API DBATTREFTYPE {
  static constexpr uint8_t kInDatabase = 1;  // flags: the file's content is held in the value
  static constexpr uint8_t kIndirect = 2;    // flags: the value names another reference
  static constexpr uint8_t kMarked = 8;      // flags: the row's mark of the link panel

  char name[17] = {};     // the reference's name (or the value's name when none is linked)
  uint8_t flags = 0;      // the reference's flags (kInDatabase, kIndirect, kMarked)
  char abbrev[7] = {};    // the attribute's abbreviation, <= 6 characters
  int32_t reference = 0;  // identifier of the linked attribute reference, 0 for none
  TEXTBUFFER value;       // the value text, or an embedded file
  int16_t reserved = 0;   // 16-bit field of the host, kept as it stands

  void set_name(const char* text) { dlist::set_field(name, sizeof name, text); }
  void set_abbrev(const char* text) { dlist::set_field(abbrev, sizeof abbrev, text); }
};

DLIST_API bool operator==(const DBATTREFTYPE& a, const DBATTREFTYPE& b);

// Copy assignment of the chains resizes the target to the source's count and copies
// each record, text buffers deeply.
class DLIST_API DBMATREFCHAIN : public PRAS<DBMATREF, 4, 4> {
 public:
  using PRAS<DBMATREF, 4, 4>::PRAS;
};

class DLIST_API DBATTREFCHAIN : public PRAS<DBATTREFTYPE, 5, 5> {
 public:
  using PRAS<DBATTREFTYPE, 5, 5>::PRAS;

  static constexpr short streamedtype() { return ST_DBATTREFCHAIN; }
};

namespace dlist {

// Walks a chain from its first record: reset() goes back to the first; next() gives
// the record at the position and advances, null at the end or when no chain is set.
template <class T, class Chain>
class ChainIterator : public Iter<T> {
 public:
  explicit ChainIterator(Chain* chain = nullptr) : chain_(chain) {}

  void set_chain(Chain* chain) {
    chain_ = chain;
    pos_ = 0;
  }
  void reset() override { pos_ = 0; }
  T* next() override {
    if (!chain_ || pos_ >= chain_->size()) return nullptr;
    return &(*chain_)[pos_++];
  }

 private:
  Chain* chain_;
  unsigned pos_ = 0;
};

}  // namespace dlist

class DBMATREF_ITERATOR : public dlist::ChainIterator<DBMATREF, DBMATREFCHAIN> {
 public:
  using ChainIterator::ChainIterator;
};

class DBATTREF_ITERATOR : public dlist::ChainIterator<DBATTREFTYPE, DBATTREFCHAIN> {
 public:
  using ChainIterator::ChainIterator;
};

extern template class PDA<DBMATREF, 4, 4>;
extern template class PRAS<DBMATREF, 4, 4>;
extern template class PDA<DBATTREFTYPE, 5, 5>;
extern template class PRAS<DBATTREFTYPE, 5, 5>;
