#include "foundation/layer_structure.h"

#include <gtest/gtest.h>

TEST(LayerStructure, NormalIndexCountsFromTheOtherFace) {
  RETEGEZESTYPE r;
  r.count = 3;
  EXPECT_EQ(r.normal_index(0), 2);
  EXPECT_EQ(r.normal_index(1), 1);
  EXPECT_EQ(r.normal_index(2), 0);
  EXPECT_EQ(r.normal_index(3), 0);
  EXPECT_EQ(r.normal_index(-1), 0);
  r.count = 120;  // a count read from a file that no layer table can hold
  EXPECT_EQ(r.normal_index(100), 0);
  EXPECT_EQ(r.normal_index(0), 7);
}

TEST(LayerStructure, ClearNotusedsZeroesLayersAndBoundariesBeyondTheCount) {
  RETEGEZESTYPE r;
  for (int i = 0; i < 8; ++i) r.layer[i] = RETEGEZESLAYER{0.1 * (i + 1), 3, 4};
  for (int i = 0; i < 7; ++i) r.boundary[i] = RETEGEZESBOUNDARY{1, 2, 3};
  r.count = 3;
  r.clear_notuseds();
  // Packed members are copied out (unary +) before they reach the checks.
  EXPECT_DOUBLE_EQ(+r.layer[2].thickness, 0.3);
  EXPECT_EQ(r.layer[2].fill, 3);
  EXPECT_EQ(+r.layer[3].thickness, 0.0);
  EXPECT_EQ(r.layer[3].fill_pen, 0);
  EXPECT_EQ(r.layer[7].fill, 0);
  EXPECT_EQ(r.boundary[1].flags, 3);  // between layers 1 and 2: in use
  EXPECT_EQ(r.boundary[2].pen, 0);    // index count - 1 and above: cleared
  EXPECT_EQ(r.boundary[6].line_type, 0);
  EXPECT_DOUBLE_EQ(r.thickness(), 0.6);
}
