// `dlist attributes rename`, `remove` and `move` on one project file: what each
// says, what it refuses (protected groups, taken names, an unanswered question),
// the preset-use question, and what the library holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "host/model/attribute_store.h"
#include "host/model/kind_calls.h"
#include "host/model/model_database.h"
#include "tests/cli/command_line_support.h"

namespace dlist::testing {
namespace {

class AttributeManagerCommandsTest : public ScratchFolderTest {
 protected:
  int dl(std::vector<std::string> args) {
    args.insert(args.begin(), {"--project", path("p.dlist")});
    return run(args);
  }
};

TEST_F(AttributeManagerCommandsTest, CommandsRunTheManagersProcedures) {
  ASSERT_EQ(dl({"init"}), 0) << err_.str();
  ASSERT_EQ(dl({"attributes", "new-group", "--name", "Doors"}), 0);
  ASSERT_EQ(dl({"attributes", "new-group", "--name", "Walls"}), 0);
  ASSERT_EQ(dl({"attributes", "new-group", "--name", "General"}), 0);
  {
    ModelDatabase project;
    ASSERT_TRUE(project.open(path("p.dlist")));
    ActiveModel active(project);
    std::string error;
    ATTRIBUTES store;
    const long root = store.rew_node(0);
    DBATTRIBUTENODETYPE n;
    long doors = 0, walls = 0;
    for (long id; (id = store.get_node(&n)) > 0;) {
      if (std::string(n.name) == "Doors") doors = id;
      if (std::string(n.name) == "Walls") walls = id;
    }
    ASSERT_GT(root, 0);
    for (const auto& [parent, name, abbrev] :
         {std::tuple{doors, "Fire", "FIRE"}, std::tuple{doors, "Colour", "COL"},
          std::tuple{walls, "Height", "HGT"}}) {
      DBATTRIBUTETYPE d;
      d.set_name(name);
      d.set_abbrev(abbrev);
      d.flags = DBATTRIBUTETYPE::kText | 0x1;
      ASSERT_GT(ATTRIBUTES().cre_attribute(parent, &d), 0);
    }
    // a wall preset carries a value of Fire
    DBWALLTYPE wall{};
    DBATTREFCHAIN chain;
    DBATTREFTYPE link;
    link.set_abbrev("FIRE");
    link.set_name("EI30");
    chain.push(link);
    ASSERT_GT(cre_wall(&wall, nullptr, nullptr, &chain, 0, 0), 0);
  }
  struct Step {
    std::vector<std::string> args;
    int status;
    const char* says;  // on stdout, or on stderr for a refusal
  };
  const std::vector<Step> steps = {
      {{"attributes", "rename", "Doors/Colour", "Fire"}, 1, "is used beside"},
      {{"attributes", "rename", "Doors/Colour", "Shade"}, 0, "renamed entry"},
      {{"attributes", "rename", "General", "Other"}, 1, "protected"},
      {{"attributes", "rename", "/", "Other"}, 1, "protected"},
      {{"attributes", "move", "Doors/Shade", "Doors/Fire"}, 1, "cannot move"},
      {{"attributes", "move", "Doors/Shade", "Walls/Height"}, 0, "Walls/Shade"},
      {{"attributes", "move", "Doors", "Walls"}, 0, "Walls/Doors"},
      {{"attributes", "move", "Walls", "Walls/Doors"}, 1, "inside it"},
      {{"attributes", "move", "General", "Walls"}, 1, "protected"},
      {{"attributes", "remove", "Walls/Doors/Fire"}, 1, "--yes"},
      {{"attributes", "remove", "Walls/Doors/Fire", "--no"}, 1, "used by presets"},
      {{"attributes", "remove", "Walls/Doors/Fire", "--no"}, 1, "the answer was No"},
      {{"attributes", "remove", "Walls/Doors/Fire", "--yes"}, 0, "removed"},
      {{"attributes", "remove", "Walls/Shade", "--yes"}, 0, "removed"},
      {{"attributes", "remove", "General", "--yes"}, 1, "protected"},
  };
  for (const Step& step : steps) {
    const int status = dl(step.args);
    std::string joined;
    for (const std::string& a : step.args) joined += a + " ";
    EXPECT_EQ(status, step.status) << joined << "\n" << err_.str();
    EXPECT_TRUE(has(out_.str() + err_.str(), step.says)) << joined << "\n"
                                                         << out_.str() << err_.str();
  }
  ModelDatabase project;
  ASSERT_TRUE(project.open(path("p.dlist")));
  ActiveModel active(project);
  EXPECT_EQ(ATTRIBUTES().get_abbrev_attribute("FIRE", nullptr), 0);
  EXPECT_EQ(ATTRIBUTES().get_abbrev_attribute("COL", nullptr), 0);
  EXPECT_GT(ATTRIBUTES().get_abbrev_attribute("HGT", nullptr), 0);
  Statement uses(project.connection(), "SELECT count(*) FROM attrefs");
  ASSERT_TRUE(uses.row());
  EXPECT_EQ(uses.integer(0), 0);
}

}  // namespace
}  // namespace dlist::testing
