// The material dialogs as a person uses them, with the scripted user acting in a
// library in memory: creating a child, editing one (code and name stay, a combined
// subprice is stored with its operation), the formula row, renaming, and the
// read-only displays of a stored material and of an imported record. Confirming
// the editor without edits leaves every material as it was, also what the editor
// does not show.
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
#include "cli/demo_materials.h"
#include "host/currency_format.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/material_dialog_ids.h"
#include "tests/materials/library_test_support.h"

namespace material_dialogs_test {
namespace {

void* const kWindow = reinterpret_cast<void*>(0x1);

std::string number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// Everything of a library the material editor could change, as one text: each
// material with its long text bytes, unit and subprice references in their order,
// and each unit's usage.
std::string library_snapshot(LISTCONTEXT& lib) {
  std::string out;
  std::vector<long> ids;
  EXPECT_GE(lib.material_ids(ids), 0);
  for (long id : ids) {
    dbmaterial m{};
    LONGTEXT texts[kLongTextCount];
    EXPECT_EQ(lib.get(id, m, texts), id);
    out += std::to_string(id) + " " + m.id + " " + m.name + " " + number(m.unit_price) + " " +
           m.native_unit + " " + m.market + "\n";
    for (int i = 0; i < kLongTextCount; ++i) {
      const char* bytes = texts[i];
      out += " text " + std::to_string(m.long_text_length[i]) + " [" +
             std::string(bytes != nullptr ? bytes : "", texts[i].size()) + "]\n";
    }
    lib.rewind_unit_ref(id);
    unitref u{};
    while (lib.get(u) > 0) out += std::string(" unit ") + u.abbrev + " " + number(u.factor) + "\n";
    lib.rewind_subprice_ref(id);
    subpriceref p{};
    while (lib.get(p) > 0) out += std::string(" price ") + p.abbrev + " " + number(p.value) + "\n";
  }
  EXPECT_GE(lib.unit_ids(ids), 0);
  for (long id : ids) {
    dbunit u{};
    lib.get(id, u);
    out += std::string("usage ") + u.abbrev + " " + std::to_string(u.usage) + "\n";
  }
  return out;
}

// The total as the dialog shows it, for a whole comparison.
std::string shown_total(const char* plain) {
  return dlist::format_currency(plain).value_or(plain);
}

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
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatTotal), shown_total("37.50"));
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
        EXPECT_EQ(painted[0].text(2), "2.000000 * 3.000000");
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatTotal), shown_total("70.00"));
      })
      // Combined -> unlinked -> not linked -> own value: the operation still applies.
      .double_click_row(dlist::kMatSubprices, 0)
      .double_click_row(dlist::kMatSubprices, 0)
      .double_click_row(dlist::kMatSubprices, 0)
      .observe([](void* dialog) {
        const auto painted = dlist::list_painted(GetControlHWND(dialog, dlist::kMatSubprices));
        ASSERT_EQ(painted.size(), 2u);
        EXPECT_EQ(painted[0].cells[0].image, 1);
        EXPECT_EQ(painted[0].text(2), "3.000000");
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatTotal), shown_total("70.00"));
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

TEST_F(MaterialDialogsTest, ConfirmingWithoutEditsKeepsWhatIsNotShown) {
  subprice("OLD", "Old", SUBPRICE_ADD, 1.0, "");
  subprice("BADF", "Broken", SUBPRICE_FORMULA, 0.0, "GONE*2");
  const long mm = unit(dim_, "mm", "Millimetre", 1000.0);
  // References in an order of their own: a further unit before the native one, a
  // unit and a subprice the library then loses, second references to one unit and
  // one subprice, and a formula naming a subprice that is gone. The price and the
  // native factor have more digits than their fields show.
  dbmaterial m{};
  std::snprintf(m.id, sizeof m.id, "05");
  std::snprintf(m.name, sizeof m.name, "Kept");
  std::snprintf(m.native_unit, sizeof m.native_unit, "m");
  m.unit_price = 3.456;  // the field shows 2 decimals
  const std::string text("ab\0cd", 5);
  LONGTEXT texts[kLongTextCount];
  texts[0].resize(5);
  std::copy(text.begin(), text.end(), static_cast<char*>(texts[0]));
  m.long_text_length[0] = 5;
  const long id = lib_.create(root_, m, texts);
  ASSERT_GT(id, 0);
  for (const auto& [abbrev, factor] : std::vector<std::pair<const char*, double>>{
           {"cm", 100.0}, {"m", 2.0000000000000004}, {"mm", 1000.0}, {"cm", 50.0}}) {
    unitref u{};
    std::snprintf(u.abbrev, sizeof u.abbrev, "%s", abbrev);
    u.factor = factor;
    ASSERT_GT(lib_.create(id, u), 0);
  }
  for (const auto& [abbrev, value] : std::vector<std::pair<const char*, double>>{
           {"OLD", 4.0}, {"FRM", 0.0}, {"LAB", 3.0}, {"LAB", 7.0}, {"BADF", 0.0}}) {
    subpriceref p{};
    std::snprintf(p.abbrev, sizeof p.abbrev, "%s", abbrev);
    p.value = value;
    ASSERT_GT(lib_.create(id, p), 0);
  }
  const long half = dlist::testing::add_material(lib_, root_, "06", "Half");
  dbmaterial h{};
  ASSERT_EQ(lib_.get(half, h, nullptr), half);
  std::snprintf(h.native_unit, sizeof h.native_unit, "m");
  ASSERT_NE(lib_.modify(half, h, nullptr), 0);
  unitref half_ref{};
  std::snprintf(half_ref.abbrev, sizeof half_ref.abbrev, "m");
  half_ref.factor = 0.5;
  ASSERT_GT(lib_.create(half, half_ref), 0);
  for (const auto& [u, n] : std::vector<std::pair<long, int>>{{metre_, 2}, {cm_, 2}}) {
    dbunit rec{};
    lib_.get(u, rec);
    rec.usage = n;
    lib_.modify(u, rec);
  }
  lib_.remove_unit(mm);
  dbsubprice old{};
  ASSERT_NE(lib_.remove_subprice(lib_.find_subprice("OLD", old)), 0);
  const std::string before = library_snapshot(lib_);

  dlist::ReportLogScope log;
  dlist::ScriptedUser user;
  // Editing: the long texts and the editor confirmed twice without edits.
  for (int round = 0; round < 2; ++round) {
    user.on(dlist::kEditMaterialContext).press(dlist::kMatLongTexts).press(9999);
    user.on(dlist::kLongTextsContext)
        .observe([](void* dialog) {
          EXPECT_EQ(dlist::control_text(dialog, dlist::kLongTextEdit), "ab");
        })
        .press(9999);
  }
  // Creating below it without entries is refused; the user gives up.
  user.on(dlist::kEditMaterialContext).press(9999);
  // The native factor 0.5 is shown and refused by the field's limits at OK.
  user.on(dlist::kEditMaterialContext)
      .press(9999)
      .observe([](void* dialog) {
        EXPECT_TRUE(dlist::control_marked(dialog, dlist::kMatNativeFactor));
      })
      .press(2);
  dlist::DialogUserScope scope(user);

  Material cursor(&lib_, id);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1);
  EXPECT_EQ(library_snapshot(lib_), before);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 5), 0);
  Material halved(&lib_, half);
  EXPECT_EQ(CrtEditMaterial(kWindow, &halved, 1), 0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(library_snapshot(lib_), before);

  // An edited long text keeps the bytes from the zero byte on behind the new text;
  // the user's removal of a further unit and a subprice takes their second
  // references along, while what the library does not hold stays.
  dlist::ScriptedUser edit;
  edit.on(dlist::kEditMaterialContext)
      .press(dlist::kMatLongTexts)
      .check(dlist::kMatFurtherRadio)
      .expand(dlist::kMatFurtherTree, dim_)
      .double_click(dlist::kMatFurtherTree, cm_)
      .right_click_row(dlist::kMatSubprices, 0)
      .choose(dlist::kStatusCommand + 3)
      .press(9999);
  edit.on(dlist::kLongTextsContext).type(dlist::kLongTextEdit, "xyz").press(9999);
  dlist::DialogUserScope edit_scope(edit);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1);
  EXPECT_TRUE(edit.finished()) << edit.leftovers();
  LONGTEXT stored[kLongTextCount];
  ASSERT_EQ(lib_.get(id, m, stored), id);
  EXPECT_EQ(std::string(static_cast<const char*>(stored[0]), stored[0].size()),
            std::string("xyz\0cd", 6));
  std::vector<std::string> refs;
  for (const unitref& u : unit_refs(id)) refs.push_back(std::string(u.abbrev) + " " + number(u.factor));
  EXPECT_EQ(refs, (std::vector<std::string>{"m 2.0000000000000004", "mm 1000"}));
  refs.clear();
  for (const subpriceref& p : prices(id)) refs.push_back(std::string(p.abbrev) + " " + number(p.value));
  EXPECT_EQ(refs, (std::vector<std::string>{"OLD 4", "FRM 0", "BADF 0"}));
  EXPECT_EQ(usage(cm_), 0);
  EXPECT_EQ(usage(metre_), 2);
}

TEST_F(MaterialDialogsTest, ChangesThatBreakTheTotalAreRefusedWhereMade) {
  subprice("B", "Base", SUBPRICE_ADD, 2.0, "");
  subprice("F", "Share", SUBPRICE_FORMULA, 0.0, "10/B");
  const long id = dlist::testing::add_material(lib_, root_, "07", "Shared", 1.0);
  for (const char* abbrev : {"B", "F"}) {
    subpriceref p{};
    std::snprintf(p.abbrev, sizeof p.abbrev, "%s", abbrev);
    p.value = 2.0;
    ASSERT_GT(lib_.create(id, p), 0);
  }
  dlist::ReportLogScope log;
  dlist::ScriptedUser user;
  user.on(dlist::kEditMaterialContext)
      .select_row(dlist::kMatSubprices, 2)
      .type(dlist::kMatRowValue, "0")  // 10/0: refused, the field shows the value kept
      .observe([](void* dialog) {
        EXPECT_TRUE(dlist::control_marked(dialog, dlist::kMatRowValue));
        EXPECT_DOUBLE_EQ(GetInpCont_Double(dlist::kMatRowValue), 2.0);
        // 1 + 2 + 10/2
        EXPECT_EQ(dlist::control_text(dialog, dlist::kMatTotal), shown_total("8.00"));
      })
      .type(dlist::kMatRowValue, "4")
      .press(9999);
  dlist::DialogUserScope scope(user);
  Material cursor(&lib_, id);
  EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const auto refs = prices(id);
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_DOUBLE_EQ(refs[0].value, 4.0);
}

// Every material of the demonstration library, opened for editing and for creating
// below it and confirmed without edits, stays as it was.
TEST_F(MaterialDialogsTest, DemoLibraryStaysAsItWasAfterOkWithoutEdits) {
  LISTCONTEXT demo;
  ASSERT_TRUE(demo.open(":memory:")) << demo.last_error();
  std::string error;
  ASSERT_TRUE(dlist::cli::fill_demo_library(demo, &error).has_value()) << error;
  const std::string before = library_snapshot(demo);
  std::vector<long> ids;
  ASSERT_GT(demo.material_ids(ids), 0);

  dlist::ReportLogScope log;
  dlist::ScriptedUser user;
  for (size_t i = 0; i < ids.size(); ++i) {
    user.on(dlist::kEditMaterialContext).press(9999);
    user.on(dlist::kEditMaterialContext).press(9999);  // creating: refused, given up
  }
  dlist::DialogUserScope scope(user);
  for (long id : ids) {
    Material cursor(&demo, id);
    EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 1), 1) << id;
    EXPECT_EQ(CrtEditMaterial(kWindow, &cursor, 5), 0) << id;
  }
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(library_snapshot(demo), before);
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
}  // namespace material_dialogs_test
