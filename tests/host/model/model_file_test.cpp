// Model files: what the import refuses (naming the element and the field, changing
// nothing), a prototype's chains, the round trip through the writer, and the search.

#include <gtest/gtest.h>

#include "foundation/fixed_text.h"
#include "host/list/list_context.h"
#include "host/model/model_elements.h"
#include "host/model/model_file.h"
#include "tests/host/model/model_test_support.h"

namespace dlist::testing {
namespace {

constexpr const char* kModel = R"({"format": "dlist-model", "version": 1,
  "plans": [{"name": "P", "floors": [{"number": 0, "name": "Ground"}]}],
  "elements": [
    {"kind": "wall", "plan": "P", "floor": 0, "parameters": {"AREA": 12.5},
     "materials": [{"code": "A", "quantity": "auto", "parameter": "AREA"}]},
    {"kind": "door", "plan": "P", "parameters": {"CNT": 1}}]})";

class ModelFileTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    ASSERT_TRUE(library_.open(":memory:"));
    previous_ = set_active_library(&library_);
    dbmaterial m{};
    set_field(m.id, sizeof m.id, "A");
    set_field(m.native_unit, sizeof m.native_unit, "m2");
    ASSERT_GT(library_.create(0, m, nullptr), 0);
  }
  void TearDown() override {
    set_active_library(previous_);
    ModelTest::TearDown();
  }
  std::string import(const std::string& text, bool replace = false) {
    ModelFile file;
    std::string error;
    if (!parse_model_json(text, file, error)) return error;
    return import_model(file, replace, error) ? "" : error;
  }
  LISTCONTEXT library_;
  LISTCONTEXT* previous_ = nullptr;
};

TEST_F(ModelFileTest, RefusalsNameTheElementAndTheFieldAndChangeNothing) {
  ASSERT_EQ(import(kModel), "");
  const auto before = placed_element_ids();
  std::string head = R"({"format": "dlist-model", "version": 1, "elements": [{"kind": "wall"}, )";
  EXPECT_EQ(import(head + R"({"kind": "tower"}]})").substr(0, 17), "element 2: kind: ");
  EXPECT_EQ(import(head + R"({"kind": "wall", "parameters": {"STEPS": 3}}]})"),
            "element 2: parameters.STEPS: no parameter of the kind");
  EXPECT_EQ(import(head + R"({"kind": "wall", "materials": [{"code": "Q", "quantity": 1}]}]})"),
            "element 2: materials[1].code: no material \"Q\" in the library");
  EXPECT_EQ(import(head + R"({"kind": "wall", "location": 99}]})"),
            "element 2: location: no location has the key 99");
  EXPECT_EQ(import(head + R"({"kind": "wall", "attributes": [{"key": "NOPE", "value": "x"}]}]})"),
            "element 2: attributes[1].key: no attribute \"NOPE\"");
  EXPECT_EQ(import(head + R"({"kind": "wall", "plan": "P", "floor": 4}]})"),
            "element 2: floor: plan \"P\" has no floor 4");
  EXPECT_EQ(import(head + R"({"kind": "wall", "colour": 1}]})"), "element 2: colour: unknown field");
  EXPECT_EQ(import(std::string(40, '[')).substr(0, 25), "the file nests lists and ");
  EXPECT_EQ(placed_element_ids(), before);
  EXPECT_EQ(rows("plans"), 1);
}

TEST_F(ModelFileTest, TheWriterGivesWhatTheImportReadsBackAndTheSearchFindsIt) {
  ASSERT_EQ(import(kModel), "");
  std::string first, error;
  ASSERT_TRUE(export_model_json(first, error)) << error;
  ASSERT_EQ(import(first, true), "");
  std::string second;
  ASSERT_TRUE(export_model_json(second, error));
  // Only the identifiers differ.
  auto strip = [](std::string s) {
    std::string out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);)
      if (line.find("\"id\"") == std::string::npos) out += line + "\n";
    return out;
  };
  EXPECT_EQ(strip(first), strip(second));
  EXPECT_EQ(placed_element_ids().size(), 2u);

  CRAS<long, 4> found;
  EXPECT_EQ(find_elems_by_attribute("AREA", "12.50", 0, &found, 0, 0, 1), 1);
  EXPECT_EQ(find_elems_by_attribute("AREA", "12.5", 0x2, &found, 0, 0, 1), 0);  // doors only
  EXPECT_EQ(find_elems_by_attribute("CNT", "1", 0, &found, 0, 0, 0), 1);
  DBELEMINFO info{};
  ASSERT_EQ(get_info_from_id(found[0], &info), 1);
  EXPECT_STREQ(info.plan, "P");
  EXPECT_EQ(info.kind, 2);
  EXPECT_EQ(get_info_from_id(999999, &info), 0);
}

}  // namespace
}  // namespace dlist::testing
