// The cost-estimate file on a small model whose totals are worked out by hand:
// materials B brick (pcs, 0.5) and P paint (m2, 2).
// Plan "North": wall 1 floor 0 layer 1, B 100 (50), P auto AREA 10 (20);
//               wall 2 floor 1 layer 2, B 40 (20), Z (no such material).
// Plan "South": wall 3 floor 0 layer 1, P auto AREA 3 (6).

#include "host/generator/cost_estimate_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/fixed_text.h"
#include "host/list/list_context.h"
#include "host/model/model_elements.h"
#include "host/model/plans.h"
#include "tests/host/generator/library_builder.h"
#include "tests/host/model/model_test_support.h"

namespace dlist::testing {
namespace {

namespace fs = std::filesystem;

class CostEstimateFileTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    ASSERT_TRUE(library_.open(":memory:"));
    previous_library_ = set_active_library(&library_);
    const long area = unit(0, "##1", 1), count = unit(0, "##3", 1);
    unit(area, "m2", 1);
    unit(count, "pcs", 1);
    material("B", "pcs", 0.5);
    material("P", "m2", 2);
    const long north = create_plan("North"), south = create_plan("South");
    const long n0 = create_storey(north, 0, "Ground"), n1 = create_storey(north, 1, "Upper");
    const long s0 = create_storey(south, 0, "Ground");
    place(north, n0, 1, 10, {fixed("B", 100), automatic("P")});
    place(north, n1, 2, 0, {fixed("B", 40), fixed("Z", 1)});
    place(south, s0, 1, 3, {automatic("P")});
    dir_ = fs::temp_directory_path() / ("dlist_estimate_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::string error;
    ASSERT_TRUE(generator::offer_model_sheets(estimate_, offered_, error)) << error;
    std::snprintf(estimate_.path, sizeof estimate_.path, "%s", (dir_ / "costs.dev").c_str());
  }
  void TearDown() override {
    set_active_library(previous_library_);
    fs::remove_all(dir_);
    ModelTest::TearDown();
  }

  long unit(long parent, const char* abbrev, double factor) { return LibraryBuilder{library_}.unit(parent, abbrev, factor); }
  void material(const char* code, const char* unit, double price) {
    ASSERT_GT(LibraryBuilder{library_}.material(0, code, unit, price), 0);
  }
  static DBMATREF fixed(const char* code, double q) { return LibraryBuilder::fixed(code, q); }
  static DBMATREF automatic(const char* code) {
    DBMATREF r;
    r.code.put(code);
    r.quantity = DBMATREF::kAutoQuantity;
    r.set_parameter("AREA");
    return r;
  }
  void place(long plan, long storey, int layer, double area, std::vector<DBMATREF> links) {
    ModelElement e;
    e.kind = 1;
    e.plan = plan;
    e.storey = storey;
    e.layer = layer;
    DBMATREFCHAIN mat;
    for (const DBMATREF& l : links) mat.push(l);
    ASSERT_GT(place_element(e, mat, DBATTREFCHAIN(), {{"AREA", area}}), 0);
  }
  std::string written() {
    std::ifstream in(estimate_.path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  LISTCONTEXT library_;
  LISTCONTEXT* previous_library_ = nullptr;
  fs::path dir_;
  DEVIS_INTERFACE estimate_;
  std::vector<std::string> offered_;
};

constexpr const char* kHeader = "dlist-estimate 1\nsheet;floor;code;name;unit;quantity;unit price;total\n";

TEST_F(CostEstimateFileTest, EveryOfferedSheetTogetherAndAMissingMaterialNoted) {
  EXPECT_EQ(offered_, (std::vector<std::string>{"North", "South"}));
  estimate_.all_items = 1;
  ASSERT_TRUE(estimate_.set_names({}));
  const generator::EstimateResult r = generator::write_cost_estimate(estimate_, offered_);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_DOUBLE_EQ(r.total, 96);  // B 140 * 0.5 = 70, P 13 m2 * 2 = 26
  EXPECT_EQ(written(), std::string(kHeader) +
                           "*;*;B;B;pcs;140.000;0.50;70.00\n"
                           "*;*;P;P;m2;13.000;2.00;26.00\n"
                           "sum;*;*;;;;;96.00\n"
                           "total;;;;;;;96.00\n");
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find("Z"), std::string::npos);
}

TEST_F(CostEstimateFileTest, BySheetAndFloorWithinTheRange) {
  ASSERT_TRUE(estimate_.set_names({"South", "North"}));
  estimate_.by_sheet = 1;
  estimate_.by_floor = 1;
  estimate_.low = 0;
  estimate_.high = 0;
  const generator::EstimateResult r = generator::write_cost_estimate(estimate_, offered_);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(written(), std::string(kHeader) +
                           "South;0;P;P;m2;3.000;2.00;6.00\n"
                           "sum;South;0;;;;;6.00\n"
                           "North;0;B;B;pcs;100.000;0.50;50.00\n"
                           "North;0;P;P;m2;10.000;2.00;20.00\n"
                           "sum;North;0;;;;;70.00\n"
                           "total;;;;;;;76.00\n");
}

TEST_F(CostEstimateFileTest, TheLayerSetLeavesLayersOutAndBadChoicesWriteNothing) {
  ASSERT_TRUE(estimate_.set_names({"North"}));
  estimate_.layer_sets = 1;
  estimate_.sheets[0].layer[1] = kSheetLayerOff;
  generator::EstimateResult r = generator::write_cost_estimate(estimate_, offered_);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_DOUBLE_EQ(r.total, 20);  // only wall 2 on layer 2: B 40 * 0.5
  EXPECT_TRUE(r.notes.size() == 1);

  fs::remove(estimate_.path);
  ASSERT_TRUE(estimate_.set_names({"East"}));
  r = generator::write_cost_estimate(estimate_, offered_);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("East"), std::string::npos);
  ASSERT_TRUE(estimate_.set_names({"North"}));
  estimate_.by_floor = 1;
  estimate_.low = 3;
  estimate_.high = 1;
  EXPECT_FALSE(generator::write_cost_estimate(estimate_, offered_).ok);
  EXPECT_FALSE(fs::exists(estimate_.path));
}

}  // namespace
}  // namespace dlist::testing
