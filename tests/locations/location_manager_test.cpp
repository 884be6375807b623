// The location manager and the selection dialog worked through the scripted user:
// new, edit and delete with their questions, label editing, the drag refusals and
// a move, and the selection by key.
#include "locations/location_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "host/dialog/dialog_log.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/window_system.h"
#include "host/model/location_store.h"
#include "tests/host/model/model_test_support.h"

namespace location_manager_test {
namespace {

using dlist::kLocTree;

long add(long parent, const char* name, int32_t key = 0, int fresh = 1) {
  DBLOCATIONTYPE l;
  l.key = key;
  l.set_name(name);
  return LOCALIZATION().cre_location(parent, &l, fresh);
}

long parent_of(long id) {
  long parent = -1;
  DBLOCATIONTYPE l;
  LOCALIZATION().get_id_location(id, &l, &parent);
  return parent;
}

class LocationManagerTest : public dlist::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    dlist::reset_dialog_engine();
  }
  void TearDown() override {
    dlist::reset_dialog_engine();
    ModelTest::TearDown();
  }
  void manage(dlist::ScriptedUser& user) {
    {
      dlist::DialogUserScope scope(user);
      CrtLocationManager(nullptr);
    }
    EXPECT_TRUE(user.finished()) << user.leftovers();
  }
};

TEST_F(LocationManagerTest, DragsAreRefusedOntoDescendantsTakenNamesAndForFixedLocations) {
  const long a = add(0, "A", 1);
  const long a1 = add(a, "Room", 2);
  const long b = add(0, "B", 3);
  add(b, "Room", 4);
  const long fixed = add(0, "Fixed", 0, 0);
  const long c = add(0, "C", 5);

  dlist::ScriptedUser user;
  user.on(dlist::kLocManagerContext)
      .expand(kLocTree, a)
      .drag(kLocTree, a, a1)     // onto its own descendant
      .drag(kLocTree, a1, b)     // b holds a "Room"
      .drag(kLocTree, fixed, c)  // key 0: no drag at all
      .drag_to(kLocTree, c, dlist::DragSpot::kOutside)
      .drag(kLocTree, c, a1)     // allowed
      .press(2);
  manage(user);
  EXPECT_EQ(parent_of(a), 0);
  EXPECT_EQ(parent_of(a1), a);
  EXPECT_EQ(parent_of(fixed), 0);
  EXPECT_EQ(parent_of(c), a1);
  const auto& events = dlist::dialog_log().window_events;
  EXPECT_EQ(std::count(events.begin(), events.end(), "begin drag"), 4);
  EXPECT_EQ(std::count(events.begin(), events.end(), "end drag"), 4);
  EXPECT_EQ(events.back(), "unregister locdrag_adapter");
  EXPECT_EQ(dlist::capture_window(), nullptr);
}

TEST_F(LocationManagerTest, DeletionAsksAndSaysWhenInUseFixedOnesStay) {
  const long a = add(0, "A", 1);
  const long b = add(0, "B", 2);
  const long fixed = add(0, "Fixed", 0, 0);
  dlist::ScriptedUser user;
  user.on(dlist::kLocManagerContext)
      .select_item(kLocTree, a)
      .choose(dlist::kLocDelete)  // No
      .select_item(kLocTree, b)
      .choose(dlist::kLocDelete)  // Yes
      .select_item(kLocTree, fixed)
      .choose(dlist::kLocDelete)  // nothing asked
      .press(2);
  user.no().yes();
  manage(user);
  EXPECT_GT(LOCALIZATION().get_id_location(a, nullptr), 0);
  EXPECT_EQ(LOCALIZATION().get_id_location(b, nullptr), 0);
  EXPECT_GT(LOCALIZATION().get_id_location(fixed, nullptr), 0);
  EXPECT_EQ(dlist::dialog_log().message_boxes.size(), 2U);
}

TEST_F(LocationManagerTest, NewEditAndLabelEditing) {
  const long a = add(0, "A", 1);
  add(0, "B", 2);
  dlist::ScriptedUser user;
  user.on(dlist::kLocManagerContext)
      .select_item(kLocTree, a)
      .choose(dlist::kLocNewUnder)
      .edit_label(kLocTree, a, "B")  // taken: refused with a message
      .edit_label(kLocTree, a, "Alpha")
      .press(2);
  // The new location under A.
  user.on(dlist::kLocNewContext).type(dlist::kLocNameInput, "Sub").type(dlist::kLocTextInput, "t").press(9999);
  manage(user);
  // The refused rename is told with the new name as caption.
  ASSERT_EQ(dlist::dialog_log().message_boxes.size(), 1U);
  EXPECT_EQ(dlist::dialog_log().message_boxes[0].caption, "B");
  DBLOCATIONTYPE l;
  ASSERT_EQ(LOCALIZATION().get_id_location(a, &l), a);
  EXPECT_STREQ(l.name, "Alpha");
  LOCALIZATION walk;
  ASSERT_EQ(walk.rew_location(a), 1);
  ASSERT_GT(walk.get_location(&l), 0);
  EXPECT_STREQ(l.name, "Sub");
  EXPECT_STREQ(l.text.get(), "t");
  EXPECT_GT(l.key, 2);
}

TEST_F(LocationManagerTest, TheSplitterKeepsWhereItWasDragged) {
  const auto left_edge = [](void* d) {
    dlist::ScreenRect r;
    EXPECT_TRUE(dlist::window_rect(GetControlHWND(d, dlist::kLocSplitter), &r));
    return r.left;
  };
  dlist::ScriptedUser user;
  user.on(dlist::kLocManagerContext)
      .observe([&](void* d) { EXPECT_EQ(left_edge(d), 198); })
      .move_splitter(dlist::kLocSplitter, 148)
      .press(2);
  manage(user);
  dlist::ScriptedUser again;
  again.on(dlist::kLocManagerContext)
      .observe([&](void* d) { EXPECT_EQ(left_edge(d), 148); })
      .move_splitter(dlist::kLocSplitter, 198)  // back where it was, for the other tests
      .press(2);
  manage(again);
}

TEST_F(LocationManagerTest, SelectionStartsOnTheKeyAndGivesTheChosenKey) {
  const long a = add(0, "A", 1);
  const long b = add(a, "B", 7);
  long key = 7;
  dlist::ScriptedUser user;
  user.on(dlist::kLocSelectContext)
      .observe([&](void* dialog) {
        void* tree = GetControlHWND(dialog, kLocTree);
        EXPECT_EQ(dlist::tree_param(tree, dlist::tree_get_next(tree, nullptr, dlist::TreeRelation::kCaret)), b);
      })
      .select_item(kLocTree, a)
      .press(9999);
  user.on(dlist::kLocSelectContext).press(dlist::kLocNoLocation);
  dlist::DialogUserScope scope(user);
  EXPECT_NE(CrtSelectLocation(nullptr, &key), 0);
  EXPECT_EQ(key, 1);
  EXPECT_NE(CrtSelectLocation(nullptr, &key), 0);
  EXPECT_EQ(key, 0);
}

TEST_F(LocationManagerTest, ImportAllAsksBeforeReplacingAndExportWritesTheFile) {
  const long old = add(0, "Old", 1);
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("dlist_locman_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".loc"))
                               .string();
  dlist::ScriptedUser user;
  user.on(dlist::kLocManagerContext)
      .choose(dlist::kLocExportAll)
      .choose(dlist::kLocImportAll)  // No: nothing changes
      .choose(dlist::kLocImportAll)  // Yes
      .press(2);
  user.choose_file(file, "all").choose_file(file).choose_file(file);
  user.no().yes();
  manage(user);
  DBLOCATIONTYPE l;
  LOCALIZATION walk;
  ASSERT_EQ(walk.rew_location(0), 1);
  ASSERT_GT(walk.get_location(&l), 0);
  EXPECT_STREQ(l.name, "Old");
  EXPECT_EQ(l.key, 1);
  EXPECT_NE(LOCALIZATION().get_key_location(1), old);  // replaced by the file's
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace location_manager_test
