// `dlist attributes tree` and `dlist attributes new-group` on a project file: the
// JSON of groups, attributes of the three kinds and their references, naming
// entries by identifier or path, and the refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/attribute_library.h"
#include "foundation/references.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "tests/cli/command_line_support.h"

namespace dlist::testing {
namespace {

class AttributeCommandsTest : public ScratchFolderTest {
 protected:
  int run(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--project", path("p.dlist")};
    all.insert(all.end(), args.begin(), args.end());
    return ScratchFolderTest::run(all);
  }
};

long attribute(long parent, const char* name, const char* abbrev, uint32_t flags) {
  DBATTRIBUTETYPE d;
  d.set_name(name);
  d.set_abbrev(abbrev);
  d.set_unit("m2");
  d.set_description("about it");
  d.flags = flags;
  d.precision = 2;
  d.SetSummarizable(true);
  return ATTRIBUTES().cre_attribute(parent, &d);
}

TEST_F(AttributeCommandsTest, TreeShowsGroupsAttributesAndReferences) {
  ASSERT_EQ(run({"init"}), 0) << err_.str();
  ASSERT_EQ(run({"attributes", "new-group", "--name", "Doors"}), 0) << err_.str();
  ASSERT_EQ(run({"attributes", "new-group", "--name", "Fire", "--in", "Doors"}), 0);
  EXPECT_EQ(run({"attributes", "new-group", "--name", "Fire", "--in", "Doors"}), 1);
  EXPECT_TRUE(has(err_.str(), "already"));
  EXPECT_EQ(run({"attributes", "new-group", "--name", "a/b"}), 1);
  EXPECT_EQ(run({"attributes", "new-group", "--name", "X", "--in", "Nowhere"}), 1);

  {
    ModelDatabase project;
    ASSERT_TRUE(project.open(path("p.dlist")));
    ActiveModel active(project);
    std::string error;
    const auto doors = cli::resolve_attribute_entry("Doors", true, &error);
    ASSERT_TRUE(doors) << error;
    const long colour = attribute(doors->id, "Colour", "COL", DBATTRIBUTETYPE::kText | 0x6);
    const long list = ATTRIBUTES().get_id_attribute(colour, nullptr);
    ATTR_REF refs;
    ASSERT_GT(refs.cre(list, "red", TEXTBUFFER("#f00"), 0), 0);
    ASSERT_GT(refs.cre(list, "usual", TEXTBUFFER("red"), DBATTREFTYPE::kIndirect), 0);
    const long manual = attribute(doors->id, "Manual", "MAN", DBATTRIBUTETYPE::kFile | 0x1);
    const std::vector<unsigned char> held = make_embedded_file("m.txt", std::span<const unsigned char>(
                                                                           reinterpret_cast<const unsigned char*>("abc"), 3));
    TEXTBUFFER value;
    value.assign(held.data(), static_cast<uint32_t>(held.size()));
    ASSERT_GT(refs.filepred_import(ATTRIBUTES().get_id_attribute(manual, nullptr), "copy", value), 0);
    // An attribute named like a group beside it makes the path ambiguous.
    attribute(doors->id, "Fire", "FIRE", DBATTRIBUTETYPE::kFormula | 0x1);
    EXPECT_FALSE(cli::resolve_attribute_entry("Doors/Fire", false, &error));
    EXPECT_TRUE(cli::resolve_attribute_entry("Doors/Fire", true, &error));
  }

  ASSERT_EQ(run({"attributes", "tree", "--json"}), 0) << err_.str();
  const auto tree = nlohmann::json::parse(out_.str());
  EXPECT_EQ(tree["type"], "group");
  EXPECT_EQ(tree["name"], "Attributes");
  const auto& doors = tree["children"][0];
  EXPECT_EQ(doors["name"], "Doors");
  ASSERT_EQ(doors["children"].size(), 4u);
  EXPECT_EQ(doors["children"][0]["type"], "group");
  const auto& colour = doors["children"][1];
  EXPECT_EQ(colour["type"], "text");
  EXPECT_EQ(colour["abbrev"], "COL");
  EXPECT_EQ(colour["description"], "about it");
  EXPECT_EQ(colour["unit"], "m2");
  EXPECT_EQ(colour["precision"], 2);
  EXPECT_EQ(colour["kinds"], nlohmann::json::array({"door", "window"}));
  EXPECT_EQ(colour["summarizable"], true);
  ASSERT_EQ(colour["references"].size(), 2u);
  EXPECT_EQ(colour["references"][0]["value"], "#f00");
  EXPECT_EQ(colour["references"][1]["indirect"], true);
  EXPECT_EQ(colour["references"][1]["value"], "red");
  const auto& copy = doors["children"][2]["references"][0];
  EXPECT_EQ(copy["held"], true);
  EXPECT_EQ(copy["file"]["name"], "m.txt");
  EXPECT_EQ(copy["file"]["size"], 3);
  EXPECT_FALSE(copy.contains("value"));
  EXPECT_EQ(doors["children"][3]["type"], "formula");

  ASSERT_EQ(run({"attributes", "tree"}), 0);
  EXPECT_TRUE(has(out_.str(), "text Colour [COL]"));
  EXPECT_TRUE(has(out_.str(), "- usual -> red"));
}

}  // namespace
}  // namespace dlist::testing
