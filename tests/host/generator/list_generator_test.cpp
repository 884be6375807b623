// The list generator on a small model and library whose totals are worked out by
// hand below: quantities by code with Summary and Level, automatic quantities
// through unit factors, filters, disabled nodes, grouping by floors and attribute
// values, and what a list leaves out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/fixed_text.h"
#include "host/dialog/dialog_log.h"
#include "host/dialog/engine.h"
#include "host/generator/list_generator.h"
#include "host/list/list_context.h"
#include "host/main_module.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/location_store.h"
#include "host/model/model_elements.h"
#include "host/model/model_file.h"
#include "host/model/plans.h"
#include "tests/host/generator/library_builder.h"
#include "tests/host/model/model_test_support.h"

namespace dlist::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplate = R"(dlist-template 2
section 0 group 0 scope 0 Start
| {TITLE}
end
section 1 group 0 scope 0 Final
| Total;{TOTAL}
end
section 10 group 1 scope 0 Heading
| {NAME}
end
section 20 group 2 scope 16384 Material row
| {MATCOD};{QUANT};{TOTAL}
end
section 30 group 3 scope 32768 Subprice row
| {SUBPR};{PRICE};{TOTAL}
end
section 40 group 4 scope 0 Sum
| Sum;{TOTAL}
end
)";

// Materials (price per native unit): A (m, 0) with A.1 paint (m2, 2) and A.2 skirting
// (cm, 0.01); B brick (pcs, 0.5); C concrete (m3, 1).
// Elements: wall 1 on floor 0, FIRE EI60, AREA 10, LEN 4: A.1 auto AREA (10 m2 = 20),
//   A.2 auto LEN (400 cm = 4), B 100 (50), Z (no such material).
// wall 2 on floor 1, FIRE EI30, AREA 5: A.1 auto AREA (5 m2 = 10), B 50 (25).
// door on floor 0, AREA 2: B 1 (0.5), C auto AREA (m2 into m3: no path).
class GeneratorTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    setenv("LC_ALL", "C", 1);
    ASSERT_TRUE(library_.open(":memory:"));
    previous_library_ = set_active_library(&library_);
    long length = unit(0, "##0", 1), area = unit(0, "##1", 1), volume = unit(0, "##2", 1), count = unit(0, "##3", 1);
    unit(length, "m", 1);
    unit(length, "cm", 100);
    unit(area, "m2", 1);
    unit(volume, "m3", 1);
    unit(count, "pcs", 1);
    const long a = material(0, "A", "m", 0);
    material(a, "1", "m2", 2);
    material(a, "2", "cm", 0.01);
    material(0, "B", "pcs", 0.5);
    material(0, "C", "m3", 1);
    DBATTRIBUTETYPE fire;
    fire.set_abbrev("FIRE");
    fire.set_name("Fire rating");
    fire.flags = DBATTRIBUTETYPE::kText | 0x3;
    ASSERT_GT(ATTRIBUTES().cre_attribute(0, &fire), 0);
    InvalidateProjectAttributes();
    const long plan = create_plan("P");
    floor0_ = create_storey(plan, 0, "Ground");
    floor1_ = create_storey(plan, 1, "Upper");
    place(1, plan, floor0_, "EI60", {{"AREA", 10}, {"LEN", 4}},
          {link("A.1", "AREA"), link("A.2", "LEN"), fixed("B", 100), fixed("Z", 1)});
    place(1, plan, floor1_, "EI30", {{"AREA", 5}, {"LEN", 2}}, {link("A.1", "AREA"), fixed("B", 50)});
    place(2, plan, floor0_, "", {{"AREA", 2}}, {fixed("B", 1), link("C", "AREA")});
    dir_ = fs::temp_directory_path() / ("dlist_generator_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "t.dlt") << kTemplate;
    set_.TemplateFileName() = "t.dlt";
    set_.INIFileName() = (dir_ / "set.ini").string();
  }
  void TearDown() override {
    set_active_library(previous_library_);
    fs::remove_all(dir_);
    ModelTest::TearDown();
  }

  long unit(long parent, const char* abbrev, double factor) { return LibraryBuilder{library_}.unit(parent, abbrev, factor); }
  long material(long parent, const char* code, const char* unit, double price) {
    return LibraryBuilder{library_}.material(parent, code, unit, price);
  }
  static DBMATREF link(const char* code, const char* parameter) {
    DBMATREF r;
    r.code.put(code);
    r.quantity = DBMATREF::kAutoQuantity;
    r.set_parameter(parameter);
    return r;
  }
  static DBMATREF fixed(const char* code, double q) { return LibraryBuilder::fixed(code, q); }
  void place(int kind, long plan, long storey, const char* fire, std::vector<ParameterValue> params,
             std::vector<DBMATREF> links) {
    ModelElement e;
    e.kind = kind;
    e.plan = plan;
    e.storey = storey;
    DBMATREFCHAIN mat;
    for (const DBMATREF& l : links) mat.push(l);
    DBATTREFCHAIN attr;
    if (fire[0] != '\0') {
      DBATTREFTYPE v;
      v.set_abbrev("FIRE");
      v.set_name(fire);
      v.value.put(fire);
      attr.push(v);
    }
    ASSERT_GT(place_element(e, mat, attr, params), 0);
  }

  // A new list definition: start section, what add puts below the root, final section.
  DL_TREE_CELL* add_list(const char* name) {
    auto* l = new DL_LISTSPEC(set_);
    l->SetName(name);
    l->SetTree(new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>()));
    l->Tree()->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(0, true)));
    const unsigned at = set_.size();
    set_.resize(at + 1);
    set_.set(at, l);
    return l->Tree();
  }
  static DL_TREE_CELL* append(DL_TREE_CELL* parent, std::unique_ptr<DL_LIST_TREE_NODE> node) {
    auto* c = new DL_TREE_CELL(std::move(node));
    parent->Append(c);
    return c;
  }
  static void close(DL_TREE_CELL* root) { append(root, std::make_unique<DL_SECTION_NODE>(1, true)); }
  // element loop over walls -> material loop (summary, level) -> row section
  static DL_TREE_CELL* wall_materials(DL_TREE_CELL* parent, bool summary, unsigned level = 0) {
    DL_TREE_CELL* e = append(parent, std::make_unique<DL_ELEMENT_LOOP>(1));
    auto m = std::make_unique<DL_MATERIAL_LOOP>();
    m->SetSummary(summary);
    m->SetLevel(level);
    append(append(e, std::move(m)), std::make_unique<DL_SECTION_NODE>(20, false));
    return e;
  }

  std::string generated(const char* name, generator::GenerateResult* out = nullptr) {
    generator::GenerateResult r = generator::generate(set_.INIFileName(), name, set_);
    EXPECT_TRUE(r.ok()) << r.error << (r.lists.empty() ? "" : r.lists[0].error);
    if (out != nullptr) *out = r;
    if (r.lists.empty() || !r.lists[0].ok) return {};
    std::ifstream in(r.lists[0].output);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  LISTCONTEXT library_;
  LISTCONTEXT* previous_library_ = nullptr;
  long floor0_ = 0, floor1_ = 0;
  fs::path dir_;
  DL_LISTSPEC_LIST set_;
};

TEST_F(GeneratorTest, SummarySumsByCodeThroughUnitFactorsAndLogsWhatItLeavesOut) {
  DL_TREE_CELL* root = add_list("Sum");
  wall_materials(root, true);
  close(root);
  generator::GenerateResult r;
  EXPECT_EQ(generated("Sum", &r), "Sum\nA.1;15.00;30.00\nA.2;400.00;4.00\nB;150.00;75.00\nTotal;109.00\n");
  ASSERT_EQ(r.lists[0].log.size(), 1u);
  EXPECT_NE(r.lists[0].log[0].find("material Z is not in the material library"), std::string::npos);
  EXPECT_TRUE(fs::exists(r.lists[0].output + ".log"));
}

// Subprices priced as the material editor prices them: a formula with PRICE, a
// multiplier of the unit price, an addition; a formula that cannot be evaluated is
// logged and left out, never priced at 0.
TEST_F(GeneratorTest, SubpricesArePricedAsTheLibraryPricesThem) {
  auto subprice = [&](const char* abbrev, SUBPRICETYPE kind, double value, const char* formula) {
    dbsubprice sp{};
    set_field(sp.abbrev, sizeof sp.abbrev, abbrev);
    set_field(sp.name, sizeof sp.name, abbrev);
    sp.kind = kind;
    sp.value = value;
    set_field(sp.formula, sizeof sp.formula, formula);
    ASSERT_GT(library_.create(sp), 0);
    dbmaterial m;
    subpriceref ref{};
    set_field(ref.abbrev, sizeof ref.abbrev, abbrev);
    ref.value = value;
    ASSERT_GT(library_.create(library_.get(TEXTBUFFER("B"), m, nullptr), ref), 0);
  };
  subprice("lab", SUBPRICE_FORMULA, 0, "0.5*PRICE+tx");
  subprice("fr", SUBPRICE_MULTIPLY, 0.1, "");
  subprice("tx", SUBPRICE_ADD, 2, "");
  subprice("bad", SUBPRICE_FORMULA, 0, "nosuch+1");
  DL_TREE_CELL* root = add_list("Sub");
  DL_TREE_CELL* walls = append(root, std::make_unique<DL_ELEMENT_LOOP>(1));
  auto m = std::make_unique<DL_MATERIAL_LOOP>();
  m->SetSummary(true);
  DL_TREE_CELL* materials = append(walls, std::move(m));
  DL_TREE_CELL* subs = append(materials, std::make_unique<DL_SUBPRICE_LOOP>());
  append(subs, std::make_unique<DL_SECTION_NODE>(30, false));
  close(root);
  generator::GenerateResult r;
  const std::string list = generated("Sub", &r);
  // B: 150 pieces at 0.5; lab 0.25 + 2 = 2.25, fr 0.05, tx 2.
  EXPECT_NE(list.find("lab;2.25;337.50\n"), std::string::npos) << list;
  EXPECT_NE(list.find("fr;0.05;7.50\n"), std::string::npos) << list;
  EXPECT_NE(list.find("tx;2.00;300.00\n"), std::string::npos) << list;
  EXPECT_EQ(list.find("bad;"), std::string::npos) << list;
  bool logged = false;
  for (const std::string& line : r.lists[0].log) logged = logged || line.find("subprice bad") != std::string::npos;
  EXPECT_TRUE(logged);
}

// An attribute loop on the key LOCAT groups the elements by their location's name.
TEST_F(GeneratorTest, LocationsGroupElementsUnderTheKeyLocat) {
  DBLOCATIONTYPE hall;
  hall.set_name("Hall");
  ASSERT_GT(LOCALIZATION().cre_location(0, &hall, 1), 0);
  ModelElement e;
  e.kind = 1;
  e.location = hall.key;
  DBMATREFCHAIN mat;
  mat.push(fixed("C", 3));
  ASSERT_GT(place_element(e, mat, DBATTREFCHAIN(), {}), 0);
  DL_TREE_CELL* root = add_list("Where");
  auto at = std::make_unique<DL_STRING_ATTRIBUTE_LOOP>("LOCAT");
  DL_TREE_CELL* places = append(root, std::move(at));
  append(places, std::make_unique<DL_SECTION_NODE>(10, false));
  wall_materials(places, true);
  close(root);
  EXPECT_EQ(generated("Where"), "Where\nHall\nC;3.00;3.00\nTotal;3.00\n");
}

TEST_F(GeneratorTest, LevelSumsUnderTheCodeOfThatLevel) {
  DL_TREE_CELL* root = add_list("Level");
  wall_materials(root, true, 1);
  close(root);
  // A.1 (m2) cannot be counted in A's metres: no quantity, but its total stays.
  EXPECT_EQ(generated("Level"), "Level\nA;;34.00\nB;150.00;75.00\nTotal;109.00\n");
}

TEST_F(GeneratorTest, FloorLoopsPassOverTheirElementsWithSumsOfTheirOwn) {
  DL_TREE_CELL* root = add_list("Floors");
  DL_TREE_CELL* f = append(root, std::make_unique<DL_FLOOR_LOOP>());
  append(f, std::make_unique<DL_SECTION_NODE>(10, false));
  wall_materials(f, false);
  append(f, std::make_unique<DL_SECTION_NODE>(40, false));
  close(root);
  EXPECT_EQ(generated("Floors"),
            "Floors\nGround\nA.1;10.00;20.00\nA.2;400.00;4.00\nB;100.00;50.00\nSum;74.00\n"
            "Upper\nA.1;5.00;10.00\nB;50.00;25.00\nSum;35.00\nTotal;109.00\n");
}

TEST_F(GeneratorTest, FiltersDisabledNodesAndAttributeGroups) {
  DL_TREE_CELL* root = add_list("Filtered");
  DL_TREE_CELL* e = wall_materials(root, true);
  static_cast<DL_LOOP&>(*e->node).Filters().Add(DL_FILTER_ENTRY("FIRE", "ei6", "", true));
  static_cast<DL_LOOP&>(*e->node).Filters()[0].SetStringSearchType(DLF_BEGINS);
  static_cast<DL_LOOP&>(*e->node).Filters()[0].SetCaseOff(true);
  close(root);
  EXPECT_EQ(generated("Filtered"), "Filtered\nA.1;10.00;20.00\nA.2;400.00;4.00\nB;100.00;50.00\nTotal;74.00\n");

  root = add_list("Real");
  e = wall_materials(root, true);
  static_cast<DL_LOOP&>(*e->node).Filters().Add(DL_FILTER_ENTRY("AREA", 0.0, 6.0, true));
  close(root);
  EXPECT_EQ(generated("Real"), "Real\nA.1;5.00;10.00\nB;50.00;25.00\nTotal;35.00\n");

  root = add_list("Disabled");
  wall_materials(root, true)->node->SetEnabled(false);
  close(root);
  EXPECT_EQ(generated("Disabled"), "Disabled\nTotal;0.00\n");

  root = add_list("By fire");
  DL_TREE_CELL* a = append(root, std::make_unique<DL_STRING_ATTRIBUTE_LOOP>("FIRE"));
  append(a, std::make_unique<DL_SECTION_NODE>(10, false));
  wall_materials(a, true);
  append(a, std::make_unique<DL_SECTION_NODE>(40, false));
  close(root);
  EXPECT_EQ(generated("By fire"),
            "By fire\nEI30\nA.1;5.00;10.00\nB;50.00;25.00\nSum;35.00\n"
            "EI60\nA.1;10.00;20.00\nA.2;400.00;4.00\nB;100.00;50.00\nSum;74.00\nTotal;109.00\n");
}

TEST_F(GeneratorTest, UnitsWithoutAPathAreReportedForThatLink) {
  DL_TREE_CELL* root = add_list("Doors");
  DL_TREE_CELL* e = append(root, std::make_unique<DL_ELEMENT_LOOP>(2));
  append(append(e, std::make_unique<DL_MATERIAL_LOOP>()), std::make_unique<DL_SECTION_NODE>(20, false));
  close(root);
  generator::GenerateResult r;
  EXPECT_EQ(generated("Doors", &r), "Doors\nB;1.00;0.50\nTotal;0.50\n");
  ASSERT_EQ(r.lists[0].log.size(), 1u);
  EXPECT_NE(r.lists[0].log[0].find("AREA in m2 cannot be converted into m3"), std::string::npos);
}

TEST_F(GeneratorTest, AFailedListStopsAloneAndTheResultSaysSo) {
  DL_TREE_CELL* root = add_list("Good");
  close(root);
  root = add_list("Bad section");
  append(root, std::make_unique<DL_SECTION_NODE>(77, false));
  close(root);
  set_[1]->output_file = "../escape.txt";
  root = add_list("Bad file");
  close(root);
  set_[2]->output_file = "../escape.txt";
  set_[1]->output_file.clear();
  generator::GenerateResult r = generator::generate(set_.INIFileName(), "", set_);
  ASSERT_EQ(r.lists.size(), 3u);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.lists[0].ok);
  EXPECT_NE(r.lists[1].error.find("section 77 is not in the template"), std::string::npos);
  EXPECT_NE(r.lists[2].error.find("no plain file name"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_.parent_path() / "escape.txt"));

  // Never over the set's own file or its template, however the list names them.
  set_[2]->output_file = "t.dlt";
  std::ofstream(set_.INIFileName()) << "[ListSet]\n";
  EXPECT_NE(generator::generate(set_.INIFileName(), "Bad file", set_).lists[0].error.find("is the template"),
            std::string::npos);
  set_[2]->output_file = "set.ini";
  EXPECT_NE(generator::generate(set_.INIFileName(), "Bad file", set_).lists[0].error.find("is the set"),
            std::string::npos);
  std::ifstream kept(dir_ / "t.dlt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), kTemplate);
  set_[2]->output_file = "../escape.txt";

  // Marked lists alone; CallDoList generates through the default handler.
  set_[0]->marked = true;
  set_[1]->marked = false;
  set_[2]->marked = false;
  EXPECT_EQ(CallDoList(set_.INIFileName().c_str(), "", &set_), 1);
  fs::remove(dir_ / "t.dlt");
  EXPECT_EQ(CallDoList(set_.INIFileName().c_str(), "Good", &set_), 0);
  // The person is told which list failed, beside the trace.
  ASSERT_FALSE(dialog_log().message_boxes.empty());
  EXPECT_NE(dialog_log().message_boxes.back().text.find("list \"Good\" was not generated"), std::string::npos);
}

}  // namespace
}  // namespace dlist::testing
