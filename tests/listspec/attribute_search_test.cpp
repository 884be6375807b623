// The attribute reference search through the scripted user: the kinds of a key,
// the search with the chosen kinds, the drawn rows, the read-only identifier and
// the repeated search on reopening.

#include "listspec/attribute_search.h"

#include <gtest/gtest.h>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/model_elements.h"
#include "host/model/plans.h"
#include "host/settings.h"
#include "tests/host/model/model_test_support.h"

namespace dlist::testing {
namespace {

namespace lsp = dlist::listspec;

class AttributeSearchTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    lsp::reset_search_memory();
    DBATTRIBUTETYPE fire;
    fire.set_abbrev("FIRE");
    fire.set_name("Fire rating");
    fire.flags = DBATTRIBUTETYPE::kText | 0x3;  // walls and doors
    ASSERT_GT(ATTRIBUTES().cre_attribute(0, &fire), 0);
    InvalidateProjectAttributes();
    const long plan = create_plan("North");
    const long floor = create_storey(plan, 2, "Second");
    wall_ = place(1, plan, floor, "EI60");
    door_ = place(2, plan, floor, "EI60");
    ei30_ = place(1, plan, floor, "EI30");
  }
  void TearDown() override {
    InvalidateProjectAttributes();
    ModelTest::TearDown();
  }

  long place(int kind, long plan, long storey, const char* fire) {
    ModelElement e;
    e.kind = kind;
    e.plan = plan;
    e.storey = storey;
    DBATTREFCHAIN attr;
    DBATTREFTYPE v;
    v.set_abbrev("FIRE");
    v.value.put(fire);
    attr.push(v);
    return place_element(e, DBMATREFCHAIN(), attr, {});
  }
  void run(ScriptedUser& user) {
    {
      DialogUserScope scope(user);
      CrtFindAttributeReferences(nullptr);
    }
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_EQ(buffer_accounting().depth, 0);
  }
  static unsigned kinds(void* d) { return tree_count(GetControlHWND(d, lsp::kSearchKinds)); }
  static int rows(void* d) { return list_row_count(GetControlHWND(d, lsp::kSearchResults)); }

  ScopedSettings settings_;
  long wall_ = 0, door_ = 0, ei30_ = 0;
};

TEST_F(AttributeSearchTest, TheKindsOfTheKeyLimitTheSearchAndNoKindSearchesEvery) {
  ScriptedUser user;
  user.on(lsp::kSearchContext)
      .type(lsp::kSearchKey, "FIRE")
      .observe([](void* d) { EXPECT_EQ(kinds(d), 2u); })
      .type(lsp::kSearchValue, "EI60")
      .press(lsp::kSearchRun)
      .observe([](void* d) { EXPECT_EQ(rows(d), 2); })
      .double_click(lsp::kSearchKinds, 2)  // doors off
      .press(lsp::kSearchRun)
      .observe([this](void* d) {
        ASSERT_EQ(rows(d), 1);
        const std::vector<DrawnRow> painted = list_painted(GetControlHWND(d, lsp::kSearchResults));
        ASSERT_EQ(painted.size(), 1u);
        EXPECT_EQ(painted[0].text(0), std::to_string(wall_));
        EXPECT_EQ(painted[0].text(1), "North");
        EXPECT_EQ(painted[0].text(2), "2");
        EXPECT_TRUE(painted[0].highlighted);
      })
      .double_click(lsp::kSearchKinds, 1)  // walls off too: mask 0, every kind
      .press(lsp::kSearchRun)
      .observe([](void* d) { EXPECT_EQ(rows(d), 2); })
      .type(lsp::kSearchKey, "NONE")
      .observe([](void* d) { EXPECT_EQ(kinds(d), 0u); })
      .type(lsp::kSearchKey, "")
      .press(lsp::kSearchRun)  // an empty key is refused
      .observe([](void* d) {
        EXPECT_TRUE(control_marked(d, lsp::kSearchKey));
        EXPECT_EQ(rows(d), 2);
      })
      .close();
  run(user);
}

TEST_F(AttributeSearchTest, ReopeningRepeatsTheLastSearchWithItsInputs) {
  ScriptedUser first;
  first.on(lsp::kSearchContext)
      .type(lsp::kSearchKey, "FIRE")
      .type(lsp::kSearchValue, "ei3")
      .check(lsp::kSearchPart)
      .press(lsp::kSearchRun)
      .observe([](void* d) { EXPECT_EQ(rows(d), 1); })
      .close();
  run(first);
  ScriptedUser second;
  second.on(lsp::kSearchContext)
      .observe([](void* d) {
        EXPECT_EQ(control_text(d, lsp::kSearchKey), "FIRE");
        EXPECT_EQ(control_text(d, lsp::kSearchValue), "ei3");
        EXPECT_EQ(control_check(d, lsp::kSearchPart), 1);
        EXPECT_EQ(kinds(d), 2u);
        EXPECT_EQ(rows(d), 1);  // without pressing search
      })
      .double_click_row(lsp::kSearchResults, 0)
      .close();
  second.on(lsp::kSearchIdContext)
      .observe([this](void* d) { EXPECT_EQ(control_text(d, lsp::kSearchIdText), std::to_string(ei30_)); })
      .press(kIdAccept);
  run(second);
}

TEST_F(AttributeSearchTest, ABuiltInParameterGivesItsKindsBeforeAnAttribute) {
  // LEN is measured on walls (among others); an attribute of that key for ceilings
  // only would give another mask.
  const unsigned long from_parameter = lsp::search_key_mask("LEN");
  EXPECT_NE(from_parameter & 1u, 0u);
  DBATTRIBUTETYPE len;
  len.set_abbrev("LEN");
  len.set_name("Length as text");
  len.flags = DBATTRIBUTETYPE::kText | 0x20;
  ATTRIBUTES().cre_attribute(0, &len);
  InvalidateProjectAttributes();
  EXPECT_EQ(lsp::search_key_mask("LEN"), from_parameter);
  EXPECT_EQ(lsp::search_key_mask("FIRE"), 0x3u);
  EXPECT_EQ(lsp::search_key_mask("NONE"), 0u);
  EXPECT_EQ(lsp::search_key_mask(""), 0u);
}

}  // namespace
}  // namespace dlist::testing
