// Texts at the command line's boundary: names typed in UTF-8 are stored in the
// texts' code page and come back unchanged through JSON, an export and an import;
// what the code page cannot hold is refused; a crafted name in a file is refused
// by the reader and nothing of it reaches the terminal raw.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using nlohmann::json;

class TextEncodingTest : public dlist::testing::ScratchFolderTest {
 protected:
  int run(const std::string& project, Args args) {
    args.insert(args.begin(), {"--project", path(project)});
    return ScratchFolderTest::run(args);
  }

  // The names of the user nodes in the wall kind folder of a project's tree.
  std::vector<std::string> wall_names(const std::string& project,
                                      const std::string& family = "palettes") {
    EXPECT_EQ(run(project, {family, "tree", "--json"}), 0) << err_.str();
    const json walls = json::parse(out_.str())["children"][0];
    std::vector<std::string> names;
    for (const json& n : family == "palettes" ? walls["children"][0]["children"] : walls["children"])
      names.push_back(n["name"]);
    return names;
  }
};

TEST_F(TextEncodingTest, NamesRoundTripThroughTypingJsonExportAndImport) {
  const std::vector<std::string> names = {
      "Caf\xC3\xA9 na\xC3\xAFve",                    // Latin-1: "Café naïve"
      "\xE2\x82\xAC 5 \xE2\x80\xB0 \xC5\x92uvre",    // Windows-1252 only: "€ 5 ‰ Œuvre"
      std::string(15, 'x') + [] {                    // 31 characters, 47 bytes of UTF-8
        std::string s;
        for (int i = 0; i < 16; ++i) s += "\xC3\xA9";
        return s;
      }()};
  ASSERT_EQ(run("p1.dlist", {"init"}), 0) << err_.str();
  for (const std::string& name : names)
    ASSERT_EQ(run("p1.dlist", {"prototypes", "new", "--kind", "wall", "--name", name}), 0)
        << err_.str();
  EXPECT_EQ(wall_names("p1.dlist", "prototypes"), names);

  // The file holds one byte a character.
  ASSERT_EQ(run("p1.dlist", {"prototypes", "export", "--node", "Walls", path("w.prt")}), 0)
      << err_.str();
  const std::string file = bytes("w.prt");
  EXPECT_NE(file.find(std::string("Caf\xE9 na\xEFve\0", 12)), std::string::npos);
  EXPECT_NE(file.find(std::string("\x80 5 \x89 \x8Cuvre\0", 12)), std::string::npos);

  ASSERT_EQ(run("p2.dlist", {"init"}), 0);
  ASSERT_EQ(run("p2.dlist", {"prototypes", "import", "--into", "Walls", path("w.prt")}), 0)
      << err_.str();
  EXPECT_EQ(wall_names("p2.dlist", "prototypes"), names);
  // Typed paths find the names again.
  EXPECT_EQ(run("p2.dlist", {"prototypes", "new-folder", "--name", "Sub", "--in",
                             "Walls/Caf\xC3\xA9 na\xC3\xAFve"}),
            1);
  EXPECT_NE(err_.str().find("is a prototype, not a folder"), std::string::npos) << err_.str();
}

TEST_F(TextEncodingTest, WhatTheCodePageCannotHoldIsRefused) {
  ASSERT_EQ(run("p.dlist", {"init"}), 0);
  struct Case {
    Args extra;
    std::string name;
    std::string says;
  };
  std::string too_long;
  for (int i = 0; i < 32; ++i) too_long += "\xC3\xA9";
  const Case cases[] = {
      {{}, "\xC5\x90rs", "the character \"\xC5\x90\" (U+0150) has no place in the code page "
                         "windows-1252"},
      {{}, "ab\xE9", "byte 0xE9 at position 3 is not UTF-8"},
      {{}, too_long, "is 32 characters long; at most 31 fit"},
      {{"--code-page", "latin1"}, "\xE2\x82\xAC", "(U+20AC) has no place in the code page iso-8859-1"},
  };
  for (const Case& c : cases) {
    Args args = c.extra;
    for (const char* a : {"palettes", "new", "--kind", "wall", "--name"}) args.push_back(a);
    args.push_back(c.name);
    EXPECT_EQ(run("p.dlist", args), 1);
    EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
  }
  EXPECT_TRUE(wall_names("p.dlist").empty());
  EXPECT_EQ(run("p.dlist", {"--code-page", "utf-8", "palettes", "tree"}), 2);
}

TEST_F(TextEncodingTest, CraftedNamesInAFileAreRefusedAndNeverPrintedRaw) {
  ASSERT_EQ(run("p1.dlist", {"init"}), 0);
  ASSERT_EQ(run("p1.dlist", {"palettes", "new", "--kind", "wall", "--name", "Plain1"}), 0);
  ASSERT_EQ(run("p1.dlist", {"palettes", "export", "--node", "Walls/Plain1", path("w.pal")}), 0);
  const std::string good = bytes("w.pal");
  const std::size_t at = good.find("Plain1");
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(run("p2.dlist", {"init"}), 0);
  struct Case {
    std::string name;  // six bytes, in place of "Plain1"
    std::string says;
  };
  const Case cases[] = {
      {"A\x1B[2J\n", "the name 'A\\x1B[2J\\x0A' holds the control character 0x1B at position 2"},
      {"in/out", "holds \"/\""},
  };
  for (const Case& c : cases) {
    std::string crafted = good;
    crafted.replace(at, 6, c.name);
    std::ofstream(path("bad.pal"), std::ios::binary) << crafted;
    EXPECT_EQ(run("p2.dlist", {"palettes", "import", path("bad.pal")}), 1);
    EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().find('\x1B'), std::string::npos) << "no raw escape on the terminal";
    EXPECT_TRUE(wall_names("p2.dlist").empty());
    EXPECT_EQ(run("p2.dlist", {"dump", path("bad.pal")}), 1);
    EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
  }
}

}  // namespace
