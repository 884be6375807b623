// `dlist estimate`: the cost-estimate file of a small model, its totals against the
// hand-computed ones, the dialog's refusal of an inverted range, and the files the
// command does not write over.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/cli/command_line_support.h"

namespace dlist::testing {
namespace {

// 10 m2 of plaster (2.1.1 at 12.50) and 100 bricks (1.1.1 at 0.45) on floor 0 of
// House; 40 bricks on floor 1 of House; 4 m2 of plaster on floor 0 of Shed.
constexpr const char* kModel = R"({"format": "dlist-model", "version": 1,
  "plans": [{"name": "House", "floors": [{"number": 0, "name": "Ground"}, {"number": 1, "name": "Upper"}]},
            {"name": "Shed", "floors": [{"number": 0, "name": "Ground"}]}],
  "elements": [{"kind": "wall", "plan": "House", "floor": 0, "parameters": {"AREA": 10},
                "materials": [{"code": "2.1.1", "quantity": "auto", "parameter": "AREA"},
                              {"code": "1.1.1", "quantity": 100}]},
               {"kind": "wall", "plan": "House", "floor": 1, "materials": [{"code": "1.1.1", "quantity": 40}]},
               {"kind": "wall", "plan": "Shed", "floor": 0, "parameters": {"AREA": 4},
                "materials": [{"code": "2.1.1", "quantity": "auto", "parameter": "AREA"}]}]})";

class EstimateCommandTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    make_demo_library("materials.dlist");
    std::ofstream(path("model.json")) << kModel;
    ASSERT_EQ(dlist({"model", "import", path("model.json")}), 0) << err_.str();
  }
  int dlist(std::vector<std::string> args) {
    args.insert(args.begin(), {"--project", path("project.dlist"), "--materials", path("materials.dlist")});
    return run(args);
  }
};

TEST_F(EstimateCommandTest, TotalsOfAllSheetsAndOfChosenFloorsBySheet) {
  ASSERT_EQ(dlist({"estimate", path("all.dev")}), 0) << err_.str();
  // plaster 14 m2 * 12.50 = 175, bricks 140 * 0.45 = 63
  const std::string all = bytes("all.dev");
  EXPECT_TRUE(has(all, "*;*;1.1.1;Solid brick;pcs;140.000;0.45;63.00\n")) << all;
  EXPECT_TRUE(has(all, "*;*;2.1.1;Gypsum plaster;m2;14.000;12.50;175.00\n")) << all;
  EXPECT_TRUE(has(all, "total;;;;;;;238.00\n")) << all;

  ASSERT_EQ(dlist({"estimate", "--sheets", "House", "--range", "0:0", "--group", "sheet", path("house.dev")}), 0)
      << err_.str();
  const std::string house = bytes("house.dev");
  EXPECT_TRUE(has(house, "House;0;1.1.1;Solid brick;pcs;100.000;0.45;45.00\n")) << house;
  EXPECT_TRUE(has(house, "total;;;;;;;170.00\n")) << house;  // 125 + 45
  EXPECT_FALSE(has(house, "Shed")) << house;
}

TEST_F(EstimateCommandTest, AnInvertedRangeIsRefusedAndNothingIsWritten) {
  EXPECT_EQ(dlist({"estimate", "--range", "5:3", "--sheets", "House", path("bad.dev")}), 1);
  EXPECT_FALSE(std::filesystem::exists(path("bad.dev")));
  EXPECT_EQ(dlist({"estimate", "--sheets", "Barn", path("bad.dev")}), 1);
  EXPECT_TRUE(has(err_.str(), "Barn")) << err_.str();
  // Never over the open library, nor over a file of another kind without --force.
  const std::string library = bytes("materials.dlist");
  EXPECT_EQ(dlist({"estimate", path("materials.dlist")}), 1);
  EXPECT_EQ(bytes("materials.dlist"), library);
  std::ofstream(path("notes.txt")) << "my notes\n";
  EXPECT_EQ(dlist({"estimate", path("notes.txt")}), 1);
  EXPECT_EQ(bytes("notes.txt"), "my notes\n");
  EXPECT_EQ(dlist({"estimate", "--force", path("notes.txt")}), 0) << err_.str();
}

}  // namespace
}  // namespace dlist::testing
