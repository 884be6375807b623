// The manager's procedures on the command line, one project file through a
// sequence of commands: what each says, what it refuses, and what the tree holds
// afterwards.
#include "cli/manager_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/command_line_support.h"

namespace {

using dlist::testing::has;

class ManagerCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  int dl(std::vector<std::string> args) {
    args.insert(args.begin(), {"--project", (dir_ / "p.dlist").string()});
    return run(args);
  }
};

TEST_F(ManagerCommandsTest, CommandsRunTheManagersProcedures) {
  struct Step {
    std::vector<std::string> args;
    int status;
    const char* says;  // on stdout, or on stderr for a refusal
  };
  const std::vector<Step> steps = {
      {{"init"}, 0, ""},
      {{"palettes", "new-folder", "--name", "Outer", "--in", "Walls"}, 0, "created folder"},
      {{"palettes", "new", "--kind", "wall", "--name", "Brick", "--in", "Walls/Outer"},
       0,
       "created"},
      {{"palettes", "new-folder", "--name", "Inner", "--in", "Walls"}, 0, "created folder"},
      {{"palettes", "rename", "Walls/Outer/Brick", "Stone"}, 0, "renamed"},
      {{"palettes", "rename", "Walls/Walls", "Kind"}, 1, "system folder"},
      {{"palettes", "move", "Walls/Outer/Stone", "Doors"}, 1, "cannot move"},
      {{"palettes", "move", "Walls/Outer/Stone", "Walls/Inner"}, 0, "Walls/Walls/Inner/Stone"},
      {{"palettes", "rename", "Walls/Inner", "Outer"}, 1, "is used"},
      {{"palettes", "describe", "Walls/Inner/Stone", "--text", "grey"}, 0, "described"},
      {{"palettes", "describe", "Walls/Inner/Stone"}, 0, "grey"},
      {{"palettes", "find", "STONE"}, 0, "Walls/Walls/Inner/Stone"},
      {{"palettes", "find", "STONE", "--match-case"}, 1, "no name matches"},
      {{"palettes", "find", "tone", "--prefix"}, 1, "no name matches"},
      {{"palettes", "tree", "--report"}, 0, "Stone (0,0,0)"},
      {{"palettes", "remove", "Walls/Inner/Stone"}, 1, "--yes"},
      {{"palettes", "remove", "Walls/Inner/Stone", "--no"}, 1, "the answer was No"},
      {{"palettes", "remove", "Walls/Inner/Stone", "--yes"}, 0, "removed"},
      {{"palettes", "unregistered"}, 0, "wall PALETTE_"},
      {{"prototypes", "new", "--kind", "door", "--name", "Door"}, 0, "created"},
      {{"prototypes", "duplicate", "Doors/Door"}, 0, "Doors/Door~1"},
      {{"prototypes", "find", "door", "--all"}, 0, "Doors/Door~1"},
  };
  for (const Step& step : steps) {
    const int status = dl(step.args);
    const std::string joined = step.args[0] + (step.args.size() > 1 ? " " + step.args[1] : "");
    EXPECT_EQ(status, step.status) << joined << "\n" << err_.str();
    EXPECT_TRUE(has(out_.str() + err_.str(), step.says)) << joined << "\n"
                                                         << out_.str() << err_.str();
  }
  // the palette that lost its node is registered again
  ASSERT_EQ(dl({"palettes", "unregistered", "--json"}), 0);
  const std::string listing = out_.str();
  const std::size_t at = listing.find("\"id\": ");
  ASSERT_NE(at, std::string::npos);
  const std::string id = listing.substr(at + 6, listing.find(',', at) - at - 6);
  EXPECT_EQ(dl({"palettes", "register", id, "--in", "Walls/Outer", "--name", "Again"}), 0)
      << err_.str();
  EXPECT_EQ(dl({"palettes", "register", id, "--in", "Walls/Outer", "--name", "Twice"}), 1);
  EXPECT_TRUE(has(err_.str(), "has a node already"));
}

}  // namespace
