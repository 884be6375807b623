// The exchange commands in-process: export and import between project files,
// --node and --into, the clash answers, refused files, `dump` as text and JSON, and
// the demonstration.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "palettes/clash_dialog.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

using dlist::testing::has;
using dlist::testing::one_line;

class ExchangeCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  void TearDown() override {
    dlist::set_clash_choice(dlist::kClashOverwriteAsk);
    ScratchFolderTest::TearDown();
  }

  // Runs dlist with args on project (when not empty); the status, with what it
  // wrote in out_ and err_.
  int run(const std::string& project, Args args, bool terminal = false,
          const std::string& input = "") {
    if (!project.empty()) args.insert(args.begin(), {"--project", path(project)});
    return ScratchFolderTest::run(args, terminal, input);
  }
  // Runs and expects success.
  void ok(const std::string& project, const Args& args) {
    ASSERT_EQ(run(project, args), 0) << args[0] << " " << args[1] << ": " << err_.str();
  }
  std::string tree(const std::string& project, const char* family) {
    EXPECT_EQ(run(project, {family, "tree"}), 0) << err_.str();
    return out_.str();
  }
  // The paths of names below the root in a tree listing, one a line.
  static std::string paths(const std::string& listing) {
    std::istringstream lines(listing);
    std::vector<std::string> stack;
    std::string line, out;
    while (std::getline(lines, line)) {
      const std::size_t depth = line.find_first_not_of(' ') / 2;
      const std::size_t name_at = line.find(' ', line.find(' ', depth * 2) + 1) + 1;
      stack.resize(depth);
      stack.push_back(line.substr(name_at));
      std::string path;
      for (std::size_t i = 1; i < stack.size(); ++i) path += (i > 1 ? "/" : "") + stack[i];
      out += path + "\n";
    }
    return out;
  }

  // p1.dlist: a wall palette W1 and a door prototype P1 in folders F, and a wall
  // palette X at the kind folder.
  void make_first_project() {
    ok("p1.dlist", {"init"});
    ok("p1.dlist", {"palettes", "new-folder", "--name", "F", "--in", "Walls"});
    ok("p1.dlist", {"palettes", "new", "--kind", "wall", "--name", "W1", "--in", "Walls/F"});
    ok("p1.dlist", {"prototypes", "new-folder", "--name", "F", "--in", "Doors"});
    ok("p1.dlist", {"prototypes", "new", "--kind", "door", "--name", "P1", "--in", "Doors/F"});
  }

};

TEST_F(ExchangeCommandsTest, ExportAndImportCarryTheChosenNodesWhereAsked) {
  make_first_project();
  struct Case {
    std::string family, node, file, into;
    std::vector<std::string> paths;  // in the target's tree
  };
  const Case cases[] = {
      {"palettes", "", "all.pal", "", {"Walls/Walls/F/W1"}},
      {"prototypes", "", "all.prt", "", {"Doors/F/P1"}},
      {"palettes", "Walls/F/W1", "one.pal", "Walls/G", {"Walls/Walls/G/W1"}},
      {"prototypes", "Doors/F", "f.prt", "Doors/G", {"Doors/G/F/P1"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string target = "t" + std::to_string(n++) + ".dlist";
    Args exp = {c.family, "export", "--description", "test", path(c.file)};
    if (!c.node.empty()) exp.insert(exp.begin() + 2, {"--node", c.node});
    ASSERT_EQ(run("p1.dlist", exp), 0) << err_.str();
    EXPECT_TRUE(has(out_.str(), "exported ")) << out_.str();
    EXPECT_TRUE(has(out_.str(), path(c.file) + " (")) << out_.str();

    ok(target, {"init"});
    Args imp = {c.family, "import", path(c.file)};
    if (!c.into.empty()) {
      const std::string kind_folder = c.into.substr(0, c.into.find('/'));
      ok(target, {c.family, "new-folder", "--name", "G", "--in", kind_folder});
      imp.insert(imp.begin() + 2, {"--into", c.into});
    }
    ASSERT_EQ(run(target, imp), 0) << err_.str();
    EXPECT_TRUE(has(out_.str(), "new nodes")) << out_.str();
    EXPECT_EQ(err_.str(), "") << "no block trace on stderr";
    const std::string listing = paths(tree(target, c.family.c_str()));
    for (const std::string& p : c.paths) EXPECT_TRUE(has(listing, p + "\n")) << c.file << "\n" << listing;
  }
}

TEST_F(ExchangeCommandsTest, ClashesAreAnsweredAsAsked) {
  // p1's W1 carries the default wall palette; each target holds the same palette
  // under the node "Other", so the import meets a node that differs in its name.
  make_first_project();
  ok("p1.dlist", {"palettes", "export", "--node", "Walls/F/W1", path("w.pal")});
  struct Case {
    std::string on_clash;
    bool terminal;
    std::string input;
    std::string name_after;
  };
  const Case cases[] = {
      {"", false, "", "Other"},          {"ask", false, "o\n", "Other"},
      {"ask", true, "o\n", "W1"},        {"ask", true, "x\nkeep\n", "Other"},
      {"ask", true, "", "Other"},        {"overwrite", false, "", "W1"},
      {"overwrite-all", false, "", "W1"}, {"keep", false, "", "Other"},
      {"keep-all", false, "", "Other"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string target = "c" + std::to_string(n++) + ".dlist";
    ok(target, {"init"});
    ok(target, {"palettes", "new", "--kind", "wall", "--name", "Other"});
    Args imp = {"palettes", "import", path("w.pal")};
    if (!c.on_clash.empty()) imp.insert(imp.begin() + 2, {"--on-clash", c.on_clash});
    ASSERT_EQ(run(target, imp, c.terminal, c.input), 0) << err_.str();
    EXPECT_EQ(has(err_.str(), "differs from the node \"Other\""), c.terminal && c.on_clash == "ask")
        << c.on_clash << ": " << err_.str();
    const std::string listing = tree(target, "palettes");
    EXPECT_TRUE(has(listing, " wall " + c.name_after + "\n")) << c.on_clash << c.input << listing;
    EXPECT_TRUE(dlist::dialog_log().refusals.empty()) << "the clash dialog took its answer";
  }
}

TEST_F(ExchangeCommandsTest, RefusalsAreOneLineAndChangeNothing) {
  make_first_project();
  ok("p1.dlist", {"prototypes", "export", path("p.prt")});
  std::ofstream(path("cut.pal"), std::ios::binary) << std::string("\0\0\0\0\1\0\0\0", 8);
  const std::string before = tree("p1.dlist", "palettes");
  struct Case {
    Args args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"palettes", "import", path("p.prt")}, 1, "has code -1"},
      {{"palettes", "import", path("cut.pal")}, 1, "offset"},
      {{"palettes", "import", path("none.pal")}, 1, "no such file"},
      {{"palettes", "import", "--into", "Walls/Nope", path("p.prt")}, 1, "Nope"},
      {{"palettes", "export", "--node", "Nope", path("x.pal")}, 1, "Nope"},
      {{"palettes", "export", path("no/such/dir/x.pal")}, 1, "cannot write"},
      {{"palettes", "import", "--on-clash", "maybe", path("p.prt")}, 2, "maybe"},
      {{"prototypes", "import", "--on-clash", "keep", path("p.prt")}, 2, "--on-clash"},
      {{"palettes", "export"}, 2, "FILE is required"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run("p1.dlist", c.args), c.status) << c.err << ": " << err_.str();
    EXPECT_TRUE(has(err_.str(), c.err)) << err_.str();
    if (c.status == 1) {
      EXPECT_TRUE(one_line(err_.str())) << err_.str();
      EXPECT_EQ(err_.str().rfind("dlist palettes ", 0), 0u) << err_.str();
    }
  }
  EXPECT_EQ(tree("p1.dlist", "palettes"), before);
  EXPECT_FALSE(fs::exists(path("x.pal")));
}

TEST_F(ExchangeCommandsTest, DumpShowsEveryBlockAsTextOrJson) {
  make_first_project();
  ok("p1.dlist", {"palettes", "export", "--description", "walls", path("w.pal")});
  ok("p1.dlist", {"prototypes", "export", path("p.prt")});

  ASSERT_EQ(run("", {"dump", path("w.pal")}), 0) << err_.str();
  const std::string text = out_.str();
  for (const char* part : {": palette file, ", "description (5 bytes) \"walls\"", "@9 BLOCK_BEGIN code 1",
                           "BLOCK_PALETTE code 3 size 117", "    layer 1\n", "BLOCK_NODE code 2",
                           "\"W1\"", "BLOCK_END code 12"}) {
    EXPECT_TRUE(has(text, part)) << part << "\n" << text;
  }

  ASSERT_EQ(run("", {"dump", "--json", path("p.prt")}), 0) << err_.str();
  const auto j = nlohmann::json::parse(out_.str());
  for (const char* key : {"file", "kind", "size", "description", "blocks", "ended", "appendix", "ok",
                          "error", "error_offset"}) {
    EXPECT_TRUE(j.contains(key)) << key;
  }
  EXPECT_EQ(j["kind"], "prototype");
  EXPECT_EQ(j["ok"], true);
  ASSERT_GE(j["blocks"].size(), 4u);
  for (const char* key : {"offset", "name", "code", "size", "a", "b", "kind", "fields"})
    EXPECT_TRUE(j["blocks"][1].contains(key)) << key;
  EXPECT_EQ(j["blocks"].back()["name"], "BLOCK_END");

  // Damaged: cut inside the first palette block.
  std::ofstream(path("cut.pal"), std::ios::binary) << bytes("w.pal").substr(0, 60);
  for (const bool json : {false, true}) {
    Args args = {"dump", path("cut.pal")};
    if (json) args.push_back("--json");
    EXPECT_EQ(run("", args), 1);
    EXPECT_TRUE(one_line(err_.str())) << err_.str();
    EXPECT_TRUE(has(err_.str(), "dlist dump: " + path("cut.pal") + ": at offset ")) << err_.str();
    EXPECT_TRUE(has(out_.str(), "BLOCK_BEGIN")) << "what was decoded is shown";
  }
  EXPECT_EQ(run("", {"dump", path("none.pal")}), 1);
  EXPECT_TRUE(one_line(err_.str())) << err_.str();
  EXPECT_EQ(run("", {"dump"}), 2);
}

TEST_F(ExchangeCommandsTest, DemoLeavesItsFilesAndFindsBothProjectsEqual) {
  const std::string demo = path("demo");
  ASSERT_EQ(run("", {"demo", demo}), 0) << err_.str() << out_.str();
  EXPECT_EQ(err_.str(), "");
  for (const char* file : {"project.dlist", "palettes.pal", "prototypes.prt", "second.dlist"})
    EXPECT_GT(fs::file_size(fs::path(demo) / file), 0u) << file;
  for (const char* part : {"26 palettes and 26 prototypes", "wall 2/2", "hotspot 2/2", ": equal\n"})
    EXPECT_TRUE(has(out_.str(), part)) << part << "\n" << out_.str();

  // The files carry the demo's data: a text "abc", references, surfaces.
  ASSERT_EQ(run("", {"dump", (fs::path(demo) / "prototypes.prt").string()}), 0) << err_.str();
  for (const char* part : {"BLOCK_TEXT", "\"abc\"", "BLOCK_MATREF", "BLOCK_ATTREF", "\"R60\"", "\"Brick\""})
    EXPECT_TRUE(has(out_.str(), part)) << part;

  // A second run keeps what the first left.
  const auto size = fs::file_size(fs::path(demo) / "project.dlist");
  EXPECT_EQ(run("", {"demo", demo}), 1);
  EXPECT_TRUE(has(err_.str(), "exists already")) << err_.str();
  EXPECT_EQ(fs::file_size(fs::path(demo) / "project.dlist"), size);
}

}  // namespace
