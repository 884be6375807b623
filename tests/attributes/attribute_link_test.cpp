// The attribute selection and the attribute link panel worked by the scripted user
// over a project in memory: the filtered tree, the completeness check in its modes,
// the order of rows, drawing, the mark, values entered and picked, a value stored
// as a new reference, and the mode buttons.
#include "attributes/attribute_link.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "attributes/attribute_editor_ids.h"
#include "attributes/attribute_manager.h"
#include "attributes/attribute_refs.h"
#include "attributes/attribute_tree.h"
#include "attributes/held_file.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "host/resources.h"
#include "host/settings.h"

namespace dlist {
namespace attribute_link_test {
namespace {

void* const kWindow = reinterpret_cast<void*>(0x1);

class AttributeLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_dialog_engine();
    ASSERT_TRUE(db_.open(":memory:")) << db_.last_error();
    previous_ = set_active_model(&db_);
    root_ = ATTRIBUTES().rew_node(0);
    DBATTRIBUTENODETYPE group{};
    set_field(group.name, sizeof group.name, "Finishes");
    group_ = ATTRIBUTES().cre_node(0, &group);
    ASSERT_GT(group_, 0);
    paint_ = attribute(group_, "Paint", "PNT", DBATTRIBUTETYPE::kText | 0x1);
    cost_ = attribute(root_, "Cost", "CST", DBATTRIBUTETYPE::kFormula | 0x3);
    roof_ = attribute(root_, "Slope", "SLP", DBATTRIBUTETYPE::kText | 0x40);
  }
  void TearDown() override {
    if (void* open = open_attribute_link()) destroy_dialog(open);
    DestroyAttributeImageList();
    set_link_selection_field(nullptr);
    reset_dialog_engine();
    set_active_model(previous_);
  }

  long attribute(long group, const char* name, const char* abbrev, uint32_t flags,
                 uint8_t options = 0) {
    DBATTRIBUTETYPE def{};
    def.set_name(name);
    def.set_abbrev(abbrev);
    def.flags = flags;
    def.options = options;
    const long id = ATTRIBUTES().cre_attribute(group, &def);
    EXPECT_GT(id, 0);
    return id;
  }
  long reference(long entry, const char* name, const char* value) {
    DBATTRIBUTETYPE def{};
    const long list = ATTRIBUTES().get_id_attribute(entry, &def);
    return ATTR_REF().cre(list, name, TEXTBUFFER(value), 0);
  }
  static void row(DBATTREFCHAIN& chain, const char* abbrev, const std::string& value,
                  uint8_t flags = 0) {
    DBATTREFTYPE r;
    r.set_abbrev(abbrev);
    r.flags = flags;
    if (!value.empty()) r.value.put(value.c_str());
    chain.push(r);
  }
  static std::string value(const DBATTREFCHAIN& chain, unsigned i) {
    return std::string(link_value(chain[i]));
  }

  ModelDatabase db_;
  ModelDatabase* previous_ = nullptr;
  long root_ = 0, group_ = 0, paint_ = 0, cost_ = 0, roof_ = 0;
};

TEST_F(AttributeLinkTest, SelectionOffersOnlyTheAttributesOfTheFilter) {
  ScriptedUser user;
  // Nobody meets 0x800: the root stands alone and OK stays disabled.
  user.on(kAttributeSelContext)
      .observe([](void* d) {
        void* tree = GetControlHWND(d, kAttributeSelTree);
        EXPECT_EQ(tree_count(tree), 1u);
        EXPECT_FALSE(control_enabled(d, kIdAccept));
      })
      .enter(kAttributeSelTree)
      .press(kIdAccept);
  // Wall bit: a group disables OK, an attribute enables it; cancel gives 0.
  user.on(kAttributeSelContext)
      .observe([](void* d) { EXPECT_EQ(tree_count(GetControlHWND(d, kAttributeSelTree)), 4u); })
      .select_item(kAttributeSelTree, group_)
      .observe([](void* d) { EXPECT_FALSE(control_enabled(d, kIdAccept)); })
      .expand(kAttributeSelTree, group_)
      .select_item(kAttributeSelTree, paint_)
      .observe([](void* d) { EXPECT_TRUE(control_enabled(d, kIdAccept)); })
      .press(kIdReject);
  user.on(kAttributeSelContext).select_item(kAttributeSelTree, cost_).press(kIdAccept);
  DialogUserScope scope(user);
  EXPECT_EQ(CallAttributeSel(kWindow, 0x800), 0);
  EXPECT_EQ(CallAttributeSel(kWindow, 0x1), 0);
  EXPECT_EQ(CallAttributeSel(kWindow, 0x2), cost_);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(AttributeLinkTest, CompletenessByMode) {
  DBATTREFCHAIN chain;
  row(chain, "PNT", "white");
  row(chain, "CST", "");
  EXPECT_EQ(check_link_chain(chain, 2), 1);
  // Modes 1 and 5: an empty value alone for its attribute is allowed.
  EXPECT_EQ(check_link_chain(chain, 1), kChainComplete);
  EXPECT_EQ(check_link_chain(chain, 5), kChainComplete);
  row(chain, "CST", "3");
  EXPECT_EQ(check_link_chain(chain, 1), kChainIncomplete);
  EXPECT_EQ(check_link_chain(DBATTREFCHAIN(), 2), kChainComplete);
  // Adjacent equal rows fail at the first of them in every mode.
  DBATTREFCHAIN twice;
  row(twice, "CST", "1");
  row(twice, "PNT", "A");
  row(twice, "PNT", "A");
  for (int mode : {1, 2, 5}) EXPECT_EQ(check_link_chain(twice, mode), 1) << mode;

  // With the panel, the offending row becomes selected.
  void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(IsAttRefChainComplette(panel), 0);
  EXPECT_EQ(list_selected(GetControlHWND(panel, kLinkList)), 1);
}

TEST_F(AttributeLinkTest, RowsAreOrderedByAttributeNameThenValue) {
  DBATTREFCHAIN chain;
  row(chain, "PNT", "red");
  row(chain, "CST", "5");
  row(chain, "PNT", "blue");
  AttributeNames names;
  for (unsigned i = 0; i < chain.size(); ++i) settle_link_row(chain, i, names);
  EXPECT_EQ(value(chain, 0), "5");
  EXPECT_EQ(value(chain, 1), "blue");
  EXPECT_EQ(value(chain, 2), "red");
  EXPECT_EQ(settle_link_row(chain, 9, names), 9u);
}

TEST_F(AttributeLinkTest, DrawsMarksIndirectValuesAndCutsLongValues) {
  reference(paint_, "std", "white");
  DBATTREFCHAIN chain;
  row(chain, "CST", std::string(255, 'a'));
  row(chain, "CST", std::string(256, 'b'));
  row(chain, "PNT", "std", DBATTREFTYPE::kIndirect | DBATTREFTYPE::kMarked);
  ScriptedUser user;
  user.on(kAttributeLinkContext)
      .observe([](void* d) {
        const auto rows = list_painted(GetControlHWND(d, kLinkList));
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].text(1), std::string(255, 'a'));
        EXPECT_EQ(rows[1].text(1), std::string(251, 'b') + " ...");
        EXPECT_EQ(rows[2].text(1), "< std >");
        EXPECT_EQ(rows[2].text(0), load_string(20879) + " Paint");
        EXPECT_EQ(rows[0].text(0), load_string(20880) + " Cost");
      })
      .check(kLinkViewMode)
      .observe([](void* d) {
        const auto rows = list_painted(GetControlHWND(d, kLinkList));
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2].text(1), "white");
      });
  DialogUserScope scope(user);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(drive_dialog(panel));
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(AttributeLinkTest, DoubleClickOnTheSelectedRowSwitchesTheMark) {
  DBATTREFCHAIN chain;
  row(chain, "CST", "1");
  row(chain, "PNT", "x");
  ScriptedUser user;
  user.on(kAttributeLinkContext)
      .double_click_row(kLinkList, 1)
      .observe([&](void*) { EXPECT_NE(chain[1].flags & DBATTREFTYPE::kMarked, 0); })
      .double_click_row(kLinkList, 1);
  DialogUserScope scope(user);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(drive_dialog(panel));
  EXPECT_EQ(chain[1].flags & DBATTREFTYPE::kMarked, 0);
  EXPECT_EQ(chain[0].flags & DBATTREFTYPE::kMarked, 0);
}

TEST_F(AttributeLinkTest, AMovedSplitterLaysOutTheTreeAndTheList) {
  DBATTREFCHAIN chain;
  int tree_cx = 0, list_x = 0, list_cx = 0;
  ScriptedUser user;
  user.on(kAttributeLinkContext).move_splitter(kLinkSplitter, 250).observe([&](void* d) {
    control_rect(d, kLinkTree, nullptr, nullptr, &tree_cx, nullptr);
    control_rect(d, kLinkList, &list_x, nullptr, &list_cx, nullptr);
  });
  user.on(kAttributeLinkContext).move_splitter(kLinkSplitter, 2);  // kept off the edge
  DialogUserScope scope(user);
  for (int i = 0; i < 2; ++i) {
    void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(drive_dialog(panel));
    destroy_dialog(panel);
  }
  EXPECT_EQ(tree_cx, 250);
  EXPECT_EQ(list_x, 256);
  EXPECT_EQ(list_cx, 600 - 28 - 12 - 256);
  int split = 0;
  ScriptedUser look;
  look.on(kAttributeLinkContext).observe([&](void* d) { control_rect(d, kLinkSplitter, &split, nullptr, nullptr, nullptr); });
  DialogUserScope looking(look);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  drive_dialog(panel);
  destroy_dialog(panel);
  EXPECT_EQ(split, 32);
}

TEST_F(AttributeLinkTest, AddsEditsAndStoresValues) {
  reference(paint_, "std", "white");
  DBATTREFCHAIN chain;
  row(chain, "CST", "1");
  char options[32] = {};
  ScriptedUser user;
  user.on(kAttributeLinkContext)
      .expand(kLinkTree, group_)
      .select_item(kLinkTree, paint_)
      .press(kLinkAdd)
      // a second value of Paint, stored as a new reference
      .select_item(kLinkTree, paint_)
      .press(kLinkAdd)
      .right_click_row(kLinkList, 1)
      .choose(kLinkStoreRef);
  // The first value picks the reference, the second is typed.
  user.on(kTextValueContext).double_click_row(kValueReferences, 0);
  user.on(kTextValueContext).type(kValueText, "green").press(kIdAccept);
  user.on(kNewRefContext).type(kNewRefName, "garden").press(kIdAccept);
  DialogUserScope scope(user);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, options, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(drive_dialog(panel));
  EXPECT_TRUE(user.finished()) << user.leftovers();
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(options[28], 1);
  // Cost, then Paint ordered by value: "garden" (indirect) before "std" (indirect).
  EXPECT_EQ(value(chain, 0), "1");
  EXPECT_EQ(value(chain, 1), "garden");
  EXPECT_NE(chain[1].flags & DBATTREFTYPE::kIndirect, 0);
  EXPECT_EQ(value(chain, 2), "std");
  EXPECT_NE(chain[2].flags & DBATTREFTYPE::kIndirect, 0);
  TEXTBUFFER stored;
  char flags = 0;
  char name[17] = "garden";
  EXPECT_GT(GetIndirectRef(paint_, name, &stored, &flags), 0);
  EXPECT_STREQ(stored.get(), "green");
}

TEST_F(AttributeLinkTest, TreeMenuMakesAGroupThroughTheGroupNameDialog) {
  DBATTREFCHAIN chain;
  char options[32] = {};
  ScriptedUser user;
  user.on(kAttributeLinkContext).right_click(kLinkTree, group_).choose(kLinkTreeNewGroup);
  user.on(kAttrGroupNameContext).type(kAttrManagerNameField, "Walls").press(kIdAccept);
  DialogUserScope scope(user);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, options, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(drive_dialog(panel));
  EXPECT_TRUE(user.finished()) << user.leftovers();
  ATTRIBUTES store;
  ASSERT_GT(store.rew_node(group_), 0);
  DBATTRIBUTENODETYPE node{};
  bool found = false;
  while (store.get_node(&node) > 0) found = found || std::string(node.name) == "Walls";
  EXPECT_TRUE(found);
}

TEST_F(AttributeLinkTest, ModeButtonsStepTheSelectionField) {
  EXPECT_EQ(selection_value(16), 0);
  EXPECT_EQ(selection_value(32), 1);
  EXPECT_EQ(selection_value(0), 2);
  int subtype = 3 | 64;  // value 2
  set_link_selection_field(&subtype);
  DBATTREFCHAIN chain;
  ScriptedUser user;
  user.on(kAttributeLinkContext)
      .observe([](void*) { EXPECT_EQ(link_mode_bitmap(), "selmode3"); })
      .press(kLinkSelMode)
      .observe([&](void*) {
        EXPECT_EQ(subtype, 3 | 16);
        EXPECT_EQ(link_mode_bitmap(), "selmode1");
      })
      .press(kLinkSelMode)
      .observe([&](void*) { EXPECT_EQ(subtype, 3 | 32); });
  DialogUserScope scope(user);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(drive_dialog(panel));
  EXPECT_TRUE(user.finished()) << user.leftovers();
  // Link mode 4 steps through all three values.
  destroy_dialog(panel);
  panel = AttributeLink(kWindow, &chain, 1, 4, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(has_control(panel, kLinkAttMode));
  EXPECT_FALSE(has_control(panel, kLinkSelMode));
  EXPECT_EQ(AttributeLink(kWindow, nullptr, 1, 2, nullptr, 600, 300), nullptr);
}

}  // namespace
}  // namespace attribute_link_test
}  // namespace dlist

namespace dlist {
namespace attribute_link_test {
namespace {

TEST_F(AttributeLinkTest, SavesAHeldFileUnderItsPlainNameAndAsksBeforeReplacing) {
  attribute(root_, "Sheet", "SHT", DBATTRIBUTETYPE::kFile | 0x1);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("dlist_link_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "in");
  const std::string held = make_held_file("../../escape.txt", "content");
  DBATTREFCHAIN chain;
  for (int i = 0; i < 2; ++i) {
    DBATTREFTYPE r;
    r.set_abbrev("SHT");
    r.flags = DBATTREFTYPE::kInDatabase;
    r.value.assign(held.data(), static_cast<uint32_t>(held.size()));
    chain.push(r);
  }
  ScriptedUser user;
  user.on(kAttributeLinkContext)
      .right_click_row(kLinkList, 0)
      .choose(kLinkSaveFile)
      // the row that names the written file moved after the held one
      .right_click_row(kLinkList, 0)
      .choose(kLinkSaveFile);
  user.choose_file((dir / "in").string()).choose_file((dir / "in").string()).no();
  DialogUserScope scope(user);
  void* panel = AttributeLink(kWindow, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(drive_dialog(panel));
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_TRUE(std::filesystem::exists(dir / "in" / "escape.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "escape.txt"));
  // One row now names the written file; the other, refused, still holds its content.
  int named = 0, still_held = 0;
  for (unsigned i = 0; i < chain.size(); ++i) {
    if ((chain[i].flags & DBATTREFTYPE::kInDatabase) != 0)
      ++still_held;
    else if (link_value(chain[i]) == (dir / "in" / "escape.txt").string())
      ++named;
  }
  EXPECT_EQ(named, 1);
  EXPECT_EQ(still_held, 1);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace attribute_link_test
}  // namespace dlist
