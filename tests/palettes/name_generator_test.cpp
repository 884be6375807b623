// The name generator: base and counter from the name, the four modes and their
// limits, cutting the base to the length, and the end of the names.

#include "palettes/name_generator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> first(const char* name, int length, int mode, int n) {
  dlist::NameGenerator g(name, length, mode);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(g.next());
  return out;
}

TEST(NameGenerator, CountsOnFromTheNameInEachMode) {
  using V = std::vector<std::string>;
  EXPECT_EQ(first("Door", 32, 0, 2), (V{"Door~1", "Door~2"}));
  EXPECT_EQ(first("Wall~7", 32, 0, 1), V{"Wall~8"});
  EXPECT_EQ(first("Wall~007", 32, 3, 1), V{"Wall~008"});
  EXPECT_EQ(first("Wall~0012", 32, 0, 1), V{"Wall~0012~1"});  // four digits: no counter
  EXPECT_EQ(first("Wall12", 32, 0, 1), V{"Wall12~1"});        // digits without "~"
  EXPECT_EQ(first("12", 32, 0, 1), V{"12~13"});                // digits alone: kept, counted
  EXPECT_EQ(first("A", 32, 2, 2), (V{"A~01", "A~02"}));
  EXPECT_EQ(first("A~8", 32, 1, 3), (V{"A~9", "", ""}));       // mode 1 ends at 9
  EXPECT_EQ(first("A~98", 32, 2, 2), (V{"A~99", ""}));
  EXPECT_EQ(first("A~998", 32, 0, 3), (V{"A~999", "", ""}));
}

TEST(NameGenerator, CutsTheBaseAndEndsWhereNothingFits) {
  const std::string long_name(31, 'x');
  EXPECT_EQ(first(long_name.c_str(), 32, 0, 1)[0], std::string(29, 'x') + "~1");
  dlist::NameGenerator g(long_name.c_str(), 32, 0);
  std::string last;
  for (int i = 0; i < 10; ++i) last = g.next();
  EXPECT_EQ(last, std::string(28, 'x') + "~10");
  EXPECT_EQ(first("", 32, 0, 1)[0], "");
  EXPECT_EQ(first(nullptr, 32, 0, 1)[0], "");
  EXPECT_EQ(first("A", 32, 4, 1)[0], "");
  EXPECT_EQ(first("A", 32, -1, 1)[0], "");
  const auto tiny = first("A", 3, 0, 10);  // room for "~9", not for "~10"
  EXPECT_EQ(tiny[8], "~9");
  EXPECT_EQ(tiny[9], "");
  // Every name ends: no caller can loop on it.
  dlist::NameGenerator all("Door", 32, 0);
  int names = 0;
  while (!all.next().empty()) ++names;
  EXPECT_EQ(names, 999);
}

}  // namespace
