// The palette manager and its trees through the scripted user: how the trees are
// filled and labelled, selection mode, the protected prototype, label editing,
// drag and drop, the name search and duplicate.
#include "palettes/palette_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/element_dialogs.h"
#include "host/model/kind_calls.h"
#include "host/report.h"
#include "host/settings.h"
#include "palettes/manager_procedures.h"
#include "palettes/palette_records.h"
#include "palettes/palette_tree.h"
#include "palettes/prototype_records.h"
#include "tests/host/model/model_test_support.h"

namespace {

using dlist::ItemRef;
using dlist::kPaletteTreeView;
using dlist::kPrototypeTreeView;
using dlist::ModelTree;

class PaletteManagerTest : public dlist::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    dlist::reset_dialog_engine();
    LastProtoMode(1);
    SetPalReport(0);
    walls_ = PALETTES().get_root(1);
    doors_ = PALETTES().get_root(2);
  }
  void TearDown() override {
    dlist::reset_dialog_engine();
    dlist::set_icon_catalog(nullptr);
    ModelTest::TearDown();
  }

  // A wall palette with layer, without a node.
  long wall_palette(int layer) {
    DBWALLPALETTE p;
    p.layer = static_cast<uint8_t>(layer);
    DBSURFREFTYPE surf;
    int existed = 0;
    return cre_wallpalette(p, &surf, &existed);
  }
  long palette_node(long folder, const char* name, long palette) {
    DBPALETTENODETYPE n = dlist::testing::node_named<DBPALETTENODETYPE>(name);
    return PALETTES().cre_node(folder, n, palette);
  }
  long palette_folder(long parent, const char* name) { return palette_node(parent, name, 0); }
  long prototype(long folder, const char* name, int layer) {
    DBWALLTYPE wall;
    wall.palette.layer = static_cast<uint8_t>(layer);
    const long record =
        CrePrototype(reinterpret_cast<unsigned long>(&wall), 1, nullptr, nullptr, nullptr);
    DBPROTOTYPENODE n = dlist::testing::node_named<DBPROTOTYPENODE>(name);
    return PROTOTYPES().cre_node(folder, n, record);
  }
  long prototype_folder(long parent, const char* name) {
    DBPROTOTYPENODE n = dlist::testing::node_named<DBPROTOTYPENODE>(name);
    return PROTOTYPES().cre_node(parent, n, 0);
  }

  // The texts of the children of the item with param in tree of dialog.
  static std::vector<std::string> children(void* dialog, int tree_id, long param) {
    void* tree = GetControlHWND(dialog, tree_id);
    std::vector<std::string> out;
    _TREEITEM* item = param == 0 ? nullptr : RecFindLPARAMInTree(tree, nullptr, param);
    for (_TREEITEM* c : dlist::tree_children(tree, item)) out.push_back(dlist::tree_text(tree, c));
    return out;
  }

  // Runs the manager in management mode with user.
  int manage(dlist::ScriptedUser& user) {
    dlist::DialogUserScope scope(user);
    return CrtPaletteManager(nullptr, 0, nullptr, nullptr);
  }

  long walls_ = 0;
  long doors_ = 0;
  dlist::ReportLogScope reports_;
};

TEST_F(PaletteManagerTest, TreesShowFoldersFirstUnregisteredPalettesAndCounts) {
  const long inner = palette_folder(walls_, "Doors");
  palette_node(walls_, "zeta", wall_palette(1));
  palette_node(walls_, "Alpha", wall_palette(2));
  palette_node(inner, "Inner", wall_palette(3));
  const long unregistered = wall_palette(10);

  dlist::ScriptedUser user;
  std::vector<std::string> kind_folder, unreg_folder, top;
  user.on(dlist::kManagerContext).observe([&](void* dialog) {
    kind_folder = children(dialog, kPaletteTreeView, walls_);
    void* tree = GetControlHWND(dialog, kPaletteTreeView);
    for (_TREEITEM* c : dlist::tree_children(tree, dlist::unregistered_folder(1)))
      unreg_folder.push_back(dlist::tree_text(tree, c));
    top = children(dialog, kPaletteTreeView, 0);
  });
  user.on(dlist::kManagerContext).choose(dlist::kCmdReport).observe([&](void* dialog) {
    kind_folder = children(dialog, kPaletteTreeView, walls_);
  });
  manage(user);
  EXPECT_EQ(top.size(), 13U);  // the level-1 node of each kind
  ASSERT_EQ(kind_folder.size(), 3U);
  EXPECT_EQ(kind_folder[0], " Doors");  // a folder: one blank, and before the palettes
  EXPECT_EQ(kind_folder[1], "Alpha");
  EXPECT_EQ(kind_folder[2], "zeta");
  EXPECT_EQ(unreg_folder, std::vector<std::string>{"PALETTE_" + std::to_string(unregistered)});
  EXPECT_EQ(dlist::palette_item_text(nullptr, 17), "PALETTE_17");
  manage(user);
  EXPECT_EQ(kind_folder[1], "Alpha (0,0,0)");
  SetPalReport(0);
}

TEST_F(PaletteManagerTest, LookUpsFindTheShallowestItemAndIconsMustAllLoad) {
  dlist::ScriptedUser user;
  _TREEITEM* found = nullptr;
  _TREEITEM* shallow = nullptr;
  int with_missing = -1;
  user.on(dlist::kManagerContext).observe([&](void* dialog) {
    void* tree = GetControlHWND(dialog, kPaletteTreeView);
    dlist::tree_delete_all(tree);
    _TREEITEM* a = AddTreeViewItem(dlist::kTviRoot, "A", dlist::kTviLast, 0, tree, 1);
    AddTreeViewItem(dlist::kTviRoot, "B", dlist::kTviLast, 0, tree, 2);
    _TREEITEM* a1 = AddTreeViewItem(a, "A1", dlist::kTviLast, 0, tree, 7);
    AddTreeViewItem(a1, "deep", dlist::kTviLast, 0, tree, 5);
    shallow =
        AddTreeViewItem(RecFindLPARAMInTree(tree, nullptr, 2), "mid", dlist::kTviLast, 0, tree, 5);
    found = RecFindLPARAMInTree(tree, nullptr, 5);
    dlist::set_icon_catalog([](const char* name) { return std::string(name) != "unregist"; });
    const int live = dlist::image_list_live_count();
    with_missing = CreatePaletteImageList(dialog);
    EXPECT_EQ(dlist::image_list_live_count(), live - 1);  // the old list went, no new one stays
  });
  manage(user);
  EXPECT_EQ(found, shallow);
  EXPECT_EQ(with_missing, 0);
}

TEST_F(PaletteManagerTest, SelectionGivesThePaletteOrTheNegatedKindAndRefusesFolders) {
  const long palette = wall_palette(4);
  const long node = palette_node(walls_, "Brick", palette);
  const long proto = prototype(PROTOTYPES().get_root(1), "Block", 2);

  dlist::ScriptedUser user;
  user.on(dlist::kManagerContext)
      .select_item(kPaletteTreeView, walls_)
      .press(dlist::kIdAccept)  // a folder: refused, the dialog stays
      .select_item(kPaletteTreeView, node)
      .press(dlist::kIdAccept);
  user.on(dlist::kManagerContext)
      .choose(dlist::kCmdShowPrototypes)
      .select_item(kPrototypeTreeView, proto)
      .press(dlist::kIdAccept);
  dlist::DialogUserScope scope(user);
  int kind = 1;
  long chosen = 0;
  EXPECT_EQ(CrtPaletteManager(nullptr, 0, &kind, &chosen), 1);
  EXPECT_EQ(chosen, palette);
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(CrtSelectPrototype(nullptr, 0, &kind, &chosen), 1);
  EXPECT_EQ(chosen, proto);
  EXPECT_EQ(kind, -1);
  EXPECT_EQ(CrtPaletteManager(nullptr, 0, &kind, nullptr), 0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const auto& events = dlist::dialog_log().window_events;
  EXPECT_EQ(std::count(events.begin(), events.end(), "register paldrag_adapter"), 2);
  EXPECT_EQ(std::count(events.begin(), events.end(), "unregister paldrag_adapter"), 2);
}

TEST_F(PaletteManagerTest, TheProtectedPrototypeCannotBeRenamedDeletedOrDuplicated) {
  DBWALLTYPE wall;
  ASSERT_NE(
      ModPrototype(0, reinterpret_cast<unsigned long>(&wall), 1, nullptr, nullptr, nullptr, 0), 0);
  const long kind_folder = PROTOTYPES().get_root(1);
  DBPROTOTYPENODE n;
  PROTOTYPES store;
  store.rew_node(kind_folder);
  const long protected_node = store.get_node(&n);
  LastProtoMode(0);
  dlist::ScriptedUser user;
  user.on(dlist::kManagerContext)
      .expand(kPrototypeTreeView, kind_folder)
      .select_item(kPrototypeTreeView, protected_node)
      .choose(dlist::kCmdRename)
      .choose(dlist::kCmdDelete)
      .choose(dlist::kCmdDuplicate)
      .edit_label(kPrototypeTreeView, protected_node, "Other");
  manage(user);
  EXPECT_EQ(dlist::node_name(ModelTree::kPrototypes, protected_node), "Default");
  EXPECT_EQ(dlist::dialog_log().refusals.size(), 3U);  // three disabled commands
  EXPECT_EQ(dlist::duplicate_prototype(nullptr, protected_node), 0);
}

TEST_F(PaletteManagerTest, RenamingToATakenNameIsRefused) {
  const long a = palette_node(walls_, "Alpha", wall_palette(1));
  palette_node(walls_, "Beta", wall_palette(2));
  dlist::ScriptedUser user;
  std::vector<std::string> after;
  user.on(dlist::kManagerContext)
      .expand(kPaletteTreeView, PALETTES().up_node(walls_))
      .expand(kPaletteTreeView, walls_)
      .edit_label(kPaletteTreeView, a, "Beta")
      .edit_label(kPaletteTreeView, walls_, "Kind")  // a system folder: no editing
      .select_item(kPaletteTreeView, a)
      .choose(dlist::kCmdRename)
      .edit_label(kPaletteTreeView, a, "Gamma")
      .observe([&](void* dialog) { after = children(dialog, kPaletteTreeView, walls_); });
  user.on(dlist::kRenameContext)
      .type(10436, "Beta")
      .press(dlist::kIdAccept)
      .press(dlist::kIdReject);
  manage(user);
  const auto& boxes = dlist::dialog_log().message_boxes;
  ASSERT_EQ(boxes.size(), 2U);
  EXPECT_EQ(boxes[0].caption, "Beta");
  EXPECT_EQ(boxes[1].context, dlist::kRenameContext);
  EXPECT_EQ(dlist::node_name(ModelTree::kPalettes, a), "Gamma");
  EXPECT_EQ(after, (std::vector<std::string>{"Beta", "Gamma"}));
  EXPECT_EQ(dlist::node_name(ModelTree::kPalettes, walls_), "Walls");
}

TEST_F(PaletteManagerTest, DropsAreRefusedUnlessTheTargetFits) {
  const long inner = palette_folder(walls_, "Inner");
  const long sub = palette_folder(inner, "Sub");
  const long brick = palette_node(walls_, "Brick", wall_palette(1));
  palette_node(inner, "Brick", wall_palette(2));
  const long stone = palette_node(walls_, "Stone", wall_palette(3));
  const long door_folder = palette_folder(doors_, "Wooden");

  dlist::ScriptedUser user;
  user.on(dlist::kManagerContext)
      .expand(kPaletteTreeView, PALETTES().up_node(walls_))
      .expand(kPaletteTreeView, walls_)
      .expand(kPaletteTreeView, inner)
      .expand(kPaletteTreeView, PALETTES().up_node(doors_))
      .expand(kPaletteTreeView, doors_)
      .drag(kPaletteTreeView, brick, inner)        // its name is taken there
      .drag(kPaletteTreeView, stone, walls_)       // its own folder
      .drag(kPaletteTreeView, stone, brick)        // beside it
      .drag(kPaletteTreeView, inner, sub)          // into its own subtree
      .drag(kPaletteTreeView, stone, door_folder)  // another kind
      .drag_to(kPaletteTreeView, stone, dlist::DragSpot::kOutside)
      .drag(kPaletteTreeView, stone, sub, true);  // allowed
  manage(user);
  EXPECT_EQ(PALETTES().up_node(brick), walls_);
  EXPECT_EQ(PALETTES().up_node(inner), walls_);
  EXPECT_EQ(PALETTES().up_node(stone), sub);
  const auto& events = dlist::dialog_log().window_events;
  EXPECT_EQ(std::count(events.begin(), events.end(), "begin drag"), 7);
  EXPECT_EQ(std::count(events.begin(), events.end(), "end drag"), 7);
  EXPECT_EQ(std::count(events.begin(), events.end(), "release capture"), 7);
  EXPECT_EQ(events.back(), "unregister paldrag_adapter");
  EXPECT_EQ(dlist::capture_window(), nullptr);
  EXPECT_TRUE(dlist::dialog_log().notes.empty());
}

TEST_F(PaletteManagerTest, TheNameSearchFollowsItsOptions) {
  const long inner = palette_folder(walls_, "Outer walls");
  const long deep = palette_node(inner, "brick wall", wall_palette(1));
  const long flat = palette_node(walls_, "Wall of brick", wall_palette(2));
  struct Case {
    const char* text;
    bool match_case, beginning;
    std::vector<long> found;  // in visiting order
  };
  const std::vector<Case> cases = {
      {"brick", false, false, {flat, deep}},
      {"brick", true, true, {deep}},
      // the folders "Walls" (level 1 and kind folder), found without their blank
      {"wall", false, true, {PALETTES().up_node(walls_), walls_, flat}},
      {"Outer", true, false, {inner}},
      {"none", false, false, {}},
  };
  for (const Case& c : cases) {
    dlist::reset_dialog_engine();
    dlist::ScriptedUser user;
    std::vector<long> found;
    auto note = [&](void* dialog) {
      void* tree = GetControlHWND(dialog, kPaletteTreeView);
      if (GetOccurentId() != nullptr)
        found.push_back(static_cast<long>(dlist::tree_param(tree, GetOccurentId())));
    };
    dlist::Script& s = user.on(dlist::kManagerContext).choose(dlist::kCmdFind).observe(note);
    for (size_t i = 1; i < c.found.size(); ++i) s.choose(dlist::kCmdFindNext).observe(note);
    dlist::Script& find = user.on(dlist::kFindContext).type(10436, c.text);
    find.check(10550, c.match_case).check(10551, c.beginning).press(dlist::kIdAccept);
    manage(user);
    EXPECT_EQ(found, c.found) << c.text;
    EXPECT_TRUE(user.finished()) << c.text << user.leftovers();
  }
}

TEST_F(PaletteManagerTest, DuplicateTakesAFreeNameAndLeavesNoTemporaryFile) {
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("dlist_dup_" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch);
  const char* old = std::getenv("TMP");
  const std::string saved = old != nullptr ? old : "";
  setenv("TMP", scratch.c_str(), 1);

  const long folder = PROTOTYPES().get_root(1);
  const long door = prototype(folder, "Door", 1);
  LastProtoMode(0);
  dlist::ScriptedUser user;
  std::vector<std::string> shown;
  user.on(dlist::kManagerContext)
      .expand(kPrototypeTreeView, folder)
      .right_click(kPrototypeTreeView, door)
      .choose(dlist::kCmdDuplicate)
      .observe([&](void* dialog) { shown = children(dialog, kPrototypeTreeView, folder); });
  manage(user);
  EXPECT_EQ(shown, (std::vector<std::string>{"Door", "Door~1"}));
  EXPECT_TRUE(std::filesystem::is_empty(scratch));

  // Shift-dragging copies a prototype into the folder dropped on
  const long sub = prototype_folder(folder, "Sub");
  dlist::ScriptedUser copier;
  copier.on(dlist::kManagerContext)
      .expand(kPrototypeTreeView, folder)
      .drag(kPrototypeTreeView, door, sub, true)
      .observe([&](void* dialog) { shown = children(dialog, kPrototypeTreeView, sub); });
  manage(copier);
  EXPECT_EQ(shown, (std::vector<std::string>{"Door"}));
  EXPECT_EQ(PROTOTYPES().up_node(door), folder);
  EXPECT_TRUE(std::filesystem::is_empty(scratch));

  // without a folder for the temporary file nothing is made
  setenv("TMP", (scratch / "missing").c_str(), 1);
  EXPECT_EQ(dlist::duplicate_prototype(nullptr, door), 0);
  old != nullptr ? setenv("TMP", saved.c_str(), 1) : unsetenv("TMP");
  std::filesystem::remove_all(scratch);
}

}  // namespace

namespace {

TEST_F(PaletteManagerTest, RegisteringAsksWhileTheSettingIsOnAndKeepsTakenNamesOut) {
  const long palette = wall_palette(5);
  palette_node(walls_, "Taken", wall_palette(6));
  R_Set_BOOL(dlist::kSettingRegisterPalettes, 0);
  EXPECT_EQ(CrtRegistering(nullptr, const_cast<char*>("W"), walls_, palette), 1);

  R_Set_BOOL(dlist::kSettingRegisterPalettes, 1);
  dlist::ScriptedUser user;
  user.on(dlist::kRegisterContext)
      .type(10436, "Taken")
      .press(dlist::kIdAccept)  // refused: the dialog stays
      .type(10436, "Fresh")
      .type(10437, "from the host")
      .check(10550, false)
      .press(dlist::kIdAccept);
  long node = 0;
  {
    dlist::DialogUserScope scope(user);
    node = CrtRegistering(nullptr, const_cast<char*>("W"), walls_, palette);
  }
  ASSERT_GT(node, 0);
  EXPECT_EQ(PALETTES().get_id_palette(node), palette);
  std::string description;
  dlist::node_description(ModelTree::kPalettes, node, &description);
  EXPECT_EQ(description, "from the host");
  EXPECT_EQ(R_Get_BOOL(dlist::kSettingRegisterPalettes), 0);
  EXPECT_EQ(dlist::dialog_log().message_boxes.size(), 1U);

  // a palette without a node dropped on a folder is registered there
  const long loose = wall_palette(7);
  const long folder = palette_folder(walls_, "Target");
  dlist::ScriptedUser dragger;
  dragger.on(dlist::kManagerContext)
      .expand(kPaletteTreeView, PALETTES().up_node(walls_))
      .expand(kPaletteTreeView, walls_)
      .expand(kPaletteTreeView, 0)  // the first unregistered folder: the walls'
      .drag(kPaletteTreeView, loose, folder);
  dragger.on(dlist::kRegisterContext).type(10436, "Dropped").press(dlist::kIdAccept);
  manage(dragger);
  DBPALETTENODETYPE n;
  EXPECT_EQ(PALETTES().get_palid_node(loose, &n) > 0 ? std::string(n.name) : "", "Dropped");
  EXPECT_TRUE(dragger.finished()) << dragger.leftovers();
}

TEST_F(PaletteManagerTest, NewAndChangeGoThroughThePresetDialog) {
  const long protos = PROTOTYPES().get_root(1);
  const long node = palette_node(walls_, "Brick", wall_palette(2));
  dlist::ScriptedUser user;
  user.on(dlist::kManagerContext)
      .choose(dlist::kCmdShowPrototypes)
      .select_item(kPrototypeTreeView, protos)
      .choose(dlist::kCmdNew)
      .choose(dlist::kCmdNew)  // the same settings again: asked, and declined
      .choose(dlist::kCmdShowPalettes)
      .expand(kPaletteTreeView, PALETTES().up_node(walls_))
      .expand(kPaletteTreeView, walls_)
      .select_item(kPaletteTreeView, node)
      .choose(dlist::kCmdChange);
  user.on(dlist::kElementDialogContext + 1)
      .type(dlist::kElementFirstField, "7")
      .press(dlist::kIdAccept);
  user.on(dlist::kCreatePrototypeNodeContext).type(10436, "Seven").press(dlist::kIdAccept);
  user.on(dlist::kElementDialogContext + 1)
      .type(dlist::kElementFirstField, "7")
      .press(dlist::kIdAccept);
  user.no();
  user.on(dlist::kElementDialogContext + 1)
      .type(dlist::kElementFirstField, "9")
      .press(dlist::kIdAccept);
  const int64_t records_before = rows("elements");
  manage(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(rows("elements"), records_before + 1);
  DBPROTOTYPENODE seven;
  PROTOTYPES store;
  store.rew_node(protos);
  const long seven_id = store.get_node(&seven);
  ASSERT_GT(seven_id, 0);
  EXPECT_STREQ(seven.name, "Seven");
  DBWALLTYPE wall;
  ASSERT_EQ(GetWallPrototype(seven_id, &wall, nullptr, nullptr, nullptr, 0), 1);
  EXPECT_EQ(wall.palette.layer, 7);
  DBWALLTYPE changed;
  DBSURFREFTYPE surf;
  ASSERT_NE(GetWallPalette(node, &changed, &surf), 0);
  EXPECT_EQ(changed.palette.layer, 9);
  EXPECT_EQ(dlist::element_field_count(1), 8);
}

}  // namespace

namespace {

TEST_F(PaletteManagerTest, TheAdapterClassGoesAwayOnEveryWayOut) {
  dlist::fail_next_buffer_reservation();
  EXPECT_EQ(CrtPaletteManager(nullptr, 0, nullptr, nullptr), 0);
  dlist::fail_construction_call(4);
  EXPECT_EQ(CrtPaletteManager(nullptr, 0, nullptr, nullptr), 0);
  std::vector<int> lines;
  for (const dlist::ReportEntry& e : reports_.entries()) {
    if (e.kind == dlist::ReportKind::beep) lines.push_back(e.line);
  }
  EXPECT_EQ(lines, (std::vector<int>{3843, 3850}));
  EXPECT_EQ(dlist::dialog_log().window_events,
            (std::vector<std::string>{"register paldrag_adapter", "unregister paldrag_adapter",
                                      "register paldrag_adapter", "unregister paldrag_adapter"}));
  EXPECT_FALSE(dlist::window_class_registered("paldrag_adapter"));
  EXPECT_EQ(dlist::buffer_accounting().depth, 0);
}

TEST_F(PaletteManagerTest, SaveAsPrototypeRefusesATakenNameAndStoresTheElement) {
  const long folder = PROTOTYPES().get_root(1);
  prototype(folder, "Taken", 1);
  DBWALLTYPE wall;
  wall.palette.layer = 42;
  dlist::ElementToSave element{1, &wall, nullptr, nullptr, nullptr};
  dlist::ScriptedUser user;
  user.on(dlist::kSaveAsPrototypeContext)
      .type(10436, "Taken")
      .press(dlist::kIdAccept)
      .type(10436, "Saved")
      .type(10437, "kept")
      .press(dlist::kIdAccept);
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(CrtSaveAsPrototype(nullptr, reinterpret_cast<long>(&element)), 1);
  EXPECT_EQ(dlist::dialog_log().message_boxes.size(), 1U);
  DBPROTOTYPENODE n = dlist::testing::node_named<DBPROTOTYPENODE>("Saved");
  n.level = -2;
  n.kind = 1;
  const long saved = PROTOTYPES().find(n);
  ASSERT_GT(saved, 0);
  DBWALLTYPE read;
  ASSERT_EQ(GetWallPrototype(saved, &read, nullptr, nullptr, nullptr, 0), 1);
  EXPECT_EQ(read.palette.layer, 42);
  EXPECT_EQ(CrtSaveAsPrototype(nullptr, 0), 0);
}

}  // namespace
