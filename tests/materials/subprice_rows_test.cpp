// The subprice rows of the material editing dialog: the values a row gives, the
// total with formulas that use each other, and the status changes the user may
// make while editing and while creating.
#include "materials/subprice_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/report.h"

namespace {

using dlist::SubpriceRow;
using dlist::SubpriceRows;

SubpriceRow row(const char* abbrev, SUBPRICETYPE kind, double library_value,
                const char* formula = "", int status = 0) {
  SubpriceRow r;
  r.abbrev = abbrev;
  r.name = std::string("Name ") + abbrev;
  r.kind = kind;
  r.library_value = library_value;
  r.formula = formula;
  r.status = status;
  r.value = library_value;
  return r;
}

TEST(SubpriceRowsTest, ReferenceValuesFollowTheOperation) {
  SubpriceRows rows;
  rows.add(row("A", SUBPRICE_MULTIPLY, 2.0, "", dlist::kRowCombined));
  rows.row(0).operation = dlist::kOperationMultiply;
  rows.row(0).value = 3.0;
  rows.add(row("B", SUBPRICE_ADD, 2.0, "", dlist::kRowCombined));
  rows.row(1).operation = dlist::kOperationAdd;
  rows.row(1).value = 3.0;
  rows.add(row("C", SUBPRICE_ADD, 2.0, "", dlist::kRowCombined));
  rows.row(2).operation = dlist::kOperationNone;
  rows.add(row("D", SUBPRICE_ADD, 2.0, "", dlist::kRowOwnValue));
  rows.row(3).operation = dlist::kOperationMultiply;  // applies at status 1 as well
  rows.row(3).value = 7.0;
  rows.add(row("E", SUBPRICE_ADD, 2.0, "", dlist::kRowUnlinked));

  EXPECT_DOUBLE_EQ(dlist::row_value(rows.row(0)), 6.0);
  EXPECT_DOUBLE_EQ(dlist::row_value(rows.row(1)), 5.0);
  EXPECT_DOUBLE_EQ(dlist::row_value(rows.row(2)), 0.0);
  EXPECT_DOUBLE_EQ(dlist::row_value(rows.row(3)), 14.0);

  EXPECT_EQ(rows.shown_value(0, '.'), "2.000000 * 3.000000");
  EXPECT_EQ(rows.shown_value(1, ','), "2,000000 + 3,000000");
  EXPECT_EQ(rows.shown_value(3, '.'), "7.000000");  // status 1 shows the own value
  EXPECT_EQ(rows.shown_value(4, '.'), "2.000000");
  EXPECT_EQ(rows.title(0), "Name A (*)");
}

TEST(SubpriceRowsTest, StatusOneAppliesTheOperation) {
  SubpriceRows rows;
  rows.set_unit_price(10.0);
  rows.add(row("A", SUBPRICE_MULTIPLY, 2.0, "", dlist::kRowOwnValue));
  rows.row(0).operation = dlist::kOperationMultiply;
  rows.row(0).value = 3.0;
  ASSERT_TRUE(rows.total().has_value());
  EXPECT_DOUBLE_EQ(*rows.total(), 70.0);  // 10 + (3 * 2) * 10
  EXPECT_DOUBLE_EQ(dlist::row_value(rows.row(0)), 6.0);
}

// A change that would make a valid total invalid is refused where it is made,
// changing nothing; a total that is invalid already blocks nothing.
TEST(SubpriceRowsTest, ChangesThatBreakTheTotalAreRefused) {
  SubpriceRows rows;
  rows.set_unit_price(5.0);
  rows.add(row("B", SUBPRICE_ADD, 2.0, "", dlist::kRowOwnValue));
  rows.add(row("F", SUBPRICE_FORMULA, 0.0, "10/B/PRICE", dlist::kRowOwnValue));
  EXPECT_FALSE(rows.change_value(0, 0.0));
  EXPECT_DOUBLE_EQ(rows.row(0).value, 2.0);
  EXPECT_NE(rows.take_fault().find("10/B/PRICE"), std::string::npos);
  EXPECT_FALSE(rows.change_operation(0, dlist::kOperationNone));
  EXPECT_EQ(rows.row(0).operation, dlist::kOperationPlain);
  EXPECT_FALSE(rows.change_unit_price(0.0));
  EXPECT_DOUBLE_EQ(rows.unit_price(), 5.0);
  EXPECT_TRUE(rows.change_value(0, 4.0));
  EXPECT_TRUE(rows.change_operation(0, dlist::kOperationAdd));  // 4 + 2
  ASSERT_TRUE(rows.total().has_value());
  EXPECT_DOUBLE_EQ(*rows.total(), 5.0 + 6.0 + 10.0 / 6.0 / 5.0);

  // A formula naming a subprice the library no longer holds.
  rows.add(row("G", SUBPRICE_FORMULA, 0.0, "GONE*2", dlist::kRowOwnValue));
  EXPECT_FALSE(rows.total().has_value());
  EXPECT_TRUE(rows.change_unit_price(0.0));
  EXPECT_TRUE(rows.change_value(0, 1.0));
  EXPECT_EQ(rows.step(0), dlist::kRowCombined);
}

TEST(SubpriceRowsTest, TotalEvaluatesFormulasInDependencyOrder) {
  SubpriceRows rows;
  rows.set_unit_price(100.0);
  rows.add(row("F1", SUBPRICE_FORMULA, 0.0, "F2*2", dlist::kRowOwnValue));
  rows.add(row("F2", SUBPRICE_FORMULA, 0.0, "A+B", dlist::kRowOwnValue));
  rows.add(row("A", SUBPRICE_MULTIPLY, 0.1, "", dlist::kRowOwnValue));
  rows.add(row("B", SUBPRICE_ADD, 5.0, "", dlist::kRowOwnValue));
  rows.add(row("I", SUBPRICE_INFO, 0.0, "PRICE+F1", dlist::kRowOwnValue));
  rows.add(row("N", SUBPRICE_ADD, 1000.0));  // not linked
  // 100 + A 10 + B 5 + F2 15 + F1 30; the info formula adds nothing.
  const auto total = rows.total();
  ASSERT_TRUE(total.has_value());
  EXPECT_DOUBLE_EQ(*total, 160.0);
  EXPECT_EQ(rows.shown_value(0, '.'), "F2*2");

  rows.row(1).formula = "F1+1";  // a cycle
  std::string why;
  EXPECT_FALSE(rows.total(&why).has_value());
  EXPECT_FALSE(why.empty());
}

TEST(SubpriceRowsTest, DoubleClickStepsStatusesWhileEditing) {
  dlist::ReportLogScope log;
  SubpriceRows rows(false);
  rows.add(row("A", SUBPRICE_ADD, 1.0));
  rows.add(row("BAD", SUBPRICE_FORMULA, 0.0, "UNKNOWN+1"));
  EXPECT_EQ(rows.step(0), 1);
  EXPECT_EQ(rows.step(0), 2);
  EXPECT_EQ(rows.step(0), 3);
  EXPECT_EQ(rows.step(0), 0);
  // A formula that cannot be evaluated: the link is refused, the row unlinked.
  EXPECT_EQ(rows.step(1), 3);
  EXPECT_NE(rows.take_fault().find("UNKNOWN+1"), std::string::npos);
  EXPECT_EQ(rows.step(1), 0);

  // Unlinking a row a linked formula uses would break the total: it falls back to 1.
  rows.add(row("F", SUBPRICE_FORMULA, 0.0, "A*2", dlist::kRowOwnValue));
  rows.row(0).status = dlist::kRowCombined;
  EXPECT_EQ(rows.step(0), 1);

  // The context menu: all four offered, the current one and invalid ones disabled.
  EXPECT_EQ(rows.offered().size(), 4u);
  EXPECT_FALSE(rows.enabled(0, 1));
  EXPECT_TRUE(rows.enabled(0, 2));
  EXPECT_FALSE(rows.enabled(0, 0));
  EXPECT_FALSE(rows.choose(0, 0));
  EXPECT_EQ(rows.row(0).status, 1);
  EXPECT_FALSE(rows.enabled(1, 1));
  EXPECT_TRUE(rows.choose(1, 3));
}

TEST(SubpriceRowsTest, CreatingUsesOnlyTheFirstTwoStatuses) {
  SubpriceRows rows(true);
  rows.add(row("A", SUBPRICE_MULTIPLY, 1.0));
  rows.add(row("BAD", SUBPRICE_INFO, 0.0, "1/"));
  EXPECT_EQ(rows.step(0), 1);
  EXPECT_EQ(rows.step(0), 0);
  EXPECT_EQ(rows.step(1), 0);  // stays unlinked
  ASSERT_EQ(rows.offered().size(), 2u);
  EXPECT_FALSE(rows.enabled(0, 2));
  EXPECT_FALSE(rows.choose(0, 3));
  EXPECT_TRUE(rows.choose(0, 1));
}

}  // namespace
