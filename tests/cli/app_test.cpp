// The whole command in-process: arguments in, exit status and streams out, on
// project files in a scratch folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;

class AppTest : public dlist::testing::ScratchFolderTest {};

TEST_F(AppTest, ExitStatusTellsSuccessRefusalAndWrongUsage) {
  const std::string project = path("p.dlist");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;  // a part of what stderr says
  };
  const Case cases[] = {
      {{"--project", project, "palettes", "tree"}, 1, "there is no project " + project},
      {{"--project", project, "init"}, 0, ""},
      {{"--project", project, "init"}, 0, ""},
      {{"palettes", "tree", "--json", "--project", project}, 0, ""},
      {{"--project", project, "palettes", "new", "--kind", "wall", "--name", "A"}, 0, ""},
      {{"--project", project, "--no", "palettes", "new", "--kind", "1", "--name", "B"},
       1,
       "Store palette: An identical palette already exists.\n"
       "dlist palettes new: an identical wall palette is stored already"},
      {{"--project", project, "prototypes", "new-folder", "--name", "F", "--in", "Walls"}, 0, ""},
      {{"--project", project, "prototypes", "new", "--kind", "14", "--name", "P"},
       1,
       "dlist prototypes new: unknown kind \"14\""},
      {{"--project", project, "palettes"}, 2, "A subcommand is required"},
      {{"--project", project, "palettes", "new", "--kind", "wall"}, 2, "--name is required"},
      {{"--project", project, "--yes", "--no", "palettes", "tree"}, 2, "excludes"},
      {{"--project", project, "prototypes", "new-folder", "--name", "G"}, 2, "--in is required"},
      {{"--project", path("notes.txt"), "init"}, 1, "cannot open the project"},
      {{"--project", dir_.string(), "init"}, 1, "is a folder, not a project file"},
  };
  const std::string notes = "not a database, but long enough to be read as one.......";
  std::ofstream(path("notes.txt")) << notes;
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), c.status) << c.args.back() << ": " << err_.str();
    if (c.err.empty())
      EXPECT_EQ(err_.str(), "");
    else
      EXPECT_NE(err_.str().find(c.err), std::string::npos) << err_.str();
  }
  EXPECT_EQ(fs::file_size(path("notes.txt")), notes.size()) << "a refused file stays as it was";

  // What the commands made is in the project file.
  ASSERT_EQ(run({"--project", project, "prototypes", "tree"}), 0);
  EXPECT_NE(out_.str().find(" wall F\n"), std::string::npos) << out_.str();
  ASSERT_EQ(run({"--project", project, "palettes", "tree"}), 0);
  EXPECT_NE(out_.str().find(" wall A\n"), std::string::npos) << out_.str();
  EXPECT_EQ(out_.str().find(" wall B\n"), std::string::npos);
}

TEST_F(AppTest, QuietKeepsStdoutForResultsOnly) {
  const std::string project = path("q.dlist");
  ASSERT_EQ(run({"--project", project, "init", "--quiet"}), 0);
  EXPECT_EQ(out_.str(), "");
  ASSERT_EQ(run({"--project", project, "palettes", "new-folder", "--name", "Y", "--in", "Doors"}),
            0);
  EXPECT_NE(out_.str().find("created folder"), std::string::npos);
}

}  // namespace
