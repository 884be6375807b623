// The material links of prototypes through the command line, which works the
// material link dialog as a user would: links added (twice refused, a parameter
// that cannot measure the material refused), automatic quantities, codes that
// left the library, groups applied with and without overwriting, and the links
// carried through a prototype file.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/command_line_support.h"

namespace {

using Args = std::vector<std::string>;
using dlist::testing::has;
using nlohmann::json;

class MaterialLinkCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    library_ = path("lib.dlist");
    project_ = path("p.dlist");
    make_demo_library(library_);
    ASSERT_EQ(run({"init"}), 0) << err_.str();
    ASSERT_EQ(run({"prototypes", "new", "--kind", "wall", "--name", "W1"}), 0) << err_.str();
    ASSERT_EQ(run({"prototypes", "new", "--kind", "wall", "--name", "W2"}), 0) << err_.str();
  }

  int run(Args args) {
    args.insert(args.begin(), {"--materials", library_, "--project", project_});
    return ScratchFolderTest::run(args);
  }
  json links(const std::string& node) {
    EXPECT_EQ(run({"prototypes", "materials", node, "--json"}), 0) << err_.str();
    return json::parse(out_.str());
  }

  std::string library_;
  std::string project_;
};

TEST_F(MaterialLinkCommandsTest, LinksAreAddedOnceWithTheirQuantityAndParameter) {
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1", "--quantity", "2.5"}), 0)
      << err_.str();
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "2.1.1", "--quantity", "auto",
                 "--parameter", "AREA"}),
            0)
      << err_.str();
  EXPECT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1"}), 1);
  EXPECT_TRUE(has(err_.str(), "linked already")) << err_.str();
  EXPECT_FALSE(has(err_.str(), "internal failure")) << err_.str();
  EXPECT_TRUE(has(err_.str(), "rejected input")) << err_.str();
  // A brick is counted in pieces: an area cannot measure it.
  EXPECT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.2", "--parameter", "AREA"}), 1);
  EXPECT_TRUE(has(err_.str(), "cannot be measured")) << err_.str();
  EXPECT_EQ(run({"prototypes", "link-material", "Walls/W1", "9.9.9"}), 1);

  const json l = links("Walls/W1");
  ASSERT_EQ(l.size(), 2u) << l.dump();
  EXPECT_EQ(l[0]["code"], "1.1.1");
  EXPECT_EQ(l[0]["name"], "Solid brick");
  EXPECT_DOUBLE_EQ(l[0]["quantity"].get<double>(), 2.5);
  EXPECT_EQ(l[1]["quantity"], "auto");
  EXPECT_EQ(l[1]["parameter"], "AREA");

  ASSERT_EQ(run({"prototypes", "unlink-material", "Walls/W1", "1.1.1"}), 0) << err_.str();
  EXPECT_EQ(links("Walls/W1").size(), 1u);
  EXPECT_EQ(run({"prototypes", "unlink-material", "Walls/W1", "1.1.1"}), 1);
  EXPECT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1", "--quantity", "x"}), 1);
  EXPECT_EQ(links("Walls/W1").size(), 1u);
}

TEST_F(MaterialLinkCommandsTest, ALinkTakesALocationByPathOrIdentifier) {
  ASSERT_EQ(run({"locations", "new", "--name", "Site"}), 0) << err_.str();
  ASSERT_EQ(run({"locations", "new", "--name", "Hall", "--under", "Site"}), 0) << err_.str();
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1", "--location", "Site/Hall"}), 0)
      << err_.str();
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "2.1.1", "--location", "1"}), 0)
      << err_.str();
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "3.1"}), 0) << err_.str();
  EXPECT_EQ(run({"prototypes", "link-material", "Walls/W2", "1.1.1", "--location", "Site/Nowhere"}), 1);
  EXPECT_TRUE(has(err_.str(), "Nowhere")) << err_.str();
  const json l = links("Walls/W1");
  ASSERT_EQ(l.size(), 3u) << l.dump();
  EXPECT_EQ(l[0]["location"], "Site/Hall");
  EXPECT_EQ(l[1]["location"], "Site");
  EXPECT_TRUE(l[2]["location"].is_null());
  EXPECT_TRUE(links("Walls/W2").empty());
}

TEST_F(MaterialLinkCommandsTest, LinksOfMaterialsThatLeftTheLibraryAreDropped) {
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1"}), 0) << err_.str();
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "2.1.1"}), 0) << err_.str();
  ASSERT_EQ(run({"--yes", "materials", "remove", "1.1"}), 0) << err_.str();
  const json l = links("Walls/W1");
  ASSERT_EQ(l.size(), 1u) << l.dump();
  EXPECT_EQ(l[0]["code"], "2.1.1");
}

TEST_F(MaterialLinkCommandsTest, GroupsAddOrOverwriteAndRefuseOverAutomaticQuantities) {
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1", "--quantity", "3"}), 0);
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "2.1.1", "--quantity", "4"}), 0);
  ASSERT_EQ(run({"material-groups", "new", "G", "--from", "Walls/W1"}), 0) << err_.str();
  EXPECT_EQ(run({"material-groups", "new", "G", "--from", "Walls/W1"}), 1);
  ASSERT_EQ(run({"material-groups", "list", "--json"}), 0);
  const json groups = json::parse(out_.str());
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0]["links"].size(), 2u);

  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W2", "1.1.1", "--quantity", "7"}), 0);
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W2", "3.1", "--quantity", "auto"}), 0);
  // Overwriting is refused while a link has the automatic quantity.
  EXPECT_EQ(run({"material-groups", "apply", "G", "Walls/W2", "--overwrite"}), 1);
  EXPECT_TRUE(has(err_.str(), "automatic")) << err_.str();
  EXPECT_EQ(links("Walls/W2").size(), 2u);
  // Adding gives the same material the group's quantity and appends the others.
  ASSERT_EQ(run({"material-groups", "apply", "G", "Walls/W2"}), 0) << err_.str();
  json l = links("Walls/W2");
  ASSERT_EQ(l.size(), 3u) << l.dump();
  EXPECT_DOUBLE_EQ(l[0]["quantity"].get<double>(), 3.0);
  EXPECT_EQ(l[2]["code"], "2.1.1");

  ASSERT_EQ(run({"prototypes", "unlink-material", "Walls/W2", "3.1"}), 0) << err_.str();
  ASSERT_EQ(run({"material-groups", "apply", "G", "Walls/W2", "--overwrite"}), 0) << err_.str();
  l = links("Walls/W2");
  ASSERT_EQ(l.size(), 2u) << l.dump();

  ASSERT_EQ(run({"material-groups", "remove", "G"}), 0) << err_.str();
  EXPECT_EQ(run({"material-groups", "remove", "G"}), 1);
  EXPECT_EQ(run({"material-groups", "apply", "G", "Walls/W2"}), 1);
}

TEST_F(MaterialLinkCommandsTest, LinksTravelThroughThePrototypeFile) {
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "1.1.1", "--quantity", "2"}), 0);
  ASSERT_EQ(run({"prototypes", "link-material", "Walls/W1", "2.1.1", "--quantity", "auto",
                 "--parameter", "AREA"}),
            0);
  const json before = links("Walls/W1");
  ASSERT_EQ(run({"prototypes", "export", "--node", "Walls/W1", path("w.prt")}), 0) << err_.str();
  project_ = path("second.dlist");
  ASSERT_EQ(run({"init"}), 0) << err_.str();
  ASSERT_EQ(run({"prototypes", "import", path("w.prt")}), 0) << err_.str();
  EXPECT_EQ(links("Walls/W1"), before);
}

}  // namespace
