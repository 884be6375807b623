// Listing the trees of a project, as JSON and as text.

#include "cli/tree_listing.h"

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "foundation/element_kinds.h"
#include "host/model/prototype_store.h"
#include "tests/cli/cli_test_support.h"

namespace {

using dlist::ModelTree;
using dlist::cli::StoreTree;
using nlohmann::json;

class TreeListingTest : public dlist::testing::CliTest {
 protected:
  json listed(ModelTree which) {
    EXPECT_EQ(dlist::cli::tree_command(StoreTree(which), true, output()), 0) << err_.str();
    return json::parse(out_.str());
  }
};

// Every node is an object with exactly the six keys, in this order.
void expect_node_shape(const json& node) {
  std::vector<std::string> keys;
  for (auto it = node.begin(); it != node.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"children", "description", "id", "kind", "level",
                                            "name"}));  // json sorts its keys
  for (const json& child : node["children"]) expect_node_shape(child);
}

TEST_F(TreeListingTest, NewProjectShowsTheSystemLevelsOfBothTrees) {
  const json palettes = listed(ModelTree::kPalettes);
  expect_node_shape(palettes);
  EXPECT_EQ(palettes["name"], "Palettes");
  EXPECT_EQ(palettes["level"], 0);
  ASSERT_EQ(palettes["children"].size(), 13u);
  for (int kind = 1; kind <= 13; ++kind) {
    const json& group = palettes["children"][kind - 1];
    EXPECT_EQ(group["level"], 1);
    EXPECT_EQ(group["kind"], kind);
    ASSERT_EQ(group["children"].size(), 1u);
    EXPECT_EQ(group["children"][0]["level"], 2);
    EXPECT_EQ(group["children"][0]["name"], group["name"]);
    EXPECT_TRUE(group["children"][0]["children"].empty());
  }

  const json prototypes = listed(ModelTree::kPrototypes);
  expect_node_shape(prototypes);
  EXPECT_EQ(prototypes["name"], "Prototypes");
  ASSERT_EQ(prototypes["children"].size(), 13u);
  EXPECT_EQ(prototypes["children"][12]["name"], "Hotspots");
  EXPECT_EQ(prototypes["children"][12]["level"], 1);
  EXPECT_EQ(prototypes["children"][12]["kind"], 13);
  EXPECT_EQ(out_.str().find("\"id\""), out_.str().find('{') + 4) << "id comes first";
}

TEST_F(TreeListingTest, UserNodesNestAndTextIsIndented) {
  StoreTree tree(ModelTree::kPrototypes);
  const long folder = tree.create_node(tree.kind_folder(2), "Front", 0);
  // "Oak é €", stored as bytes of Windows-1252; a control character that an older
  // project may hold.
  const long leaf = tree.create_node(folder, "Oak \xC3\xA9 \xE2\x82\xAC", tree.store_default_record(2).id);
  const long odd = tree.create_node(folder, "Odd\x1B[2J", 0);
  ASSERT_GT(leaf, 0);
  ASSERT_GT(odd, 0);
  DBPROTOTYPENODE stored;
  ASSERT_EQ(PROTOTYPES().get_id_node(leaf, &stored), leaf);
  EXPECT_STREQ(stored.name, "Oak \xE9 \x80");

  const json listing = listed(ModelTree::kPrototypes);
  // Written piece by piece, laid out as the JSON library itself would.
  EXPECT_EQ(nlohmann::ordered_json::parse(out_.str()).dump(2) + "\n", out_.str());
  const json& front = listing["children"][1]["children"][0];
  EXPECT_EQ(front["id"], folder);
  EXPECT_EQ(front["level"], 2);
  std::map<long, json> below;
  for (const json& n : front["children"]) below[n["id"].get<long>()] = n;
  EXPECT_EQ(below[leaf]["level"], -3);
  EXPECT_EQ(below[leaf]["kind"], 2);
  EXPECT_EQ(below[leaf]["name"], "Oak \xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(below[odd]["name"], "Odd\x1B[2J");

  ASSERT_EQ(dlist::cli::tree_command(tree, false, output()), 0);
  const std::string text = out_.str();
  EXPECT_EQ(text.rfind("28 - Prototypes\n  29 wall Walls\n  30 door Doors\n    ", 0), 0u) << text;
  EXPECT_NE(text.find("    " + std::to_string(folder) + " door Front\n      " +
                      std::to_string(leaf) + " door Oak \xC3\xA9 \xE2\x82\xAC\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" door Odd\\x1B[2J\n"), std::string::npos) << text;
  EXPECT_EQ(text.find('\x1B'), std::string::npos);
}

}  // namespace
