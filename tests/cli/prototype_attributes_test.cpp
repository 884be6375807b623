// The attribute values of a demo prototype through the commands: values typed,
// picked and held, the rows listed as JSON, removing a value, and the
// completeness check naming the offending row.
#include "cli/prototype_attributes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/demo_project.h"
#include "host/model/prototype_store.h"
#include "tests/cli/cli_test_support.h"

namespace dlist::cli {
namespace {

class PrototypeAttributesTest : public dlist::testing::CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    std::string error;
    ASSERT_TRUE(fill_demo_tree(StoreTree(ModelTree::kPrototypes), &error)) << error;
    ASSERT_TRUE(fill_demo_attributes(&error)) << error;
    // The first door prototype.
    PROTOTYPES store;
    DBPROTOTYPENODE n;
    std::vector<long> pending{store.get_root(2)};
    while (!pending.empty() && door_ == 0) {
      const long folder = pending.back();
      pending.pop_back();
      store.rew_node(folder);
      for (long id; (id = store.get_node(&n)) > 0;) {
        if (n.is_leaf() && door_ == 0) door_ = id;
        if (!n.is_leaf()) pending.push_back(id);
      }
    }
    ASSERT_GT(door_, 0);
    node_ = std::to_string(door_);
  }

  static LinkRequest value(const std::string& v) {
    LinkRequest r;
    r.value = v;
    return r;
  }
  static LinkRequest ref(const std::string& v) {
    LinkRequest r;
    r.ref = v;
    return r;
  }
  static LinkRequest held(const std::string& v, bool hold = true) {
    LinkRequest r;
    r.file = v;
    r.hold = hold;
    return r;
  }
  int link(const char* abbrev, LinkRequest r) {
    return link_attribute_command(db_, node_, abbrev, r, output());
  }

  long door_ = 0;
  std::string node_;
};

TEST_F(PrototypeAttributesTest, LinksListsRemovesAndChecks) {
  EXPECT_EQ(link("FIRE", ref("EI60")), 0) << err_.str();
  EXPECT_EQ(link("DWIDTH", value("0.85")), 0) << err_.str();
  const std::filesystem::path sheet = std::filesystem::temp_directory_path() / "dlist_link_sheet.txt";
  std::ofstream(sheet) << "sheet";
  EXPECT_EQ(link("SHEET", held(sheet.string())), 0) << err_.str();
  std::filesystem::remove(sheet);
  // Refusals change nothing.
  EXPECT_EQ(link("FIRE", ref("EI99")), 1);
  EXPECT_EQ(link("NOTE", held("x")), 1);
  EXPECT_EQ(link("NOPE", value("1")), 1);

  ASSERT_EQ(prototype_attributes_command(db_, node_, true, output()), 0) << err_.str();
  const nlohmann::json rows = nlohmann::json::parse(out_.str());
  ASSERT_EQ(rows.size(), 4u);  // the demo's own value and three linked
  bool seen_ref = false, seen_held = false;
  for (const auto& r : rows) {
    if (r["abbrev"] == "FIRE") {
      EXPECT_EQ(r["value"], "EI60");
      EXPECT_TRUE(r["indirect"].get<bool>());
      seen_ref = true;
    }
    if (r["abbrev"] == "SHEET") {
      EXPECT_EQ(r["value"], "dlist_link_sheet.txt");
      EXPECT_TRUE(r["held"].get<bool>());
      seen_held = true;
    }
  }
  EXPECT_TRUE(seen_ref && seen_held);

  EXPECT_EQ(check_prototype_command(db_, node_, 2, output()), 0) << err_.str();
  // The same reference twice: adjacent equal rows.
  EXPECT_EQ(link("FIRE", ref("EI60")), 0) << err_.str();
  EXPECT_EQ(check_prototype_command(db_, node_, 2, output()), 1);
  EXPECT_NE(err_.str().find("(FIRE \"EI60\")"), std::string::npos) << err_.str();
  EXPECT_EQ(unlink_attribute_command(db_, node_, "FIRE", std::string("EI60"), output()), 0)
      << err_.str();
  EXPECT_EQ(check_prototype_command(db_, node_, 2, output()), 0) << err_.str();
  EXPECT_EQ(unlink_attribute_command(db_, node_, "FIRE", std::nullopt, output()), 1);
}

}  // namespace
}  // namespace dlist::cli
