// Typed attribute values: the storage table by value-type code, the texts made for
// them, the value lists, the definition chain and the resolution of indirect
// references.
#include "foundation/attribute_values.h"

#include <gtest/gtest.h>

#include <cmath>

#include "attributes/attribute_refs.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "host/value_text.h"
#include "stream/streamers.h"

namespace {

ATTRIBUTE_DATA of_type(int16_t type, int8_t precision = -1) {
  ATTRIBUTE_DATA d(type);
  d.desc().definition.precision = precision;
  return d;
}

TEST(AttributeData, StoresByTheCodesRow) {
  DBATTRIBUTETYPE def;
  def.flags = 0x80000003u;
  EXPECT_EQ(def.Filter(), 3u);

  // Integer codes read back the integer; 5 keeps it but reads 0.
  for (int16_t code : {0, 11, 13}) {
    ATTRIBUTE_DATA d = of_type(code);
    d.set(-42, nullptr);
    EXPECT_EQ(d.value(), -42.0) << code;
    EXPECT_STREQ(d.text(), "-42") << code;
  }
  ATTRIBUTE_DATA five = of_type(5);
  five.set(9, nullptr);
  EXPECT_EQ(five.value(), 0.0);
  EXPECT_EQ(five.val().area.integer, 9);

  // Doubles: set(7, nullptr) on code 4 stores 7.0 and its text.
  ATTRIBUTE_DATA length = of_type(4);
  length.set_expr("3+4");
  length.set(7, nullptr);
  EXPECT_EQ(length.value(), 7.0);
  EXPECT_STREQ(length.text(), "7");
  EXPECT_STREQ(length.expr(), "");  // the expression is emptied
  ATTRIBUTE_DATA area = of_type(7, 2);
  area.set(3, nullptr);
  EXPECT_STREQ(area.text(), "3.00");

  // Booleans keep one byte; char is sign-extended.
  ATTRIBUTE_DATA flag = of_type(10);
  flag.set(static_cast<char>(-1), nullptr);
  EXPECT_EQ(flag.value(), 1.0);
  EXPECT_EQ(flag.val().area.bytes[1], 0);
  ATTRIBUTE_DATA integer = of_type(0);
  integer.set(static_cast<char>(-1), nullptr);
  EXPECT_EQ(integer.value(), -1.0);

  // Dates take nothing from set(int): set(1, "x") on code 2 leaves the area zero.
  ATTRIBUTE_DATA date = of_type(2);
  date.set(1, "x");
  for (unsigned char b : date.val().area.bytes) EXPECT_EQ(b, 0);
  EXPECT_STREQ(date.text(), "x");
  SYSTEMTIME t;
  t.wYear = 2024;
  t.wMonth = 2;
  t.wDay = 29;
  date.set(t);
  EXPECT_EQ(date.val().area.date.wYear, 2024);
  EXPECT_STREQ(string_repr(date).c_str(), "2024-02-29");
  ATTRIBUTE_DATA text = of_type(6);
  text.set(t);
  EXPECT_EQ(text.val().area.date.wYear, 0);
}

TEST(AttributeData, KeepsTextOnlyWhereTheTableSays) {
  for (int code = 0; code < dlist::kValueTypeCount + 2; ++code) {
    ATTRIBUTE_DATA d = of_type(static_cast<int16_t>(code));
    d.set(5, "before");
    d.set_expr("e");
    d.set("after");
    const bool keeps = code == 5 || code == 6 || code == 8 || code == 9 || code == 13 || code == 14;
    EXPECT_STREQ(d.text(), keeps ? "after" : "before") << code;
    EXPECT_STREQ(d.expr(), "") << code;
  }
  ATTRIBUTE_DATA a = of_type(6);
  a.set(ORB::String("copied"));
  a.set_expr("x*2");
  ATTRIBUTE_DATA b;
  b = a;
  EXPECT_STREQ(b.text(), "copied");
  EXPECT_STREQ(b.expr(), "x*2");
  EXPECT_EQ(b.type(), 6);
}

TEST(AttributeData, ValueTexts) {
  ATTRIBUTE_VALUE v;
  v.area.real = 0.1;
  EXPECT_STREQ(string_repr(v, 1, -1).c_str(), "0.1");
  EXPECT_STREQ(string_repr(v, 1, 3).c_str(), "0.100");
  EXPECT_STREQ(string_repr(v, 1, 40).c_str(), "0.100000000");  // at most 9 decimals
  v.area.real = std::nan("");
  EXPECT_STREQ(string_repr(v, 1, 2).c_str(), "nan");
  v.clear();
  EXPECT_STREQ(string_repr(v, 3, 0).c_str(), "");  // an unset date
  v.text = "t";
  EXPECT_STREQ(string_repr(v, 99, 0).c_str(), "t");
}

TEST(ValueLists, FindAndAddOnce) {
  STRING_VALUE_LIST s;
  EXPECT_EQ(s.add(ORB::String("a")), 0);
  EXPECT_EQ(s.add("b"), 1);
  EXPECT_EQ(s.add("a"), 0);
  EXPECT_EQ(s.ufind(ORB::String("b")), 1);
  EXPECT_EQ(s.ufind("c"), -1);
  DOUBLE_VALUE_LIST d;
  d.add(0.0);
  EXPECT_EQ(d.ufind(-0.0), -1);
  INTEGER_VALUE_LIST i;
  i.add(4);
  INTEGER_VALUE_LIST copy = i;
  EXPECT_EQ(copy.ufind(4), 0);
}

TEST(AttributeChains, CopyAndStream) {
  DBATTRIBUTECHAIN chain;
  for (int i = 0; i < 5; ++i) {
    DBATTRIBUTETYPE d;
    d.set_abbrev(std::to_string(i).c_str());
    chain.push(d);
  }
  DBATTRIBUTECHAIN copy;
  copy = chain;
  ASSERT_EQ(copy.size(), 5u);
  EXPECT_STREQ(copy[4].abbrev, "4");

  DBATTREFTYPE link;
  link.set_name("n");
  link.set_abbrev("AB");
  link.value.put("v");
  Streamable_DBATTREFTYPE out(link);
  StreamOutputMemory bytes;
  out.io(bytes);
  const std::vector<unsigned char> image = bytes.take();
  EXPECT_EQ(image.size(), 17u + 1 + 7 + 4 + 4 + 2 + 2);  // the text buffer as length and bytes
  Streamable_DBATTREFTYPE in;
  StreamInputMemory from(image);
  in.io(from);
  EXPECT_TRUE(in.record() == link);
}

class IndirectRefTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db_.open(":memory:"));
    previous_ = dlist::set_active_model(&db_);
  }
  void TearDown() override { dlist::set_active_model(previous_); }
  dlist::ModelDatabase db_;
  dlist::ModelDatabase* previous_ = nullptr;
};

TEST_F(IndirectRefTest, FindsByNameOrAnswersZero) {
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  DBATTRIBUTETYPE d;
  d.set_name("Colour");
  d.set_abbrev("COL");
  d.flags = DBATTRIBUTETYPE::kText | 0x1;
  const long attribute = store.cre_attribute(root, &d);
  ASSERT_GT(attribute, 0);

  char name[17] = "red";
  TEXTBUFFER value("untouched");
  char flags = 'u';
  EXPECT_EQ(GetIndirectRef(attribute, name, &value, &flags), 0);  // no references
  EXPECT_STREQ(value.get(), "untouched");
  EXPECT_EQ(flags, 'u');
  EXPECT_EQ(GetIndirectRef(attribute + 1000, name, &value, &flags), 0);

  const long list = store.get_id_attribute(attribute, &d);
  ATTR_REF refs;
  const long red = refs.cre(list, "red", TEXTBUFFER("#f00"), 0);
  refs.cre(list, "blue", TEXTBUFFER("#00f"), 0);
  refs.cre(list, "usual", TEXTBUFFER("red"), DBATTREFTYPE::kIndirect);
  EXPECT_EQ(GetIndirectRef(attribute, name, &value, &flags), red);
  EXPECT_STREQ(value.get(), "#f00");
  EXPECT_EQ(flags, 0);
  EXPECT_STREQ(name, "red");
  char missing[17] = "green";
  EXPECT_EQ(GetIndirectRef(attribute, missing, &value, &flags), 0);
  EXPECT_STREQ(value.get(), "red");  // the last one read, "usual"
  EXPECT_EQ(flags, DBATTREFTYPE::kIndirect);
}

}  // namespace
