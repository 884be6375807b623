// The entry points passed on to the model database and the stand-ins behind them:
// storeys of elements, storey and layer names of plans, the plan tables of an
// older project, and the text form of element identifiers.
#include "materials/model_forwarders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "host/model/element_ids.h"
#include "host/model/plans.h"
#include "tests/host/model/model_test_support.h"

namespace {

class ModelForwardersTest : public dlist::testing::ModelTest {};

TEST_F(ModelForwardersTest, StoreysOfElementsAndPlans) {
  const long plan = dlist::create_plan("Ground");
  ASSERT_GT(plan, 0);
  EXPECT_EQ(dlist::create_plan("Ground"), 0);
  const long first = dlist::create_storey(plan, 1, "First floor");
  ASSERT_GT(first, 0);
  EXPECT_EQ(dlist::create_storey(plan, 1, "Again"), 0);
  ASSERT_TRUE(dlist::set_element_storey(17, first));
  EXPECT_FALSE(dlist::set_element_storey(18, 999));

  char out[kStoreyTextSize] = "untouched";
  EXPECT_EQ(ElemidToStorey(17, out), 1);
  EXPECT_STREQ(out, "1. First floor");
  std::strcpy(out, "untouched");
  EXPECT_EQ(ElemidToStorey(18, out), 0);
  EXPECT_STREQ(out, "untouched");

  char name[kStoreyNameSize] = "untouched";
  char ground[] = "Ground";
  EXPECT_EQ(GetFloorName(ground, 1, name), 1);
  EXPECT_STREQ(name, "First floor");
  std::strcpy(name, "untouched");
  EXPECT_EQ(GetFloorName(ground, 2, name), 0);
  EXPECT_STREQ(name, "untouched");
}

TEST_F(ModelForwardersTest, LayerNamesOfAPlan) {
  const long plan = dlist::create_plan("Plan");
  ASSERT_TRUE(dlist::set_layer_name(plan, 0, "Walls"));
  ASSERT_TRUE(dlist::set_layer_name(plan, 254, "Last"));
  EXPECT_FALSE(dlist::set_layer_name(plan, 255, "Beyond"));
  auto names = std::make_unique<DBFOLIANAMES>();
  char plan_name[] = "Plan";
  EXPECT_EQ(GetLayerNames(plan_name, names.get()), 1);
  EXPECT_STREQ(names->name[0], "Walls");
  EXPECT_STREQ(names->name[1], "");
  EXPECT_STREQ(names->name[254], "Last");
  char missing[] = "Missing";
  EXPECT_EQ(GetLayerNames(missing, names.get()), 0);
}

// Tables made for a project that did not have them; its other contents stay.
TEST(ModelPlanTables, ProjectWithoutThemGainsThemOnOpen) {
  const std::string path = ::testing::TempDir() + "plans_upgrade.db";
  std::remove(path.c_str());
  {
    dlist::ModelDatabase db;
    ASSERT_TRUE(db.open(path));
    ASSERT_TRUE(db.connection().exec("DROP TABLE plans; DROP TABLE storeys; "
                                     "DROP TABLE layer_names; DROP TABLE element_storeys;"));
  }
  dlist::ModelDatabase db;
  ASSERT_TRUE(db.open(path)) << db.last_error();
  dlist::ActiveModel active(db);
  EXPECT_GT(dlist::create_plan("Upgraded"), 0);
  EXPECT_GT(db.root(dlist::ModelTree::kPalettes), 0);
  db.close();
  std::remove(path.c_str());
}

TEST_F(ModelForwardersTest, ElementIdentifiersInLists) {
  char text[kListIdSize];
  EXPECT_EQ(_ElemidToListId(1742, text), 1);
  EXPECT_STREQ(text, "#1742");
  EXPECT_EQ(_ListIdToElemid(text), 1742);
  EXPECT_EQ(_ElemidToListId(2147483647, text), 1);
  EXPECT_EQ(_ListIdToElemid(text), 2147483647);
  EXPECT_EQ(_ElemidToListId(0, text), 0);
  EXPECT_STREQ(text, "");
  for (const char* bad : {"", "#", "1742", "#0", "#01", "#-5", "#12x", "#2147483648",
                          "#99999999999999999999"}) {
    char copy[32];
    std::strcpy(copy, bad);
    EXPECT_EQ(_ListIdToElemid(copy), 0) << bad;
  }
  EXPECT_EQ(_ListIdToElemid(nullptr), 0);
}

}  // namespace
