// `dlist surfaces list|export|import` and `dlist dump` of surface files: the round
// trip between two libraries with keeping and replacing, the refusals (an unknown
// name, a file of another kind without --force, a hostile file leaving the library
// as it was), and the dump of the seed files against the kept outputs.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/demo_surfaces.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using dlist::testing::has;

class SurfaceCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    SURFCONTEXT library;
    ASSERT_TRUE(library.open(path("first.dlist")));
    std::string error;
    ASSERT_EQ(dlist::cli::fill_demo_surfaces(library, &error), 4) << error;
  }
  int surfaces(const std::string& library, std::vector<std::string> args) {
    args.insert(args.begin(), {"--surfaces", path(library), "surfaces"});
    return run(args);
  }
};

TEST_F(SurfaceCommandsTest, ExportAndImportCarrySurfacesKeepingOrReplacing) {
  ASSERT_EQ(surfaces("first.dlist", {"list"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "Brick  type 2  bitmap brick.bmp (70 bytes)\nGlass  type 1\nPlaster  type 1\n"
            "Roof tile  type 3\n");
  ASSERT_EQ(surfaces("first.dlist", {"export", "Brick,Roof tile", path("two.sur")}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "exported 2 surfaces"));

  // The second library holds a Brick of its own: kept, then replaced.
  {
    SURFCONTEXT second;
    ASSERT_TRUE(second.open(path("second.dlist")));
    DBSURFHATCH own;
    std::strcpy(own.name, "Brick");
    ASSERT_GT(second.create(own, nullptr), 0);
  }
  ASSERT_EQ(surfaces("second.dlist", {"import", path("two.sur")}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "1 added, 0 replaced, 1 kept"));
  ASSERT_EQ(surfaces("second.dlist", {"import", path("two.sur"), "--replace"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "0 added, 2 replaced, 0 kept"));
  ASSERT_EQ(surfaces("second.dlist", {"list", "--json"}), 0);
  EXPECT_TRUE(has(out_.str(), "\"name\": \"Roof tile\""));
  EXPECT_TRUE(has(out_.str(), "\"size\": 70"));
  SURFCONTEXT first, second;
  ASSERT_TRUE(first.open(path("first.dlist")));
  ASSERT_TRUE(second.open(path("second.dlist")));
  EXPECT_EQ(dlist::cli::surface_difference(first, second, {"Brick", "Roof tile"}), "");
}

TEST_F(SurfaceCommandsTest, RefusalsLeaveFilesAndLibrariesAsTheyWere) {
  EXPECT_EQ(surfaces("first.dlist", {"export", "Brick,Nothing", path("x.sur")}), 1);
  EXPECT_TRUE(has(err_.str(), "no surface is called \"Nothing\""));
  EXPECT_FALSE(fs::exists(path("x.sur")));

  std::ofstream(path("notes.txt")) << "mine";
  EXPECT_EQ(surfaces("first.dlist", {"export", "Glass", path("notes.txt")}), 1);
  EXPECT_TRUE(has(err_.str(), "use --force"));
  EXPECT_EQ(bytes("notes.txt"), "mine");
  EXPECT_EQ(surfaces("first.dlist", {"export", "Glass", path("first.dlist")}), 1);
  EXPECT_TRUE(has(err_.str(), "that this command has open"));
  ASSERT_EQ(surfaces("first.dlist", {"export", "Glass", path("notes.txt"), "--force"}), 0);
  ASSERT_EQ(surfaces("first.dlist", {"export", "Glass", path("notes.txt")}), 0)
      << "a surface file is written over";

  const fs::path hostile = fs::path(DLIST_SOURCE_DIR) / "fuzz/corpus/surface_import/damaged_name_parent.sur";
  const std::string before = bytes("first.dlist");
  EXPECT_EQ(surfaces("first.dlist", {"import", hostile.string(), "--replace"}), 1);
  EXPECT_TRUE(has(err_.str(), "is no plain file name; the library is unchanged")) << err_.str();
  EXPECT_EQ(bytes("first.dlist"), before);
  EXPECT_EQ(surfaces("new.dlist", {"import", hostile.string()}), 1);
  EXPECT_FALSE(fs::exists(path("new.dlist"))) << "a library made for a failed import is removed";
}

TEST(SurfaceDumpGolden, SeedFilesDumpAsKept) {
  const fs::path root(DLIST_SOURCE_DIR);
  const fs::path golden = root / "tests/cli/golden/dump";
  for (const auto& [file, status] : {std::pair{"two_surfaces.sur", 0},
                                     std::pair{"damaged_missing_bitmap.sur", 1}}) {
    for (const bool json : {false, true}) {
      SCOPED_TRACE(std::string(file) + (json ? " --json" : ""));
      const std::string relative = std::string("fuzz/corpus/surface_import/") + file;
      std::vector<std::string> args = {"dump"};
      if (json) args.push_back("--json");
      args.push_back((root / relative).string());
      std::ostringstream out, err;
      EXPECT_EQ(dlist::testing::run_command_line(args, out, err), status);
      std::string shown = out.str();
      for (std::size_t at; (at = shown.find((root / "").string())) != std::string::npos;)
        shown.erase(at, (root / "").string().size());
      EXPECT_EQ(shown, dlist::testing::read_file(golden / (std::string(file) + (json ? ".json" : ".txt"))));
    }
  }
}

}  // namespace
