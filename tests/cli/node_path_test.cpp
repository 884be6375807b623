// Naming nodes by identifier and by path of names, in both trees.

#include "cli/node_path.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/default_records.h"
#include "tests/cli/cli_test_support.h"

namespace {

using dlist::ModelTree;
using dlist::cli::NodeWanted;
using dlist::cli::StoreTree;

class NodePathTest : public dlist::testing::CliTest {
 protected:
  // Below the wall kind folder of both trees: a folder "Outer", a leaf "Outer",
  // a folder "Walls" and a leaf "Leafy".
  void SetUp() override {
    CliTest::SetUp();
    for (StoreTree tree : {palettes_, prototypes_}) {
      const long walls = tree.kind_folder(1);
      outer_[tree.tree() == ModelTree::kPrototypes] = tree.create_node(walls, "Outer", 0);
      inner_walls_[tree.tree() == ModelTree::kPrototypes] = tree.create_node(walls, "Walls", 0);
      ASSERT_GT(tree.create_node(walls, "Outer", tree.store_default_record(1).id), 0);
      ASSERT_GT(tree.create_node(walls, "Leafy", tree.store_default_record(1).id), 0);
    }
  }

  // The node that node_text names, or the error.
  std::string resolve(const StoreTree& tree, const std::string& node_text, NodeWanted wanted) {
    std::string error;
    auto node = dlist::cli::resolve_node(tree, node_text, wanted, &error);
    return node ? std::to_string(node->id) : error;
  }

  StoreTree palettes_{ModelTree::kPalettes};
  StoreTree prototypes_{ModelTree::kPrototypes};
  long outer_[2] = {};
  long inner_walls_[2] = {};
};

TEST_F(NodePathTest, PathsAndIdentifiersNameTheirNodes) {
  const std::string outer = std::to_string(outer_[0]);
  const std::string kind_folder = std::to_string(palettes_.kind_folder(1));
  const std::string level1 = std::to_string(palettes_.parent(palettes_.kind_folder(1)));
  struct Case {
    std::string node_text;
    NodeWanted wanted;
    std::string expected;
  };
  const Case cases[] = {
      {"/", NodeWanted::kFolder, std::to_string(palettes_.root())},
      {"Walls", NodeWanted::kAny, level1},
      {"Walls/Walls", NodeWanted::kFolder, kind_folder},  // the kind folder comes first
      {"Walls/Outer", NodeWanted::kFolder, outer},        // the kind named once
      {"/Walls/Walls/Outer/", NodeWanted::kFolder, outer},
      {"Walls/Walls/Walls", NodeWanted::kFolder, std::to_string(inner_walls_[0])},
      {outer, NodeWanted::kFolder, outer},
      {"Walls/Outer", NodeWanted::kAny,
       "\"Outer\" in Walls/Walls (node " + kind_folder + ") names 2 nodes"},
      {"Doors/Outer", NodeWanted::kFolder, "there is no folder \"Outer\" in Doors/Doors (node 5)"},
      {"Walls/Leafy/x", NodeWanted::kFolder,
       "\"Leafy\" in Walls/Walls (node 3) is a palette, not a folder"},
      {std::to_string(outer_[1]), NodeWanted::kAny, "there is no node"},
      {"99999999999", NodeWanted::kAny, "there is no node 99999999999"},
      {"", NodeWanted::kAny, "no node given"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(resolve(palettes_, c.node_text, c.wanted).rfind(c.expected, 0), 0u)
        << c.node_text << ": " << resolve(palettes_, c.node_text, c.wanted);

  // The prototype tree has no level between the root and the kind folders.
  EXPECT_EQ(resolve(prototypes_, "Walls/Outer", NodeWanted::kFolder), std::to_string(outer_[1]));
  EXPECT_EQ(resolve(prototypes_, "Walls/Walls", NodeWanted::kFolder),
            std::to_string(inner_walls_[1]));
}

}  // namespace
