// The clash dialog through the scripted user: what each way of confirming or
// cancelling it sets, what it shows, and the failures that keep it from showing.

#include "palettes/clash_dialog.h"

#include <gtest/gtest.h>

#include <functional>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/report.h"
#include "host/resources.h"

namespace {

class ClashDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dlist::reset_dialog_engine(); }
  void TearDown() override {
    dlist::reset_dialog_engine();
    dlist::set_clash_choice(dlist::kClashOverwriteAsk);
  }
  dlist::ReportLogScope reports_;
};

TEST_F(ClashDialogTest, TheFocusedButtonSetsTheChoice) {
  struct Case {
    const char* what;
    std::function<void(dlist::Script&)> act;
    short choice;
  };
  const Case cases[] = {
      {"Enter on the initial focus", [](dlist::Script& s) { s.enter(); }, -1},
      {"overwrite", [](dlist::Script& s) { s.focus(10770).press(10770); }, -1},
      {"keep", [](dlist::Script& s) { s.focus(10771).press(10771); }, -2},
      {"overwrite all", [](dlist::Script& s) { s.focus(10772).enter(); }, 1},
      {"keep all", [](dlist::Script& s) { s.focus(10773).press(10773); }, 2},
      {"the focus decides", [](dlist::Script& s) { s.focus(10773).press(10770); }, 2},
      {"cancel", [](dlist::Script& s) { s.press(2); }, -2},
      {"no answer", [](dlist::Script&) {}, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dlist::reset_dialog_engine();
    dlist::set_clash_choice(-1);
    dlist::ScriptedUser user;
    dlist::Script& script = user.on(dlist::kClashContext).observe([](void* dialog) {
      EXPECT_EQ(dlist::dialog_title(dialog), dlist::load_string(21684));
      EXPECT_EQ(dlist::control_text(dialog, 10396), "Imported");
      EXPECT_EQ(dlist::control_text(dialog, 10397), "Existing");
      EXPECT_EQ(dlist::focused_control(dialog), 10770);
    });
    c.act(script);
    dlist::DialogUserScope scope(user);
    EXPECT_TRUE(dlist::ask_clash_choice(nullptr, "Imported", "Existing"));
    EXPECT_EQ(dlist::clash_choice(), c.choice);
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_TRUE(dlist::dialog_log().refusals.empty());
  }
}

TEST_F(ClashDialogTest, ADialogThatCannotBeMadeLeavesTheChoiceAndBeeps) {
  dlist::set_clash_choice(-1);
  dlist::fail_next_buffer_reservation();
  EXPECT_FALSE(dlist::ask_clash_choice(nullptr, "a", "b"));
  dlist::fail_construction_call(3);
  EXPECT_FALSE(dlist::ask_clash_choice(nullptr, "a", "b"));
  EXPECT_EQ(dlist::clash_choice(), -1);
  EXPECT_TRUE(dlist::dialog_log().runs.empty());
  const auto& acc = dlist::buffer_accounting();
  EXPECT_EQ(acc.purges, acc.reservations);
  int beeps = 0;
  for (const auto& e : reports_.entries())
    if (e.kind == dlist::ReportKind::beep && e.unit == dlist::units::kDpalman) ++beeps;
  EXPECT_EQ(beeps, 2);
}

}  // namespace
