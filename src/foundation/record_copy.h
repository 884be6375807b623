// Whole-record copies of the records that own memory (outlines, hotspot chains,
// reference chains): the copy is made aside, checked, and only then moved into the
// target, so that a copy that runs short of memory leaves the target as it was
// instead of half old and half new.
#pragma once

#include <utility>

namespace dlist {

// Copies source into target; false, with target unchanged, when memory was short.
// R provides `bool owned_parts_equal(const R&) const`, which tells whether the owned
// parts of a fresh copy came out equal to the source's.
template <class R>
bool copy_whole(R& target, const R& source) {
  if (&target == &source) return true;
  R copy(source);
  if (!copy.owned_parts_equal(source)) return false;
  target = std::move(copy);
  return true;
}

}  // namespace dlist
