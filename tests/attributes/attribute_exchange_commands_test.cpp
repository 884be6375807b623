// `dlist attributes export|import` and `dlist dump` of attribute files in-process:
// a round trip between project files, the conflict answers, damaged files refused
// with the project unchanged, and the export's checks of its target.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "tests/attributes/attribute_file_support.h"
#include "tests/cli/command_line_support.h"

namespace {

using namespace attribute_test;
using Args = std::vector<std::string>;
using dlist::testing::has;
using dlist::testing::one_line;

class AttributeCommandsTest : public dlist::testing::ScratchFolderTest {
 protected:
  int run(const std::string& project, Args args, bool terminal = false,
          const std::string& input = "") {
    args.insert(args.begin(), {"--project", path(project)});
    return ScratchFolderTest::run(args, terminal, input);
  }

  // Runs body on the project file with the project active.
  template <class Body>
  void with_project(const std::string& project, Body body) {
    dlist::ModelDatabase db;
    ASSERT_TRUE(db.open(path(project))) << db.last_error();
    dlist::ActiveModel active(db);
    body();
  }

  // Doors (Fire rating FIRE with EI30 = "EI 30") in a new project file.
  void make_project(const std::string& project, const char* value = "EI 30") {
    ASSERT_EQ(run(project, {"init"}), 0) << err_.str();
    with_project(project, [&] {
      const long root = ATTRIBUTES().rew_node(0);
      DBATTRIBUTENODETYPE n;
      n.set_name("Doors");
      const long g = ATTRIBUTES().cre_node(root, &n);
      DBATTRIBUTETYPE d = definition("FIRE", "Fire rating");
      const long a = ATTRIBUTES().cre_attribute(g, &d);
      ASSERT_GT(ATTR_REF().cre(ATTRIBUTES().get_id_attribute(a, &d), "EI30", TEXTBUFFER(value), 0),
                0);
    });
  }

  // The reference values of FIRE, and the number of library entries.
  std::string state(const std::string& project) {
    std::string out;
    with_project(project, [&] {
      std::vector<long> pending{ATTRIBUTES().rew_node(0)};
      int entries = 0;
      while (!pending.empty()) {
        ATTRIBUTES walk;
        walk.rew_node(pending.back());
        pending.pop_back();
        DBATTRIBUTENODETYPE node;
        for (long id; (id = walk.get_node(&node)) > 0; ++entries)
          if (node.is_group()) pending.push_back(id);
      }
      out = std::to_string(entries) + " entries";
      DBATTRIBUTETYPE d;
      const long a = ATTRIBUTES().get_abbrev_attribute("FIRE", &d);
      if (a < 1) return;
      ATTR_REF refs;
      refs.rew(ATTRIBUTES().get_id_attribute(a, &d), 0);
      char name[17];
      char flags;
      TEXTBUFFER v;
      while (refs.get(name, &v, &flags) > 0) out += std::string(", ") + name + "=" + v.get();
    });
    return out;
  }
};

TEST_F(AttributeCommandsTest, ExportImportAndConflictAnswers) {
  make_project("p1.dlist");
  ASSERT_EQ(run("p1.dlist", {"attributes", "export", "--node", "Doors", path("doors.atr")}), 0)
      << err_.str();
  EXPECT_TRUE(has(out_.str(), "exported \"Doors\"")) << out_.str();
  ASSERT_EQ(run("p1.dlist", {"dump", path("doors.atr")}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "@0 file start type 0")) << out_.str();
  EXPECT_TRUE(has(out_.str(), "text \"EI 30\"")) << out_.str();

  make_project("p2.dlist", "EI 60");
  const std::string before = state("p2.dlist");
  EXPECT_EQ(before, "2 entries, EI30=EI 60");
  // not a terminal: asked, the answer is keep
  ASSERT_EQ(run("p2.dlist", {"attributes", "import", path("doors.atr")}), 0) << err_.str();
  EXPECT_EQ(state("p2.dlist"), before);
  ASSERT_EQ(run("p2.dlist", {"attributes", "import", path("doors.atr")}, true, "r\n"), 0)
      << err_.str();
  EXPECT_TRUE(
      has(err_.str(), "The reference Fire rating - EI30 holds \"EI 60\"; the file gives \"EI 30\""))
      << err_.str();
  EXPECT_EQ(state("p2.dlist"), "2 entries, EI30=EI 30");

  with_project("p2.dlist", [] {
    DBATTRIBUTETYPE d;
    const long a = ATTRIBUTES().get_abbrev_attribute("FIRE", &d);
    ATTR_REF().cre(ATTRIBUTES().get_id_attribute(a, &d), "EI90", TEXTBUFFER("x"), 0);
  });
  ASSERT_EQ(run("p2.dlist", {"attributes", "import", "--into", "Doors", "--on-conflict", "keep-all",
                             path("doors.atr")}),
            0);
  // Doors/Doors is new; its attribute is the library's FIRE, kept with its references
  EXPECT_TRUE(has(out_.str(), ": 1 new entries")) << out_.str();
  EXPECT_EQ(state("p2.dlist"), "3 entries, EI30=EI 30, EI90=x");
}

TEST_F(AttributeCommandsTest, DamagedFilesLeaveTheProjectUnchanged) {
  make_project("p.dlist");
  const std::string before = state("p.dlist");
  const DBATTRIBUTETYPE text = definition("NEW", "New");
  // Each file creates a group and an attribute before the record at fault.
  auto good_start = [&] {
    return AtrBuilder().start().group("Made", 0, 1).attribute(text, 1, 2, 3);
  };
  const std::vector<std::pair<const char*, AtrBuilder>> files = {
      {"no end", good_start()},
      {"short key", good_start().record(0, 4, 3, 4, Bytes(17)).end()},
      {"value without zero", good_start().reference("r", 0, 3, 4, Bytes{'v'}).end()},
      {"unknown parent", good_start().group("G", 99, 5).end()},
      {"bad definition", good_start().record(0, 2, 1, 6).record(0, 3, 6, 7, Bytes(152)).end()},
  };
  for (const auto& [what, file] : files) {
    SCOPED_TRACE(what);
    file.write(path("bad.atr"));
    EXPECT_EQ(run("p.dlist", {"attributes", "import", path("bad.atr")}), 1);
    EXPECT_TRUE(one_line(err_.str())) << err_.str();
    EXPECT_TRUE(has(err_.str(), "at offset")) << err_.str();
    EXPECT_TRUE(has(err_.str(), "the project is unchanged")) << err_.str();
    EXPECT_EQ(state("p.dlist"), before);
    EXPECT_EQ(run("p.dlist", {"dump", path("bad.atr")}), 1);
  }
}

TEST_F(AttributeCommandsTest, ExportChecksItsTarget) {
  make_project("p.dlist");
  EXPECT_EQ(run("p.dlist", {"attributes", "export", path("p.dlist")}), 1);
  EXPECT_TRUE(has(err_.str(), "that this command has open")) << err_.str();
  std::ofstream(path("notes.txt")) << "my notes";
  EXPECT_EQ(run("p.dlist", {"attributes", "export", path("notes.txt")}), 1);
  EXPECT_EQ(bytes("notes.txt"), "my notes");
  EXPECT_EQ(run("p.dlist", {"attributes", "export", "--force", path("notes.txt")}), 0)
      << err_.str();
  // an attribute file is written over without --force
  EXPECT_EQ(
      run("p.dlist", {"attributes", "export", "--node", "Doors/Fire rating", path("notes.txt")}), 0)
      << err_.str();
  EXPECT_EQ(run("p.dlist", {"attributes", "export", "--node", "Nowhere", path("x.atr")}), 1);
  EXPECT_EQ(run("p.dlist", {"attributes", "import", path("missing.atr")}), 1);
}

}  // namespace

namespace {

TEST_F(AttributeCommandsTest, DemoCarriesTheAttributeLibraryAcross) {
  ASSERT_EQ(ScratchFolderTest::run({"demo", path("demo")}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "compared its attribute library with the first's: 7 entries"))
      << out_.str();
  EXPECT_EQ(ScratchFolderTest::run({"dump", path("demo/attributes.atr")}), 0) << err_.str();
}

}  // namespace
