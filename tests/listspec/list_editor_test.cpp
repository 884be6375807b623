// The tree editor of the list output dialog worked through the scripted user:
// insertion from the palettes under the placement rules, dragging with and without
// Shift, copy and paste, enabling and disabling with the icon variants, the
// properties of an element loop, the filters and the fixed sections. Each test
// hands the edited set to the recorder (generate this list) and reads the tree there.
#include <gtest/gtest.h>

#include <iostream>

#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/window_system.h"
#include "host/model/element_parameters.h"
#include "listspec/list_output_internal.h"
#include "tests/listspec/list_output_support.h"

namespace dlist::testing {
namespace {

using namespace dlist::listspec;

// The item of tree whose parameter is param.
_TREEITEM* item_of(void* dialog, int control, intptr_t param) {
  void* tree = GetControlHWND(dialog, control);
  std::vector<_TREEITEM*> work = tree_children(tree, nullptr);
  while (!work.empty()) {
    _TREEITEM* at = work.back();
    work.pop_back();
    if (tree_param(tree, at) == param) return at;
    for (_TREEITEM* kid : tree_children(tree, at)) work.push_back(kid);
  }
  return nullptr;
}

int icon(void* dialog, intptr_t record) { return tree_image(GetControlHWND(dialog, kOutTree), item_of(dialog, kOutTree, record)); }

class ListEditor : public ListOutputTest {
 protected:
  // Runs the dialog on "One" (records: 0 start, 1 final, 2 wall loop, 3 its material
  // loop) with script, then hands the list to the recorder; the tree it got.
  std::string edit(ScriptedUser& user, Script& script) {
    remember(make_set(), "One");
    script.choose(kCmdGenerate).close();
    run(user);
    if (calls_.empty()) return "(not generated)";
    return tree_of(*calls_.back().set, "One");
  }
  const DL_LISTSPEC& generated() { return *(*calls_.back().set)[0]; }
};

TEST_F(ListEditor, InsertsFromThePalettesWhereThePlacementRulesAllow) {
  ELEMPARAMETER first;
  ASSERT_EQ(GetParameter(DBATTRIBUTETYPE::kEditorKinds, 0, &first), 1);
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.select_item(kOutTree, 2)
      .select_item(kOutSections, 20)  // a material row: only below a material loop
      .observe([](void* d) { EXPECT_FALSE(menu_on(d, kCmdInsertSectionSon)); })
      .expand(kOutTree, 2)
      .select_item(kOutTree, 3)
      .observe([](void* d) { EXPECT_TRUE(menu_on(d, kCmdInsertSectionSon)); })
      .choose(kCmdInsertSectionSon)  // record 4
      .select_item(kOutPalette, 10)
      .select_item(kOutTree, 3)
      .choose(kCmdInsertKindSon)  // a subprice loop, record 5
      .select_item(kOutPalette, 15)
      .select_item(kOutTree, 2)
      .observe([](void* d) { EXPECT_FALSE(menu_on(d, kCmdInsertKindSon)); })  // no edges below a wall
      .expand(kOutPalette, kElementGroupParam)
      .select_item(kOutPalette, kElementGroupParam)
      .observe([](void* d) { EXPECT_FALSE(menu_on(d, kCmdInsertKindAfter)); })  // the group itself
      .select_item(kOutPalette, 21)  // ceilings
      .select_item(kOutTree, 1)
      .choose(kCmdInsertKindAfter)  // record 6, after the final section
      .select_item(kOutPalette, 15)
      .select_item(kOutTree, 6)
      .choose(kCmdInsertKindSon)  // an edge loop below the ceilings, record 7
      .select_item(kOutPalette, -1)
      .select_item(kOutTree, 6)
      .choose(kCmdInsertKindSon)   // the attribute chooser is cancelled: nothing
      .choose(kCmdInsertKindSon);  // record 8
  user.on(kAttributeChooserContext).press(kIdReject);
  user.on(kAttributeChooserContext)
      .observe([](void* d) { EXPECT_TRUE(control_enabled(d, kChooserFirstKind)); })
      .select_row(kChooserList, 0)
      .press(kIdAccept);
  EXPECT_EQ(edit(user, s), "s0 s1 e32(x a" + std::string(first.abbrev) + ") e1(m(s20 p))");
  for (const auto& r : dialog_log().refusals) ADD_FAILURE() << r.action << ": " << r.reason;
}

TEST_F(ListEditor, DropsGoAfterTheTargetOrWithShiftBelowIt) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.drag_across(kOutPalette, 11, kOutTree, 2, true)     // coatings below the wall: record 4
      .drag_across(kOutPalette, 11, kOutTree, 3, true)  // not below a material loop
      .drag_across(kOutSections, 20, kOutTree, 3, true) // material row below the material loop
      .drag(kOutTree, 2, 3)                             // into its own subtree
      .drag(kOutTree, 0, 1)                             // a fixed section is not dragged
      .drag(kOutTree, 4, 1)                             // coatings after the final section
      .drag_to(kOutTree, 2, DragSpot::kOutside)         // released outside: nothing
      .drag(kOutTree, 2, 0);                            // the wall after the start section
  EXPECT_EQ(edit(user, s), "s0 e1(m(s20)) s1 c");
  const auto& events = dialog_log().window_events;
  EXPECT_EQ(std::count(events.begin(), events.end(), "begin drag"), 7);
  EXPECT_EQ(std::count(events.begin(), events.end(), "end drag"), 7);
  EXPECT_GE(std::count(events.begin(), events.end(), "cursor no-drop"), 2);
}

TEST_F(ListEditor, PastingTwiceGivesIndependentCopiesAndFixedSectionsStay) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.select_item(kOutTree, 0)
      .observe([](void* d) {
        for (int c : {kCmdCopy, kCmdDelete, kCmdLabel, kCmdFilters, kCmdPasteAfter}) EXPECT_FALSE(menu_on(d, c)) << c;
        EXPECT_TRUE(menu_on(d, kCmdProperties));
      })
      .choose(kCmdDelete)  // refused: disabled
      .select_item(kOutTree, 2)
      .choose(kCmdCopy)
      .select_item(kOutTree, 1)
      .choose(kCmdPasteAfter)  // records 4 and 5
      .select_item(kOutTree, 1)
      .choose(kCmdPasteAfter)  // records 6 and 7
      .select_item(kOutTree, 4)
      .choose(kCmdLabel)
      .select_item(kOutTree, 6)
      .right_click(kOutTree, 6)
      .choose(kCmdEnable)
      .select_item(kOutTree, 2)
      .choose(kCmdDelete);
  user.on(kLabelContext).type(kTextInput, "Copy").press(kIdAccept);
  user.yes();
  EXPECT_EQ(edit(user, s), "s0 s1 -e1(m) e1(m)");
  const auto sons = generated().Tree()->Sons();
  EXPECT_EQ(static_cast<const DL_LOOP&>(*sons[2]->node).Name().view(), "");
  EXPECT_EQ(static_cast<const DL_LOOP&>(*sons[3]->node).Name().view(), "Copy");
  ASSERT_EQ(dialog_log().refusals.size(), 1u);  // the disabled delete
}

TEST_F(ListEditor, DisablingUnderADisabledParentChangesNoIcon) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.expand(kOutTree, 2)
      .select_item(kOutTree, 2)
      .choose(kCmdEnable)
      .observe([](void* d) {
        EXPECT_EQ(icon(d, 2), kIconLoop + kIconDisabled);
        EXPECT_EQ(icon(d, 3), kIconLoop + kIconDisabled);
        EXPECT_EQ(menu_is_checked(dialog_menu(d), kCmdEnable), 0);
      })
      .select_item(kOutTree, 3)
      .choose(kCmdEnable)  // off below a disabled parent
      .observe([](void* d) { EXPECT_EQ(icon(d, 3), kIconLoop + kIconDisabled); })
      .select_item(kOutTree, 2)
      .choose(kCmdEnable)  // the parent on again: the son shows its own state
      .observe([](void* d) {
        EXPECT_EQ(icon(d, 2), kIconLoop);
        EXPECT_EQ(icon(d, 3), kIconLoop + kIconDisabled);
        EXPECT_EQ(icon(d, 0), kIconStart);
        EXPECT_EQ(icon(d, 1), kIconFinal);
      })
      .right_click(kOutTree, 0)
      .choose(kCmdEnable)
      .observe([](void* d) { EXPECT_EQ(icon(d, 0), kIconStart + kIconDisabled); });
  EXPECT_EQ(edit(user, s), "-s0 s1 e1(-m)");
}

TEST_F(ListEditor, ElementLoopKeysArePackedToTheFrontWithTheirFlags) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.select_item(kOutTree, 2)
      .choose(kCmdProperties)
      .observe([](void* d) { EXPECT_EQ(tree_text(GetControlHWND(d, kOutTree), item_of(d, kOutTree, 2)), "Ceiling"); });
  user.on(kElementLoopContext)
      .choose_combo(kElemKind, 5)  // ceilings
      .check(kElemPrototypeOnly)
      .type(kElemKey1, "")
      .check(kElemFlag1, false)
      .type(kElemKey1 + 1, "AB")
      .check(kElemFlag1 + 1, true)
      .type(kElemKey1 + 2, "CD")
      .check(kElemFlag1 + 2, false)
      .press(kIdAccept);
  EXPECT_EQ(edit(user, s), "s0 s1 e32(m)");
  const auto& loop = static_cast<const DL_ELEMENT_LOOP&>(*generated().Tree()->Sons()[2]->node);
  EXPECT_TRUE(loop.PrototypeOnly());
  EXPECT_STREQ(loop.Key(0), "AB");
  EXPECT_STREQ(loop.Key(1), "CD");
  EXPECT_STREQ(loop.Key(2), "");
  // The loop keeps the check boxes inverted: AB's box was on, CD's off.
  EXPECT_EQ(loop.KeyFlag(0), 0);
  EXPECT_EQ(loop.KeyFlag(1), 1);
  EXPECT_TRUE(loop.Valid());
}

TEST_F(ListEditor, AKindChangeThatItsSonsCannotFollowIsRefused) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.select_item(kOutTree, 2).choose(kCmdProperties).expand(kOutTree, 2).select_item(kOutPalette, 15)
      .select_item(kOutTree, 2).choose(kCmdInsertKindSon)  // an edge loop below the ceiling
      .select_item(kOutTree, 2).choose(kCmdProperties);    // back to walls: refused
  user.on(kElementLoopContext).choose_combo(kElemKind, 5).press(kIdAccept);
  user.on(kElementLoopContext).choose_combo(kElemKind, 0).press(kIdAccept);
  EXPECT_EQ(edit(user, s), "s0 s1 e32(m x)");
  EXPECT_EQ(reports_.entries().empty(), false);
}

TEST_F(ListEditor, FilterEntriesFollowTheirRules) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.select_item(kOutTree, 2).choose(kCmdFilters).select_item(kOutTree, 2).choose(kCmdFilters);
  user.on(kFilterContext)
      .type(kFilterKey, "LEN")
      .type(kFilterIntLow, "5")
      .type(kFilterIntHigh, "3")
      .press(kFilterAdd)  // upper below lower: refused
      .observe([](void* d) {
        EXPECT_TRUE(control_marked(d, kFilterIntHigh));
        EXPECT_EQ(list_row_count(GetControlHWND(d, kFilterList)), 0);
        EXPECT_FALSE(control_enabled(d, kFilterReplace));
      })
      .type(kFilterIntHigh, "")
      .press(kFilterAdd)  // the upper bound takes the lower one
      .observe([](void* d) { EXPECT_TRUE(control_enabled(d, kFilterDelete)); })
      .type(kFilterKey, "NAME")
      .press(kFilterAdd)
      .double_click_row(kFilterList, 0)  // required switched on
      .select_row(kFilterList, 1)
      .type(kFilterIntLow, "7")
      .type(kFilterIntHigh, "")
      .press(kFilterReplace)
      .press(kIdAccept);
  user.on(kFilterContext)
      .select_row(kFilterList, 0)
      .press(kFilterDelete)
      .observe([](void* d) { EXPECT_EQ(list_text(GetControlHWND(d, kFilterList), 0, 0), "NAME"); })
      .press(kIdReject);  // cancelled: the filters stay
  EXPECT_EQ(edit(user, s), "s0 s1 e1(m)");
  const auto& filters = static_cast<const DL_LOOP&>(*generated().Tree()->Sons()[2]->node).Filters();
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_STREQ(filters[0].Key(), "LEN");
  EXPECT_EQ(filters[0].IntLow(), 5);
  EXPECT_EQ(filters[0].IntHigh(), 5);
  EXPECT_TRUE(filters[0].IsRequired());
  EXPECT_STREQ(filters[1].Key(), "NAME");
  EXPECT_EQ(filters[1].IntLow(), 7);
  EXPECT_EQ(filters[1].IntHigh(), 7);
  EXPECT_FALSE(filters[1].IsRequired());
}

TEST_F(ListEditor, TheAttributeChooserSetsKeyAndTypeOfARealFilter) {
  ScriptedUser user;
  Script& s = user.on(kOutputContext);
  s.select_item(kOutTree, 2).choose(kCmdFilters);
  user.on(kFilterContext)
      .press(kFilterChoose)
      .observe([](void* d) {
        EXPECT_TRUE(control_visible(d, kFilterRealLow));
        EXPECT_FALSE(control_visible(d, kFilterIntLow));
        EXPECT_EQ(control_text(d, kFilterKey), "LEN");
      })
      .type(kFilterRealLow, "2")
      .type(kFilterRealHigh, "1")
      .press(kFilterAdd)  // below the lower bound: refused
      .type(kFilterRealLow, "1.5")
      .type(kFilterRealHigh, "1.49999999")  // below it within the tolerance: taken as equal
      .press(kFilterAdd)
      .press(kIdAccept);
  // The wall loop's scope fixes the element kinds: the boxes are inactive and the
  // list holds the wall's parameters (Count, Length, ...).
  user.on(kAttributeChooserContext)
      .observe([](void* d) {
        EXPECT_FALSE(control_enabled(d, kChooserFirstKind));
        EXPECT_EQ(control_check(d, kChooserFirstKind), 1);
        EXPECT_EQ(list_text(GetControlHWND(d, kChooserList), 1, 0), "LEN");
      })
      .select_row(kChooserList, 1)
      .press(kIdAccept);
  EXPECT_EQ(edit(user, s), "s0 s1 e1(m)");
  const auto& filters = static_cast<const DL_LOOP&>(*generated().Tree()->Sons()[2]->node).Filters();
  ASSERT_EQ(filters.size(), 1u);
  EXPECT_STREQ(filters[0].Key(), "LEN");
  EXPECT_EQ(filters[0].Type(), 1);
  EXPECT_DOUBLE_EQ(filters[0].RealLow(), 1.5);
  EXPECT_DOUBLE_EQ(filters[0].RealHigh(), 1.5);
}

}  // namespace
}  // namespace dlist::testing
