#include "foundation/references.h"

#include <gtest/gtest.h>

namespace {

DBMATREF matref(const char* code, double quantity) {
  DBMATREF m;
  m.code.put(code);
  m.quantity = quantity;
  m.location = 4;
  m.set_parameter("LENGTH_TOO_LONG");
  return m;
}

}  // namespace

TEST(ReferenceChains, CopiesAreDeepAndIndependent) {
  DBMATREFCHAIN mats;
  for (int i = 0; i < 20; ++i) mats.push(matref("01.02", i));  // two pages of 16
  DBMATREFCHAIN mat_copy;
  mat_copy = mats;
  ASSERT_EQ(mat_copy.size(), 20u);
  mats[19].code.put("99");
  EXPECT_STREQ(mat_copy[19].code.get(), "01.02");
  EXPECT_STREQ(mat_copy[0].parameter, "LENGTH");  // cut to six characters

  DBATTREFCHAIN atts;
  DBATTREFTYPE a;
  a.set_name("colour");
  a.set_abbrev("COL");
  a.value.put("red");
  a.flags = DBATTREFTYPE::kIndirect;
  atts.push(a);
  DBATTREFCHAIN att_copy(atts);
  atts[0].value.put("blue");
  EXPECT_STREQ(att_copy[0].value.get(), "red");
  EXPECT_EQ(att_copy[0].flags, DBATTREFTYPE::kIndirect);
  EXPECT_EQ(DBATTREFCHAIN::streamedtype(), 51);
}

TEST(ReferenceChains, IteratorsWalkFromTheFirstRecord) {
  DBMATREFCHAIN mats;
  mats.push(matref("a", 1.0));
  mats.push(matref("b", DBMATREF::kAutoQuantity + 1e-11));
  DBMATREF_ITERATOR it(&mats);
  DBMATREF* first = it.next();
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->code.get(), "a");
  EXPECT_FALSE(first->is_auto_quantity());
  DBMATREF* second = it.next();
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->is_auto_quantity());
  EXPECT_EQ(it.next(), nullptr);
  it.reset();
  EXPECT_EQ(it.next(), first);

  DBATTREF_ITERATOR none;
  EXPECT_EQ(none.next(), nullptr);
  DBATTREFCHAIN empty;
  DBATTREF_ITERATOR over_empty(&empty);
  EXPECT_EQ(over_empty.next(), nullptr);
}
