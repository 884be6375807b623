// The demo's house: its lists are generated in both forms and pass the check of the
// material summary; the check itself finds a changed quantity, total, row or sum.

#include "cli/demo_house.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using dlist::cli::HouseTotals;
using dlist::cli::summary_difference;
using dlist::testing::has;

class DemoHouseTest : public dlist::testing::ScratchFolderTest {};

TEST_F(DemoHouseTest, DemoGeneratesTheHouseListsAndTheirTotalsAgree) {
  const fs::path demo = path("demo");
  ASSERT_EQ(run({"demo", demo.string()}), 0) << err_.str() << out_.str();
  EXPECT_TRUE(has(out_.str(), "18 placed walls")) << out_.str();
  EXPECT_TRUE(has(out_.str(), "with equal quantities and totals")) << out_.str();
  for (const char* file : {"house.json", "lists/house.ini", "lists/house-html.ini",
                           "lists/House_materials.txt", "lists/House_materials.html",
                           "lists/Priced_materials.txt", "lists/Elements_per_floor.html"})
    EXPECT_TRUE(fs::is_regular_file(demo / file)) << file;
  std::ifstream html(demo / "lists" / "House_materials.html");
  std::stringstream text;
  text << html.rdbuf();
  EXPECT_TRUE(has(text.str(), "<td>Gypsum plaster</td><td>m2</td><td>195.000</td>")) << text.str();

}

TEST(DemoHouseCheck, FindsEveryDifference) {
  HouseTotals expected;
  expected[{1, "1.1"}] = {10.5, 21.0};
  expected[{1, "2.1"}] = {4.0, 50.0};
  expected[{6, "1.1"}] = {2.0, 4.0};
  const std::string good =
      "Title\n1.1;Brick;pcs;10.500;2.00;21.00\n2.1;Plaster;m2;4.000;12.50;50.00\n"
      "1.1;Brick;pcs;2.000;2.00;4.00\nTotal;75.00\n";
  EXPECT_EQ(summary_difference(good, expected, 3), "");

  auto changed = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return summary_difference(text, expected, 3);
  };
  EXPECT_EQ(changed("4.000;12.50", "4.001;12.50"), "2.1: the quantity 4.001 instead of 4.000");
  EXPECT_EQ(changed("50.00", "50.01"), "2.1: the total 50.01 instead of 50.00");
  EXPECT_EQ(changed("Total;75.00", "Total;75.10"), "the list's total 75.10 instead of 75.00");
  EXPECT_EQ(changed("1.1;Brick;pcs;2.000;2.00;4.00\n", ""), "no row of 1.1");
  EXPECT_EQ(changed("Total", "9.9;Extra;m;1.000;1.00;1.00\nTotal"),
            "a row of 9.9 that the model does not give");
  // Rows of one kind in another order are out of place.
  EXPECT_EQ(changed("1.1;Brick;pcs;10.500;2.00;21.00\n2.1;Plaster;m2;4.000;12.50;50.00\n",
                    "2.1;Plaster;m2;4.000;12.50;50.00\n1.1;Brick;pcs;10.500;2.00;21.00\n"),
            "the row of 2.1 where 1.1 was due");
}

}  // namespace
