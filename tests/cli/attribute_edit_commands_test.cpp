// `dlist attributes new` on project and library files: an attribute with a unit of
// the material library and references of each kind, and the editor's refusals
// printed with the option they concern, the project left unchanged.
#include <gtest/gtest.h>

#include <string>

#include "cli/attribute_library.h"
#include "host/list/list_context.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "tests/cli/command_line_support.h"
#include "tests/materials/library_test_support.h"

namespace dlist::testing {
namespace {

class AttributeEditCommandsTest : public ScratchFolderTest {
 protected:
  int run(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--project", path("p.dlist"), "--materials", path("m.dlist")};
    all.insert(all.end(), args.begin(), args.end());
    return ScratchFolderTest::run(all);
  }
  // The attribute whose abbreviation is abbrev in the project file, 0 for none.
  long find(const char* abbrev, DBATTRIBUTETYPE* d) {
    ModelDatabase project;
    EXPECT_TRUE(project.open(path("p.dlist")));
    ActiveModel active(project);
    return ATTRIBUTES().get_abbrev_attribute(abbrev, d);
  }
};

TEST_F(AttributeEditCommandsTest, CreatesThroughTheEditorAndPrintsItsRefusals) {
  {
    LISTCONTEXT library;
    ASSERT_TRUE(library.open(path("m.dlist"))) << library.last_error();
    const long area = add_unit(library, 0, "##2", "Area", 1.0);
    add_unit(library, area, "m2", "Square metre", 1.0);
  }
  ASSERT_EQ(run({"init"}), 0) << err_.str();
  ASSERT_EQ(run({"attributes", "new-group", "--name", "Doors"}), 0) << err_.str();
  ASSERT_EQ(
      run({"attributes",  "new",    "--in",    "Doors",    "--name",      "Coat",       "--abbrev",
           "COAT",        "--kind", "formula", "--for",    "door,window", "--unit",     "m2",
           "--precision", "1",      "--ref",   "thin=1.5", "--ref",       "thick=2*1.5"}),
      0)
      << err_.str();
  DBATTRIBUTETYPE d;
  ASSERT_GT(find("COAT", &d), 0);
  EXPECT_EQ(d.flags, DBATTRIBUTETYPE::kFormula | 0x6u);
  EXPECT_EQ(std::string(d.unit), "m2");
  EXPECT_EQ(d.precision, 1);

  // A taken abbreviation: refused at OK, printed with its option, nothing created.
  EXPECT_EQ(run({"attributes", "new", "--in", "/", "--name", "Other", "--abbrev", "COAT", "--kind",
                 "text", "--for", "wall"}),
            1);
  EXPECT_TRUE(has(err_.str(), "--abbrev")) << err_.str();
  ASSERT_GT(find("COAT", &d), 0);
  EXPECT_EQ(std::string(d.name), "Coat");
  EXPECT_EQ(find("OTHER", nullptr), 0);
  // A reference name given twice, and a unit the library lacks.
  EXPECT_EQ(run({"attributes", "new", "--in", "/", "--name", "Twice", "--abbrev", "TWC", "--kind",
                 "text", "--for", "wall", "--ref", "a=1", "--ref", "a=2"}),
            1);
  EXPECT_TRUE(has(err_.str(), "--ref")) << err_.str();
  EXPECT_EQ(run({"attributes", "new", "--in", "/", "--name", "Unit", "--abbrev", "UNT", "--kind",
                 "formula", "--for", "wall", "--unit", "zz"}),
            1);
  EXPECT_EQ(find("TWC", nullptr), 0);
  EXPECT_EQ(find("UNT", nullptr), 0);
}

}  // namespace
}  // namespace dlist::testing
