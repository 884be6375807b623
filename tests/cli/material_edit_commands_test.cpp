// The material library built from nothing with the commands that fill its dialogs:
// read back equal through a list export file, every refusal of the dialogs printed
// with its field and leaving the file byte for byte, and the total price of
// `materials show --json` equal to the editing dialog's.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "materials/material_dialog_ids.h"
#include "materials/material_dialogs.h"
#include "materials/subprice_rows.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

class MaterialEditCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  int run(const std::string& library, Args args, bool terminal = false) {
    args.insert(args.begin(), {"--materials", path(library)});
    return ScratchFolderTest::run(args, terminal);
  }
  std::string listing(const std::string& library, Args args) {
    args.push_back("--json");
    EXPECT_EQ(run(library, args), 0) << err_.str();
    return out_.str();
  }

  // The library of the tests, built with the commands alone: the four standard
  // dimensions that a list import makes (so that it adds none), a dimension of our
  // own with a unit below a unit, a market, a subprice of each kind, and nested
  // materials with units, subprices and long texts.
  void build(const std::string& library) {
    struct Unit {
      const char* dimension;
      const char* abbrev;
      const char* name;
      const char* factor;  // empty: the first, basic unit
      const char* under;
    };
    const Unit units[] = {
        {"Pieces", "pcs", "piece", "", ""},
        {"Length", "m", "metre", "", ""},
        {"Length", "dm", "decimetre", "10", ""},
        {"Length", "cm", "centimetre", "100", ""},
        {"Length", "mm", "millimetre", "1000", ""},
        {"Length", "in", "inch", "39.37000534999599", ""},
        {"Length", "ft", "foot", "3.2808337791663327", ""},
        {"Area", "m2", "square metre", "", ""},
        {"Area", "dm2", "square decimetre", "100", ""},
        {"Area", "cm2", "square centimetre", "10000", ""},
        {"Area", "in2", "square inch", "1549.997321258713", ""},
        {"Area", "ft2", "square foot", "10.763870286518841", ""},
        {"Volume", "m3", "cubic metre", "", ""},
        {"Volume", "dm3", "cubic decimetre", "1000", ""},
        {"Volume", "cm3", "cubic centimetre", "1000000", ""},
        {"Volume", "in3", "cubic inch", "61023.40283043499", ""},
        {"Volume", "ft3", "cubic foot", "35.31446923057581", ""},
        {"Mass", "kg", "kilogram", "", ""},
        {"Mass", "t", "tonne", "0.001", ""},
    };
    const std::vector<Args> commands = {
        {"dimension", "new", "Pieces"},
        {"dimension", "new", "Length"},
        {"dimension", "new", "Area"},
        {"dimension", "new", "Volume"},
        {"dimension", "new", "Mass"},
        {"market", "new", "Local"},
        {"market", "new", "Export"},
        {"subprice", "new", "LAB", "--name", "Labour", "--kind", "multiplier", "--value", "2"},
        {"subprice", "new", "TRN", "--name", "Transport", "--kind", "addition", "--value", "5.5"},
        {"subprice", "new", "TAX", "--name", "Tax", "--kind", "formula", "--formula",
         "(LAB+TRN)*0.2"},
        {"subprice", "new", "NOTE", "--name", "Check", "--kind", "information", "--formula",
         "PRICE*0"},
        {"long-text-names", "Description", "Delivery", "Work", "Notes"},
    };
    for (const Args& c : commands) {
      Args args = c;
      args.insert(args.begin(), "materials");
      ASSERT_EQ(run(library, args), 0) << err_.str();
    }
    for (const Unit& u : units) {
      Args args = {"materials", "unit", "new", u.abbrev, "--dimension", u.dimension, "--name", u.name};
      if (*u.factor != '\0') args.insert(args.end(), {"--factor", u.factor});
      if (*u.under != '\0') args.insert(args.end(), {"--under", u.under});
      ASSERT_EQ(run(library, args), 0) << u.abbrev << ": " << err_.str();
    }
    const std::vector<Args> materials = {
        {"new", "--code", "1", "--name", "Walls", "--market", "Local", "--price", "10",
         "--unit", "m2", "--unit-ref", "pcs=4"},
        {"new", "--under", "1", "--code", "1", "--name", "Brick wall", "--price", "12.5",
         "--unit", "m2=2", "--unit-ref", "m3=0.25", "--unit-ref", "pcs=60", "--subprice",
         "TAX", "--subprice", "LAB=3", "--subprice", "TRN=1.5", "--subprice", "NOTE",
         "--long-text", "1=Solid brick, 25 cm", "--long-text", "3=Mortar joints\n10 mm"},
        {"new", "--under", "1.1", "--code", "A", "--name", "Fa\xC3\xA7"
                                                               "ade brick",
         "--market", "Export", "--price", "0.75", "--unit", "pcs", "--unit-ref", "kg=2.3"},
        {"new", "--code", "2", "--name", "Steel", "--price", "900", "--unit", "t",
         "--unit-ref", "kg=1000", "--unit-ref", "pcs=1"},
        {"edit", "2", "--subprice", "LAB=1", "--price", "950"},
        {"edit", "1.1", "--subprice", "LAB*4"},
        {"rename", "2", "Structural steel"},
    };
    for (const Args& c : materials) {
      Args args = c;
      args.insert(args.begin(), "materials");
      ASSERT_EQ(run(library, args), 0) << c[1] << ": " << err_.str();
    }
  }
};

TEST_F(MaterialEditCommandsTest, ALibraryOfTheCommandsReadsBackEqualThroughItsListFile) {
  build("built.dlist");
  ASSERT_EQ(run("built.dlist", {"materials", "export", path("built.lis")}), 0) << err_.str();
  ASSERT_EQ(run("read.dlist", {"materials", "import", path("built.lis")}), 0) << err_.str();
  ASSERT_EQ(run("read.dlist", {"materials", "export", path("read.lis")}), 0) << err_.str();
  EXPECT_EQ(bytes("read.lis"), bytes("built.lis"));
  EXPECT_EQ(listing("read.dlist", {"materials", "tree"}), listing("built.dlist", {"materials", "tree"}));
  EXPECT_EQ(listing("read.dlist", {"materials", "units"}),
            listing("built.dlist", {"materials", "units"}));

  // What the commands stored: the edit changed only what it named.
  const auto shown = nlohmann::json::parse(listing("built.dlist", {"materials", "show", "1.1"}));
  EXPECT_EQ(shown["name"], "Brick wall");
  EXPECT_EQ(shown["native_unit"], "m2");
  ASSERT_EQ(shown["subprices"].size(), 4u);
  EXPECT_EQ(shown["subprices"][0]["abbrev"], "LAB");
  EXPECT_DOUBLE_EQ(shown["subprices"][0]["value"].get<double>(), 8.0);  // 4 times 2
  EXPECT_EQ(shown["long_texts"][2]["name"], "Work");
  EXPECT_EQ(shown["long_texts"][2]["text"], "Mortar joints\r\n10 mm");
  ASSERT_EQ(shown["units"].size(), 3u);
  EXPECT_EQ(shown["units"][1]["abbrev"], "m3");
  const auto steel = nlohmann::json::parse(listing("built.dlist", {"materials", "show", "2"}));
  EXPECT_EQ(steel["name"], "Structural steel");
  EXPECT_DOUBLE_EQ(steel["unit_price"].get<double>(), 950.0);
  EXPECT_EQ(steel["native_unit"], "t");
}

TEST_F(MaterialEditCommandsTest, EveryRefusalNamesItsFieldAndLeavesTheFileAsItWas) {
  build("lib.dlist");
  struct Case {
    Args args;
    const char* says;
  };
  const std::string long_name(25, 'n');
  const Case cases[] = {
      {{"market", "new", ""}, "NAME: the text must have 1 to 26 characters"},
      {{"unit", "new", "x", "--dimension", "Mass", "--name", long_name, "--factor", "3"},
       "--name: the text of 25 characters does not fit (at most 24)"},
      {{"new", "--code", "1", "--name", "Again"}, "--code: A material of this code stands here already."},
      {{"unit", "new", "kg", "--dimension", "Mass", "--name", "k", "--factor", "3"},
       "ABBR: This abbreviation is already in use."},
      {{"subprice", "new", "LAB", "--name", "L", "--kind", "addition", "--value", "1"},
       "ABBR: This abbreviation is already in use."},
      {{"market", "new", "Local"}, "NAME: This name is already in use."},
      {{"dimension", "new", "Mass"}, "NAME: This name is already in use."},
      {{"new", "--under", "1", "--code", "2.3", "--name", "X"},
       "--code: A code cannot hold the separator of its components."},
      {{"unit", "new", "g", "--dimension", "Mass", "--name", "gram", "--factor", "0"},
       "--factor: The factor must be above 0."},
      {{"unit", "edit", "t", "--factor", "-2"}, "--factor: the number must lie between 0"},
      {{"unit", "new", "g", "--dimension", "Mass", "--name", "gram", "--factor", "1"},
       "--factor: This dimension has a basic unit already (factor 1)."},
      {{"subprice", "new", "ZZ", "--name", "Z", "--kind", "formula", "--formula", "NOPE+1"},
       "--formula: The formula cannot be evaluated."},
      {{"subprice", "edit", "TAX", "--formula", "LAB+"}, "--formula: The formula cannot be evaluated."},
      {{"unit", "new", "g", "--dimension", "Mass", "--name", "gram", "--factor", "1000", "--under", "m"},
       "--under: The abbreviation must name a unit of this dimension."},
      {{"new", "--code", "9", "--name", "X", "--long-text", "2=" + std::string(16001, 'a')},
       "--long-text: the text must have 0 to 16000 characters"},
      {{"edit", "1", "--unit-ref", "pcs=0"}, "--unit-ref"},
      {{"edit", "1.1", "--subprice", "-LAB"},
       "--subprice: a subprice cannot be linked or unlinked while the total price would not be "
       "valid"},
      {{"separator", "1"}, "CHAR: Stored material codes hold this character"},
      {{"--no", "market", "remove", "Local"}, "kept the market \"Local\": the answer was No"},
      {{"subprice", "remove", "LAB"}, "asks for a confirmation"},
      {{"--no", "dimension", "remove", "Mass"}, "the answer was No"},
  };
  const std::string before = bytes("lib.dlist");
  for (const Case& c : cases) {
    Args args = c.args;
    args.insert(args.begin() + (args[0] == "--no" ? 1 : 0), "materials");
    EXPECT_EQ(run("lib.dlist", args), 1) << c.says;
    EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
    EXPECT_EQ(bytes("lib.dlist"), before) << c.says;
  }
  // A refused command on a library that did not exist leaves no file behind.
  EXPECT_EQ(run("new.dlist", {"materials", "market", "new", ""}), 1);
  EXPECT_FALSE(std::filesystem::exists(path("new.dlist")));
  // Given together, the formula is unlinked before the subprice it names, in
  // whatever order the options come.
  ASSERT_EQ(run("lib.dlist", {"materials", "edit", "1.1", "--subprice", "-LAB", "--subprice", "-TAX"}), 0)
      << err_.str();
  const auto shown = nlohmann::json::parse(listing("lib.dlist", {"materials", "show", "1.1"}));
  ASSERT_EQ(shown["subprices"].size(), 2u);
  EXPECT_EQ(shown["subprices"][0]["abbrev"], "TRN");
  EXPECT_EQ(shown["subprices"][1]["abbrev"], "NOTE");
  // Answered Yes, the removals are made.
  EXPECT_EQ(run("lib.dlist", {"--yes", "materials", "market", "remove", "Export"}), 0) << err_.str();
  EXPECT_NE(bytes("lib.dlist"), before);
}

TEST_F(MaterialEditCommandsTest, ShowGivesTheTotalPriceOfTheEditingDialog) {
  build("lib.dlist");
  for (const char* code : {"1", "1.1", "1.1.A", "2"}) {
    const auto shown = nlohmann::json::parse(listing("lib.dlist", {"materials", "show", code}));
    ASSERT_TRUE(shown["total_price"].is_number()) << shown.dump();
    LISTCONTEXT library;
    ASSERT_TRUE(library.open(path("lib.dlist")));
    dbmaterial rec{};
    const long id = library.get(TEXTBUFFER(code), rec, nullptr);
    ASSERT_GT(id, 0);
    std::string in_dialog;
    dlist::ScriptedUser user;
    user.on(dlist::kEditMaterialContext)
        .observe([&](void* dialog) { in_dialog = dlist::control_text(dialog, dlist::kMatTotal); })
        .press(2);
    dlist::DialogUserScope scope(user);
    Material cursor(&library, id);
    CrtEditMaterial(nullptr, &cursor, 1);
    EXPECT_EQ(in_dialog, dlist::total_text(shown["total_price"].get<double>())) << code;
  }
  // 1.1: 12.5 + LAB 8 * 12.5 + TRN 1.5 + TAX (100 + 1.5) * 0.2
  const auto brick = nlohmann::json::parse(listing("lib.dlist", {"materials", "show", "1.1"}));
  EXPECT_DOUBLE_EQ(brick["total_price"].get<double>(), 12.5 + 100 + 1.5 + 101.5 * 0.2);
}

}  // namespace
