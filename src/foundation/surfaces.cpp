// The equality rule of surface entries and the look-up and adding of entries in a
// surface set.
#include "foundation/surfaces.h"

#include <cmath>
#include <cstring>

namespace dlist {

namespace {

bool within_epsilon(double a, double b) {
  return std::fabs(a - b) < 1e-12;
}

}  // namespace

bool hatch_blocks_match(const void* block_a, const void* block_b) {
  // The blocks lie inside packed records: copy them to aligned values first.
  double a[5];
  double b[5];
  std::memcpy(a, block_a, sizeof a);
  std::memcpy(b, block_b, sizeof b);
  return within_epsilon(a[0], b[0]) && within_epsilon(a[1], b[1]) && a[2] == b[2] && a[3] == b[3] &&
         a[4] == b[4];
}

bool surface_entries_equal(const DBSURFHATCH& a, const DBSURFHATCH& b) {
  return std::strncmp(a.name, b.name, sizeof a.name) == 0 && a.name_flags == b.name_flags &&
         hatch_blocks_match(a.hatch1, b.hatch1) && a.name_index == b.name_index &&
         a.type == b.type && hatch_blocks_match(a.hatch2, b.hatch2) && a.last_flags == b.last_flags;
}

}  // namespace dlist

int DBSURFREFTYPE::ufind(const DBSURFHATCH& entry) const {
  for (unsigned i = size(); i-- > 0;)
    if (dlist::surface_entries_equal((*this)[i], entry)) return static_cast<int>(i);
  return -1;
}

int DBSURFREFTYPE::add(const DBSURFHATCH& entry) {
  const int found = ufind(entry);
  if (found >= 0) return found;
  const unsigned before = size();
  push(entry);
  return size() == before + 1 ? static_cast<int>(before) : -1;
}
