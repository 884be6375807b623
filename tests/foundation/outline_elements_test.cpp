#include "foundation/outline_elements.h"

#include <gtest/gtest.h>

#include "foundation/memory.h"

TEST(OutlineRecords, ForwardersHeightAndHotspotCounts) {
  DBCEILTYPE c;
  ASSERT_TRUE(c.set_sizes(1, 6));
  EXPECT_EQ(c.clipszam(), 1);
  EXPECT_EQ(c.pontszam(), 6);
  EXPECT_TRUE(c.has_points());
  c.polypoint(5).x = 3.0;
  EXPECT_EQ(c.outline.pont(5).x, 3.0);
  EXPECT_EQ(c.nhotspot2D(), 6);
  EXPECT_EQ(c.nhotspot3D(), 12);
  c.retegezes().count = 2;
  c.retegezes().layer[0].thickness = 0.2;
  c.retegezes().layer[1].thickness = 0.05;
  c.retegezes().layer[2].thickness = 9.0;  // beyond the count
  EXPECT_DOUBLE_EQ(c.height(), 0.25);

  DBROOFTYPE r;
  ASSERT_TRUE(r.set_sizes(0, 4));
  EXPECT_EQ(r.nhotspot2D(), 10);

  DBPARCTYPE p;
  ASSERT_TRUE(p.set_size(3));
  p.set_pont(2, COORD2D(1.0, 1.0), 4);
  EXPECT_EQ(p.pont(2), COORD2D(1.0, 1.0));
  EXPECT_EQ(p.polypoint(2).flags, 4);
  ASSERT_TRUE(p.set_pontszam(2));
  EXPECT_EQ(p.pontszam(), 2);
}

TEST(OutlineRecords, CopiesAreDeepAndWholeOrNotAtAll) {
  DBRASTTYPE a;
  ASSERT_TRUE(a.set_sizes(0, 3));
  a.outline.set_pont(0, COORD2D(1.0, 2.0));
  a.frame_color = 5;
  a.palette.layer = 3;
  DBRASTTYPE b;
  ASSERT_TRUE(b.full_copy(a));
  a.outline.set_pont(0, COORD2D(9.0, 9.0));
  EXPECT_EQ(b.outline.pont(0), COORD2D(1.0, 2.0));
  EXPECT_EQ(b.frame_color, 5);
  EXPECT_EQ(b.palette.layer, 3);

  DBRASTTYPE target;
  target.frame_color = 1;
  {
    dlist::AllocationFailureScope fail(0, /*repeat=*/true);
    EXPECT_FALSE(target.full_copy(a));
    target = a;
  }
  EXPECT_EQ(target.frame_color, 1);  // nothing of a arrived
  EXPECT_EQ(target.pontszam(), 0);
}
