// The material dialogs as a person uses them, with the scripted user acting in a
// library in memory: creating a child, editing one (code and name stay, a combined
// subprice is stored with its operation), the formula row, renaming, and the
// read-only displays of a stored material and of an imported record.
#include "materials/material_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/material_dialog_ids.h"
#include "tests/materials/library_test_support.h"

namespace {

void* const kWindow = reinterpret_cast<void*>(0x1);

class MaterialDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlist::reset_dialog_engine();
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
    dim_ = unit(0, "##0", "Length", 1.0);
    metre_ = unit(dim_, "m", "Metre", 1.0);
    cm_ = unit(dim_, "cm", "Centimetre", 0.01);
    subprice("LAB", "Labour", SUBPRICE_MULTIPLY, 2.0, "");
    subprice("FRM", "Extra", SUBPRICE_FORMULA, 0.0, "PRICE*2");
    dbmarket market{};
    std::snprintf(market.name, sizeof market.name, "Local");
    ASSERT_GT(lib_.create(market), 0);
    dbmaterial root{};
    std::snprintf(root.id, sizeof root.id, "01");
    std::snprintf(root.name, sizeof root.name, "Walls");
    root.unit_price = 10.0;
    root_ = lib_.create(0, root, nullptr);
    ASSERT_GT(root_, 0);
  }
  void TearDown() override { dlist::reset_dialog_engine(); }

  long unit(long parent, const char* abbrev, const char* name, double factor) {
    return dlist::testing::add_unit(lib_, parent, abbrev, name, factor);
  }
  void subprice(const char* abbrev, const char* name, SUBPRICETYPE kind, double value,
                const char* formula) {
    dlist::testing::add_subprice(lib_, abbrev, name, kind, value, formula);
  }
  std::vector<subpriceref> prices(long material) {
    std::vector<subpriceref> out;
    lib_.rewind_subprice_ref(material);
    subpriceref ref{};
    while (lib_.get(ref) > 0) out.push_back(ref);
    return out;
  }
  std::vector<unitref> unit_refs(long material) {
    std::vector<unitref> out;
    lib_.rewind_unit_ref(material);
    unitref ref{};
    while (lib_.get(ref) > 0) out.push_back(ref);
    return out;
  }
  int usage(long id) {
    dbunit u{};
    lib_.get(id, u);
    return u.usage;
  }

  LISTCONTEXT lib_;
  long dim_ = 0, metre_ = 0, cm_ = 0, root_ = 0;
};

TEST_F(MaterialDialogsTest, CreatingAChildStoresCodeNameUnitsAndSubprices) {
  dlist::ReportLogScope log;
  dlist::ScriptedUser user;
  user.on(dlist::kEditMaterialContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatParentCode), "01");
        EXPECT_EQ(dlist::dialog_title(dialog), "New material");
      })
      .type(dlist::kMatOwnCode, "02")
      .type(dlist::kMatName, "Brick")
      .type(dlist::kMatUnitPrice, "12.5")
      .choose_combo_text(dlist::kMatMarket, "Local")
      .expand(dlist::kMatNativeTree, dim_)
      .select_item(dlist::kMatNativeTree, metre_)
      .check(dlist::kMatFurtherRadio)
      .expand(dlist::kMatFurtherTree, dim_)
      .double_click(dlist::kMatFurtherTree, cm_)
      .type(dlist::kMatUnitFactor, "100")
      .double_click_row(dlist::kMatSubprices, 0)
      .observe([](void* dialog) {
        // 12.5 + 2 * 12.5
        EXPECT_NE(dlist::control_text(dialog, dlist::kMatTotal).find("37"), std::string::npos);
      })
      .press(9999);
  dlist::DialogUserScope scope(user);

  Material cursor(&lib_, root_);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 5), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_TRUE(dlist::dialog_log().refusals.empty());

  dbmaterial child{};
  const TEXTBUFFER code("01.02");
  const long id = lib_.get(code, child, nullptr);
  ASSERT_GT(id, 0);
  EXPECT_EQ(cursor.elemid(), id);
  EXPECT_STREQ(child.name, "Brick");
  EXPECT_DOUBLE_EQ(child.unit_price, 12.5);
  EXPECT_STREQ(child.market, "Local");
  EXPECT_STREQ(child.native_unit, "m");
  const auto units = unit_refs(id);
  ASSERT_EQ(units.size(), 2u);
  EXPECT_STREQ(units[0].abbrev, "m");
  EXPECT_DOUBLE_EQ(units[0].factor, 1.0);
  EXPECT_STREQ(units[1].abbrev, "cm");
  EXPECT_DOUBLE_EQ(units[1].factor, 100.0);
  EXPECT_EQ(usage(metre_), 1);
  EXPECT_EQ(usage(cm_), 1);
  const auto refs = prices(id);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_STREQ(refs[0].abbrev, "LAB");
  EXPECT_DOUBLE_EQ(refs[0].value, 2.0);
  EXPECT_EQ(dlist::image_list_live_count(), 0);
}

TEST_F(MaterialDialogsTest, EditingKeepsCodeAndNameAndStoresTheCombinedValue) {
  subpriceref lab{};
  std::snprintf(lab.abbrev, sizeof lab.abbrev, "LAB");
  lab.value = 3.0;
  ASSERT_GT(lib_.create(root_, lab), 0);

  dlist::ReportLogScope log;
  dlist::ScriptedUser user;
  user.on(dlist::kEditMaterialContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatOwnCode), "01");
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatName), "Walls");
      })
      .type(dlist::kMatOwnCode, "99")  // read-only while editing: refused
      .select_row(dlist::kMatSubprices, 1)
      .observe([](void* dialog) {
        const auto painted = dlist::list_painted(GetControlHWND(dialog, dlist::kMatSubprices));
        ASSERT_EQ(painted.size(), 2u);
        EXPECT_EQ(painted[1].text(1), "Extra (=)");
        EXPECT_EQ(painted[1].text(2), "PRICE*2");
        EXPECT_FALSE(dlist::control_enabled(dialog, dlist::kMatRowValue));
      })
      .select_row(dlist::kMatSubprices, 0)
      .double_click_row(dlist::kMatSubprices, 0)  // own value -> combined
      .choose_combo(dlist::kMatOperation, 1)
      .observe([](void* dialog) {
        const auto painted = dlist::list_painted(GetControlHWND(dialog, dlist::kMatSubprices));
        ASSERT_EQ(painted.size(), 2u);
        EXPECT_NE(painted[0].text(2).find(" * "), std::string::npos);
      })
      .press(9999);
  dlist::DialogUserScope scope(user);

  Material cursor(&lib_, root_);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(dlist::dialog_log().refusals.size(), 1u);

  dbmaterial stored{};
  ASSERT_EQ(lib_.get(root_, stored, nullptr), root_);
  EXPECT_STREQ(stored.id, "01");
  EXPECT_STREQ(stored.name, "Walls");
  const auto refs = prices(root_);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_DOUBLE_EQ(refs[0].value, 6.0);
}

TEST_F(MaterialDialogsTest, WrongModeAndCancelChangeNothing) {
  dlist::ReportLogScope log;
  const uint64_t start = dlist::report_log().next_sequence();
  Material cursor(&lib_, root_);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 2), 0);
  const auto reports = dlist::report_log().entries_since(start);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].kind, dlist::ReportKind::beep);
  EXPECT_EQ(reports[0].unit, dlist::units::kDmatedit);

  dlist::ScriptedUser user;
  user.on(dlist::kEditMaterialContext).double_click_row(dlist::kMatSubprices, 0).press(2);
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 0);
  EXPECT_TRUE(prices(root_).empty());
  EXPECT_EQ(dlist::buffer_accounting().purges, dlist::buffer_accounting().reservations);
}

TEST_F(MaterialDialogsTest, ContextMenuLinksATakenCodeIsRefusedAndAFailedCreateWritesNothing) {
  dbmaterial taken{};
  std::snprintf(taken.id, sizeof taken.id, "02");
  ASSERT_GT(lib_.create(root_, taken, nullptr), 0);

  dlist::ReportLogScope log;
  const uint64_t log_start = dlist::report_log().next_sequence();
  dlist::ScriptedUser user;
  user.on(dlist::kEditMaterialContext)
      .type(dlist::kMatOwnCode, "02")  // a sibling has this code
      .type(dlist::kMatName, "Again")
      .right_click_row(dlist::kMatSubprices, 1)
      .choose(dlist::kStatusCommand + 2)  // not offered while creating: refused
      .right_click_row(dlist::kMatSubprices, 1)
      .choose(dlist::kStatusCommand + 1)
      .observe([](void* dialog) {
        const auto painted = dlist::list_painted(GetControlHWND(dialog, dlist::kMatSubprices));
        ASSERT_EQ(painted.size(), 2u);
        ASSERT_EQ(painted[1].cells.size(), 3u);
        EXPECT_EQ(painted[1].cells[0].image, 1);
      })
      .press(9999)  // refused: the dialog stays with what was typed
      .type(dlist::kMatOwnCode, "0.3")
      .press(9999)  // refused: it would read back as two components
      .observe([](void* dialog) {
        EXPECT_TRUE(dlist::control_marked(dialog, dlist::kMatOwnCode));
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatName), "Again");
        dlist::fail_list_calls_after(3);  // the library fails while the material is written
      })
      .type(dlist::kMatOwnCode, "03")
      .press(9999);
  dlist::DialogUserScope scope(user);

  Material cursor(&lib_, root_);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 5), 0);
  dlist::fail_list_calls_after(0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(dlist::dialog_log().refusals.size(), 1u);
  EXPECT_EQ(dlist::dialog_log().warnings.size(), 2u);
  EXPECT_EQ(cursor.elemid(), root_);
  std::vector<long> all;
  EXPECT_EQ(lib_.material_ids(all), 2);
  EXPECT_FALSE(dlist::report_log().entries_since(log_start).empty());

  dlist::fail_construction_call(3);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 0);
  EXPECT_EQ(dlist::buffer_accounting().purges, dlist::buffer_accounting().reservations);
  EXPECT_EQ(dlist::image_list_live_count(), 0);
}

TEST_F(MaterialDialogsTest, EditingKeepsAMarketAndAUnitTheLibraryDoesNotList) {
  dbmaterial m{};
  std::snprintf(m.id, sizeof m.id, "05");
  std::snprintf(m.name, sizeof m.name, "Old");
  std::snprintf(m.market, sizeof m.market, "Gone");
  std::snprintf(m.native_unit, sizeof m.native_unit, "m");
  const long id = lib_.create(root_, m, nullptr);
  ASSERT_GT(id, 0);
  unitref native{};
  std::snprintf(native.abbrev, sizeof native.abbrev, "m");
  native.factor = 1.0;
  ASSERT_GT(lib_.create(id, native), 0);

  dlist::ScriptedUser user;
  user.on(dlist::kEditMaterialContext).type(dlist::kMatUnitPrice, "4").press(9999);
  dlist::DialogUserScope scope(user);
  Material cursor(&lib_, id);
  // The native unit is gone from the library: the material stays editable.
  lib_.remove_unit(metre_);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  dbmaterial stored{};
  ASSERT_EQ(lib_.get(id, stored, nullptr), id);
  EXPECT_DOUBLE_EQ(stored.unit_price, 4.0);
  EXPECT_STREQ(stored.market, "Gone");
}

TEST_F(MaterialDialogsTest, RenameStoresTheName) {
  dlist::ScriptedUser user;
  user.on(dlist::kRenameMaterialContext).type(dlist::kMatName, "").press(9999)
      .type(dlist::kMatName, "Outer walls").press(9999);
  dlist::DialogUserScope scope(user);
  Material cursor(&lib_, root_);
  EXPECT_EQ(CrtRenameMaterial(kWindow, &cursor), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  dbmaterial stored{};
  lib_.get(root_, stored, nullptr);
  EXPECT_STREQ(stored.name, "Outer walls");
  EXPECT_STREQ(stored.id, "01");
}

TEST_F(MaterialDialogsTest, DisplaysListTheReferences) {
  subpriceref lab{};
  std::snprintf(lab.abbrev, sizeof lab.abbrev, "LAB");
  lab.value = 3.0;
  ASSERT_GT(lib_.create(root_, lab), 0);
  unitref m{};
  std::snprintf(m.abbrev, sizeof m.abbrev, "m");
  m.factor = 1.0;
  ASSERT_GT(lib_.create(root_, m), 0);

  auto rows = [](void* dialog, int control) {
    std::vector<std::string> out;
    void* list = GetControlHWND(dialog, control);
    for (int r = 0; r < dlist::list_row_count(list); ++r)
      out.push_back(dlist::list_text(list, r, 0) + "|" + dlist::list_text(list, r, 1));
    return out;
  };
  dlist::ScriptedUser user;
  user.on(dlist::kShowMaterialContext)
      .observe([&](void* dialog) {
        EXPECT_EQ(rows(dialog, dlist::kShowSubprices),
                  std::vector<std::string>{"Labour (LAB)|3.000000"});
        EXPECT_EQ(rows(dialog, dlist::kShowUnits), std::vector<std::string>{"*Metre ( m )|1.000000"});
      })
      .press(9999);
  user.on(dlist::kShowMaterialContext)
      .observe([&](void* dialog) {
        EXPECT_EQ(rows(dialog, dlist::kShowSubprices),
                  (std::vector<std::string>{"Extra (FRM)|0.500000", "XY|1.000000"}));
        EXPECT_EQ(rows(dialog, dlist::kShowUnits), std::vector<std::string>{"Centimetre ( cm )|100.000000"});
      })
      .press(dlist::kMatLongTexts)
      .press(9999);
  user.on(dlist::kLongTextsContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, dlist::kLongTextEdit), "first text");
      })
      .choose_tab(dlist::kLongTextTabs, 1)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, dlist::kLongTextEdit), "");
      })
      .press(9999);
  dlist::DialogUserScope scope(user);

  Material cursor(&lib_, root_);
  EXPECT_EQ(CrtShowMaterial(kWindow, &cursor), 1);

  MATERIALENTRY entry;
  std::snprintf(entry.material.name, sizeof entry.material.name, "Imported");
  for (subpriceref& s : entry.subprices) s.value = kSubpriceNotGiven;
  std::snprintf(entry.subprices[0].abbrev, sizeof entry.subprices[0].abbrev, "FRM");
  entry.subprices[0].value = 0.5;
  std::snprintf(entry.subprices[3].abbrev, sizeof entry.subprices[3].abbrev, "XY");
  entry.subprices[3].value = 1.0;
  std::snprintf(entry.units[0].abbrev, sizeof entry.units[0].abbrev, "cm");
  entry.units[0].factor = 100.0;
  const std::string text = "first text";
  entry.texts[0].resize(static_cast<unsigned>(text.size()));
  std::copy(text.begin(), text.end(), static_cast<char*>(entry.texts[0]));
  EXPECT_EQ(CrtShowMaterialEntry(kWindow, &cursor, &entry), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

}  // namespace
