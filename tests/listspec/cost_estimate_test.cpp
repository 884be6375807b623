// The cost-estimate dialog through the scripted user: the chosen sheets, the range
// check, the options and the dialog memory, the all-sheets box and the layer set.

#include "listspec/cost_estimate.h"

#include <gtest/gtest.h>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/layout_sheet_dialog.h"
#include "host/settings.h"

namespace dlist::testing {
namespace {

namespace lsp = dlist::listspec;

class CostEstimateDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lsp::reset_devis_memory();
    clear_layout_sheet_calls();
    ASSERT_TRUE(estimate_.offer({"Ground", "Upper", "Roof"}));
    estimate_.start = 1;
    R_Set_STRING(lsp::kSettingDevisFile, "/tmp/last.dev");
  }

  int run(ScriptedUser& user) {
    int result = 0;
    {
      DialogUserScope scope(user);
      result = CrtDevis(nullptr, &estimate_);
    }
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_EQ(buffer_accounting().depth, 0);
    return result;
  }

  ScopedSettings settings_;
  DEVIS_INTERFACE estimate_;
};

TEST_F(CostEstimateDialogTest, ChosenSheetsComeBackInTreeOrderAndTheStartItemCanBeSwitchedOff) {
  ScriptedUser user;
  user.on(lsp::kDevisContext)
      .observe([](void* d) { EXPECT_EQ(control_text(d, lsp::kDevisFile), "/tmp/last.dev"); })
      .double_click(lsp::kDevisSheets, 0)
      .type(lsp::kDevisFile, "/tmp/costs.dev")
      .press(kIdAccept);
  ASSERT_NE(run(user), 0);
  EXPECT_EQ(estimate_.name_list(), (std::vector<std::string>{"Ground", "Upper"}));
  EXPECT_STREQ(estimate_.path, "/tmp/costs.dev");
  char setting[260] = {};
  R_Get_STRING(lsp::kSettingDevisFile, setting, sizeof setting);
  EXPECT_STREQ(setting, "/tmp/costs.dev");
  // The offered records stay, one for each offered sheet.
  EXPECT_EQ(estimate_.sheet_count, 3);

  ScriptedUser none;
  none.on(lsp::kDevisContext).double_click(lsp::kDevisSheets, 1).press(kIdAccept);
  estimate_.start = 1;
  ASSERT_NE(run(none), 0);
  EXPECT_EQ(estimate_.name_count, 0);
  EXPECT_TRUE(estimate_.name_list().empty());
}

TEST_F(CostEstimateDialogTest, AnInvertedRangeIsRefusedOnlyWhileFloorsAreChosen) {
  ScriptedUser user;
  user.on(lsp::kDevisContext)
      .observe([](void* d) {
        EXPECT_FALSE(control_enabled(d, lsp::kDevisLow));
        EXPECT_EQ(control_text(d, lsp::kDevisLow), "1");
      })
      .check(lsp::kDevisByFloor)
      .type(lsp::kDevisLow, "5")
      .type(lsp::kDevisHigh, "3")
      .press(kIdAccept)
      .observe([](void* d) { EXPECT_TRUE(control_marked(d, lsp::kDevisLow)); })
      .check(lsp::kDevisEveryFloor)
      .press(kIdAccept);
  ASSERT_NE(run(user), 0);
  EXPECT_EQ(estimate_.by_floor, 0);
  EXPECT_EQ(estimate_.low, -256);
  EXPECT_EQ(estimate_.high, 256);

  ScriptedUser wide;
  wide.on(lsp::kDevisContext)
      .check(lsp::kDevisByFloor)
      .type(lsp::kDevisLow, "-256")
      .type(lsp::kDevisHigh, "256")
      .check(lsp::kDevisBySheet)
      .press(kIdAccept);
  ASSERT_NE(run(wide), 0);
  EXPECT_EQ(estimate_.by_floor, 1);
  EXPECT_EQ(estimate_.by_sheet, 1);
  EXPECT_EQ(estimate_.low, -256);
  EXPECT_EQ(estimate_.high, 256);

  // Both the range and the radio choices are remembered for the next call.
  ScriptedUser again;
  again.on(lsp::kDevisContext)
      .observe([](void* d) {
        EXPECT_EQ(control_check(d, lsp::kDevisByFloor), 1);
        EXPECT_EQ(control_check(d, lsp::kDevisBySheet), 1);
        EXPECT_EQ(control_text(d, lsp::kDevisLow), "-256");
      })
      .close();
  EXPECT_EQ(run(again), 0);
}

TEST_F(CostEstimateDialogTest, CancelKeepsTheStructureAndRemembersTheRadioChoices) {
  estimate_.by_sheet = 7;
  estimate_.low = 2;
  estimate_.high = 4;
  std::snprintf(estimate_.path, sizeof estimate_.path, "%s", "/elsewhere.dev");
  ScriptedUser user;
  user.on(lsp::kDevisContext)
      .check(lsp::kDevisLayerSets)
      .check(lsp::kDevisByFloor)
      .double_click(lsp::kDevisSheets, 0)
      .type(lsp::kDevisFile, "/tmp/other.dev")
      .close();
  EXPECT_EQ(run(user), 0);
  EXPECT_EQ(estimate_.by_sheet, 7);
  EXPECT_EQ(estimate_.low, 2);
  EXPECT_EQ(estimate_.high, 4);
  EXPECT_EQ(estimate_.name_count, 3);
  EXPECT_STREQ(estimate_.path, "/tmp/last.dev");

  ScriptedUser next;
  next.on(lsp::kDevisContext)
      .observe([](void* d) {
        EXPECT_EQ(control_check(d, lsp::kDevisLayerSets), 1);
        EXPECT_EQ(control_check(d, lsp::kDevisByFloor), 1);
        EXPECT_EQ(control_check(d, lsp::kDevisBySheet), 0);
        EXPECT_EQ(control_text(d, lsp::kDevisLow), "1");  // the range only after OK
      })
      .close();
  EXPECT_EQ(run(next), 0);
}

TEST_F(CostEstimateDialogTest, AllSheetsDisablesTheRestAndIsWrittenAtOnce) {
  ScriptedUser user;
  user.on(lsp::kDevisContext)
      .check(lsp::kDevisLayerSets)
      .observe([](void* d) { EXPECT_TRUE(control_enabled(d, lsp::kDevisLayerSet)); })
      .press(lsp::kDevisLayerSet)
      .check(lsp::kDevisAll)
      .observe([](void* d) {
        for (int id : {lsp::kDevisSheets, lsp::kDevisBySheet, lsp::kDevisByFloor, lsp::kDevisLow,
                       lsp::kDevisLayerSet, lsp::kDevisSheetsLabel, lsp::kDevisOptionsLabel})
          EXPECT_FALSE(control_enabled(d, id)) << id;
        EXPECT_EQ(R_Get_BOOL(lsp::kSettingDevisAll), 1);
      })
      .close();
  user.on(kLayoutSheetContext).close();
  EXPECT_EQ(run(user), 0);
  EXPECT_EQ(R_Get_BOOL(lsp::kSettingDevisAll), 1);  // even though cancelled
  ASSERT_EQ(layout_sheet_calls().size(), 1u);
  const LayoutSheetCall& call = layout_sheet_calls()[0];
  EXPECT_EQ(call.first, -1);
  EXPECT_EQ(call.second, 4209);
  EXPECT_EQ(call.third, 1);
  EXPECT_EQ(call.last, 0);

  ScriptedUser checked;
  checked.on(lsp::kDevisContext)
      .observe([](void* d) { EXPECT_EQ(control_check(d, lsp::kDevisAll), 1); })
      .press(kIdAccept);
  ASSERT_NE(run(checked), 0);
  EXPECT_EQ(estimate_.all_items, 1);
}

TEST_F(CostEstimateDialogTest, TheLayerSetDialogSwitchesLayersOfTheSelectedSheet) {
  std::snprintf(estimate_.sheet_names[1].name[3], kLayerNameSize, "%s", "Furniture");
  ScriptedUser user;
  user.on(lsp::kDevisContext).check(lsp::kDevisLayerSets).press(lsp::kDevisLayerSet).close();
  user.on(kLayoutSheetContext).double_click(kLayoutSheetLayers, 3).press(kIdAccept);
  EXPECT_EQ(run(user), 0);
  EXPECT_EQ(estimate_.sheets[1].layer[3], kSheetLayerOff);
  EXPECT_EQ(estimate_.sheets[0].layer[3], 0);
}

}  // namespace
}  // namespace dlist::testing
