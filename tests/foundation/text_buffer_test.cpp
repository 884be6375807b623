#include "foundation/text_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/memory.h"

TEST(TextBuffer, HoldsACopyWithItsTerminatingZero) {
  TEXTBUFFER t;
  EXPECT_TRUE(t.empty());
  EXPECT_STREQ(t.get(), "");
  ASSERT_TRUE(t.put("abc"));
  EXPECT_EQ(t.size(), 4u);
  EXPECT_STREQ(t.get(), "abc");
  ASSERT_TRUE(t.put(nullptr));
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t.data(), nullptr);

  // A block filled by a reader without a terminating zero still reads as a string.
  char* block = t.allocate(3);
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "xyz", 3);
  EXPECT_STREQ(t.get(), "xyz");
  EXPECT_EQ(t.size(), 3u);
}

TEST(TextBuffer, CopiesAreDeepAndIndependent) {
  TEXTBUFFER a("first");
  TEXTBUFFER b(a);
  TEXTBUFFER c;
  c = a;
  ASSERT_TRUE(a.put("changed"));
  EXPECT_STREQ(b.get(), "first");
  EXPECT_STREQ(c.get(), "first");
  EXPECT_NE(b.data(), c.data());
  EXPECT_EQ(b, c);
  EXPECT_FALSE(a == b);
  TEXTBUFFER moved(std::move(a));
  EXPECT_STREQ(moved.get(), "changed");
  EXPECT_TRUE(a.empty());  // NOLINT(bugprone-use-after-move)
}

TEST(TextBuffer, AllocationFailureKeepsTheOldBlock) {
  TEXTBUFFER t("keep");
  {
    dlist::AllocationFailureScope fail(0);
    EXPECT_FALSE(t.put("new text"));
  }
  EXPECT_STREQ(t.get(), "keep");
  {
    dlist::AllocationFailureScope fail(0);
    EXPECT_EQ(t.allocate(10), nullptr);
  }
  EXPECT_STREQ(t.get(), "keep");
  TEXTBUFFER other("other");
  {
    dlist::AllocationFailureScope fail(0);
    t = other;
  }
  EXPECT_STREQ(t.get(), "keep");
}
