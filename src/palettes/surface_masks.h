// Surface masks of the surface dialogs: comparing (`DlgSelectSurfMask`) and copying
// (`DlgUpdateSurfMask`) the fields of the first three entries (slots 0 to 2) of two
// surface sets that a mask selects, and the iterator over a surface set's entries
// (`DBSURFHATCH_ITERATOR`).
//
// The 45 surface flags of a MASK, by slot 0, 1, 2:
//   0, 1, 2     the name (with its zero) and the 16-bit field after the first block
//   3, 4, 5     the type byte; copying also copies the second hatch block and the
//               last one-byte field
//   9-13, 15-19, 21-25   the first hatch block's values 0, 1, 3, 4, 2
//   27-31, 33-37, 39-43  the second hatch block's values 0, 1, 3, 4, 2
//   32, 38, 44  the last one-byte field
// Flags 6 to 8, 14, 20 and 26 select nothing. Fields are taken in the order of the
// flags. When a set holds fewer entries than a set flag's slot needs, the sets
// compare unequal and nothing is copied.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/sequences.h"
#include "foundation/surfaces.h"

// The host's mask of a surface dialog: 200 bytes of the host, then the surface flags.
struct MASK {
  static constexpr int kSurfaceFlags = 45;
  unsigned char host[200] = {};
  unsigned char surface[kSurfaceFlags] = {};
};

static_assert(sizeof(MASK) == 245, "MASK: 200 host bytes and 45 surface flags");

// 1 when every field that mask selects is equal in source and target (names byte for
// byte up to their zero, the other fields and each hatch value exactly: a value that
// is not a number never equals); 0 at the first difference, or when a set holds
// fewer entries than the set flags need.
DLIST_API int DLIST_CALL DlgSelectSurfMask(MASK& mask, const DBSURFREFTYPE& source,
                                           DBSURFREFTYPE& target);

// Copies every field that mask selects from source to target, in the order of the
// flags; nothing when a set holds fewer entries than the set flags need.
DLIST_API void DLIST_CALL DlgUpdateSurfMask(MASK& mask, const DBSURFREFTYPE& source,
                                            DBSURFREFTYPE& target);

// The entries of a surface set, from the first.
class DLIST_API DBSURFHATCH_ITERATOR : public Iter<DBSURFHATCH> {
 public:
  explicit DBSURFHATCH_ITERATOR(DBSURFREFTYPE* set) : set_(set) {}
  // Back before the first entry.
  void reset() override { position_ = 0; }
  // The entry at the position, advancing it; null when there is no set or the
  // position has reached the set's count.
  DBSURFHATCH* next() override;

 private:
  DBSURFREFTYPE* set_;
  unsigned position_ = 0;
};
