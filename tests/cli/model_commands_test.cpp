// `dlist model import|show|find` and `dlist lists generate` on files: a refused
// model file leaves the project as it was, and generation writes the lists and says
// with its exit status when one failed.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/cli/command_line_support.h"

namespace dlist::testing {
namespace {

class ModelCommandsTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    make_demo_library("materials.dlist");
  }
  int dlist(std::vector<std::string> args) {
    args.insert(args.begin(), {"--project", path("project.dlist"), "--materials", path("materials.dlist")});
    return run(args);
  }
  void write(const std::string& name, const std::string& text) { std::ofstream(path(name)) << text; }
};

constexpr const char* kHouse = R"({"format": "dlist-model", "version": 1,
  "plans": [{"name": "House", "floors": [{"number": 0, "name": "Ground"}]}],
  "elements": [{"kind": "wall", "plan": "House", "floor": 0, "parameters": {"AREA": 10},
                "materials": [{"code": "2.1.1", "quantity": "auto", "parameter": "AREA"},
                              {"code": "1.1.1", "quantity": 100}]}]})";

TEST_F(ModelCommandsTest, ImportShowFindAndARefusalThatChangesNothing) {
  write("house.json", kHouse);
  ASSERT_EQ(dlist({"model", "import", path("house.json")}), 0) << err_.str();
  write("bad.json", R"({"format": "dlist-model", "version": 1, "elements": [{"kind": "wall"},
      {"kind": "wall", "materials": [{"code": "9.9", "quantity": 1}]}]})");
  EXPECT_EQ(dlist({"model", "import", path("bad.json"), "--replace"}), 1);
  EXPECT_TRUE(has(err_.str(), "element 2: materials[1].code: no material \"9.9\"")) << err_.str();
  ASSERT_EQ(dlist({"model", "show"}), 0);
  EXPECT_TRUE(has(out_.str(), "wall\tHouse\tfloor 0\tlayer 0\t2 materials")) << out_.str();
  ASSERT_EQ(dlist({"model", "find", "--key", "AREA", "--value", "10", "--numeric", "--kinds", "wall"}), 0);
  EXPECT_TRUE(has(out_.str(), "\tHouse\t0\twall")) << out_.str();
  EXPECT_EQ(dlist({"model", "find", "--key", "AREA", "--value", "10", "--kinds", "tower"}), 1);
  // The dump reads a model file through the same reader, without a project.
  ASSERT_EQ(run({"dump", path("house.json")}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "  material 2.1.1 auto by AREA\n")) << out_.str();
  EXPECT_EQ(run({"dump", path("bad.json")}), 0);  // well-formed: the library decides on codes
  write("broken.json", R"({"format": "dlist-model", "version": 1, "elements": [{"kind": "tower"}]})");
  EXPECT_EQ(run({"dump", path("broken.json")}), 1);
}

TEST_F(ModelCommandsTest, GenerateWritesTheListsAndFailsWhenOneFails) {
  write("house.json", kHouse);
  ASSERT_EQ(dlist({"model", "import", path("house.json")}), 0) << err_.str();
  ASSERT_EQ(dlist({"lists", "new", path("set.ini")}), 0) << err_.str();
  ASSERT_EQ(dlist({"lists", "generate", path("set.ini"), "Priced materials"}), 0) << err_.str();
  // 10 m2 of plaster at 12.50 and 100 bricks at 0.45, with the subprice rows.
  const std::string list = bytes("Priced_materials.txt");
  EXPECT_TRUE(has(list, "2.1.1;Gypsum plaster;m2;10.00;12.50;125.00\n")) << list;
  EXPECT_TRUE(has(list, "1.1.1;Solid brick;pcs;100.00;0.45;45.00\n")) << list;
  std::filesystem::remove(path("set.dlt"));
  EXPECT_EQ(dlist({"lists", "generate", path("set.ini")}), 1);
  EXPECT_TRUE(has(err_.str(), "the template cannot be read")) << err_.str();
}

}  // namespace
}  // namespace dlist::testing
