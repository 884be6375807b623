// The dialogs of markets, subprices, units, dimensions and the library's settings,
// used through the scripted user as a person would: what they store when accepted
// and what they refuse while staying open.
#include "materials/list_dialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/list_dialog_ids.h"
#include "tests/materials/library_test_support.h"

namespace list_dialogs_test {
namespace {

namespace ids = dlist::listdlg;
void* const kWindow = reinterpret_cast<void*>(0x1);

void marked(dlist::Script& script, int control) {
  script.observe([control](void* dialog) { EXPECT_TRUE(dlist::control_marked(dialog, control)); });
}

class ListDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlist::reset_dialog_engine();
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
  }
  void TearDown() override {
    EXPECT_EQ(dlist::buffer_accounting().purges, dlist::buffer_accounting().reservations);
    dlist::reset_dialog_engine();
  }

  long unit(long parent, const char* abbrev, const char* name, double factor) {
    return dlist::testing::add_unit(lib_, parent, abbrev, name, factor);
  }
  long subprice(const char* abbrev, SUBPRICETYPE kind, double value) {
    return dlist::testing::add_subprice(lib_, abbrev, abbrev, kind, value);
  }
  dbunit read_unit(const char* abbrev) {
    dbunit u{};
    EXPECT_GT(lib_.find_unit(abbrev, u), 0) << abbrev;
    return u;
  }

  int beeps() const {
    int n = 0;
    for (const auto& e : reports_.entries())
      if (e.kind == dlist::ReportKind::beep && e.unit == dlist::units::kListdlgs) ++n;
    return n;
  }

  LISTCONTEXT lib_;
  dlist::ReportLogScope reports_;
};

TEST_F(ListDialogsTest, SeparatorAndLongTextNames) {
  dlist::ScriptedUser user;
  dlist::Script& sep = user.on(ids::kSeparatorContext).type(ids::kName, "ab").press(9999);
  marked(sep, ids::kName);
  sep.type(ids::kName, "p").press(9999);
  dlist::Script& second = user.on(ids::kSeparatorContext)
      .observe([](void* d) { EXPECT_EQ(dlist::control_text(d, ids::kName), "."); })
      .type(ids::kName, "-")  // a stored code holds it: refused
      .press(9999);
  marked(second, ids::kName);
  second.type(ids::kName, "/").press(9999);
  user.on(ids::kLongTextNamesContext).type(ids::kName + 1, "Data").press(9999);
  dlist::DialogUserScope scope(user);
  dlist::testing::add_material(lib_, 0, "A-1", "Stored");

  dbvernum version{};
  EXPECT_EQ(CrtMatIDSeparator(kWindow, &lib_), 1);
  ASSERT_NE(lib_.get(version), 0);
  EXPECT_EQ(version.idseparator, '.');
  EXPECT_EQ(CrtMatIDSeparator(kWindow, &lib_), 1);
  ASSERT_NE(lib_.get(version), 0);
  EXPECT_EQ(version.idseparator, '/');
  // Refusals mark their control and warn about it; no message box of their own.
  EXPECT_EQ(dlist::dialog_log().warnings.size(), 2u);
  for (const auto& w : dlist::dialog_log().warnings) EXPECT_EQ(w.message, 0);
  EXPECT_TRUE(dlist::dialog_log().message_boxes.empty());

  EXPECT_EQ(CrtLongTextNames(kWindow, &lib_), 1);
  longtextname names{};
  ASSERT_NE(lib_.get(names), 0);
  EXPECT_STREQ(names.name[0], "");
  EXPECT_STREQ(names.name[1], "Data");
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(ListDialogsTest, ADimensionHasOneBasicUnit) {
  const long length = unit(0, "##0", "Length", 1);
  const long metre = unit(length, "m", "Metre", 1);
  const long cm = unit(length, "cm", "Centimetre", 100);

  dlist::ScriptedUser user;
  // A new unit: "##" and factor 1 are refused, then it is made.
  dlist::Script& create = user.on(ids::kUnitContext);
  create.observe([](void* d) { EXPECT_EQ(dlist::control_text(d, ids::kBasicUnit), "m"); })
      .type(ids::kName, "Millimetre")
      .type(ids::kAbbrev, "##9")
      .type(ids::kValue, "1000")
      .press(9999);
  marked(create, ids::kAbbrev);
  create.type(ids::kAbbrev, "mm").type(ids::kValue, "1.0000001").press(9999);
  marked(create, ids::kValue);
  create.type(ids::kValue, "0").press(9999);
  marked(create, ids::kValue);
  create.type(ids::kValue, "1000").press(9999);
  // The basic unit itself keeps factor 1.
  user.on(ids::kUnitContext).type(ids::kName, "Meter").type(ids::kValue, "1").press(9999);
  // Another unit may not take it.
  dlist::Script& edit = user.on(ids::kUnitContext).type(ids::kValue, "1").press(9999);
  marked(edit, ids::kValue);
  edit.press(2);
  dlist::DialogUserScope scope(user);

  Unit fresh(&lib_, 0);
  EXPECT_EQ(CrtEditUnit(kWindow, &fresh, length, 5), 1);
  const dbunit mm = read_unit("mm");
  EXPECT_STREQ(mm.name, "Millimetre");
  EXPECT_DOUBLE_EQ(mm.factor, 1000.0);
  EXPECT_EQ(lib_.get_parent(fresh.elemid()), length);

  Unit basic(&lib_, metre);
  EXPECT_EQ(CrtEditUnit(kWindow, &basic, 0, 1), 1);
  EXPECT_STREQ(read_unit("m").name, "Meter");

  Unit other(&lib_, cm);
  EXPECT_EQ(CrtEditUnit(kWindow, &other, 0, 1), 0);
  EXPECT_DOUBLE_EQ(read_unit("cm").factor, 100.0);
  EXPECT_TRUE(user.finished()) << user.leftovers();

  // Modes the dialog does not know, and a new unit outside any dimension.
  EXPECT_EQ(CrtEditUnit(kWindow, &other, 0, 2), 0);
  EXPECT_EQ(CrtEditUnit(kWindow, &fresh, 0, 5), 0);
  EXPECT_EQ(beeps(), 2);
}

TEST_F(ListDialogsTest, DimensionNamesAreUniqueAndThereAreAtMost32) {
  for (int n = 0; n < 31; ++n)
    unit(0, ("##" + std::to_string(n)).c_str(), ("D" + std::to_string(n)).c_str(), 1);
  dlist::ScriptedUser user;
  dlist::Script& first = user.on(ids::kDimensionContext).type(ids::kName, "D7").press(9999);
  marked(first, ids::kName);
  first.type(ids::kName, "Time").press(9999);
  dlist::Script& full = user.on(ids::kDimensionContext).type(ids::kName, "Mass").press(9999);
  marked(full, ids::kName);
  full.press(2);
  // Editing keeps its own name.
  user.on(ids::kDimensionContext).press(9999);
  dlist::DialogUserScope scope(user);

  Unit dimension(&lib_, 0);
  EXPECT_EQ(CrtEditDimension(kWindow, &dimension, 5), 1);
  const dbunit made = read_unit("##31");
  EXPECT_STREQ(made.name, "Time");
  EXPECT_DOUBLE_EQ(made.factor, 1.0);
  Unit another(&lib_, 0);
  EXPECT_EQ(CrtEditDimension(kWindow, &another, 5), 0);
  dbunit none{};
  EXPECT_EQ(lib_.find_unit("##32", none), 0);
  EXPECT_EQ(CrtEditDimension(kWindow, &dimension, 1), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(ListDialogsTest, SubpriceFormulasKnowTheOtherSubprices) {
  subprice("PR", SUBPRICE_MULTIPLY, 1.2);
  const long tax = subprice("TX", SUBPRICE_ADD, 5);
  dlist::ScriptedUser user;
  dlist::Script& create = user.on(ids::kSubpriceContext);
  create
      .observe([](void* d) {
        EXPECT_TRUE(dlist::control_enabled(d, ids::kValue));
        EXPECT_FALSE(dlist::control_enabled(d, ids::kFormula));
      })
      .type(ids::kAbbrev, "SUM")
      .type(ids::kName, "Sum")
      .choose_combo(ids::kKind, SUBPRICE_FORMULA)
      .observe([](void* d) {
        EXPECT_FALSE(dlist::control_enabled(d, ids::kValue));
        EXPECT_TRUE(dlist::control_enabled(d, ids::kFormula));
      })
      .type(ids::kFormula, "PR*PRICE+XX")
      .press(9999);
  marked(create, ids::kFormula);
  create.type(ids::kFormula, "PR*PRICE+TX").press(9999);
  // A subprice's formula may not name itself.
  dlist::Script& edit = user.on(ids::kSubpriceContext)
                            .choose_combo(ids::kKind, SUBPRICE_INFO)
                            .type(ids::kFormula, "TX*2")
                            .press(9999);
  marked(edit, ids::kFormula);
  edit.type(ids::kFormula, "SUM+PR").press(9999);
  dlist::DialogUserScope scope(user);

  Subprice fresh(&lib_, 0);
  EXPECT_EQ(CrtEditSubprice(kWindow, &fresh, 3), 1);
  dbsubprice sum{};
  ASSERT_GT(lib_.find_subprice("SUM", sum), 0);
  EXPECT_EQ(sum.kind, SUBPRICE_FORMULA);
  EXPECT_STREQ(sum.formula, "PR*PRICE+TX");
  EXPECT_EQ(sum.value, 0.0);

  Subprice edited(&lib_, tax);
  EXPECT_EQ(CrtEditSubprice(kWindow, &edited, 1), 1);
  dbsubprice tx{};
  ASSERT_GT(lib_.get(tax, tx), 0);
  EXPECT_EQ(tx.kind, SUBPRICE_INFO);
  EXPECT_STREQ(tx.formula, "SUM+PR");
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(ListDialogsTest, MarketsImportedSubpricesAndTheTextReader) {
  dbmarket m{};
  std::snprintf(m.name, sizeof m.name, "Local");
  ASSERT_GT(lib_.create(m), 0);
  subprice("PR", SUBPRICE_MULTIPLY, 1);

  dlist::ScriptedUser user;
  dlist::Script& market = user.on(ids::kMarketContext).type(ids::kName, "Local").press(9999);
  marked(market, ids::kName);
  market.type(ids::kName, "Export").press(9999);
  dlist::Script& imported =
      user.on(ids::kImportSubpriceContext)
          .observe([](void* d) { EXPECT_EQ(dlist::control_text(d, ids::kFirstText), "Profit"); })
          .type(ids::kName, "PR")
          .type(ids::kValue, "1.5")
          .press(9999);
  marked(imported, ids::kName);
  imported.type(ids::kName, "PF").press(9999);
  user.on(ids::kTextReaderContext).type(ids::kName, "Storey 2").press(9999);
  user.on(ids::kTextReaderContext).type(ids::kName, "").press(9999).press(2);
  dlist::DialogUserScope scope(user);

  Market fresh(&lib_, 0);
  EXPECT_EQ(CrtEditMarket(kWindow, &fresh, 3), 1);
  dbmarket found{};
  EXPECT_GT(lib_.find_market("Export", found), 0);

  Subprice sp(&lib_, 0);
  std::snprintf(sp.data.name, sizeof sp.data.name, "Profit");
  sp.data.kind = SUBPRICE_ADD;
  EXPECT_EQ(CrtImportSubprice(kWindow, &sp), 1);
  dbsubprice pf{};
  ASSERT_GT(lib_.find_subprice("PF", pf), 0);
  EXPECT_STREQ(pf.name, "Profit");
  EXPECT_EQ(pf.kind, SUBPRICE_ADD);
  EXPECT_DOUBLE_EQ(pf.value, 1.5);

  char text[257] = "old";
  EXPECT_EQ(CrtTextReader(kWindow, text), 1);
  EXPECT_STREQ(text, "Storey 2");
  EXPECT_EQ(CrtTextReader(kWindow, text), 0);  // an empty text is refused, then cancelled
  EXPECT_STREQ(text, "Storey 2");
  EXPECT_TRUE(user.finished()) << user.leftovers();

  // A mode the dialog does not know, and no buffers.
  EXPECT_EQ(CrtEditMarket(kWindow, &fresh, 1), 0);
  dlist::fail_next_buffer_reservation();
  EXPECT_EQ(CrtEditMarket(kWindow, &fresh, 2), 0);
  EXPECT_EQ(beeps(), 2);
}

}  // namespace
}  // namespace list_dialogs_test
