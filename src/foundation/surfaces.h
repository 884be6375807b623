// Surfaces of elements: one surface entry (`DBSURFHATCH`, a plain 109-byte record
// stored as it stands in exchange files), the surface set of an element
// (`DBSURFREFTYPE`, a paged array of entries with the equality rule that keeps a set
// free of repeats), and the surface masks of the surface dialogs (`SURFACEMASK`,
// `SURFMASKCHAIN`). The entry's layout is in docs/formats.md, "Record images".
#pragma once

#include <cstddef>
#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/record_image.h"
#include "foundation/type_codes.h"

#pragma pack(push, 1)
// One surface of an element's face: a surface of the surface library by name, with
// two hatch blocks of five values each.
struct DBSURFHATCH {
  static constexpr std::size_t kImageSize = 109;

  char name[24] = {};  // surface name, zero-terminated (a field read from a file may fill all 24)
  uint8_t name_flags = 0;  // one-byte field of the host after the name
  double hatch1[5] = {};   // first hatch block (values 0 and 1 compare within 1e-12)
  int16_t name_index = 0;  // 16-bit field that travels with the name
  uint8_t type = 0;        // type byte of the second hatch block
  double hatch2[5] = {};   // second hatch block
  uint8_t last_flags = 0;  // last one-byte field of the host
};
#pragma pack(pop)

static_assert(dlist::PlainRecord<DBSURFHATCH>, "DBSURFHATCH image is 109 bytes");

namespace dlist {

// Two hatch blocks (five values each, at any address) match when their first two
// values differ by less than 1e-12 each (a difference of exactly 1e-12, or a value
// that is not a number, does not match) and their other three values are exactly
// equal.
DLIST_API bool hatch_blocks_match(const void* a, const void* b);

// The equality of surface entries: names equal character for character up to the
// terminating zero (case-sensitive), every one-byte and 16-bit field equal, both hatch
// blocks matching.
DLIST_API bool surface_entries_equal(const DBSURFHATCH& a, const DBSURFHATCH& b);

}  // namespace dlist

// The surface set of an element: its entries, two to a page.
class DLIST_API DBSURFREFTYPE : public PRAS<DBSURFHATCH, 1, 1> {
 public:
  using PRAS<DBSURFHATCH, 1, 1>::PRAS;

  static constexpr short streamedtype() { return ST_DBSURFREFTYPE; }

  // Index of the last entry equal to entry (entries are tried from the last to the
  // first), -1 when none is.
  int ufind(const DBSURFHATCH& entry) const;

  // The index that ufind gives; when there is none, appends a copy and returns its
  // index. -1 when the set cannot grow.
  int add(const DBSURFHATCH& entry);
};

// The flags of one surface mask, all 0 at construction.
struct SURFACEMASK {
  uint8_t flag[14] = {};

  // True when any flag is not 0.
  bool changed() const {
    for (uint8_t f : flag)
      if (f != 0) return true;
    return false;
  }
};

static_assert(sizeof(SURFACEMASK) == 14, "SURFACEMASK is 14 one-byte flags");

class SURFMASKCHAIN : public CRAS<SURFACEMASK, 1> {
 public:
  using CRAS<SURFACEMASK, 1>::CRAS;

  // True when any mask of the chain is changed.
  bool changed() const {
    for (unsigned i = 0; i < size(); ++i)
      if ((*this)[i].changed()) return true;
    return false;
  }
};

extern template class PDA<DBSURFHATCH, 1, 1>;
extern template class PRAS<DBSURFHATCH, 1, 1>;
extern template class CDA<SURFACEMASK, 1>;
extern template class CRAS<SURFACEMASK, 1>;
