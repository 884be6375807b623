#include "foundation/placed_elements.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/byte_order.h"

namespace {

// A stair whose geometry recalculation counts its calls.
class CountingStair : public DBSTAITYPE {
 public:
  void recalculate_geometry() override { ++calls; }
  int calls = 0;
};

}  // namespace

TEST(PlacedRecords, EverySetterRecalculatesAfterStoring) {
  CountingStair s;
  s.set_pos(COORD3D(1.0, 2.0, 3.0));
  s.set_eltol(COORD3D(0.0, 0.5, 0.0));
  s.set_xangle(0.1);
  s.set_yangle(0.2);
  s.set_zangle(0.3);
  EXPECT_EQ(s.calls, 5);
  EXPECT_EQ(s.pos(), COORD3D(1.0, 2.0, 3.0));
  EXPECT_EQ(s.eltol(), COORD3D(0.0, 0.5, 0.0));
  EXPECT_EQ(s.zangle(), 0.3);
  EXPECT_TRUE(s.set_common_param(STAI_RISER, 0.17));
  EXPECT_EQ(s.palette.common_param(STAI_RISER), 0.17);
  EXPECT_FALSE(s.set_common_param(static_cast<STAI_COMMON_PARAM>(kCommonParams), 1.0));
}

TEST(PlacedRecords, SymbolIdBlockAndDeepCopies) {
  DBSYMBTYPE s;
  s.recid = RECIDTYPE(0x11223344, 0x0506);
  s.recid_tail = 0x0708;
  unsigned char block[DBSYMBTYPE::kIdBlockSize];
  s.id_block(block);
  const unsigned char expected[8] = {0x44, 0x33, 0x22, 0x11, 0x06, 0x05, 0x08, 0x07};
  EXPECT_EQ(std::memcmp(block, expected, 8), 0);

  ASSERT_TRUE(s.hotspots.set_count(2));
  s.hotspots[1] = COORD3D(4.0, 5.0, 6.0);
  DBSYMBTYPE copy(s);
  s.hotspots[1].x = 0.0;
  EXPECT_EQ(copy.hotspots[1], COORD3D(4.0, 5.0, 6.0));
  EXPECT_EQ(copy.nhotspot(), 2u);
  EXPECT_EQ(copy.recid, s.recid);
  ASSERT_TRUE(copy.hotspots.set_count(3));
  EXPECT_EQ(copy.hotspots[2], COORD3D());  // new hotspots start at the origin
}
