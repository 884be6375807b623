// `dlist materials import`, `init` and `move` in-process: a list export file of the
// demonstration's library read into a new library and again with a standing answer
// to the overwrite question, a delimited text file with a column map, a move and
// the refusals that leave the library as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "materials/list_exporter.h"
#include "tests/cli/command_line_support.h"
#include "tests/materials/library_test_support.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

class MaterialImportCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    make_demo_library("demo.dlist", "demo.lis");
  }

  // Runs dlist on lib.dlist; with a terminal, input is what the user types at the
  // prompts.
  int run(Args args, bool terminal = false, const std::string& input = "") {
    args.insert(args.begin(), {"--materials", path("lib.dlist")});
    return ScratchFolderTest::run(args, terminal, input);
  }
  std::string tree() {
    EXPECT_EQ(run({"materials", "tree"}), 0) << err_.str();
    return out_.str();
  }
};

TEST_F(MaterialImportCommandsTest, InitImportAndMove) {
  ASSERT_EQ(run({"materials", "init", path("demo.lis")}), 0) << err_.str();
  EXPECT_NE(out_.str().find("13 new materials"), std::string::npos) << out_.str();
  const std::string first = tree();
  EXPECT_NE(first.find("Solid brick"), std::string::npos);

  // Read again, every stored material kept; and below a material, relative.
  ASSERT_EQ(run({"materials", "import", path("demo.lis"), "--on-conflict", "keep-all"}), 0) << err_.str();
  EXPECT_EQ(tree(), first);
  ASSERT_EQ(run({"materials", "import", path("demo.lis"), "--under", "3.1"}), 0) << err_.str();
  EXPECT_NE(tree().find("3.1.1.1.1"), std::string::npos) << tree();

  // A branch moved to a free place; onto a taken code it is refused.
  ASSERT_EQ(run({"materials", "move", "3.1.1", "2.1.1"}), 0) << err_.str();
  const std::string moved = tree();
  EXPECT_EQ(moved.find("3.1.1 "), std::string::npos) << moved;
  EXPECT_NE(moved.find("2.1.1.1.1 "), std::string::npos) << moved;
  // Both refusals say why in words, without an internal line number.
  EXPECT_EQ(run({"materials", "move", "1.1", "2"}), 1);
  EXPECT_NE(err_.str().find("2 already holds a material of the code \"1\""), std::string::npos)
      << err_.str();
  EXPECT_EQ(run({"materials", "move", "1", "1.1"}), 1);
  EXPECT_NE(err_.str().find("1.1 lies in the branch of 1"), std::string::npos) << err_.str();
  EXPECT_EQ(err_.str().find("LISTEXEC"), std::string::npos) << err_.str();
  EXPECT_EQ(tree(), moved);
}

TEST_F(MaterialImportCommandsTest, TheOverwriteQuestionIsAskedAtATerminalOnly) {
  ASSERT_EQ(run({"materials", "init", path("demo.lis")}), 0) << err_.str();
  std::string changed = bytes("demo.lis");
  for (const char* name : {"|Solid brick|", "|Concrete block|"}) {
    const std::size_t at = changed.find(name);
    ASSERT_NE(at, std::string::npos) << name;
    changed[at + 1] = 'Z';
  }
  std::ofstream(path("changed.lis"), std::ios::binary) << changed;
  const std::string before = tree();

  // Without a terminal the question is not answered: both are kept.
  ASSERT_EQ(run({"materials", "import", path("changed.lis")}), 0) << err_.str();
  EXPECT_EQ(tree(), before);
  // At the prompt: an unreadable answer is asked again, then "o" overwrites the
  // first in the file and "k" keeps the second.
  ASSERT_EQ(run({"materials", "import", path("changed.lis")}, true, "x\no\nk\n"), 0) << err_.str();
  EXPECT_NE(err_.str().find("1.2.1 \"Concrete block\" differs from the imported one (\"Zoncrete block\") in the name"),
            std::string::npos)
      << err_.str();
  const std::string after = tree();
  EXPECT_NE(after.find("Zoncrete block"), std::string::npos) << after;
  EXPECT_NE(after.find("Solid brick"), std::string::npos) << after;
}

TEST_F(MaterialImportCommandsTest, TextFileWithColumnsAndRefusals) {
  std::ofstream(path("t.txt"), std::ios::binary) << "code;name;price\nX;Brick;12.346\n";
  ASSERT_EQ(run({"materials", "import", path("t.txt"), "--columns",
                 "delim=;,skip=1,cols=code,name,unit_price"}),
            0)
      << err_.str();
  EXPECT_NE(tree().find("12.35"), std::string::npos) << tree();

  const std::string before = tree();
  std::ofstream(path("bad.lis"), std::ios::binary)
      << std::string("\x03") + kListBanner + "\r\n.\r\nzzz\r\n\r\n";
  EXPECT_EQ(run({"materials", "import", path("bad.lis")}), 1);
  EXPECT_NE(err_.str().find("unchanged"), std::string::npos) << err_.str();
  EXPECT_EQ(run({"materials", "import", path("t.txt"), "--under", "NOPE"}), 1);
  EXPECT_EQ(run({"materials", "import", path("t.txt"), "--columns", "cols=nonsense"}), 1);
  EXPECT_EQ(tree(), before);
}

TEST_F(MaterialImportCommandsTest, DemoReadsItsListFileBackEqual) {
  const fs::path demo = dir_ / "demo";
  ASSERT_EQ(run({"demo", demo.string()}), 0) << err_.str() << out_.str();
  EXPECT_NE(out_.str().find("13 materials with equal codes, names, unit prices, native units, markets, "
                            "long texts and unit and subprice references (numbers to the last bit); "
                            "10 of them gained the reference to the piece unit"),
            std::string::npos)
      << out_.str();
  EXPECT_GT(fs::file_size(demo / "second-materials.dlist"), 0u);
}

// Every material of a library by identifier (fields, long texts, references in
// their order, numbers to the last bit) and every unit with its usage count; codes
// and parents are left out.
std::string records_of(const std::string& file) {
  LISTCONTEXT library;
  EXPECT_TRUE(library.open(file)) << library.last_error();
  std::ostringstream s;
  s.precision(17);
  for (const dlist::testing::StoredMaterial& m : dlist::testing::stored_materials(library)) {
    s << m.id << "|" << m.data.name << "|" << m.data.unit_price << "|" << m.data.native_unit << "|"
      << m.data.market;
    for (const std::string& t : m.texts) s << "|" << t;
    for (const unitref& u : m.units) s << "|" << u.abbrev << "=" << u.factor;
    for (const subpriceref& r : m.subprices) s << "|$" << r.abbrev << "=" << r.value;
    s << "\n";
  }
  std::vector<long> ids;
  library.unit_ids(ids);
  for (const long id : ids) {
    dbunit u{};
    library.get(id, u);
    s << "unit " << id << " " << u.abbrev << " " << u.factor << " " << u.usage << "\n";
  }
  return s.str();
}

// The demonstration's library reads its own list file, and a move in it changes
// nothing but the place of the branch.
TEST_F(MaterialImportCommandsTest, TheDemoLibraryReadsItsOwnFileAndMovesWithoutBending) {
  const auto in_demo = [this](Args args) {
    args.insert(args.begin(), {"--materials", path("demo.dlist")});
    return ScratchFolderTest::run(args);
  };
  ASSERT_EQ(in_demo({"materials", "import", path("demo.lis"), "--on-conflict", "keep-all"}), 0)
      << err_.str();
  const std::string before = records_of(path("demo.dlist"));
  ASSERT_EQ(in_demo({"materials", "move", "1.2", "3"}), 0) << err_.str();
  EXPECT_EQ(records_of(path("demo.dlist")), before);
  LISTCONTEXT library;
  ASSERT_TRUE(library.open(path("demo.dlist")));
  dbmaterial m{};
  EXPECT_GT(library.get(TEXTBUFFER("3.2.1"), m, nullptr), 0);
  EXPECT_STREQ(m.name, "Concrete block");
}

}  // namespace
