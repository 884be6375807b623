// The attribute manager through the scripted user: the tree and the summary, the
// protected groups, removing an attribute that presets use, a taken group name,
// importing into an attribute's group, dropping onto an attribute, and the drag
// adapter's window class on every way out.
#include "attributes/attribute_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "attributes/attribute_exchange.h"
#include "attributes/attribute_library_tree.h"
#include "attributes/attribute_manager_procedures.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/menu.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/attribute_store.h"
#include "host/model/kind_calls.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "tests/host/model/model_test_support.h"

namespace dlist {
namespace {

namespace fs = std::filesystem;

// The scripted user that also notes the commands of every context menu offered.
class MenuWatcher : public ScriptedUser {
 public:
  std::optional<int> choose_from_menu(const DialogInfo& dialog,
                                      const std::vector<int>& commands) override {
    menus.push_back(commands);
    return ScriptedUser::choose_from_menu(dialog, commands);
  }
  std::vector<std::vector<int>> menus;
};

bool has(const std::vector<int>& v, int x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

class AttributeManagerTest : public testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    reset_dialog_engine();
    root_ = ATTRIBUTES().rew_node(0);
    ASSERT_GT(root_, 0);
  }
  void TearDown() override {
    reset_dialog_engine();
    ModelTest::TearDown();
  }

  long group(long parent, const char* name) {
    DBATTRIBUTENODETYPE n;
    n.set_name(name);
    return ATTRIBUTES().cre_node(parent, &n);
  }
  long attribute(long parent, const char* name, const char* abbrev) {
    DBATTRIBUTETYPE d;
    d.set_name(name);
    d.set_abbrev(abbrev);
    d.flags = DBATTRIBUTETYPE::kText | 0x1;
    return ATTRIBUTES().cre_attribute(parent, &d);
  }
  static long parent_of(long id) {
    AttributeEntryInfo e;
    return attribute_entry_info(id, &e) ? e.parent : -1;
  }
  static std::string name_of(long id) {
    AttributeEntryInfo e;
    return attribute_entry_info(id, &e) ? e.name : "";
  }
  // The texts of the children of entry id's item.
  static std::vector<std::string> children(void* dialog, long id) {
    void* tree = GetControlHWND(dialog, kAttrManagerTree);
    std::vector<std::string> out;
    for (_TREEITEM* c : tree_children(tree, find_attribute_item(tree, id)))
      out.push_back(tree_text(tree, c));
    return out;
  }
  int manage(ScriptedUser& user) {
    DialogUserScope scope(user);
    return CrtAttributeManager(nullptr);
  }

  long root_ = 0;
  ReportLogScope reports_;
};

TEST_F(AttributeManagerTest, ProtectedGroupsOfferNeitherRenameNorDeleteNorADrag) {
  const long general = group(root_, "General");  // a predefined name
  const long mine = group(root_, "Mine");
  const long colour = attribute(mine, "Colour", "COL");
  MenuWatcher user;
  std::vector<std::string> top, summary;
  int rename_on_general = -1, edit_on_group = -1, edit_on_attribute = -1;
  user.on(kAttrManagerContext)
      .observe([&](void* dialog) { top = children(dialog, root_); })
      .right_click(kAttrManagerTree, general)
      .choose(kAttrCmdForget)
      .right_click(kAttrManagerTree, mine)
      .choose(kAttrCmdForget)
      .edit_label(kAttrManagerTree, general, "Other")
      .drag(kAttrManagerTree, general, mine)
      .select_item(kAttrManagerTree, general)
      .observe([&](void* dialog) {
        rename_on_general = menu_is_enabled(dialog_menu(dialog), kAttrCmdRename);
        edit_on_group = menu_is_enabled(dialog_menu(dialog), kAttrCmdEdit);
      })
      .expand(kAttrManagerTree, mine)
      .select_item(kAttrManagerTree, colour)
      .observe([&](void* dialog) {
        edit_on_attribute = menu_is_enabled(dialog_menu(dialog), kAttrCmdEdit);
        void* tree = GetControlHWND(dialog, kAttrManagerSummary);
        for (_TREEITEM* c : tree_children(tree, nullptr)) summary.push_back(tree_text(tree, c));
      });
  manage(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(top, (std::vector<std::string>{" General", " Mine"}));
  ASSERT_EQ(user.menus.size(), 2U);
  EXPECT_FALSE(has(user.menus[0], kAttrCmdRename));
  EXPECT_FALSE(has(user.menus[0], kAttrCmdDelete));
  EXPECT_TRUE(has(user.menus[0], kAttrCmdNewGroup));
  EXPECT_TRUE(has(user.menus[0], kAttrCmdImport));
  EXPECT_TRUE(has(user.menus[1], kAttrCmdRename));
  EXPECT_TRUE(has(user.menus[1], kAttrCmdDelete));
  EXPECT_FALSE(has(user.menus[1], kAttrCmdEdit));  // a group has no definition to edit
  EXPECT_EQ(name_of(general), "General");
  EXPECT_EQ(parent_of(general), root_);
  EXPECT_EQ(rename_on_general, 0);
  EXPECT_EQ(edit_on_group, 0);
  EXPECT_EQ(edit_on_attribute, 1);
  ASSERT_GE(summary.size(), 12U);
  EXPECT_EQ(summary[1], "Colour");
  EXPECT_EQ(rename_attribute_entry(nullptr, general, "Other"), 0);
  EXPECT_EQ(remove_attribute_entry(nullptr, root_), RemoveResult::kProtected);
}

TEST_F(AttributeManagerTest, RemovingAnAttributeThatPresetsUseAsksTwiceAndRemovesTheUses) {
  const long g = group(root_, "G");
  const long used = attribute(g, "Used", "USED");
  const long spare = attribute(g, "Spare", "SPARE");
  attribute(g, "Other", "OTHER");
  DBWALLTYPE wall{};
  DBATTREFCHAIN chain;
  DBATTREFTYPE link;
  link.set_abbrev("USED");
  link.set_name("v");
  chain.push(link);
  link.set_abbrev("OTHER");
  chain.push(link);
  ASSERT_GT(cre_wall(&wall, nullptr, nullptr, &chain, 0, 0), 0);
  const int64_t links = rows("attrefs");

  ScriptedUser user;
  user.on(kAttrManagerContext)
      .expand(kAttrManagerTree, g)
      .right_click(kAttrManagerTree, spare)
      .choose(kAttrCmdDelete)  // unused: one question, answered No
      .select_item(kAttrManagerTree, used)
      .choose(kAttrCmdDelete)   // used: the second question, answered No
      .choose(kAttrCmdDelete);  // and Yes
  user.no().no().yes();
  manage(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const auto& boxes = dialog_log().message_boxes;
  ASSERT_EQ(boxes.size(), 3U);
  EXPECT_EQ(boxes[0].caption, "Spare");
  EXPECT_EQ(boxes[0].text, load_string(21700));
  EXPECT_EQ(boxes[1].caption, load_string(20386));
  EXPECT_EQ(boxes[1].text, load_string(20387));
  EXPECT_TRUE(attribute_entry_info(spare, nullptr));
  EXPECT_FALSE(attribute_entry_info(used, nullptr));
  EXPECT_EQ(rows("attrefs"), links - 1);  // the use of OTHER stays
}

TEST_F(AttributeManagerTest, ATakenNameKeepsTheDialogOpenAndLabelsRenameGroups) {
  const long doors = group(root_, "Doors");
  const long a = attribute(doors, "Alpha", "ALPHA");
  attribute(doors, "Beta", "BETA");
  ScriptedUser user;
  std::vector<std::string> top, in_doors;
  user.on(kAttrManagerContext)
      .select_item(kAttrManagerTree, root_)
      .choose(kAttrCmdNewGroup)
      .expand(kAttrManagerTree, doors)
      .right_click(kAttrManagerTree, a)
      .choose(kAttrCmdRename)
      .edit_label(kAttrManagerTree, a, "Gamma")  // attributes have no label editing
      .edit_label(kAttrManagerTree, doors, " Portals")
      .observe([&](void* dialog) {
        top = children(dialog, root_);
        in_doors = children(dialog, doors);
      });
  user.on(kAttrGroupNameContext)
      .type(kAttrManagerNameField, "Doors")
      .press(kIdAccept)  // refused: the dialog stays
      .type(kAttrManagerNameField, "Windows")
      .press(kIdAccept);
  user.on(kAttrRenameContext)
      .type(kAttrManagerNameField, "Beta")
      .press(kIdAccept)
      .type(kAttrManagerNameField, "Delta")
      .press(kIdAccept);
  manage(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const auto& boxes = dialog_log().message_boxes;
  ASSERT_EQ(boxes.size(), 2U);
  EXPECT_EQ(boxes[0].context, kAttrGroupNameContext);
  EXPECT_EQ(boxes[0].caption, "Doors");
  EXPECT_EQ(boxes[0].text, load_string(11856));
  EXPECT_EQ(boxes[1].context, kAttrRenameContext);
  EXPECT_EQ(top, (std::vector<std::string>{" Portals", " Windows"}));
  EXPECT_EQ(in_doors, (std::vector<std::string>{"Beta", "Delta"}));
  EXPECT_EQ(name_of(doors), "Portals");
}

TEST_F(AttributeManagerTest, ImportIntoAnAttributeGoesIntoItsGroup) {
  const fs::path dir = fs::temp_directory_path() / ("dlist_attrman_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "one.atr").string();
  const long a = group(root_, "A");
  const long b = group(root_, "B");
  const long imp = attribute(a, "Imported", "IMP");
  const long here = attribute(b, "Here", "HERE");
  std::string path = file;
  ASSERT_EQ(AttributeExport(nullptr, imp, path.data(), 0, nullptr), 1);
  ASSERT_NE(ATTRIBUTES().del_node(imp, 1), 0);
  set_attribute_conflict_strategy(kConflictKeepSilently);

  ScriptedUser user;
  std::vector<std::string> in_b;
  user.on(kAttrManagerContext)
      .expand(kAttrManagerTree, b)
      .select_item(kAttrManagerTree, here)
      .choose(kAttrCmdImport)
      .observe([&](void* dialog) { in_b = children(dialog, b); });
  user.choose_file(file);
  manage(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const long found = ATTRIBUTES().get_abbrev_attribute("IMP", nullptr);
  ASSERT_GT(found, 0);
  EXPECT_EQ(parent_of(found), b);
  EXPECT_EQ(in_b, (std::vector<std::string>{"Here", "Imported"}));
  EXPECT_EQ(attribute_conflict_strategy(), kConflictReplaceAsk);
  char kept[1024] = {};
  R_Get_STRING(kAttrImportSetting, kept, sizeof kept);
  EXPECT_EQ(fs::path(kept), dir);
  set_attribute_conflict_strategy(kConflictKeepSilently);
  fs::remove_all(dir);
}

TEST_F(AttributeManagerTest, DropsOntoAnAttributeGoBesideItAndRefillTheParent) {
  const long a = group(root_, "A");
  const long b = group(root_, "B");
  const long sub = group(a, "Sub");
  const long a1 = attribute(a, "a1", "A1");
  const long a2 = attribute(a, "a2", "A2");
  const long b1 = attribute(b, "b1", "B1");
  ScriptedUser user;
  std::vector<std::string> in_a, in_b;
  user.on(kAttrManagerContext)
      .expand(kAttrManagerTree, a)
      .expand(kAttrManagerTree, b)
      .drag(kAttrManagerTree, a1, a2)  // beside it already: refused
      .drag(kAttrManagerTree, a1, a)   // its own group: refused
      .drag(kAttrManagerTree, a, sub)  // below itself: the store refuses
      .drag_to(kAttrManagerTree, a1, DragSpot::kOutside)
      .drag(kAttrManagerTree, a1, b1)   // answered 2: into b1's group
      .drag(kAttrManagerTree, a2, sub)  // into a group
      .observe([&](void* dialog) {
        in_a = children(dialog, a);
        in_b = children(dialog, b);
      });
  manage(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(parent_of(a1), b);
  EXPECT_EQ(parent_of(a2), sub);
  EXPECT_EQ(parent_of(a), root_);
  EXPECT_EQ(in_b, (std::vector<std::string>{"a1", "b1"}));
  EXPECT_EQ(in_a, (std::vector<std::string>{" Sub"}));
  const auto& events = dialog_log().window_events;
  EXPECT_EQ(std::count(events.begin(), events.end(), "begin drag"), 6);
  EXPECT_EQ(std::count(events.begin(), events.end(), "end drag"), 6);
  EXPECT_EQ(events.back(), "unregister drag_adapter");
  EXPECT_EQ(capture_window(), nullptr);
  EXPECT_FALSE(window_class_registered("drag_adapter"));
}

TEST_F(AttributeManagerTest, TheAdapterClassGoesAwayOnEveryWayOut) {
  fail_next_buffer_reservation();
  EXPECT_EQ(CrtAttributeManager(nullptr), 0);
  fail_construction_call(3);
  EXPECT_EQ(CrtAttributeManager(nullptr), 0);
  ScriptedUser user;
  user.on(kAttrManagerContext).press(kIdReject);
  manage(user);
  std::vector<int> lines;
  for (const ReportEntry& e : reports_.entries()) {
    if (e.kind == ReportKind::beep) lines.push_back(e.line);
  }
  EXPECT_EQ(lines, (std::vector<int>{1306, 1313}));
  EXPECT_EQ(dialog_log().window_events,
            (std::vector<std::string>{"register drag_adapter", "unregister drag_adapter",
                                      "register drag_adapter", "unregister drag_adapter",
                                      "register drag_adapter", "unregister drag_adapter"}));
  EXPECT_EQ(buffer_accounting().depth, 0);
}

}  // namespace
}  // namespace dlist
