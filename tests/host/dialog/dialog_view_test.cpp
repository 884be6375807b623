// The picture of a running dialog that a windowed user draws from, and the
// exceptions of callbacks that a user may take over.
#include "host/dialog/dialog_view.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"

namespace dialog_view_test {
namespace {

using dialog_test::DialogTest;

constexpr int kContext = 30101;

int DLIST_CALL FillInit(void* dialog) {
  void* tree = GetControlHWND(dialog, 12);
  _TREEITEM* top = dlist::tree_insert(tree, dlist::kTviRoot, dlist::kTviLast, "Walls", 1, 1, 7);
  dlist::tree_insert(tree, top, dlist::kTviLast, "Brick", 2, 2, 8);
  dlist::tree_expand(tree, top, dlist::kTveExpand);
  void* list = GetControlHWND(dialog, 13);
  dlist::list_insert_column(list, 0, "Name", 80);
  dlist::list_insert_row(list, 0, "First", 5);
  void* combo = GetControlHWND(dialog, 14);
  dlist::combo_add(combo, "a");
  dlist::combo_add(combo, "b");
  return 1;
}

TEST_F(DialogTest, ThePictureShowsEveryControlWithItsState) {
  char name[16] = "Brick";
  dlist::ScriptedUser user;
  bool looked = false;
  user.on(kContext)
      .choose_combo(14, 1)
      .observe([&](void* dialog) {
        const auto view = dlist::view_dialog(dialog);
        ASSERT_TRUE(view.has_value());
        looked = true;
        EXPECT_EQ(view->title, "Test");
        EXPECT_EQ(view->width, 200);
        ASSERT_EQ(view->controls.size(), 6u);
        const dlist::ControlView& edit = view->controls[0];
        EXPECT_EQ(edit.kind, dlist::ControlKind::kEdit);
        EXPECT_EQ(edit.text, "Brick");
        EXPECT_EQ(edit.text_size, 16u);
        EXPECT_TRUE(edit.has_range_n);
        EXPECT_EQ(edit.max_n, 15);
        EXPECT_EQ(edit.tooltip, dlist::dialog_text(36));
        EXPECT_EQ((std::vector<int>{edit.x, edit.y, edit.cx, edit.cy}),
                  (std::vector<int>{4, 6, 80, 12}));
        EXPECT_TRUE(view->controls[1].radio);
        const dlist::ControlView& tree = view->controls[2];
        ASSERT_EQ(tree.items.size(), 2u);
        EXPECT_EQ(tree.items[1].text, "Brick");
        EXPECT_EQ(tree.items[1].level, 1);
        EXPECT_TRUE(tree.items[0].expanded);
        EXPECT_EQ(view->controls[3].rows.at(0).texts.at(0), "First");
        EXPECT_EQ(view->controls[3].column_titles, std::vector<std::string>{"Name"});
        EXPECT_EQ(view->controls[4].choices, (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(view->controls[4].current, 1);
        EXPECT_EQ(view->controls[5].bitmap, "add");
        EXPECT_TRUE(view->controls[0].bitmap.empty());
      })
      .press(dlist::kIdReject);
  dlist::DialogUserScope scope(user);
  dialog_test::run_modal(kContext, [&] {
    return TextEditInput(11, 4, 6, 80, 12) && SetInpCont_Addres(11, name, sizeof name) &&
           SetInpCont_MinMaxN(11, 1, 15) && SetInpCont_ToolTip(11, 36) &&
           Item("One", 15, "Button", dlist::kBsRadioButton, 4, 20, 60, 12) &&
           TreeViewInput(12, 4, 34, 80, 40) && ListViewInputA(13, 90, 34, 80, 40) &&
           ComboInput(14, 90, 6, 80, 60, dlist::kCbsDropDownList) &&
           CommandButton(16, 37, 4, 80, 40, 12) && SetInpCont_Bitmap(16, "add") &&
           SetDlgInitProc(FillInit);
  });
  EXPECT_TRUE(looked);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

// A user that reports the exceptions of callbacks and lets the dialog go on.
class ForgivingUser : public dlist::ScriptedUser {
 public:
  bool callback_failed(const dlist::DialogInfo&, const std::string& what) override {
    failures.push_back(what);
    return true;
  }
  std::vector<std::string> failures;
};

int DLIST_CALL ThrowingOk(void*) {
  throw std::runtime_error("no OK");
}
int DLIST_CALL ThrowingCancel(void*) {
  throw std::runtime_error("no cancel");
}

TEST_F(DialogTest, ACallbackThatThrowsRefusesWhenTheUserTakesTheException) {
  auto describe = [] {
    return CommandButton(dlist::kIdAccept, 36, 4, 4, 40, 12) &&
           CommandButton(dlist::kIdReject, 37, 50, 4, 40, 12) && SetIDC_OKProc(ThrowingOk) &&
           SetCancelProc(ThrowingCancel);
  };
  ForgivingUser user;
  bool still_open = false;
  user.on(kContext)
      .press(dlist::kIdAccept)
      .observe([&](void* dialog) { still_open = dlist::dialog_context(dialog) == kContext; })
      .press(dlist::kIdReject);
  {
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(dialog_test::run_modal(kContext, describe), 0);
  }
  EXPECT_TRUE(still_open);  // the OK that threw refused
  EXPECT_EQ(user.failures, (std::vector<std::string>{"no OK", "no cancel"}));
  EXPECT_EQ(dlist::buffer_accounting().depth, 0);

  // Any other user lets the exception pass to whoever runs the dialog.
  dlist::reset_dialog_engine();
  dlist::ScriptedUser plain;
  plain.on(kContext).press(dlist::kIdAccept);
  dlist::DialogUserScope scope(plain);
  EXPECT_THROW(dialog_test::run_modal(kContext, describe), std::runtime_error);
}

}  // namespace
}  // namespace dialog_view_test
