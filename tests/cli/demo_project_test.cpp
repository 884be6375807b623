// The demonstration's trees: filled alike in two projects they compare equal, and
// a changed description or record is found by its path.

#include "cli/demo_project.h"

#include <gtest/gtest.h>

#include "foundation/records.h"
#include "host/model/prototype_store.h"
#include "palettes/prototype_records.h"
#include "tests/cli/cli_test_support.h"

namespace {

using dlist::ModelTree;
using dlist::cli::NodePrint;
using dlist::cli::StoreTree;

class DemoProjectTest : public dlist::testing::CliTest {
 protected:
  // Fills both trees of the active model; the prints of the tree named.
  static std::vector<NodePrint> filled(ModelTree which) {
    std::string error;
    for (const ModelTree t : {ModelTree::kPalettes, ModelTree::kPrototypes}) {
      auto counts = dlist::cli::fill_demo_tree(StoreTree(t), &error);
      EXPECT_TRUE(counts) << error;
      if (counts) {
        EXPECT_EQ(counts->total_leaves(), 26);
      }
    }
    return prints(which);
  }
  static std::vector<NodePrint> prints(ModelTree which) {
    std::string error;
    auto p = dlist::cli::tree_prints(StoreTree(which), &error);
    EXPECT_TRUE(p) << error;
    return p ? *p : std::vector<NodePrint>{};
  }
};

TEST_F(DemoProjectTest, EqualTreesCompareEqualAndChangesAreFound) {
  const std::vector<NodePrint> palettes = filled(ModelTree::kPalettes);
  const std::vector<NodePrint> prototypes = prints(ModelTree::kPrototypes);
  for (const NodePrint& p : prototypes)
    if (p.level < 0) {
      EXPECT_FALSE(p.content.empty()) << p.path;
    }

  dlist::ModelDatabase other;
  ASSERT_TRUE(other.open(":memory:"));
  dlist::ActiveModel active(other);
  EXPECT_EQ(dlist::cli::first_difference(palettes, filled(ModelTree::kPalettes)), "");
  EXPECT_EQ(dlist::cli::first_difference(prototypes, prints(ModelTree::kPrototypes)), "");

  // The text prototype's record: another string.
  PROTOTYPES store;
  DBPROTOTYPENODE n;
  store.rew_node(store.get_root(9));
  const long folder = store.get_node(&n);
  store.rew_node(folder);
  long leaf = 0;
  for (long id; (id = store.get_node(&n)) > 0;)
    if (n.is_leaf()) leaf = id;
  ASSERT_GT(leaf, 0);
  DBTEXTTYPE text;
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
  ASSERT_EQ(GetTextPrototype(leaf, &text, &mat, &attr, 0), 1);
  text.set_text("abd");
  ASSERT_NE(ModPrototype(leaf, reinterpret_cast<unsigned long>(&text), 9, nullptr, &mat, &attr, 0), 0);
  EXPECT_EQ(dlist::cli::first_difference(prototypes, prints(ModelTree::kPrototypes)),
            "Texts/Text set/Text 1 carries different data");

  // A folder's description.
  ASSERT_EQ(store.mod_node(folder, [&] {
    DBPROTOTYPENODE f;
    store.get_id_node(folder, &f);
    f.description.put("changed");
    return f;
  }()), 1);
  EXPECT_EQ(dlist::cli::first_difference(prototypes, prints(ModelTree::kPrototypes)),
            "Texts/Text set differs in its description");
}

}  // namespace
