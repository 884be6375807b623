// The location tree of the model database: order, names, keys, moves and uses.
#include "host/model/location_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/references.h"
#include "host/model/kind_calls.h"
#include "model_test_support.h"

namespace dlist::testing {
namespace {

using LocationStoreTest = ModelTest;

long add(long parent, const char* name, int32_t key = 0, const char* text = "") {
  DBLOCATIONTYPE l;
  l.key = key;
  l.set_name(name);
  if (text[0]) l.text.put(text);
  return LOCALIZATION().cre_location(parent, &l, 1);
}

std::vector<std::string> children(long parent) {
  LOCALIZATION loc;
  std::vector<std::string> names;
  if (loc.rew_location(parent) < 1) return names;
  DBLOCATIONTYPE l;
  while (loc.get_location(&l) > 0) names.emplace_back(l.name);
  return names;
}

TEST_F(LocationStoreTest, ChildrenInOrderNamesUniquePerParent) {
  EXPECT_EQ(LOCALIZATION().rew_location(0), -1);
  const long a = add(0, "Building A");
  const long b = add(0, "Building B");
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_GT(add(a, "Floor 1", 0, "ground"), 0);
  EXPECT_GT(add(b, "Floor 1"), 0);   // same name, other parent
  EXPECT_EQ(add(a, "Floor 1"), 0);   // taken under a
  EXPECT_EQ(add(0, ""), 0);
  EXPECT_EQ(add(999, "x"), 0);       // no such parent
  EXPECT_EQ(children(0), (std::vector<std::string>{"Building A", "Building B"}));
  EXPECT_EQ(LOCALIZATION().rew_location(a), 1);
  EXPECT_FALSE(LOCALIZATION().is_good_name(a, "Floor 1"));
  EXPECT_TRUE(LOCALIZATION().is_good_name(a, "Floor 2"));
  EXPECT_FALSE(LOCALIZATION().is_good_name(a, std::string(80, 'x').c_str()));
  EXPECT_TRUE(LOCALIZATION().is_good_name(a, std::string(79, 'x').c_str()));

  DBLOCATIONTYPE l;
  long parent = -1;
  LOCALIZATION loc;
  ASSERT_EQ(loc.rew_location(a), 1);
  const long floor = loc.get_location(&l);
  ASSERT_EQ(LOCALIZATION().get_id_location(floor, &l, &parent), floor);
  EXPECT_EQ(parent, a);
  EXPECT_STREQ(l.text.get(), "ground");
  EXPECT_EQ(l.text.size(), 7u);

  // Renaming onto a sibling's name is refused; the text changes.
  DBLOCATIONTYPE renamed;
  ASSERT_EQ(LOCALIZATION().get_id_location(b, &renamed), b);
  renamed.set_name("Building A");
  EXPECT_EQ(LOCALIZATION().mod_location(b, &renamed), 0);
  renamed.set_name("Building C");
  renamed.text.put("new text");
  EXPECT_NE(LOCALIZATION().mod_location(b, &renamed), 0);
  ASSERT_EQ(LOCALIZATION().get_id_location(b, &l), b);
  EXPECT_STREQ(l.name, "Building C");
  EXPECT_STREQ(l.text.get(), "new text");
}

TEST_F(LocationStoreTest, KeysUniqueFreshOrKept) {
  const long a = add(0, "a", 7);
  DBLOCATIONTYPE l;
  ASSERT_EQ(LOCALIZATION().get_id_location(a, &l), a);
  EXPECT_EQ(l.key, 7);
  // Taken key: a fresh one with fresh_key, a refusal without.
  DBLOCATIONTYPE dup;
  dup.key = 7;
  dup.set_name("b");
  EXPECT_GT(LOCALIZATION().cre_location(0, &dup, 1), 0);
  EXPECT_EQ(dup.key, 8);
  dup.key = 7;
  dup.set_name("c");
  EXPECT_EQ(LOCALIZATION().cre_location(0, &dup, 0), 0);
  // Key 0 is kept without a fresh key (a fixed location), refused below 0.
  dup.key = 0;
  EXPECT_GT(LOCALIZATION().cre_location(0, &dup, 0), 0);
  EXPECT_EQ(dup.key, 0);
  dup.key = -4;
  dup.set_name("d");
  EXPECT_EQ(LOCALIZATION().cre_location(0, &dup, 0), 0);
  EXPECT_EQ(LOCALIZATION().get_key_location(8, &l), LOCALIZATION().get_key_location(8));
  EXPECT_STREQ(l.name, "b");
  EXPECT_EQ(LOCALIZATION().get_key_location(0), 0);
}

TEST_F(LocationStoreTest, MovesRefusedBelowItselfAndOntoTakenName) {
  const long a = add(0, "a");
  const long a1 = add(a, "x");
  const long a11 = add(a1, "deep");
  const long b = add(0, "b");
  add(b, "x");
  EXPECT_FALSE(LOCALIZATION().is_independ(a, a11));
  EXPECT_FALSE(LOCALIZATION().is_independ(a, a));
  EXPECT_TRUE(LOCALIZATION().is_independ(a1, b));
  EXPECT_EQ(LOCALIZATION().move_tree(a, a11), 0);
  EXPECT_EQ(LOCALIZATION().move_tree(a1, b), 0);  // b holds an "x"
  EXPECT_NE(LOCALIZATION().move_tree(a11, b), 0);
  EXPECT_EQ(children(b), (std::vector<std::string>{"x", "deep"}));
  EXPECT_NE(LOCALIZATION().move_tree(a1, 0), 0);
  EXPECT_EQ(children(0), (std::vector<std::string>{"a", "b", "x"}));

  EXPECT_NE(LOCALIZATION().del_location(b), 0);  // with its children
  EXPECT_EQ(rows("locations"), 2);
  EXPECT_NE(LOCALIZATION().purge_location(), 0);
  EXPECT_EQ(rows("locations"), 0);
}

TEST_F(LocationStoreTest, UsedWhenAMaterialReferenceNamesTheKey) {
  const long a = add(0, "a", 5);
  ASSERT_GT(a, 0);
  EXPECT_FALSE(LOCALIZATION().is_used_location(5));
  DBMATREFCHAIN chain;
  DBMATREF ref;
  ref.code.put("01.02");
  ref.location = 5;
  chain.push(ref);
  DBLINETYPE line = patterned<DBLINETYPE>(3);
  ASSERT_GT(cre_line(&line, &chain, nullptr, 0, 0), 0);
  EXPECT_TRUE(LOCALIZATION().is_used_location(5));
  EXPECT_FALSE(LOCALIZATION().is_used_location(6));
}

TEST_F(LocationStoreTest, FailedCallChangesNothing) {
  const long a = add(0, "a");
  fail_model_statements_after(2);
  EXPECT_EQ(add(a, "b"), 0);
  fail_model_statements_after(0);
  EXPECT_EQ(rows("locations"), 1);
  EXPECT_GT(add(a, "b"), 0);
}

}  // namespace
}  // namespace dlist::testing
