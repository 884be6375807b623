#include "foundation/polygon.h"

#include <gtest/gtest.h>

#include "foundation/memory.h"

namespace {

DBMULTIPOLYGON square_with_hole() {
  DBMULTIPOLYGON m;
  EXPECT_TRUE(m.set_sizes(2, 8));
  for (int i = 0; i < 8; ++i) m.set_pont(i, COORD2D(i, -i));
  m.clip(0) = 0;
  m.clip(1) = 4;
  m.clip(2) = 8;
  m.set_attr(77);
  return m;
}

}  // namespace

TEST(Polygon, ResizingKeepsLeadingPointsAndRefusesBadCounts) {
  DBPOLYGON p;
  EXPECT_FALSE(p.has_points());
  ASSERT_TRUE(p.set_size(3));
  p.set_pont(0, COORD2D(1.0, 2.0), 5);
  p.set_pont(2, COORD2D(3.0, 4.0));
  ASSERT_TRUE(p.set_size(5));
  EXPECT_EQ(p.pont(0), COORD2D(1.0, 2.0));
  EXPECT_EQ(p.polypoint(0).flags, 5);
  EXPECT_EQ(p.pont(2), COORD2D(3.0, 4.0));
  EXPECT_EQ(p.pont(4), COORD2D());

  EXPECT_FALSE(p.set_size(-1));
  EXPECT_FALSE(p.set_size(kMaxPolygonCount + 1));
  EXPECT_EQ(p.pontszam(), 5);
  ASSERT_TRUE(p.set_size(0));
  EXPECT_EQ(p.points(), nullptr);

  DBMULTIPOLYGON m;
  ASSERT_TRUE(m.set_sizes(0, 4));
  EXPECT_EQ(m.clip_index_count(), 0);  // no clips, no clip indices
  EXPECT_EQ(m.clips(), nullptr);
  ASSERT_TRUE(m.set_clipszam(2));
  EXPECT_EQ(m.clip_index_count(), 3);
  EXPECT_FALSE(m.set_sizes(1, -5));
  EXPECT_EQ(m.pontszam(), 4);
}

TEST(Polygon, AllocationFailureLeavesThePolygonAsItWas) {
  DBMULTIPOLYGON m = square_with_hole();
  {
    dlist::AllocationFailureScope fail(1);  // the point block after the clip block
    EXPECT_FALSE(m.set_sizes(3, 12));
  }
  EXPECT_EQ(m, square_with_hole());

  DBMULTIPOLYGON target;
  ASSERT_TRUE(target.set_sizes(0, 1));
  target.set_pont(0, COORD2D(9.0, 9.0));
  const DBMULTIPOLYGON before = target;
  {
    dlist::AllocationFailureScope fail(0);
    target = m;
  }
  EXPECT_EQ(target, before);
}

TEST(Polygon, CopiesAreDeepAndIndependent) {
  const DBMULTIPOLYGON original = square_with_hole();
  DBMULTIPOLYGON copy(original);
  DBMULTIPOLYGON assigned;
  assigned = original;
  EXPECT_EQ(copy, original);
  EXPECT_EQ(assigned, original);
  EXPECT_NE(copy.points(), original.points());
  copy.set_pont(1, COORD2D(100.0, 100.0));
  copy.clip(1) = 3;
  EXPECT_EQ(original.pont(1), COORD2D(1.0, -1.0));
  EXPECT_EQ(original.clip(1), 4);
  EXPECT_EQ(assigned.attr(), 77);

  DBPOLYGON p;
  ASSERT_TRUE(p.set_size(2));
  DBPOLYGON q = p;
  q.set_pont(0, COORD2D(5.0, 5.0));
  EXPECT_EQ(p.pont(0), COORD2D());
  DBPOLYGON moved(std::move(q));
  EXPECT_EQ(moved.pont(0), COORD2D(5.0, 5.0));
  EXPECT_EQ(q.pontszam(), 0);  // NOLINT(bugprone-use-after-move)
}
