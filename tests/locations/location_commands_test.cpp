// `dlist locations ...` and `dlist dump FILE.loc` in-process on project files: the
// tree as JSON, names by path, the refusals, removal with its question, and a
// replacement that a damaged file leaves undone.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/command_line_support.h"

namespace {

using Args = std::vector<std::string>;
using dlist::testing::has;

class LocationCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  int run(Args args, const std::string& project = "p.dlist") {
    out_.str("");
    err_.str("");
    args.insert(args.begin(), {"--project", path(project)});
    return ScratchFolderTest::run(args);
  }
  nlohmann::json tree(const std::string& project = "p.dlist") {
    EXPECT_EQ(run({"locations", "tree", "--json"}, project), 0) << err_.str();
    return nlohmann::json::parse(out_.str());
  }
};

TEST_F(LocationCommandsTest, BuildRenameMoveAndShowTheTree) {
  ASSERT_EQ(run({"init"}), 0) << err_.str();
  ASSERT_EQ(run({"locations", "new", "--name", "Site", "--text", "all of it"}), 0) << err_.str();
  ASSERT_EQ(run({"locations", "new", "--name", "Hall", "--under", "Site"}), 0) << err_.str();
  ASSERT_EQ(run({"locations", "new", "--name", "Yard"}), 0) << err_.str();
  EXPECT_EQ(run({"locations", "new", "--name", "Hall", "--under", "Site"}), 1);
  EXPECT_TRUE(has(err_.str(), "is in")) << err_.str();
  ASSERT_EQ(run({"locations", "rename", "Site/Hall", "Main hall"}), 0) << err_.str();
  ASSERT_EQ(run({"locations", "edit", "Yard", "--text", "open"}), 0) << err_.str();
  EXPECT_EQ(run({"locations", "move", "Site", "Site/Main hall"}), 1);  // below itself
  ASSERT_EQ(run({"locations", "move", "Yard", "Site/Main hall"}), 0) << err_.str();
  const nlohmann::json t = tree();
  ASSERT_EQ(t.size(), 1U);
  EXPECT_EQ(t[0]["name"], "Site");
  EXPECT_EQ(t[0]["text"], "all of it");
  EXPECT_EQ(t[0]["key"], 1);
  EXPECT_EQ(t[0]["children"][0]["name"], "Main hall");
  EXPECT_EQ(t[0]["children"][0]["children"][0]["name"], "Yard");
  EXPECT_EQ(t[0]["children"][0]["children"][0]["text"], "open");
}

TEST_F(LocationCommandsTest, RemoveAsksAndExportImportRoundTrip) {
  ASSERT_EQ(run({"init"}), 0);
  ASSERT_EQ(run({"locations", "new", "--name", "A"}), 0);
  ASSERT_EQ(run({"locations", "new", "--name", "B", "--under", "A", "--text", "b"}), 0);
  ASSERT_EQ(run({"--no", "locations", "remove", "A/B"}), 0);
  EXPECT_TRUE(has(err_.str(), "Do you want to delete this location?")) << err_.str();
  EXPECT_EQ(tree()[0]["children"].size(), 1U);

  ASSERT_EQ(run({"locations", "export", "--description", "mine", path("out.loc")}), 0) << err_.str();
  ASSERT_EQ(run({"dump", path("out.loc"), "--json"}), 0) << err_.str();
  const nlohmann::json dump = nlohmann::json::parse(out_.str());
  EXPECT_EQ(dump["description"], "mine");
  EXPECT_EQ(dump["records"].size(), 2U);
  EXPECT_EQ(dump["rest"], 12);

  ASSERT_EQ(run({"init"}, "q.dlist"), 0);
  ASSERT_EQ(run({"locations", "import", "--replace", path("out.loc")}, "q.dlist"), 0) << err_.str();
  EXPECT_EQ(tree("q.dlist"), tree());
  ASSERT_EQ(run({"locations", "import", "--under", "A", path("out.loc")}, "q.dlist"), 0) << err_.str();
  EXPECT_EQ(tree("q.dlist")[0]["children"][1]["name"], "A");
  EXPECT_NE(tree("q.dlist")[0]["children"][1]["key"], tree()[0]["key"]);  // a fresh key

  ASSERT_EQ(run({"--yes", "locations", "remove", "A/B"}), 0);
  EXPECT_TRUE(tree()[0]["children"].empty());
}

TEST_F(LocationCommandsTest, ADamagedFileLeavesTheProjectUnchanged) {
  ASSERT_EQ(run({"init"}), 0);
  ASSERT_EQ(run({"locations", "new", "--name", "Kept"}), 0);
  const nlohmann::json before = tree();
  // Description, one good record, then one whose parent was never read.
  std::string bytes(4, '\0');
  auto record = [&](int parent, int id, const char* name) {
    std::string r(96, '\0');
    r[0] = static_cast<char>(parent);
    r[4] = static_cast<char>(id);
    r.replace(12, std::string(name).size(), name);
    bytes += r;
  };
  record(0, 1, "New");
  record(7, 2, "Orphan");
  bytes += std::string(12, '\0');
  std::ofstream(path("bad.loc"), std::ios::binary) << bytes;
  EXPECT_EQ(run({"locations", "import", "--replace", path("bad.loc")}), 1);
  EXPECT_TRUE(has(err_.str(), "at offset 100")) << err_.str();
  EXPECT_EQ(tree(), before);
  EXPECT_EQ(run({"locations", "import", "--under", "Kept", path("bad.loc")}), 1);
  EXPECT_EQ(tree(), before);
  EXPECT_EQ(run({"dump", path("bad.loc")}), 1);
  EXPECT_TRUE(has(out_.str(), "@100 error")) << out_.str();
}

}  // namespace
