// Surface masks: each flag's field compared and copied, the type flags with the
// second hatch block, sets too short for the mask, and the entry iterator.
#include "palettes/surface_masks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

DBSURFHATCH entry(const char* name) {
  DBSURFHATCH e;
  std::strncpy(e.name, name, sizeof e.name - 1);
  for (int i = 0; i < 5; ++i) {
    e.hatch1[i] = i + 1;
    e.hatch2[i] = i + 10;
  }
  e.name_index = 3;
  e.type = 1;
  e.last_flags = 4;
  return e;
}

DBSURFREFTYPE set_of(int n) {
  DBSURFREFTYPE s;
  for (int i = 0; i < n; ++i) s.push(entry("Slot"));
  return s;
}

bool same(const DBSURFHATCH& a, const DBSURFHATCH& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

MASK mask_of(std::initializer_list<int> flags) {
  MASK m;
  for (int f : flags) m.surface[f] = 1;
  return m;
}

// Each flag against a change of its field: unequal, and the copy mends exactly it.
TEST(SurfaceMasks, EachFlagComparesAndCopiesItsField) {
  struct Case {
    int flag;
    int slot;
    std::function<void(DBSURFHATCH&)> change;
  };
  const std::vector<Case> cases = {
      {0, 0, [](DBSURFHATCH& e) { std::strcpy(e.name, "Other"); }},
      {1, 1, [](DBSURFHATCH& e) { e.name_index = 9; }},
      {5, 2, [](DBSURFHATCH& e) { e.type = 7; }},
      {9, 0, [](DBSURFHATCH& e) { e.hatch1[0] = 1 + 1e-13; }},
      {13, 0, [](DBSURFHATCH& e) { e.hatch1[2] = -1; }},
      {17, 1, [](DBSURFHATCH& e) { e.hatch1[3] = -1; }},
      {25, 2, [](DBSURFHATCH& e) { e.hatch1[2] = -1; }},
      {31, 0, [](DBSURFHATCH& e) { e.hatch2[2] = -1; }},
      {36, 1, [](DBSURFHATCH& e) { e.hatch2[4] = -1; }},
      {44, 2, [](DBSURFHATCH& e) { e.last_flags = 0; }},
  };
  for (const Case& c : cases) {
    const DBSURFREFTYPE source = set_of(3);
    DBSURFREFTYPE target = set_of(3);
    c.change(target[static_cast<unsigned>(c.slot)]);
    MASK m = mask_of({c.flag});
    EXPECT_EQ(DlgSelectSurfMask(m, source, target), 0) << c.flag;
    MASK others;
    for (int f = 0; f < MASK::kSurfaceFlags; ++f) others.surface[f] = f != c.flag;
    EXPECT_EQ(DlgSelectSurfMask(others, source, target), 1) << c.flag;
    DlgUpdateSurfMask(m, source, target);
    for (unsigned i = 0; i < 3; ++i) EXPECT_TRUE(same(source[i], target[i])) << c.flag;
    EXPECT_EQ(DlgSelectSurfMask(m, source, target), 1) << c.flag;
  }
  DBSURFREFTYPE nan_source = set_of(1);
  DBSURFREFTYPE nan_target = set_of(1);
  nan_source[0].hatch2[0] = nan_target[0].hatch2[0] = NAN;
  MASK m27 = mask_of({27});
  EXPECT_EQ(DlgSelectSurfMask(m27, nan_source, nan_target), 0) << "a value that is not a number never equals";
  MASK none;
  DBSURFREFTYPE a = set_of(1);
  DBSURFREFTYPE b;
  b.push(entry("Other"));
  EXPECT_EQ(DlgSelectSurfMask(none, a, b), 1);
}

TEST(SurfaceMasks, TypeFlagsComparesTheTypeAndCopiesTheSecondBlock) {
  for (int flag = 3; flag <= 5; ++flag) {
    const unsigned slot = static_cast<unsigned>(flag - 3);
    const DBSURFREFTYPE source = set_of(3);
    DBSURFREFTYPE target = set_of(3);
    target[slot].hatch2[1] = 99;
    target[slot].last_flags = 0;
    target[slot].hatch1[0] = 50;
    MASK m = mask_of({flag});
    EXPECT_EQ(DlgSelectSurfMask(m, source, target), 1) << flag;
    DlgUpdateSurfMask(m, source, target);
    EXPECT_EQ(double(target[slot].hatch2[1]), 11) << flag;
    EXPECT_EQ(target[slot].last_flags, 4) << flag;
    EXPECT_EQ(double(target[slot].hatch1[0]), 50) << "the first block stays";
  }
}

// A mask naming slot 2 on sets of two entries: unequal, and nothing copied, also
// not the fields of the slots that are there.
TEST(SurfaceMasks, ShortSetsCompareUnequalAndCopyNothing) {
  DBSURFREFTYPE source = set_of(3);
  DBSURFREFTYPE target = set_of(2);
  std::strcpy(target[0].name, "Other");
  const DBSURFHATCH kept = target[0];
  MASK m = mask_of({0, 2});
  EXPECT_EQ(DlgSelectSurfMask(m, source, target), 0);
  DlgUpdateSurfMask(m, source, target);
  EXPECT_EQ(target.size(), 2u);
  EXPECT_TRUE(same(target[0], kept));
  MASK m1 = mask_of({0, 44});
  DlgUpdateSurfMask(m1, target, source);
  EXPECT_STREQ(source[0].name, "Slot") << "a short source copies nothing either";
  MASK empty_slots = mask_of({6, 7, 8, 14, 20, 26});
  EXPECT_EQ(DlgSelectSurfMask(empty_slots, set_of(0), target), 1);
}

TEST(SurfaceMasks, IteratorWalksTheEntries) {
  DBSURFREFTYPE set = set_of(2);
  DBSURFHATCH_ITERATOR it(&set);
  EXPECT_EQ(it.next(), &set[0]);
  EXPECT_EQ(it.next(), &set[1]);
  EXPECT_EQ(it.next(), nullptr);
  it.reset();
  EXPECT_EQ(it.next(), &set[0]);
  DBSURFHATCH_ITERATOR none(nullptr);
  EXPECT_EQ(none.next(), nullptr);
}

}  // namespace
