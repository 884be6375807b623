#include "foundation/full_records.h"

#include <gtest/gtest.h>

#include "foundation/memory.h"

TEST(FullRecords, HasContourRules) {
  DBSYMBFULLTYPE symbol;
  EXPECT_FALSE(symbol.has_contour());
  ASSERT_TRUE(symbol.contour().set_size(1));
  EXPECT_TRUE(symbol.has_contour());

  DBSTAIFULLTYPE stair;
  EXPECT_FALSE(stair.has_contour());
  stair.contours().push(DBPOLYGONTYPE());
  EXPECT_FALSE(stair.has_contour());  // the angle chain is still empty
  stair.angles().push(0.5);
  EXPECT_TRUE(stair.has_contour());
  EXPECT_EQ(stair.ncontour(), 1);
}

TEST(FullRecords, PartsAreReplacedWholeAndCopiedDeeply) {
  DBSTAIFULLTYPE stair;
  DBMATREFCHAIN mats;
  DBMATREF m;
  m.code.put("01");
  mats.push(m);
  ASSERT_TRUE(stair.set_dbmrc(mats));
  mats[0].code.put("02");
  EXPECT_STREQ(stair.dbmrc()[0].code.get(), "01");
  stair.set_storid(12);
  ASSERT_TRUE(stair.p1_array().resize(2));
  stair.p1(1) = 7;
  DBSURFREFTYPE surf;
  surf.push(DBSURFHATCH());
  ASSERT_TRUE(stair.set_surf(surf));
  stair.palette.layer = 4;

  DBSTAIFULLTYPE copy;
  ASSERT_TRUE(copy.full_copy(stair));
  stair.dbmrc()[0].code.put("03");
  EXPECT_STREQ(copy.dbmrc()[0].code.get(), "01");
  EXPECT_EQ(copy.storid(), 12);
  EXPECT_EQ(copy.p1(1), 7);
  EXPECT_EQ(copy.surf().size(), 1u);
  EXPECT_EQ(copy.palette.layer, 4);

  DBSTAIFULLTYPE target;
  {
    dlist::AllocationFailureScope fail(2);
    EXPECT_FALSE(target.full_copy(stair));
  }
  EXPECT_EQ(target.storid(), 0);
  EXPECT_EQ(target.dbmrc().size(), 0u);
}

TEST(FullRecords, RoofGeometryByIndex) {
  DBROOFFULLTYPE roof;
  ASSERT_TRUE(roof.calc().resize(2));
  roof.calc()[1].normal = COORD3D(0.0, 0.0, 1.0);
  roof.edges().push(DBEDGEPALETTE());
  roof.set_has_angle(true);
  roof.set_elemid(99);
  EXPECT_EQ(roof.normal(1), COORD3D(0.0, 0.0, 1.0));
  EXPECT_EQ(roof.bottom(2), COORD3D());  // beyond the computed data
  DBROOFFULLTYPE copy = roof;
  EXPECT_EQ(copy.normal(1), COORD3D(0.0, 0.0, 1.0));
  EXPECT_EQ(copy.edges().size(), 1u);
  EXPECT_TRUE(copy.has_angle());
  EXPECT_EQ(copy.elemid(), 99);
}
