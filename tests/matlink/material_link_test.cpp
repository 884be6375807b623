// The material link dialog through the scripted user: the caller's flag, the tree
// marking for a parameter, the parameter selection's sorting, the quantity editor,
// the material table, the location command and the material selection.

#include "matlink/material_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "cli/demo_materials.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/owner_draw.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/list/list_context.h"
#include "host/dialog/dialog_log.h"
#include "host/model/location_store.h"
#include "host/model/material_groups.h"
#include "host/model/model_database.h"
#include "locations/location_manager.h"
#include "host/report.h"

namespace {

class MaterialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlist::reset_dialog_engine();
    ASSERT_TRUE(library_.open(":memory:"));
    std::string error;
    ASSERT_TRUE(dlist::cli::fill_demo_library(library_, &error).has_value()) << error;
    ASSERT_TRUE(model_.open(":memory:")) << model_.last_error();
    PurgeMaterialsFromMemory();
  }
  void TearDown() override {
    PurgeMaterialsFromMemory();
    DestroyMaterialImageList();
    dlist::reset_dialog_engine();
  }

  long id(const char* code) {
    dbmaterial m;
    return library_.get(TEXTBUFFER(code), m, nullptr);
  }
  // Opens the dialog on chain, lets user act and takes the links back.
  void run(dlist::ScriptedUser& user, DBMATREFCHAIN* chain, char* state = nullptr) {
    dlist::DialogUserScope scope(user);
    void* dialog = MaterialLink(nullptr, chain, nullptr, 1, 1, state, 0, 0);
    ASSERT_NE(dialog, nullptr);
    dlist::drive_dialog(dialog);
    SpecUpdate_MaterialRef(chain);
    dlist::destroy_dialog(dialog);
  }
  // A chain linking codes with quantity 1.
  static DBMATREFCHAIN chain_of(std::initializer_list<const char*> codes) {
    DBMATREFCHAIN chain;
    for (const char* code : codes) {
      DBMATREF ref;
      ref.code.put(code);
      chain.push(ref);
    }
    return chain;
  }
  int area_row() {
    const auto offered = dlist::matlink::offered_parameters(nullptr, 1);
    for (std::size_t i = 0; i < offered.size(); ++i)
      if (offered[i] == "AREA") return static_cast<int>(i);
    return -1;
  }

  LISTCONTEXT library_;
  dlist::ActiveLibrary active_{library_};
  dlist::ModelDatabase model_;
  dlist::ActiveModel active_model_{model_};
  dlist::ReportLogScope quiet_;
};

TEST_F(MaterialLinkTest, TheCallersFlagOffGivesAnEmptyChainAndTypingSwitchesItOn) {
  DBMATREFCHAIN chain;
  DBMATREF ref;
  ref.code.put("1.1.1");
  ref.quantity = 2;
  chain.push(ref);
  char state[64] = {};
  dlist::ScriptedUser off;
  run(off, &chain, state);
  EXPECT_EQ(chain.size(), 0u);

  chain.push(ref);
  dlist::ScriptedUser typing;
  typing.on(kMaterialLinkContext).select_row(kMlLinks, 0).type(kMlQuantity, "4").enter(kMlQuantity);
  run(typing, &chain, state);
  EXPECT_EQ(state[kLinkFlagOffset], 1);
  ASSERT_EQ(chain.size(), 1u);
  EXPECT_DOUBLE_EQ(chain[0].quantity, 4.0);
}

TEST_F(MaterialLinkTest, TheTreeIsMarkedForTheParametersDimension) {
  const int row = area_row();
  ASSERT_GE(row, 0);
  dlist::ScriptedUser user;
  int plaster = -1, brick = -1, masonry = -1, finishes = -1;
  user.on(kMaterialLinkContext).press(kMlParameter).observe([&](void* dialog) {
    void* tree = GetControlHWND(dialog, kMlTree);
    auto icon = [&](const char* code) {
      return dlist::tree_image(tree, dlist::matlink::material_table().find(id(code))->item);
    };
    plaster = icon("2.1.1");
    brick = icon("1.1.1");
    masonry = icon("1.1");
    finishes = icon("2");
  });
  user.on(kSelParameterContext).select_row(kSpList, row).press(dlist::kIdAccept);
  DBMATREFCHAIN chain;
  run(user, &chain);
  EXPECT_EQ(plaster, dlist::matlink::kMarkMaterial);
  EXPECT_EQ(brick, dlist::matlink::kMarkInvalid);
  EXPECT_EQ(masonry, dlist::matlink::kMarkCoverInvalid);
  EXPECT_EQ(finishes, dlist::matlink::kMarkCover);
}

TEST_F(MaterialLinkTest, TheParameterListSortsByTheClickedColumnBothWays) {
  const auto by_name = dlist::matlink::offered_parameters(nullptr, 1);
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext).press(kMlParameter);
  user.on(kSelParameterContext).click_column(kSpList, 1).click_column(kSpList, 1).close();
  DBMATREFCHAIN chain;
  run(user, &chain);
  const auto descending = dlist::matlink::offered_parameters(nullptr, 1);
  ASSERT_EQ(descending.size(), by_name.size());
  EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));
}

TEST_F(MaterialLinkTest, ARefusedQuantityKeepsTheLinkAndTheTableRefills) {
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .expand(kMlTree, id("1"))
      .expand(kMlTree, id("1.1"))
      .select_item(kMlTree, id("1.1.1"))
      .press(kMlAdd)
      .type(kMlQuantity, "1e99")
      .enter(kMlQuantity)
      .select_item(kMlTree, id("1.1.1"))
      .press(kMlAdd);
  DBMATREFCHAIN chain;
  run(user, &chain);
  ASSERT_EQ(chain.size(), 1u);
  EXPECT_DOUBLE_EQ(chain[0].quantity, 1.0);
  EXPECT_TRUE(dlist::matlink::material_table().filled());
  PurgeMaterialsFromMemory();
  EXPECT_FALSE(dlist::matlink::material_table().filled());
}

TEST_F(MaterialLinkTest, TheLocationCommandSetsTheSelectedLinksKey) {
  DBLOCATIONTYPE site;
  site.set_name("Site");
  ASSERT_GT(LOCALIZATION().cre_location(0, &site, 1), 0);
  DBLOCATIONTYPE hall;
  hall.set_name("Hall");
  const long hall_id = LOCALIZATION().cre_location(LOCALIZATION().get_key_location(site.key), &hall, 1);
  ASSERT_GT(hall_id, 0);
  DBMATREFCHAIN chain = chain_of({"1.1.1", "2.1.1"});
  std::string shown;
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .press(kMlLocation)  // no link selected: refused
      .select_row(kMlLinks, 1)
      .press(kMlLocation)
      .observe([&](void* dialog) {
        shown = dlist::list_text(GetControlHWND(dialog, kMlLinks), 1, 2);
      });
  user.on(dlist::kLocSelectContext)
      .expand(dlist::kLocTree, LOCALIZATION().get_key_location(site.key))
      .select_item(dlist::kLocTree, hall_id)
      .press(dlist::kIdAccept);
  run(user, &chain);
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(chain[0].location, 0);
  EXPECT_EQ(chain[1].location, hall.key);
  EXPECT_EQ(shown, "Site/Hall");
  EXPECT_EQ(dlist::matlink::location_path(hall.key), "Site/Hall");
}

TEST_F(MaterialLinkTest, TheContextMenusWorkOnTheClickedRowAndTheRowsAreDrawn) {
  DBMATREFCHAIN chain = chain_of({"1.1.1", "2.1.1"});
  std::vector<dlist::DrawnRow> painted;
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .right_click_row(kMlLinks, 1)
      .choose(kMlMenuAuto)
      .right_click_row(kMlLinks, 0)
      .choose(kMlMenuRemove)
      .expand(kMlTree, id("3"))
      .right_click(kMlTree, id("3.1"))
      .choose(kMlMenuAdd)
      .observe([&](void* dialog) { painted = dlist::list_painted(GetControlHWND(dialog, kMlLinks)); });
  run(user, &chain);
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_STREQ(chain[0].code.get(), "2.1.1");
  EXPECT_TRUE(chain[0].is_auto_quantity());
  EXPECT_STREQ(chain[1].code.get(), "3.1");
  ASSERT_EQ(painted.size(), 2u);
  EXPECT_EQ(painted[0].text(1), dlist::dialog_text(21529));
  EXPECT_EQ(painted[1].text(1), "1.000000");
  EXPECT_TRUE(painted[1].highlighted);
}

// The location tree below the links: a location made through its context menu,
// given to a link by a double click, and deleted after the question that says it
// is in use, which leaves the link without a location.
TEST_F(MaterialLinkTest, TheLocationTreeMakesGivesAndDeletesLocations) {
  DBLOCATIONTYPE site;
  site.set_name("Site");
  const long site_id = LOCALIZATION().cre_location(0, &site, 1);
  ASSERT_GT(site_id, 0);
  DBMATREFCHAIN chain = chain_of({"1.1.1", "2.1.1"});
  std::string path_shown, path_after;
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .right_click(kMlLocations, site_id)
      .choose(kMlLocNewUnder)
      .select_row(kMlLinks, 1)
      .double_click(kMlLocations, dlist::ItemRef::with_text("Hall"))
      .observe([&](void* dialog) { path_shown = dlist::list_text(GetControlHWND(dialog, kMlLinks), 1, 2); })
      .right_click(kMlLocations, site_id)
      .choose(kMlLocDelete)
      .observe([&](void* dialog) { path_after = dlist::list_text(GetControlHWND(dialog, kMlLinks), 1, 2); });
  user.on(dlist::kLocNewContext).type(dlist::kLocNameInput, "Hall").press(dlist::kIdAccept);
  user.yes();
  run(user, &chain);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(path_shown, "Site/Hall");
  ASSERT_EQ(dlist::dialog_log().message_boxes.size(), 1u);
  EXPECT_NE(dlist::dialog_log().message_boxes[0].text.find(dlist::dialog_text(22580)), std::string::npos);
  EXPECT_EQ(LOCALIZATION().get_id_location(site_id, &site), 0);
  EXPECT_EQ(path_after, "");
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(chain[1].location, 0);
}

// The group's links: a quantity typed into the group's editor, a link removed
// through the context menu, each stored in the group at once.
TEST_F(MaterialLinkTest, TheGroupsLinksAreEditedInTheGroup) {
  const long group = create_group("Walls");
  ASSERT_GT(group, 0);
  for (const char* code : {"1.1.1", "2.1.1", "3.1"}) {
    DBMATREF ref;
    ref.code.put(code);
    ref.quantity = 1;
    ASSERT_GT(cre_group_matref(group, ref), 0);
  }
  std::vector<dlist::DrawnRow> painted;
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .press(kMlLinkMode)
      .choose_combo_text(kMlGroupName, "Walls")
      .select_row(kMlGroupLinks, 1)
      .type(kMlGroupQuantity, "2.5")
      .enter(kMlGroupQuantity)
      .type(kMlGroupQuantity, "-1e12")  // below the field's range: the editor stays
      .enter(kMlGroupQuantity)
      .right_click_row(kMlGroupLinks, 0)
      .choose(kMlMenuGroupRemove)
      .observe([&](void* dialog) { painted = dlist::list_painted(GetControlHWND(dialog, kMlGroupLinks)); });
  DBMATREFCHAIN chain;
  run(user, &chain);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  std::vector<DBMATREF> stored;
  MatrefIterator it(group);
  for (DBMATREF ref; it.next(&ref) > 0;) stored.push_back(ref);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_STREQ(stored[0].code.get(), "2.1.1");
  EXPECT_DOUBLE_EQ(stored[0].quantity, 2.5);
  EXPECT_STREQ(stored[1].code.get(), "3.1");
  ASSERT_EQ(painted.size(), 2u);
  EXPECT_EQ(painted[0].text(1), "2.500000");
  EXPECT_EQ(dlist::dialog_log().warnings.size(), 1u);
}

// Replacing a group whose write fails half-way leaves the group as it was.
TEST_F(MaterialLinkTest, AGroupReplacedWithAFailedWriteKeepsItsLinks) {
  const long group = create_group("Walls");
  DBMATREF ref;
  ref.code.put("3.1");
  ASSERT_GT(cre_group_matref(group, ref), 0);
  DBMATREFCHAIN chain;
  for (const char* code : {"1.1.1", "2.1.1"}) {
    ref.code.put(code);
    chain.push(ref);
  }
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .press(kMlLinkMode)
      .choose_combo_text(kMlGroupName, "Walls")
      .observe([](void*) { dlist::fail_model_calls_after(3); })  // the second new reference
      .press(kMlGroupReplace);
  run(user, &chain);
  dlist::fail_model_calls_after(0);
  std::vector<std::string> codes;
  MatrefIterator it(group);
  for (DBMATREF r; it.next(&r) > 0;) codes.emplace_back(r.code.get());
  EXPECT_EQ(codes, std::vector<std::string>{"3.1"});
}

// The view of linkable materials only, and the splitters: a moved splitter lays the
// panes out again and the next dialog opens with it.
TEST_F(MaterialLinkTest, TheViewShowsLinkableMaterialsAndTheSplittersLayOutThePanes) {
  const int row = area_row();
  ASSERT_GE(row, 0);
  unsigned all = 0, linkable = 0;
  int tree_cx = 0, links_x = 0, links_cy = 0, lower_y = 0, reopened_links_x = 0;
  dlist::ScriptedUser user;
  user.on(kMaterialLinkContext)
      .observe([&](void* dialog) { all = dlist::tree_count(GetControlHWND(dialog, kMlTree)); })
      .press(kMlParameter)
      .press(kMlView)
      .observe([&](void* dialog) { linkable = dlist::tree_count(GetControlHWND(dialog, kMlTree)); })
      .move_splitter(kMlSplitTree, 200)
      .move_splitter(kMlSplitLists, 150)
      .observe([&](void* dialog) {
        dlist::control_rect(dialog, kMlTree, nullptr, nullptr, &tree_cx, nullptr);
        dlist::control_rect(dialog, kMlLinks, &links_x, nullptr, nullptr, &links_cy);
        dlist::control_rect(dialog, kMlLocations, nullptr, &lower_y, nullptr, nullptr);
      });
  user.on(kSelParameterContext).select_row(kSpList, row).press(dlist::kIdAccept);
  DBMATREFCHAIN chain;
  run(user, &chain);
  dlist::ScriptedUser again;
  again.on(kMaterialLinkContext).observe([&](void* dialog) {
    dlist::control_rect(dialog, kMlLinks, &reopened_links_x, nullptr, nullptr, nullptr);
  });
  run(again, &chain);
  EXPECT_GT(linkable, 0u);
  EXPECT_LT(linkable, all);
  EXPECT_EQ(tree_cx, 200);
  EXPECT_EQ(links_x, 206);
  EXPECT_EQ(lower_y, 156);
  EXPECT_EQ(links_cy, 150 - 30 - 24);
  EXPECT_EQ(reopened_links_x, 206);
}

TEST_F(MaterialLinkTest, TheSelectionGivesTheMarkedCodesInTheTablesOrder) {
  long after_next = 0;
  dlist::ScriptedUser user;
  user.on(kMaterialSelectContext)
      .expand(kMsTree, id("2"))
      .expand(kMsTree, id("2.1"))
      .select_item(kMsTree, id("2.1.1"))
      .press(kMsMark)
      .expand(kMsTree, id("1"))
      .expand(kMsTree, id("1.1"))
      .right_click(kMsTree, id("1.1.1"))
      .choose(kMsMenuMark)
      .select_item(kMsTree, id("1"))
      .press(kMsNext)
      .observe([&](void* dialog) {
        void* tree = GetControlHWND(dialog, kMsTree);
        after_next = static_cast<long>(
            dlist::tree_param(tree, dlist::tree_get_next(tree, nullptr, dlist::TreeRelation::kCaret)));
      })
      .press(dlist::kIdAccept);
  user.on(kMaterialSelectContext)
      .expand(kMsTree, id("1"))
      .select_item(kMsTree, id("1.1"))
      .press(kMsMark)
      .press(kMsAllOff)
      .press(dlist::kIdAccept);
  dlist::DialogUserScope scope(user);
  TEXTBUFFERCHAIN out;
  EXPECT_NE(CrtMaterialSelect(nullptr, &out, 1), 0);
  EXPECT_EQ(after_next, id("1.1.1"));
  ASSERT_EQ(out.size(), 2u);
  // The table holds the materials level by level, each level in the tree's order.
  EXPECT_STREQ(out[0].get(), "1.1.1");
  EXPECT_STREQ(out[1].get(), "2.1.1");
  TEXTBUFFERCHAIN none;
  EXPECT_NE(CrtMaterialSelect(nullptr, &none, 0), 0);
  EXPECT_EQ(none.size(), 0u);
}

}  // namespace
