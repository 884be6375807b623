#include "foundation/surfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

DBSURFHATCH entry(const char* name, double first) {
  DBSURFHATCH h;
  std::strcpy(h.name, name);
  h.hatch1[0] = first;
  h.hatch1[1] = 0.5;
  h.hatch1[2] = 2.0;
  h.hatch2[0] = 1.0;
  h.name_index = 3;
  h.type = 1;
  return h;
}

}  // namespace

TEST(SurfaceSet, AddFindsEqualEntriesWithinTheHatchTolerance) {
  DBSURFREFTYPE set;
  EXPECT_EQ(set.add(entry("brick", 0.0)), 0);
  EXPECT_EQ(set.add(entry("stone", 0.0)), 1);

  EXPECT_EQ(set.add(entry("brick", 1e-13)), 0);  // within 1e-12: the stored entry
  EXPECT_EQ(set.size(), 2u);
  EXPECT_EQ(set.add(entry("brick", 1e-6)), 2);  // appended
  EXPECT_EQ(set.size(), 3u);

  DBSURFREFTYPE probe;
  probe.push(entry("wood", 0.0));
  EXPECT_EQ(probe.ufind(entry("wood", 1e-12)), -1);  // exactly 1e-12 does not match
  EXPECT_EQ(probe.ufind(entry("wood", std::numeric_limits<double>::quiet_NaN())), -1);
  EXPECT_EQ(probe.ufind(entry("Wood", 0.0)), -1);  // names are case-sensitive

  DBSURFHATCH other_value = entry("wood", 0.0);
  other_value.hatch1[2] = 2.0000001;  // values 2 to 4 must be exactly equal
  EXPECT_EQ(probe.ufind(other_value), -1);
  DBSURFHATCH other_type = entry("wood", 0.0);
  other_type.type = 2;
  EXPECT_EQ(probe.ufind(other_type), -1);
}

TEST(SurfaceSet, FindTriesEntriesFromTheLast) {
  DBSURFREFTYPE set;
  set.push(entry("a", 0.0));
  set.push(entry("b", 0.0));
  set.push(entry("a", 0.0));
  EXPECT_EQ(set.ufind(entry("a", 0.0)), 2);
  // A name that fills its 24 bytes without a terminating zero still compares.
  DBSURFHATCH full = entry("a", 0.0);
  std::memset(full.name, 'x', sizeof full.name);
  set.push(full);
  EXPECT_EQ(set.ufind(full), 3);
}

TEST(SurfaceMask, ChangedWhenAnyFlagIsSet) {
  SURFACEMASK m;
  EXPECT_FALSE(m.changed());
  m.flag[13] = 1;
  EXPECT_TRUE(m.changed());

  SURFMASKCHAIN chain;
  chain.push(SURFACEMASK());
  chain.push(SURFACEMASK());
  EXPECT_FALSE(chain.changed());
  chain[1].flag[0] = 2;
  EXPECT_TRUE(chain.changed());
}
