// The surface mask dialog through the scripted user: the type boxes (flags 3 to 5)
// take the type byte with the second hatch block and the last field over, the status
// line follows the ticked boxes, a short set copies nothing and cancel changes nothing.
#include "palettes/surface_mask_dialog.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/report.h"
#include "host/resources.h"

namespace {

DBSURFREFTYPE set_of(int n, double base) {
  DBSURFREFTYPE s;
  for (int i = 0; i < n; ++i) {
    DBSURFHATCH e;
    std::strcpy(e.name, "Slot");
    e.type = static_cast<uint8_t>(base);
    for (int v = 0; v < 5; ++v) e.hatch1[v] = e.hatch2[v] = base + v;
    e.last_flags = static_cast<uint8_t>(base);
    s.push(e);
  }
  return s;
}

class SurfaceMaskDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dlist::reset_dialog_engine(); }
  void TearDown() override { dlist::reset_dialog_engine(); }
  dlist::ReportLogScope reports_;
};

TEST_F(SurfaceMaskDialogTest, TypeBoxesTakeTheSecondBlockOver) {
  for (int flag = 3; flag <= 5; ++flag) {
    SCOPED_TRACE(flag);
    const unsigned slot = static_cast<unsigned>(flag - 3);
    const DBSURFREFTYPE source = set_of(3, 1);
    DBSURFREFTYPE target = set_of(3, 1);
    target[slot].type = 7;
    target[slot].hatch2[2] = 70;
    target[slot].hatch1[0] = 70;
    target[slot].last_flags = 9;
    MASK mask;
    dlist::ScriptedUser user;
    user.on(dlist::kSurfaceMaskContext)
        .observe([](void* dialog) {
          EXPECT_EQ(dlist::control_text(dialog, dlist::kSurfaceMaskStatus), dlist::load_string(50702));
        })
        .check(dlist::kSurfaceMaskFlagBase + flag)
        .observe([](void* dialog) {
          EXPECT_EQ(dlist::control_text(dialog, dlist::kSurfaceMaskStatus), dlist::load_string(50703));
        })
        .press(9999);
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(dlist::CrtSurfaceMask(nullptr, mask, source, target), 1);
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_EQ(mask.surface[flag], 1);
    EXPECT_EQ(target[slot].type, 1);
    EXPECT_EQ(double(target[slot].hatch2[2]), 3);
    EXPECT_EQ(target[slot].last_flags, 1);
    EXPECT_EQ(double(target[slot].hatch1[0]), 70) << "the first block is not the type's";
  }
}

TEST_F(SurfaceMaskDialogTest, ShortSetsAndCancelChangeNothing) {
  const DBSURFREFTYPE source = set_of(3, 1);
  DBSURFREFTYPE target = set_of(2, 5);
  MASK mask;
  mask.surface[5] = 1;  // slot 2, which the target lacks
  mask.surface[3] = 1;
  dlist::ScriptedUser user;
  user.on(dlist::kSurfaceMaskContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_check(dialog, dlist::kSurfaceMaskFlagBase + 5), 1);
        EXPECT_EQ(dlist::control_text(dialog, dlist::kSurfaceMaskStatus), dlist::load_string(50703));
      })
      .press(9999);
  user.on(dlist::kSurfaceMaskContext).check(dlist::kSurfaceMaskFlagBase + 5, false).press(2);
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(dlist::CrtSurfaceMask(nullptr, mask, source, target), 1);
  EXPECT_EQ(target[0].type, 5) << "nothing copied while a box names a missing slot";
  EXPECT_EQ(dlist::CrtSurfaceMask(nullptr, mask, source, target), 0);
  EXPECT_EQ(mask.surface[5], 1) << "cancel keeps the mask";
  EXPECT_EQ(target[0].type, 5);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

}  // namespace
