// Iterator_Array walking an OutArraySimple, and the copies of the paged string store.
#include "foundation/sequences.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/memory.h"
#include "foundation/orb_string.h"

namespace {

TEST(IteratorArrayTest, WalksEveryElementOnceAndStopsAtTheEnd) {
  OutArraySimple<ORB::String> names;
  Iterator_Array<ORB::String> it(&names);
  it.reset();
  EXPECT_FALSE(it.next());  // empty array
  EXPECT_FALSE(it.next());

  for (int i = 0; i < 300; ++i) names(ORB::String(std::to_string(i).c_str()));  // two pages
  it.reset();
  int seen = 0;
  while (it.next()) EXPECT_STREQ(it().c_str(), std::to_string(seen++).c_str());
  EXPECT_EQ(seen, 300);
  EXPECT_FALSE(it.next());

  Iterator_Array<ORB::String> none;
  EXPECT_FALSE(none.next());
}

TEST(OutArraySimpleTest, CopiesEveryNameAndRefusesWhenMemoryIsShort) {
  OutArraySimple<ORB::String> a;
  for (int i = 0; i < 257; ++i) a(ORB::String("x"));
  a(ORB::String("last"));
  OutArraySimple<ORB::String> b(a);
  a = OutArraySimple<ORB::String>();
  ASSERT_EQ(b.n(), 258);
  EXPECT_STREQ(b[257].c_str(), "last");
  EXPECT_EQ(a.n(), 0);

  OutArraySimple<ORB::String> c;
  {
    dlist::AllocationFailureScope fail(1);  // the directory comes, the first page does not
    EXPECT_FALSE(c.append(ORB::String("y")));
  }
  EXPECT_EQ(c.n(), 0);
  EXPECT_TRUE(c.append(ORB::String("y")));
  EXPECT_EQ(c.n(), 1);
}

}  // namespace
