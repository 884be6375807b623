// The material library commands in-process, on library files in a scratch folder
// filled with the demonstration's content: the tree and units as text and JSON,
// list export files, remove, purge and copy-prices with their questions, and the
// demonstration's library and list file.

#include "cli/material_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/list/list_context.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using dlist::testing::has;
using dlist::testing::one_line;
using dlist::testing::read_file;
using nlohmann::json;

class MaterialCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    library_ = path("lib.dlist");
  }

  // The library file filled with the demonstration's content.
  void make_library() { make_demo_library(library_); }

  // Runs dlist on the library; the status, with what it wrote in out_ and err_.
  int run(Args args, bool terminal = false, const std::string& input = "") {
    args.insert(args.begin(), {"--materials", library_});
    return ScratchFolderTest::run(args, terminal, input);
  }
  json tree() {
    EXPECT_EQ(run({"materials", "tree", "--json"}), 0) << err_.str();
    return json::parse(out_.str());
  }
  json units() {
    EXPECT_EQ(run({"materials", "units", "--json"}), 0) << err_.str();
    return json::parse(out_.str());
  }

  std::string library_;
};

TEST_F(MaterialCommandsTest, TreeGivesEveryMaterialWithItsKeysNestedByCode) {
  make_library();
  const json roots = tree();
  ASSERT_EQ(roots.size(), 3u);
  const json& brick = roots[0]["children"][0]["children"][0];
  std::vector<std::string> keys;
  const auto ordered = nlohmann::ordered_json::parse(out_.str());
  const auto& first = ordered[0]["children"][0]["children"][0];
  for (auto it = first.begin(); it != first.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys,
            (std::vector<std::string>{"id", "code", "name", "market", "unit_price", "native_unit",
                                      "unit_refs", "subprice_refs", "long_texts", "children"}));
  EXPECT_EQ(brick["id"], "1");
  EXPECT_EQ(brick["code"], "1.1.1");
  EXPECT_EQ(brick["name"], "Solid brick");
  EXPECT_EQ(brick["market"], "Local");
  EXPECT_DOUBLE_EQ(brick["unit_price"].get<double>(), 0.45);
  EXPECT_EQ(brick["native_unit"], "pcs");
  EXPECT_EQ(brick["unit_refs"], json::parse(R"([{"abbrev":"pcs","factor":1.0},
                                                {"abbrev":"m3","factor":0.00196}])"));
  ASSERT_EQ(brick["subprice_refs"].size(), 3u);
  EXPECT_EQ(brick["subprice_refs"][2], json::parse(R"({"abbrev":"tr","value":3.5})"));
  ASSERT_EQ(brick["long_texts"].size(), 4u);
  EXPECT_EQ(brick["long_texts"][0], "Solid clay brick\r\n240 x 115 x 71 mm");
  EXPECT_EQ(roots[2]["children"][0]["code"], "3.1");

  ASSERT_EQ(run({"materials", "tree"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(),
                  "1  Masonry  0.00\n  1.1  Bricks  0.00\n    1.1.1  Solid brick  0.45 / pcs\n"))
      << out_.str();

  // Stored bytes come out as the characters of the code page, Windows-1252.
  {
    LISTCONTEXT library;
    ASSERT_TRUE(library.open(library_));
    dbmaterial rec{};
    std::snprintf(rec.id, sizeof rec.id, "9");
    std::snprintf(rec.name, sizeof rec.name, "Caf\xe9 \x80");
    LONGTEXT texts[kLongTextCount];
    texts[3].resize(2);
    texts[3][0] = '\xff';
    texts[3][1] = 'x';
    ASSERT_GT(library.create(0, rec, texts), 0);
  }
  const json more = tree();
  ASSERT_EQ(more.size(), 4u);
  EXPECT_EQ(more[3]["name"], "Caf\xc3\xa9 \xe2\x82\xac");
  EXPECT_EQ(more[3]["long_texts"][3], "\xc3\xbfx");
  // Walked and written material by material, laid out as the JSON library would.
  EXPECT_EQ(nlohmann::ordered_json::parse(out_.str()).dump(2) + "\n", out_.str());
  ASSERT_EQ(run({"materials", "tree"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "\n9  Caf\xc3\xa9 \xe2\x82\xac  0.00\n")) << out_.str();
}

TEST_F(MaterialCommandsTest, UnitsListsDimensionsWithBasicUnitAndUsage) {
  make_library();
  const json dims = units();
  ASSERT_EQ(dims.size(), 4u);
  EXPECT_EQ(dims[0]["number"], 0);
  EXPECT_EQ(dims[0]["name"], "Length");
  EXPECT_EQ(dims[0]["basic_unit"], "m");
  ASSERT_EQ(dims[0]["units"].size(), 3u);
  EXPECT_EQ(dims[0]["units"][1]["abbrev"], "cm");
  EXPECT_DOUBLE_EQ(dims[0]["units"][1]["factor"].get<double>(), 100.0);
  EXPECT_EQ(dims[3]["units"][0]["usage"], 3) << "pcs: three bricks and blocks refer to it";

  ASSERT_EQ(run({"materials", "units"}), 0) << err_.str();
  for (const char* part : {"##0  Length  basic unit m\n", "  *Metre ( m )  factor 1.0  usage 1\n",
                           "  Centimetre ( cm )  factor 100.0  usage 1\n",
                           "  Pallet ( pal )  factor 0.002  usage 1\n"})
    EXPECT_TRUE(has(out_.str(), part)) << part << "\n" << out_.str();
}

TEST_F(MaterialCommandsTest, ExportWritesTheSelectionWithTheCodesAsked) {
  make_library();
  struct Case {
    Args options;
    std::vector<std::string> present;  // material lines' beginnings
    std::vector<std::string> absent;
    std::string note;
  };
  const Case cases[] = {
      {{},
       {"\r\n1|Masonry|", "\r\n1.1.1|Solid brick|Local|0.45|pcs|1.0|m3|0.00196|;", "\r\n3.1|"},
       {},
       "exported 13 materials"},
      {{"--root", "1.1"},
       {"\r\n1.1|Bricks|", "\r\n1.1.2|"},
       {"\r\n1|", "\r\n2.1|"},
       "exported 3 materials"},
      {{"--root", "1.1", "--target", "0"},
       {"\r\n1|Bricks|", "\r\n1.1|Solid brick|"},
       {"\r\n1.1.1|"},
       "exported 3 materials"},
      {{"--root", "3", "--target", "2.2"},
       {"\r\n2.2.3|Timber|", "\r\n2.2.3.1|Battens|"},
       {"\r\n3|"},
       "exported 2 materials"},
      {{"--root", "3", "--target=-1"}, {"\r\n3|Timber|", "\r\n3.1|Battens|"}, {}, ""},
      {{"--codes", "1.1.1,9.9"},
       {"\r\n1|Masonry|", "\r\n1.1|Bricks|", "\r\n1.1.1|Solid brick|"},
       {"\r\n1.1.2|", "\r\n2|"},
       "exported 3 materials to"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string file = path(("e" + std::to_string(n++) + ".lis").c_str());
    Args args = {"materials", "export"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(file);
    ASSERT_EQ(run(args), 0) << file << ": " << err_.str();
    EXPECT_TRUE(has(out_.str(), c.note)) << out_.str();
    const std::string bytes = read_file(file);
    EXPECT_EQ(bytes.rfind(std::string("\x03") + kListBanner + "\r\n", 0), 0u);
    for (const std::string& p : c.present) EXPECT_TRUE(has(bytes, p)) << file << ": " << p;
    for (const std::string& a : c.absent) EXPECT_FALSE(has(bytes, a)) << file << ": " << a;
  }
  EXPECT_TRUE(has(out_.str(), "skipped 1 code naming no material")) << out_.str();
}

TEST_F(MaterialCommandsTest, ExportRefusalsSayWhyInOneLineAndKeepFiles) {
  const std::string kept = path("kept.lis");
  const std::string kept_bytes = std::string("\x03") + kListBanner + "\r\nkeep me";
  std::ofstream(kept, std::ios::binary) << kept_bytes;
  struct Case {
    Args args;
    int status;
    std::string err;
  };
  // A library without dimensions, then one with units and no material, then the demo's.
  const Case empty_cases[] = {
      {{"materials", "export", kept}, 1, "no units (no dimension) in the library"},
  };
  const Case unit_cases[] = {
      {{"materials", "export", kept}, 1, "no materials to export"},
  };
  const Case full_cases[] = {
      {{"materials", "export", "--root", "7", kept}, 1, "no material has the code \"7\""},
      {{"materials", "export", "--target", "1.9", kept}, 1, "no material has the code \"1.9\""},
      {{"materials", "export", "--codes", "8,9", kept}, 1, "no materials to export"},
      {{"materials", "export", library_}, 1, "that this command has open"},
      {{"materials", "export", path("none/x.lis")}, 1, "cannot write " + path("none/x.lis")},
      {{"materials", "export", "--codes", "1", "--root", "1", kept}, 2, "excludes"},
      {{"materials", "export"}, 2, "FILE is required"},
  };
  auto check = [&](const Case& c) {
    EXPECT_EQ(run(c.args), c.status) << c.err << ": " << err_.str();
    EXPECT_TRUE(has(err_.str(), c.err)) << err_.str();
    if (c.status == 1) {
      EXPECT_TRUE(one_line(err_.str())) << err_.str();
    }
    EXPECT_EQ(read_file(kept), kept_bytes);
  };
  {
    LISTCONTEXT library;
    ASSERT_TRUE(library.open(library_));
  }
  for (const Case& c : empty_cases) check(c);
  {
    LISTCONTEXT library;
    ASSERT_TRUE(library.open(library_));
    dbunit dimension{"##0", "Length", 0, 1.0};
    dbunit metre{"m", "Metre", 0, 1.0};
    ASSERT_GT(library.create(library.create(0, dimension), metre), 0);
  }
  for (const Case& c : unit_cases) check(c);
  fs::remove(library_);
  make_library();
  for (const Case& c : full_cases) check(c);
  EXPECT_FALSE(fs::exists(path("none")));
}

TEST_F(MaterialCommandsTest, RemoveAndPurgeAskFirstAndRefuseWithoutAnAnswer) {
  make_library();
  const json before = tree();
  struct Case {
    Args args;
    bool terminal;
    std::string input;
    int status;
    std::string err;
  };
  const Case kept[] = {
      {{"materials", "remove", "1.1"}, false, "", 1, "use --yes"},
      {{"--no", "materials", "remove", "1.1"}, false, "", 1, "kept \"1.1\": the answer was No"},
      {{"materials", "remove", "1.1"}, true, "n\n", 1, "the answer was No"},
      {{"materials", "remove", "4.4", "--yes"}, false, "", 1, "no material has the code \"4.4\""},
      {{"materials", "purge"}, false, "", 1, "use --yes"},
      {{"materials", "purge", "--no"}, false, "", 1, "kept the library"},
  };
  for (const Case& c : kept) {
    EXPECT_EQ(run(c.args, c.terminal, c.input), c.status) << c.err;
    EXPECT_TRUE(has(err_.str(), c.err)) << err_.str();
    EXPECT_EQ(tree(), before) << c.err;
  }

  // Removing the bricks gives back their units' usage.
  ASSERT_EQ(run({"materials", "remove", "1.1"}, true, "y\n"), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "removed 1.1 Bricks with 2 materials below it")) << out_.str();
  const json after = tree();
  ASSERT_EQ(after[0]["children"].size(), 1u);
  EXPECT_EQ(after[0]["children"][0]["code"], "1.2");
  EXPECT_EQ(units()[3]["units"][0]["usage"], 1);

  ASSERT_EQ(run({"--yes", "materials", "purge"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "10 materials, 4 dimensions, 4 subprices and 2 markets removed"))
      << out_.str();
  EXPECT_EQ(tree(), json::array());
  EXPECT_EQ(units(), json::array());
}

TEST_F(MaterialCommandsTest, CopyPricesGivesTheTargetTheSourcesPricesAndReferences) {
  make_library();
  ASSERT_EQ(run({"materials", "copy-prices", "1.1.1", "1.2.1"}), 0) << err_.str();
  json roots = tree();
  const json& source = roots[0]["children"][0]["children"][0];
  const json& target = roots[0]["children"][1]["children"][0];
  EXPECT_EQ(target["name"], "Concrete block");
  EXPECT_EQ(target["code"], "1.2.1");
  for (const char* key :
       {"unit_price", "market", "native_unit", "unit_refs", "subprice_refs", "long_texts"})
    EXPECT_EQ(target[key], source[key]) << key;

  ASSERT_EQ(run({"materials", "copy-prices", "3.1", "3.1"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "nothing to copy"));
  EXPECT_EQ(tree(), roots) << "a material copied onto itself keeps its references";

  EXPECT_EQ(run({"materials", "copy-prices", "3.1", "3.7"}), 1);
  EXPECT_TRUE(has(err_.str(), "no material has the code \"3.7\"")) << err_.str();
  EXPECT_EQ(run({"materials", "copy-prices", "3.1"}), 2);
}

TEST_F(MaterialCommandsTest, ReadingAMissingLibraryIsRefusedWithoutCreatingIt) {
  for (const char* command : {"tree", "units"}) {
    EXPECT_EQ(run({"materials", command}), 1);
    EXPECT_EQ(err_.str(), "dlist materials " + std::string(command) +
                              ": there is no material library " + library_ + "\n");
  }
  EXPECT_EQ(run({"materials", "export", path("x.lis")}), 1);
  EXPECT_FALSE(fs::exists(library_));
  // A changing command creates it.
  EXPECT_EQ(run({"--yes", "materials", "purge"}), 0) << err_.str();
  EXPECT_TRUE(fs::exists(library_));
}

TEST_F(MaterialCommandsTest, DemoLeavesAMaterialLibraryAndItsListFile) {
  const fs::path demo = dir_ / "demo";
  ASSERT_EQ(run({"demo", demo.string()}), 0) << err_.str() << out_.str();
  EXPECT_TRUE(has(out_.str(),
                  ": 13 materials, 4 dimensions with 9 units, 2 markets and 4 "
                  "subprices; exported "))
      << out_.str();
  const std::string list = read_file(demo / "materials.lis");
  EXPECT_EQ(list.rfind(std::string("\x03") + kListBanner + "\r\n", 0), 0u);
  for (const char* part : {"subprice:lab;Labour ;0.25*PRICE\r\n", "subprice:wgt;Weighti;1.8\r\n",
                           "long text names:Description|Standard|Supplier|Note\r\n"})
    EXPECT_TRUE(has(list, part)) << part;

  library_ = (demo / "materials.dlist").string();
  EXPECT_EQ(tree().size(), 3u);

  // A list file left in the folder is not overwritten.
  const fs::path other = dir_ / "other";
  fs::create_directories(other);
  std::ofstream(other / "materials.lis") << "keep me";
  EXPECT_EQ(run({"demo", other.string()}), 1);
  EXPECT_TRUE(has(err_.str(), "materials.lis exists already")) << err_.str();
  EXPECT_EQ(read_file(other / "materials.lis"), "keep me");
}

}  // namespace
