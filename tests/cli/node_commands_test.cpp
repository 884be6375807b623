// Creating palettes, prototypes and folders from the command line, in both trees:
// where they land, what is refused, and that a refused or failed command leaves
// the project as it was.

#include "cli/node_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/node_path.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "tests/cli/cli_test_support.h"

namespace {

using dlist::ModelTree;
using dlist::cli::NewLeafRequest;
using dlist::cli::StoreTree;

class NodeCommandsTest : public dlist::testing::CliTest,
                         public ::testing::WithParamInterface<ModelTree> {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    front_ = tree_.create_node(tree_.kind_folder(2), "Front", 0);
    ASSERT_GT(front_, 0);
  }

  int new_leaf(const std::string& kind, const std::string& name, const std::string& in = "") {
    return new_leaf_in(db_, kind, name, in);
  }
  int new_leaf_in(dlist::ModelDatabase& db, const std::string& kind, const std::string& name,
                  const std::string& in = "") {
    return dlist::cli::new_leaf_command(db, tree_, NewLeafRequest{kind, name, in}, output());
  }
  int new_folder(const std::string& name, const std::string& in) {
    return dlist::cli::new_folder_command(db_, tree_, name, in, output());
  }
  // The node that path names, 0 when none.
  long at(const std::string& path) {
    std::string error;
    auto node = dlist::cli::resolve_node(tree_, path, dlist::cli::NodeWanted::kAny, &error);
    return node ? node->id : 0;
  }
  // What the project holds: nodes and stored records.
  std::string contents() { return contents_of(db_); }
  static std::string contents_of(dlist::ModelDatabase& db) {
    std::string counts;
    for (const char* table : {"nodes", "palettes", "elements"}) {
      dlist::Statement s(db.connection(), (std::string("SELECT count(*) FROM ") + table).c_str());
      counts += std::string(table) + " " + (s.row() ? std::to_string(s.integer(0)) : "?") + "; ";
    }
    return counts;
  }
  long record_of(long node) {
    return GetParam() == ModelTree::kPalettes ? PALETTES().get_id_palette(node)
                                              : PROTOTYPES().get_id_prototype(node);
  }
  // The path of the kind folder of kind name, as each tree spells it.
  std::string kind_path(const std::string& folder) {
    return GetParam() == ModelTree::kPalettes ? folder + "/" + folder : folder;
  }

  StoreTree tree_{GetParam()};
  long front_ = 0;
};

TEST_P(NodeCommandsTest, NewLeavesAndFoldersLandWhereAsked) {
  struct Case {
    std::string kind, name, in, expected_path;
  };
  const Case cases[] = {
      {"wall", "Outer", "", kind_path("Walls") + "/Outer"},
      {"3", "Tall", "Windows", kind_path("Windows") + "/Tall"},
      {"Door", "Oak", "Doors/Front", kind_path("Doors") + "/Front/Oak"},
      {"hotspot", "Pin", std::to_string(tree_.kind_folder(13)), kind_path("Hotspots") + "/Pin"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(new_leaf(c.kind, c.name, c.in), 0) << c.name << ": " << err_.str();
    const long node = at(c.expected_path);
    ASSERT_GT(node, 0) << c.expected_path;
    EXPECT_LT(tree_.node(node)->level, 0);
    EXPECT_GT(record_of(node), 0);
    EXPECT_NE(out_.str().find("as node " + std::to_string(node) + " "), std::string::npos);
  }
  EXPECT_EQ(tree_.node(at(kind_path("Doors") + "/Front/Oak"))->kind, 2);

  ASSERT_EQ(new_folder("Sub", "Walls"), 0) << err_.str();
  ASSERT_EQ(new_folder("Deeper", "Walls/Sub"), 0) << err_.str();
  const long deeper = at(kind_path("Walls") + "/Sub/Deeper");
  ASSERT_GT(deeper, 0);
  EXPECT_EQ(tree_.node(deeper)->kind, 1);
  EXPECT_EQ(record_of(deeper), 0);
  EXPECT_TRUE(dlist::dialog_log().message_boxes.empty());
}

TEST_P(NodeCommandsTest, RefusalsSayWhyAndChangeNothing) {
  ASSERT_EQ(new_leaf("wall", "Outer"), 0);
  const std::string before = contents();
  struct Case {
    std::string kind, name, in, message;
  };
  const Case cases[] = {
      {"house", "A", "", "unknown kind \"house\""},
      {"0", "A", "", "unknown kind \"0\""},
      {"14", "A", "", "unknown kind \"14\""},
      {"door", "A", "Doors/Nope", "there is no folder \"Nope\" in " + kind_path("Doors")},
      {"door", "Front", "Doors", "the name \"Front\" is used in " + kind_path("Doors")},
      {"wall", "A", "Doors/Front", "holds door " + std::string(tree_.word()) + ", not wall ones"},
      {"wall", "A", "/", "/ (node "},
      {"wall", "", "", "the name is empty"},
      {"wall", std::string(32, 'x'), "", "is 32 characters long; at most 31 fit"},
      {"wall", "a/b", "", "holds \"/\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(new_leaf(c.kind, c.name, c.in), 1) << c.name;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().rfind("dlist test: ", 0), 0u);
    EXPECT_EQ(err_.str().find('\n'), err_.str().size() - 1) << "one line";
  }
  EXPECT_EQ(new_folder("Front", "Doors"), 1);
  EXPECT_EQ(new_folder("X", "Nope/Nope"), 1);
  EXPECT_EQ(new_folder("X", "/"), 1);
  EXPECT_NE(err_.str().find("system folder"), std::string::npos);
  EXPECT_EQ(contents(), before);
}

TEST_P(NodeCommandsTest, EqualPaletteIsToldAndGetsNoNode) {
  ASSERT_EQ(new_leaf("wall", "First"), 0);
  const std::string before = contents();
  dlist::dialog_log().message_boxes.clear();
  const int status = new_leaf("wall", "Second");
  if (GetParam() == ModelTree::kPrototypes) {
    EXPECT_EQ(status, 0) << "prototypes may be equal";
    return;
  }
  EXPECT_EQ(status, 1);
  EXPECT_NE(err_.str().find("an identical wall palette is stored already (palette " +
                            std::to_string(record_of(at("Walls/First"))) + ")"),
            std::string::npos)
      << err_.str();
  ASSERT_EQ(dlist::dialog_log().message_boxes.size(), 1u);
  EXPECT_EQ(dlist::dialog_log().message_boxes[0].text, "An identical palette already exists.");
  EXPECT_EQ(at("Walls/Second"), 0);
  EXPECT_EQ(contents(), before);
}

// A failure at any store call or statement leaves nothing behind: the record is
// not kept without its node, and a commit that fails is reported.
TEST_P(NodeCommandsTest, FailureAnywhereLeavesTheProjectAsItWas) {
  int failed = 0;
  for (int statements = 0; statements < 2; ++statements) {
    for (unsigned n = 1; n < 120; ++n) {
      dlist::ModelDatabase project;
      ASSERT_TRUE(project.open(":memory:"));
      dlist::ActiveModel active(project);
      const std::string before = contents_of(project);
      statements ? dlist::fail_model_statements_after(n) : dlist::fail_model_calls_after(n);
      const int status = new_leaf_in(project, "circle", "N");
      dlist::fail_model_statements_after(0);
      dlist::fail_model_calls_after(0);
      if (status == 0) {
        EXPECT_GT(at(kind_path("Circles") + "/N"), 0);
      } else {
        ++failed;
        EXPECT_EQ(contents_of(project), before) << "failure at " << n << ": " << err_.str();
      }
    }
  }
  EXPECT_GT(failed, 10);
}

INSTANTIATE_TEST_SUITE_P(BothTrees, NodeCommandsTest,
                         ::testing::Values(ModelTree::kPalettes, ModelTree::kPrototypes),
                         [](const auto& info) {
                           return info.param == ModelTree::kPalettes ? "Palettes" : "Prototypes";
                         });

}  // namespace
