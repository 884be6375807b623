// The expression evaluator: results, constants, refusals with their position,
// the "," decimal-point form, fixed-decimal rendering, ordering of formula lists
// and the function list.
#include "host/expr_eval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/settings.h"

namespace {

using dlist::ExprConstant;
using dlist::ExprListEntry;
using dlist::evaluate_expression;

TEST(ExprEval, ComputesArithmeticFunctionsAndConstants) {
  const std::vector<ExprConstant> constants = {{"PR", 2.5}, {"PRICE", 100.0}, {"\xc3\x81R", 3.0}};
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"(1+2)*3^2", 27.0},   {"-4+1.5", -2.5},     {"sqrt(16)+min(3,1.5)", 5.5},
      {"PR*PRICE", 250.0},   {"\xc3\x81R+1", 4.0}, {"1<2 ? PR : 0", 2.5},
  };
  for (const Case& c : cases) {
    const dlist::ExprOutcome out = evaluate_expression(c.text, constants, '.');
    EXPECT_TRUE(out.ok) << c.text << ": " << out.message;
    EXPECT_DOUBLE_EQ(out.value, c.value) << c.text;
  }
  // A later constant of the same name wins; names no formula could use are ignored.
  const std::vector<ExprConstant> repeated = {{"A", 1.0}, {"A", 5.0}, {"2X", 9.0}, {"a-b", 1.0}};
  EXPECT_DOUBLE_EQ(evaluate_expression("A*2", repeated, '.').value, 10.0);
}

TEST(ExprEval, PlainNumbersReadAsTheParserReadsThem) {
  // Plain numbers take a shorter road; each must give what the same number inside
  // an expression ("(x)") gives, in both decimal-point forms.
  for (const char* text : {"0", "-0.5", "12.346", "0.0000004", "007", "39.37000534999599",
                           "123456789012345678901234567890", "1e3", "1.", ".5", "-", "1-2"}) {
    for (const char point : {'.', ','}) {
      const auto plain = evaluate_expression(text, {}, point);
      const auto wrapped = evaluate_expression("(" + std::string(text) + ")", {}, point);
      EXPECT_EQ(plain.ok, wrapped.ok) << text << " " << point;
      if (plain.ok && wrapped.ok) {
        EXPECT_EQ(plain.value, wrapped.value) << text << " " << point;
      }
    }
  }
  EXPECT_DOUBLE_EQ(evaluate_expression("12,5", {}, ',').value, 12.5);
  EXPECT_FALSE(evaluate_expression("12,5", {}, '.').ok);
}

TEST(ExprEval, RefusesBadTextsWithThePlaceOfTheFault) {
  const std::vector<ExprConstant> constants = {{"PR", 1.0}};
  struct Case {
    std::string text;
    int position;
  } cases[] = {
      {"PR + X1", 5},             // unknown name
      {"pr", 0},                  // names are case-sensitive
      {"2 * (PR + 1", 11},        // missing parenthesis: at the end
      {"1 +", 3},                 // unexpected end
      {"PR = 5", 3},              // constants cannot be assigned
      {"", 0},                    // empty
      {"1,2", 3},                 // two results
      {"1/0", 3},                 // not finite
      {"sqrt(-1)", 8},            // not a number
      {std::string("1+\0+2", 5), 2},
  };
  for (const Case& c : cases) {
    const dlist::ExprOutcome out = evaluate_expression(c.text, constants, '.');
    EXPECT_FALSE(out.ok) << c.text;
    EXPECT_EQ(out.position, c.position) << c.text << ": " << out.message;
    EXPECT_FALSE(out.message.empty()) << c.text;
  }
  EXPECT_FALSE(evaluate_expression(std::string(dlist::kMaxExpressionLength + 1, '1'), {}, '.').ok);
}

TEST(ExprEval, CommaDecimalPointTakesSemicolonsBetweenArguments) {
  EXPECT_DOUBLE_EQ(evaluate_expression("1,5+2.25", {}, ',').value, 3.75);
  EXPECT_DOUBLE_EQ(evaluate_expression("max(1,5;2)", {}, ',').value, 2.0);
  EXPECT_FALSE(evaluate_expression("max(1,5;2)", {}, '.').ok);
  EXPECT_FALSE(evaluate_expression("1,5,5", {}, ',').ok);

  // ExprEval takes the host decimal point and the scoped constants.
  dlist::ScopedSettings settings;
  ASSERT_TRUE(dlist::set_setting(dlist::kDecimalPointKey, ","));
  double value = -1.0;
  {
    dlist::ExprConstants scope({{"PR", 2.0}});
    {
      dlist::ExprConstants inner({{"Q", 3.0}});
      EXPECT_EQ(ExprEval("PR", &value), 0);
      ASSERT_NE(ExprEval("Q*0,5", &value), 0);
      EXPECT_DOUBLE_EQ(value, 1.5);
    }
    ASSERT_NE(ExprEval("PR*1,5", &value), 0);
    EXPECT_DOUBLE_EQ(value, 3.0);
  }
  EXPECT_EQ(ExprEval("PR", &value), 0);
  EXPECT_DOUBLE_EQ(value, 3.0);  // untouched by failures
  const ExprConstant table[] = {{"B", 4.0}};
  EXPECT_EQ(ExprEval("B;", &value, table, 1), 0);
  ASSERT_EQ(ExprEval("min(B;1)", &value, table, 1), 1);
  EXPECT_DOUBLE_EQ(value, 1.0);
  EXPECT_EQ(ExprEval(nullptr, &value), 0);
  EXPECT_EQ(ExprEval("1", &value, nullptr, 2), 0);
}

TEST(RealToStr2, WritesFixedDecimalsWithTheHostDecimalPoint) {
  EXPECT_EQ(dlist::format_fixed(2.0 / 3.0, 6, '.'), "0.666667");
  EXPECT_EQ(dlist::format_fixed(1.005, 2, '.'), "1.00");  // 1.005 is stored a little below
  EXPECT_EQ(dlist::format_fixed(0.125, 2, '.'), "0.12");  // an exact tie goes to even
  EXPECT_EQ(dlist::format_fixed(1234567.891, 2, ','), "1234567,89");
  EXPECT_EQ(dlist::format_fixed(-0.001, 2, '.'), "0.00");
  EXPECT_EQ(dlist::format_fixed(-1.5, 0, '.'), "-2");
  EXPECT_EQ(dlist::format_fixed(1e300, 2, '.').size(), 304u);
  EXPECT_EQ(dlist::format_fixed(NAN, 2, '.'), "nan");

  dlist::ScopedSettings settings;
  ASSERT_TRUE(dlist::set_setting(dlist::kDecimalPointKey, ","));
  char out[16];
  RealToStr2(3.14159, 2, out, sizeof out);
  EXPECT_STREQ(out, "3,14");
  char small[5] = "xxxx";
  RealToStr2(123.456, 2, small, sizeof small);  // "123,46" does not fit: no cut number
  EXPECT_STREQ(small, "");
  RealToStr2(1.0, 1, small, sizeof small);
  EXPECT_STREQ(small, "1,0");
}

std::vector<std::string> names_of(const std::vector<ExprListEntry>& list) {
  std::vector<std::string> names;
  for (const ExprListEntry& e : list) names.push_back(e.name);
  return names;
}

TEST(ReorderExprList, PutsFormulasAfterTheNamesTheyUseAndRefusesCycles) {
  EXPECT_EQ(dlist::expression_names("a*b + sin(c) + a + _pi + 1e5"),
            (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(dlist::expression_names("min(X;Y)", ','), (std::vector<std::string>{"X", "Y"}));
  EXPECT_TRUE(dlist::expression_names("1 +* (").empty());

  std::vector<ExprListEntry> list = {
      {"A", "B + C"}, {"D", "PRICE * 2"}, {"B", "C * 2"}, {"E", "1"}, {"C", "PRICE"},
  };
  ASSERT_EQ(ReorderExprList(list), 1);
  EXPECT_EQ(names_of(list), (std::vector<std::string>{"D", "E", "C", "B", "A"}));
  EXPECT_EQ(list[4].text, "B + C");

  std::vector<ExprListEntry> cycle = {{"P", "Q + 1"}, {"R", "2"}, {"Q", "P * 2"}};
  EXPECT_EQ(ReorderExprList(cycle), 0);
  EXPECT_EQ(names_of(cycle), (std::vector<std::string>{"P", "R", "Q"}));
  std::vector<ExprListEntry> self = {{"S", "S + 1"}};
  EXPECT_EQ(ReorderExprList(self), 0);
}

TEST(ExprFunctionName, ListsTheEvaluatorsFunctionsInOrder) {
  const int n = nExprFunction();
  ASSERT_GT(n, 10);
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) {
    ASSERT_NE(ExprFunctionName(i), nullptr);
    names.emplace_back(ExprFunctionName(i));
    if (i > 0) {
      EXPECT_LT(names[i - 1], names[i]);
    }
  }
  for (const char* wanted : {"sin", "cos", "sqrt", "abs", "min", "max"})
    EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << wanted;
  EXPECT_EQ(ExprFunctionName(-1), nullptr);
  EXPECT_EQ(ExprFunctionName(n), nullptr);
  // Every listed function is usable in a formula.
  for (const std::string& name : names) {
    bool usable = false;
    for (const char* arguments : {"(0.5)", "(1.5)", "(0.5,0.5)"})
      usable = usable || evaluate_expression(name + arguments, {}, '.').ok;
    EXPECT_TRUE(usable) << name;
  }
}

}  // namespace
