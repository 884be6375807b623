// Report list views with owner-drawn rows, row and column clicks, the context
// menu a right click opens and the dialog's menu bar, and the smaller controls:
// combo boxes, tab controls, timers and image lists.
#include "host/dialog/list_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/image_list.h"
#include "host/dialog/menu.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tab_control.h"

namespace list_view_test {
namespace {

using dialog_test::DialogTest;

constexpr int kContext = 32000;
constexpr int kList = 10751;
constexpr int kCombo = 10700;
constexpr int kTab = 10800;

class DialogListTest : public DialogTest {};

struct Seen {
  Seen(int control, int code, int row = -1, unsigned new_state = 0)
      : control(control), code(code), row(row), new_state(new_state) {}

  int control = 0;
  int code = 0;
  int row = -1;
  unsigned new_state = 0;

  bool operator==(const Seen&) const = default;
};

std::vector<Seen> g_seen;
int g_chosen = 0;

int DLIST_CALL list_init(void* dialog) {
  void* list = GetControlHWND(dialog, kList);
  dlist::list_insert_column(list, 0, "Material", 200);
  dlist::list_insert_column(list, 1, "Quantity", 80);
  const char* names[] = {"Concrete", "Brick", "Steel"};
  for (int i = 0; i < 3; ++i) {
    dlist::list_insert_row(list, i, names[i], 100 + i);
    dlist::list_set_text(list, i, 1, std::to_string(i + 1).c_str());
  }
  void* bar = dlist::menu_create();
  dlist::menu_append(bar, 600, "Report");
  dlist::menu_append(bar, 601, "Disabled");
  dlist::menu_enable(bar, 601, false);
  dlist::dialog_set_menu(dialog, bar);
  void* combo = GetControlHWND(dialog, kCombo);
  dlist::combo_add(combo, "Budapest", 1);
  dlist::combo_add(combo, "Vienna", 2);
  void* tab = GetControlHWND(dialog, kTab);
  dlist::tab_insert(tab, 0, "Text 1");
  dlist::tab_insert(tab, 1, "Text 2");
  dlist::tab_insert(tab, 2, "Locked");
  dlist::set_timer(dialog, 8, 100);
  return 1;
}

int DLIST_CALL list_action(void* dialog, int control, int code) {
  const dlist::Notification* n = dlist::notification();
  g_seen.push_back({control, code, n->row, n->new_state});
  if (control == kList && code == dlist::kNmRClick) {
    void* menu = dlist::menu_create();
    dlist::menu_append(menu, 501, "Status 1");
    dlist::menu_append_separator(menu);
    dlist::menu_append(menu, 502, "Status 2");
    dlist::menu_enable(menu, 502, false);
    g_chosen = dlist::menu_track(menu, dialog);
    dlist::menu_destroy(menu);
  }
  if (control == kTab && code == dlist::kTcnSelChanging && n->row == 2) return 1;
  return 0;
}

int DLIST_CALL list_timer(void* dialog, int timer) {
  g_seen.push_back({0, 1000 + timer});
  dlist::kill_timer(dialog, timer);
  return 0;
}

int DLIST_CALL list_measure(void*, int) {
  return 18;
}

int DLIST_CALL list_draw(void* dialog, const dlist::DrawItem* item) {
  void* list = GetControlHWND(dialog, item->control);
  if ((item->state & dlist::kLvisSelected) != 0) dlist::draw_highlight(item->dc);
  const std::string name =
      "(" + std::to_string(item->param) + ") " + dlist::list_text(list, item->row, 0);
  dlist::draw_image(item->dc, 0, 1);
  dlist::draw_text(item->dc, 0, name.c_str());
  dlist::draw_text(item->dc, 1, dlist::list_text(list, item->row, 1).c_str());
  dlist::draw_text(nullptr, 1, "lost");  // a context that is not the row's draws nothing
  return 1;
}

void run_list(const std::function<void(dlist::Script&)>& script) {
  g_seen.clear();
  g_chosen = 0;
  dlist::ScriptedUser user;
  script(user.on(kContext));
  dlist::DialogUserScope scope(user);
  dialog_test::run_modal(kContext, [] {
    return ListViewInputA(kList, 0, 0, 300, 100, dlist::kLvsOwnerDrawFixed) &&
           SetInpCont_DrawProc(kList, list_draw) && SetInpCont_MeasureProc(kList, list_measure) &&
           ComboInput(kCombo, 0, 110, 100, 12, dlist::kCbsDropDownList) &&
           Item("", kTab, "SysTabControl32", 0, 0, 130, 300, 20) && SetDlgInitProc(list_init) &&
           SetAllInputProc(list_action) && SetDlgTimerProc(list_timer);
  });
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(DialogListTest, OwnerDrawnRowsArePaintedAfterChanges) {
  run_list([](dlist::Script& s) {
    s.observe([](void* dialog) {
      void* list = GetControlHWND(dialog, kList);
      EXPECT_EQ(dlist::list_paint_count(list), 1);  // painted once when the dialog opened
      EXPECT_EQ(dlist::list_row_height(list), 18);
      const auto rows = dlist::list_painted(list);
      ASSERT_EQ(rows.size(), 3u);
      EXPECT_EQ(rows[2].text(0), "(102) Steel");
      EXPECT_EQ(rows[2].text(1), "3");
      EXPECT_EQ(rows[2].cells[0].image, 1);
      EXPECT_FALSE(rows[1].highlighted);
    });
    s.select_row(kList, 1);
    s.observe([](void* dialog) {
      void* list = GetControlHWND(dialog, kList);
      EXPECT_EQ(dlist::list_paint_count(list), 2);
      EXPECT_TRUE(dlist::list_painted(list)[1].highlighted);
      ShowDlgInput(dialog, kList, 0);
      dlist::list_set_text(list, 0, 1, "9");
    });
    s.observe([](void* dialog) {  // hidden: not painted
      EXPECT_EQ(dlist::list_paint_count(GetControlHWND(dialog, kList)), 2);
      ShowDlgInput(dialog, kList, 1);
    });
    s.press(2);
  });
}

TEST_F(DialogListTest, RowClicksNotifyStateChangesAndClicks) {
  run_list([](dlist::Script& s) {
    s.select_row(kList, 0).double_click_row(kList, 2).click_column(kList, 1);
    s.select_row(kList, 7).click_column(kList, 5);  // refused
    s.observe([](void* dialog) {
      void* list = GetControlHWND(dialog, kList);
      EXPECT_EQ(dlist::list_selected(list), 2);
      EXPECT_EQ(dlist::list_hit_test(list), 2);
      EXPECT_EQ(dlist::list_find_param(list, 101), 1);
      dlist::list_set_state(list, -1, 0, dlist::kLvisSelected);  // the program clears them
    });
    s.press(2);
  });
  const unsigned both = dlist::kLvisSelected | dlist::kLvisFocused;
  const std::vector<Seen> want = {
      {kList, dlist::kLvnItemChanged, 0, both},
      {kList, dlist::kLvnItemChanged, 0, 0},
      {kList, dlist::kLvnItemChanged, 2, both},
      {kList, dlist::kNmDblClk, 2, 0},
      {kList, dlist::kLvnColumnClick, -1, 0},
      {kList, dlist::kLvnItemChanged, 2, dlist::kLvisFocused},
  };
  EXPECT_EQ(g_seen, want);
  EXPECT_EQ(dlist::dialog_log().refusals.size(), 2u);
}

TEST_F(DialogListTest, ContextMenuAndMenuBar) {
  run_list([](dlist::Script& s) {
    s.right_click_row(kList, 1).choose(501);
    s.observe([](void*) { EXPECT_EQ(g_chosen, 501); });
    s.right_click_row(kList, 1).choose(502);  // disabled: the menu closes, the choice is refused
    s.observe([](void*) { EXPECT_EQ(g_chosen, 0); });
    s.choose(600).choose(601);
    s.press(2);
  });
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen.back(), (Seen{600, dlist::kBnClicked}));
  const auto& refusals = dlist::dialog_log().refusals;
  ASSERT_EQ(refusals.size(), 2u);
  EXPECT_NE(refusals[0].reason.find("no command 502"), std::string::npos) << refusals[0].reason;
  EXPECT_NE(refusals[1].reason.find("601 is disabled"), std::string::npos) << refusals[1].reason;
}

TEST_F(DialogListTest, ComboTabAndTimer) {
  run_list([](dlist::Script& s) {
    s.choose_combo_text(kCombo, "Vienna").choose_combo(kCombo, 5);
    s.choose_tab(kTab, 1).choose_tab(kTab, 2);  // the dialog refuses "Locked"
    s.tick(8).tick(8);                          // the procedure kills the timer
    s.observe([](void* dialog) {
      EXPECT_EQ(dlist::control_text(dialog, kCombo), "Vienna");
      EXPECT_EQ(dlist::combo_current(GetControlHWND(dialog, kCombo)), 1);
      EXPECT_EQ(dlist::tab_current(GetControlHWND(dialog, kTab)), 1);
      EXPECT_FALSE(dlist::timer_running(dialog, 8));
    });
    s.press(2);
  });
  const std::vector<Seen> want = {
      {kCombo, dlist::kCbnSelChange, 1},
      {kTab, dlist::kTcnSelChanging, 1},
      {kTab, dlist::kTcnSelChange, 1},
      {kTab, dlist::kTcnSelChanging, 2},
      {0, 1008},
  };
  EXPECT_EQ(g_seen, want);
  EXPECT_EQ(dlist::dialog_log().refusals.size(), 2u);  // no combo item 5, timer no longer running
}

TEST_F(DialogListTest, ImageListsKnowTheirIcons) {
  dlist::set_icon_catalog([](const char* name) { return std::string(name) != "unregist"; });
  void* images = dlist::image_list_create(16, 16);
  EXPECT_EQ(dlist::image_list_add_icon(images, "palfolder"), 0);
  EXPECT_EQ(dlist::image_list_add_icon(images, "registered"), 1);
  EXPECT_EQ(dlist::image_list_add_icon(images, "unregist"), -1);  // missing from the resources
  EXPECT_EQ(dlist::image_list_count(images), 2);
  EXPECT_EQ(dlist::image_list_name(images, 1), "registered");
  EXPECT_EQ(dlist::image_list_live_count(), 1);
  EXPECT_TRUE(dlist::image_list_destroy(images));
  EXPECT_FALSE(dlist::image_list_destroy(images));
  EXPECT_EQ(dlist::image_list_live_count(), 0);
  EXPECT_EQ(dlist::image_list_create(0, 16), nullptr);
}

}  // namespace
}  // namespace list_view_test
