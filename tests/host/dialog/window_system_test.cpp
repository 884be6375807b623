// The drag machinery: an adapter window of a registered class captures the mouse,
// hears the pointer's moves, its timer's ticks and the release, and passes them on
// to its dialog; the pointer's position is hit-tested against the tree's rows.
#include "host/dialog/window_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/dialog/image_list.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"

namespace window_system_test {
namespace {

using dialog_test::DialogTest;
using dialog_test::run_modal;
using dlist::ItemRef;

constexpr int kContext = 500;
constexpr int kTree = 10;
constexpr int kAdapter = 11;
constexpr int kTimer = 7;

struct Seen {
  std::vector<std::string> events;  // "move A", "up B", "left", "tick"
  bool outside_ends = true;
};
Seen* g_seen = nullptr;

std::string text_at(void* dialog) {
  void* tree = GetControlHWND(dialog, kTree);
  _TREEITEM* under = dlist::tree_hit_test_at(tree, dlist::cursor_pos());
  return under != nullptr ? dlist::tree_text(tree, under) : "-";
}

long DLIST_CALL adapter_proc(void* window, unsigned message, unsigned wparam, long lparam) {
  void* dialog = dlist::window_dialog(window);
  void* tree = GetControlHWND(dialog, kTree);
  switch (message) {
    case dlist::kWmMouseMove:
      return dlist::notify_dialog(dialog, kTree, dlist::kDragMouseMove, nullptr, nullptr,
                                  (wparam & dlist::kMkShift) != 0);
    case dlist::kWmLButtonUp:
      return dlist::notify_dialog(dialog, kTree, dlist::kDragButtonUp);
    case dlist::kWmTimer: {
      g_seen->events.push_back("tick");
      dlist::ScreenRect rect;
      dlist::window_rect(tree, &rect);
      const dlist::ScreenPoint p = dlist::cursor_pos();
      if (!rect.contains(p)) return dlist::notify_dialog(dialog, kTree, dlist::kDragLeft);
      dlist::image_list_drag_move(p.x, p.y);
      if (p.y < rect.top + 5) {
        _TREEITEM* first = dlist::tree_get_next(tree, nullptr, dlist::TreeRelation::kFirstVisible);
        _TREEITEM* up = dlist::tree_get_next(tree, first, dlist::TreeRelation::kPreviousVisible);
        if (up != nullptr) dlist::tree_select(tree, up, dlist::TreeSelect::kFirstVisible);
      }
      return 0;
    }
    default:
      return dlist::default_window_proc(window, message, wparam, lparam);
  }
}

void end_drag(void* image) {
  dlist::release_capture();
  dlist::image_list_end_drag();
  dlist::image_list_destroy(image);
  dlist::set_cursor(dlist::CursorShape::kArrow);
}

void* g_image = nullptr;

int DLIST_CALL action(void* dialog, int control, int code) {
  if (control != kTree) return 0;
  void* tree = GetControlHWND(dialog, kTree);
  const dlist::Notification* n = dlist::notification();
  switch (code) {
    case dlist::kTvnBeginDrag:
      g_image = dlist::tree_create_drag_image(tree, n->item);
      dlist::image_list_begin_drag(g_image, 0, 0, 0);
      dlist::set_capture(GetControlHWND(dialog, kAdapter));
      dlist::window_set_timer(GetControlHWND(dialog, kAdapter), kTimer, 50);
      return 0;
    case dlist::kDragMouseMove:
      g_seen->events.push_back(std::string("move ") + text_at(dialog) + (n->shift ? "+" : ""));
      dlist::set_cursor(text_at(dialog) == "-" ? dlist::CursorShape::kNoDrop
                                               : dlist::CursorShape::kDrop);
      return 0;
    case dlist::kDragButtonUp:
      g_seen->events.push_back("up " + text_at(dialog));
      end_drag(g_image);
      return 0;
    case dlist::kDragLeft:
      g_seen->events.push_back("left");
      end_drag(g_image);
      return 0;
    default:
      return 0;
  }
}

int DLIST_CALL init(void* dialog) {
  void* tree = GetControlHWND(dialog, kTree);
  void* images = dlist::image_list_create(16, 16);
  dlist::image_list_add_icon(images, "folder");
  dlist::tree_set_image_list(tree, images);
  for (int i = 1; i <= 8; ++i) {
    const std::string text = std::string(1, static_cast<char>('A' + i - 1));
    AddTreeViewItem(dlist::kTviRoot, text.c_str(), dlist::kTviLast, 0, tree, i);
  }
  return 1;
}

class WindowSystemTest : public DialogTest {
 protected:
  int run(dlist::ScriptedUser& user) {
    dlist::DialogUserScope scope(user);
    Seen seen;
    g_seen = &seen;
    EXPECT_TRUE(dlist::register_window_class("testdrag_adapter", adapter_proc));
    const int r = run_modal(kContext, [] {
      // four rows of 16 pixels show at a time
      return TreeViewInput(kTree, 0, 0, 100, 64) != 0 &&
             Item("", kAdapter, "testdrag_adapter", 0, 0, 0, 0, 0) != 0 &&
             SetDlgInitProc(init) != 0 && SetAllInputProc(action) != 0;
    });
    EXPECT_TRUE(dlist::unregister_window_class("testdrag_adapter"));
    events = seen.events;
    g_seen = nullptr;
    return r;
  }
  std::vector<std::string> events;
};

TEST_F(WindowSystemTest, AdapterHearsMovesTicksAndRelease) {
  dlist::ScriptedUser user;
  user.on(kContext).drag(kTree, 1, 3, true).drag_to(kTree, 2, dlist::DragSpot::kOutside, 2);
  run(user);
  EXPECT_EQ(events,
            (std::vector<std::string>{"move C+", "tick", "up C", "move -", "tick", "left"}));
  const std::vector<std::string>& log = dlist::dialog_log().window_events;
  EXPECT_EQ(log.front(), "register testdrag_adapter");
  EXPECT_EQ(log.back(), "unregister testdrag_adapter");
  EXPECT_EQ(std::count(log.begin(), log.end(), "begin drag"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "end drag"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "cursor no-drop"), 1);
  EXPECT_EQ(dlist::capture_window(), nullptr);
  EXPECT_TRUE(dlist::dialog_log().notes.empty());
}

TEST_F(WindowSystemTest, TicksAtTheTopEdgeScrollAndHitTestsFollow) {
  dlist::ScriptedUser user;
  void* seen_first = nullptr;
  user.on(kContext)
      .drag(kTree, 1, 8)  // G is below the four rows shown: the tree scrolls to it
      .drag_to(kTree, 8, dlist::DragSpot::kTopEdge, 3)
      .observe([&](void* dialog) {
        void* tree = GetControlHWND(dialog, kTree);
        seen_first = dlist::tree_get_next(tree, nullptr, dlist::TreeRelation::kFirstVisible);
        seen_first =
            reinterpret_cast<void*>(dlist::tree_param(tree, static_cast<_TREEITEM*>(seen_first)));
      });
  run(user);
  // H at the bottom of rows E to H; then three ticks at the top scroll from E to B
  EXPECT_EQ(events, (std::vector<std::string>{"move H", "tick", "up H", "move E", "tick", "tick",
                                              "tick", "up B"}));
  EXPECT_EQ(reinterpret_cast<intptr_t>(seen_first), 2);
}

TEST_F(WindowSystemTest, MessagesToUnregisteredClassesAreRefusedAndNoted) {
  EXPECT_FALSE(dlist::register_window_class("", adapter_proc));
  EXPECT_FALSE(dlist::unregister_window_class("never"));
  EXPECT_EQ(dlist::send_window_message(nullptr, dlist::kWmTimer, 0, 0), 0);
  EXPECT_EQ(dlist::dialog_log().notes.size(), 1U);
}

TEST(CutDlgCaption, ShortensLongCaptionsOnly) {
  char shortc[] = "Palettes";
  EXPECT_STREQ(CutDlgCaption(shortc, 300), "Palettes");
  char longc[] = "Select a palette or a prototype for the element";
  EXPECT_STREQ(CutDlgCaption(longc, 200), "Select a palette ...");
  EXPECT_EQ(CutDlgCaption(nullptr, 100), nullptr);
  EXPECT_EQ(GetColorSystem(), dlist::kIlcColor24);
}

}  // namespace
}  // namespace window_system_test
