// Sets of list definitions in INI files, templates, and the `dlist lists` commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "host/list_sets/list_set_store.h"
#include "listspec/list_tree.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace ls = dlist::list_sets;
using dlist::testing::has;

class ListSets : public dlist::testing::ScratchFolderTest {
 protected:
  void write(const std::string& name, const std::string& text) {
    std::ofstream(path(name), std::ios::binary) << text;
  }
};

TEST_F(ListSets, SetWrittenAndReadBackEqual) {
  DL_LISTSPEC_LIST set;
  set.TemplateFileName() = "costs.dlt";
  DL_PRECISION p;
  std::strcpy(p.key, "AREA");
  p.precision = 3;
  set.Precision().push_back(p);
  for (const char* name : {"One", "Two"}) {
    auto* list_def = new DL_LISTSPEC(set);
    list_def->SetName(name);
    list_def->title = " A = b; [c]\n100% ";
    list_def->SetTree(dlist::listspec::NewListTree());
    auto* e = new DL_TREE_CELL(std::make_unique<DL_ELEMENT_LOOP>(64));
    list_def->Tree()->Append(e);
    auto m = std::make_unique<DL_MATERIAL_LOOP>();
    m->Filters().Add(DL_FILTER_ENTRY("PRICE", 1.25, 9.5, true));
    auto* mc = new DL_TREE_CELL(std::move(m));
    e->Append(mc);
    e->Append(new DL_TREE_CELL(std::make_unique<DL_EDGE_LOOP>()));
    set.resize(set.size() + 1);
    set.set(set.size() - 1, list_def);
  }
  std::string error;
  // The extension is compared without regard to case.
  ASSERT_TRUE(ls::WriteINI(set, path("Costs.INI"), error)) << error;
  DL_LISTSPEC_LIST back;
  ASSERT_TRUE(ls::Read(back, path("Costs.INI"), error)) << error;
  EXPECT_TRUE(back == set);
  // Save as leaves the old file as it was.
  const std::string before = bytes("Costs.INI");
  back[0]->SetName("Renamed");
  ASSERT_TRUE(ls::WriteINI(back, path("other.ini"), error)) << error;
  EXPECT_EQ(bytes("Costs.INI"), before);
  // The list definitions alone: other sections of the file stay.
  write("keep.ini", "[ListSet]\nVersion=1\n[Mine]\nA=1\n");
  ASSERT_TRUE(ls::WriteINIListSpecs(set, path("keep.ini"), error)) << error;
  EXPECT_TRUE(has(bytes("keep.ini"), "[Mine]"));
  DL_LISTSPEC_LIST kept;
  ASSERT_TRUE(ls::Read(kept, path("keep.ini"), error)) << error;
  EXPECT_EQ(kept.size(), 2u);
  // Options files add list definitions; a name used twice is refused and changes nothing.
  ASSERT_TRUE(ls::AddOpt(back, path("other.ini"), error) == false);
  EXPECT_EQ(back.size(), 2u);
  DL_LISTSPEC_LIST empty;
  ASSERT_TRUE(ls::AddOpt(empty, path("other.ini"), error)) << error;
  EXPECT_EQ(empty.size(), 2u);
  EXPECT_EQ(empty[0]->Name(), "Renamed");
}

TEST_F(ListSets, DamagedSetsAreRefusedLeavingTheOpenSet) {
  DL_LISTSPEC_LIST set;
  std::string error;
  ASSERT_EQ(run({"lists", "new", path("costs.ini")}), 0) << err_.str();
  ASSERT_TRUE(ls::Read(set, path("costs.ini"), error)) << error;
  const std::string good = bytes("costs.ini");
  const std::size_t tree = good.find("Tree = ") + 7;
  const std::vector<std::string> damaged = {
      good.substr(0, good.size() / 2),                          // truncated
      std::string(good).replace(tree, 2, "zz"),                 // no hex
      std::string(good).replace(tree, 2, "05"),                 // no root
      std::string(good).replace(good.find("Lists = 3"), 9, "Lists = 99999"),
      "[ListSet]\nVersion=2\n",
  };
  for (const auto& text : damaged) {
    write("bad.ini", text);
    EXPECT_FALSE(ls::Read(set, path("bad.ini"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(set.size(), 3u);
  }
  EXPECT_FALSE(ls::Read(set, path("costs.txt"), error));
  // A tree the rules refuse: a material loop under a floor loop, with no element loop.
  DL_LISTSPEC_LIST wrong;
  auto* list_def = new DL_LISTSPEC(wrong);
  list_def->SetName("Wrong");
  list_def->SetTree(dlist::listspec::NewListTree());
  auto* floor = new DL_TREE_CELL(std::make_unique<DL_FLOOR_LOOP>());
  list_def->Tree()->Append(floor);
  floor->Append(new DL_TREE_CELL(std::make_unique<DL_MATERIAL_LOOP>()));
  wrong.resize(1);
  wrong.set(0, list_def);
  write("bad.ini", ls::FormatSet(wrong));
  EXPECT_FALSE(ls::Read(set, path("bad.ini"), error));
  EXPECT_TRUE(has(error, "node /3/1")) << error;
  EXPECT_EQ(set.size(), 3u);
  EXPECT_EQ(set.INIFileName(), path("costs.ini"));
}

TEST_F(ListSets, TemplatesAndTheirConversion) {
  ls::DL_TEMPLATE t;
  std::string error;
  for (const char* name : {"delimited", "html"}) {
    ASSERT_TRUE(ls::ParseTemplate(ls::ReadyMadeTemplate(name), t, error)) << error;
    EXPECT_EQ(t[0].number, 0u);
    EXPECT_EQ(ls::SectionScope(t, 20), 16384u);
    const std::string once = ls::FormatTemplate(t);
    ASSERT_TRUE(ls::ParseTemplate(once, t, error)) << error;
    EXPECT_EQ(ls::FormatTemplate(t), once);
    // The shipped files are the built-in ones.
    EXPECT_EQ(dlist::testing::read_file(std::string(DLIST_SOURCE_DIR) + "/templates/" + name + ".dlt"),
              ls::ReadyMadeTemplate(name));
  }
  write("old.txt", "dlist-template 1\n@20 Rows\n{MATCOD}\n@1 End\nbye\n");
  ASSERT_TRUE(DL_ConvertTemplate(path("old.txt").c_str(), path("new.dlt").c_str()));
  ASSERT_TRUE(ls::ReadTemplate(path("new.dlt"), t, error)) << error;
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].number, 0u);
  EXPECT_EQ(t[1].text.at(0), "bye");
  EXPECT_EQ(t[2].name, "Rows");
  for (const char* bad : {"dlist-template 2\nsection 0 group 0 scope 0 A\n",
                          "dlist-template 2\nsection 5 group 0 scope 0 A\nend\n", "hello\n"}) {
    EXPECT_FALSE(ls::ParseTemplate(bad, t, error));
  }
  // A damaged template converts to nothing: the destination stays as it was.
  write("broken.txt", "dlist-template 2\nsection 0 group 0 scope 0 A\n");
  EXPECT_FALSE(DL_ConvertTemplate(path("broken.txt").c_str(), path("new.dlt").c_str()));
  ASSERT_TRUE(ls::ReadTemplate(path("new.dlt"), t, error)) << error;
  std::string deep = "dlist-template 2\n";
  for (int i = 0; i < 100; ++i) deep += "section " + std::to_string(i) + " group 0 scope 0 x\n";
  EXPECT_FALSE(ls::ParseTemplate(deep, t, error));
}

TEST_F(ListSets, CommandsOverASet) {
  const std::string set = path("costs.ini");
  ASSERT_EQ(run({"lists", "new", set}), 0) << err_.str();
  EXPECT_EQ(run({"lists", "new", set}), 1);  // never over an existing set
  ASSERT_EQ(run({"lists", "check", set}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "no faults"));
  ASSERT_EQ(run({"lists", "add", set, "Mine"}), 0) << err_.str();
  ASSERT_EQ(run({"lists", "copy", set, "Mine", "Yours"}), 0) << err_.str();
  ASSERT_EQ(run({"lists", "rename", set, "Yours", "Theirs"}), 0) << err_.str();
  ASSERT_EQ(run({"lists", "remove", set, "Mine"}), 0) << err_.str();
  EXPECT_EQ(run({"lists", "remove", set, "Mine"}), 1);
  ASSERT_EQ(run({"lists", "show", set, "Elements per floor", "--json"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "\"type\": \"floor\""));
  // The shown tree goes back in unchanged.
  write("tree.json", out_.str());
  ASSERT_EQ(run({"lists", "show", set, "Theirs", "--json"}), 0);
  auto j = nlohmann::json::parse(out_.str());
  write("one.json", j["list definitions"][0]["tree"].dump());
  ASSERT_EQ(run({"lists", "edit", set, "Theirs", "--from", path("one.json")}), 0) << err_.str();
  ASSERT_EQ(run({"lists", "sections", path("costs.dlt"), "--json"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "Material row"));
}

TEST_F(ListSets, EditRefusesAMisplacedNodeWithItsPath) {
  const std::string set = path("costs.ini");
  ASSERT_EQ(run({"lists", "new", set}), 0) << err_.str();
  const std::string before = bytes("costs.ini");
  // A subprice loop under a floor loop: no material loop above it.
  write("bad.json", R"({"type":"root","children":[
      {"type":"section","section":0,"children":[]},
      {"type":"floor","children":[{"type":"element","mask":1},{"type":"subprice"}]}]})");
  EXPECT_EQ(run({"lists", "edit", set, "Elements per floor", "--from", path("bad.json")}), 1);
  EXPECT_TRUE(has(err_.str(), "node /2/2")) << err_.str();
  EXPECT_EQ(bytes("costs.ini"), before);
  // A node that Valid refuses: an element loop of two kinds.
  write("bad.json", R"({"type":"root","children":[{"type":"element","mask":3}]})");
  EXPECT_EQ(run({"lists", "edit", set, "Elements per floor", "--from", path("bad.json")}), 1);
  EXPECT_TRUE(has(err_.str(), "node /1")) << err_.str();
  EXPECT_EQ(bytes("costs.ini"), before);
}

}  // namespace
