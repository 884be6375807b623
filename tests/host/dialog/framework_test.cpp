// The framework calls driven by the scripted user, on a sample dialog built the
// way the system builds its dialogs: accepting writes the bound buffers, a refused
// OK keeps the dialog open with the control marked, cancelling and running out of
// actions write nothing, the buffers are purged exactly once on every path
// (including injected failures), nested modal dialogs, posted commands, focus,
// modeless dialogs and refused user actions.
#include "host/dialog/framework.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/dialog/engine.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/report.h"

namespace framework_test {
namespace {

using dialog_test::DialogTest;

constexpr int kSample = 30001;
constexpr int kInner = 30002;
constexpr int kName = 10436;
constexpr int kFlag = 10550;
constexpr int kTree = 10750;
constexpr int kList = 10751;
constexpr int kOpenInner = 10801;  // opens the inner dialog
constexpr int kPostOk = 10802;     // posts 9999

struct Sample {
  char name[32] = "Old";
  bool flag = false;
  int ok_calls = 0;
};
Sample* g_sample = nullptr;

int DLIST_CALL sample_init(void* dialog) {
  void* tree = GetControlHWND(dialog, kTree);
  _TREEITEM* doors = AddTreeViewItem(nullptr, " Doors", dlist::kTviLast, 0, tree, 10);
  AddTreeViewItem(doors, "Door A", dlist::kTviSort, 1, tree, 11);
  void* list = GetControlHWND(dialog, kList);
  dlist::list_insert_column(list, 0, "Name", 100);
  dlist::list_insert_row(list, 0, "first", 1);
  return 1;
}

int run_inner(char* out, unsigned size);

int DLIST_CALL sample_action(void* dialog, int control, int code) {
  if (code != dlist::kBnClicked) return 0;
  if (control == kOpenInner) {
    char text[32] = "";
    if (run_inner(text, sizeof text) != 0) dlist::set_control_text(dialog, kName, text);
  } else if (control == kPostOk) {
    dlist::post_command(dialog, dlist::kIdAccept);
  }
  return 0;
}

int DLIST_CALL sample_ok(void* dialog) {
  ++g_sample->ok_calls;
  if (InputChecking(dialog, 0) == 0) {
    WarningProc(dialog, GetErrorId());
    return 0;
  }
  return 1;
}

int DLIST_CALL sample_draw(void*, const dlist::DrawItem* item) {
  dlist::draw_text(item->dc, 0, "row");
  return 1;
}

// Building calls: MakeMainUnit and eight controls.
constexpr int kSampleBuildingCalls = 9;

int run_sample(Sample& s) {
  g_sample = &s;
  if (AllocTmpBuffers(6) == 0) {
    SpecBeep(0, "SAMPLE", 1);
    return 0;
  }
  int result = 0;
  const bool built =
      MakeMainUnit(nullptr, "Sample", "Sample", 300, 200) != nullptr &&
      TextEditInput(kName, 10, 10, 100, 12) && SetInpCont_MinMaxN(kName, 1, 31) &&
      SetInpCont_Addres(kName, s.name, sizeof s.name) &&
      CheckBoxInput(kFlag, "Flag", 10, 30, 100, 12) && SetInpCont_Addres(kFlag, &s.flag) &&
      TreeViewInput(kTree, 10, 50, 100, 80) &&
      ListViewInputA(kList, 120, 50, 100, 80, dlist::kLvsOwnerDrawFixed) &&
      SetInpCont_DrawProc(kList, sample_draw) && CommandButton(kOpenInner, 1, 10, 140, 40, 14) &&
      CommandButton(kPostOk, 2, 10, 160, 40, 14) &&
      CommandButton(dlist::kIdAccept, 36, 60, 140, 40, 14) &&
      CommandButton(dlist::kIdReject, 20995, 110, 140, 40, 14) && SetDlgInitProc(sample_init) &&
      SetAllInputProc(sample_action) && SetIDC_OKProc(sample_ok);
  if (built) {
    result = RunModalDialog(nullptr, 0, kSample, 0);
  } else {
    SpecBeep(0, "SAMPLE", 2);
  }
  PurgeTmpBuffers();
  return result;
}

int run_inner(char* out, unsigned size) {
  if (AllocTmpBuffers(2) == 0) return 0;
  int result = 0;
  if (MakeMainUnit(nullptr, "Inner", "Inner", 100, 50) != nullptr &&
      TextEditInput(kName, 0, 0, 80, 12) && SetInpCont_MinMaxN(kName, 1, 31) &&
      SetInpCont_Addres(kName, out, size) && CommandButton(dlist::kIdAccept, 36, 0, 20, 40, 14)) {
    result = RunModalDialog(nullptr, 0, kInner, 0);
  }
  PurgeTmpBuffers();
  return result;
}

struct SampleCase {
  const char* what;
  std::function<void(dlist::Script&)> script;
  int result;
  const char* name;
  bool flag;
  int ok_calls;
  bool ran_out;
};

TEST_F(DialogTest, SampleDialogPaths) {
  const SampleCase cases[] = {
      {"accept", [](dlist::Script& s) { s.type(kName, "Wall 1").check(kFlag).press(9999); }, 1,
       "Wall 1", true, 1, false},
      {"enter presses OK", [](dlist::Script& s) { s.type(kName, "Roof").enter(kName); }, 1, "Roof",
       false, 1, false},
      {"posted 9999 runs the OK procedure", [](dlist::Script& s) { s.press(kPostOk); }, 1, "Old",
       false, 1, false},
      {"refused, then fixed",
       [](dlist::Script& s) {
         s.type(kName, "").press(9999).observe([](void* d) {
           EXPECT_TRUE(dlist::control_marked(d, kName));
           EXPECT_EQ(dlist::focused_control(d), kName);
           EXPECT_TRUE(dlist::control_text_selected(d, kName));
           EXPECT_EQ(GetErrorId(), kName);
         });
         s.type(kName, "Wall").observe([](void* d) {
           EXPECT_FALSE(dlist::control_marked(d, kName));
         });
         s.press(9999);
       },
       1, "Wall", false, 2, false},
      {"too long for the buffer, then cancel",
       [](dlist::Script& s) { s.type(kName, std::string(40, 'x')).press(9999).press(2); }, 0, "Old",
       false, 1, false},
      {"cancel", [](dlist::Script& s) { s.type(kName, "New").check(kFlag).press(2); }, 0, "Old",
       false, 0, false},
      {"close box", [](dlist::Script& s) { s.type(kName, "New").close(); }, 0, "Old", false, 0,
       false},
      {"runs out of actions", [](dlist::Script& s) { s.type(kName, "New"); }, 0, "Old", false, 0,
       true},
  };
  for (const SampleCase& c : cases) {
    SCOPED_TRACE(c.what);
    dlist::reset_dialog_engine();
    dlist::ScriptedUser user;
    c.script(user.on(kSample));
    dlist::DialogUserScope scope(user);
    Sample s;
    EXPECT_EQ(run_sample(s), c.result);
    EXPECT_STREQ(s.name, c.name);
    EXPECT_EQ(s.flag, c.flag);
    EXPECT_EQ(s.ok_calls, c.ok_calls);
    const dlist::BufferAccounting& a = dlist::buffer_accounting();
    EXPECT_EQ(a.reservations, 1);
    EXPECT_EQ(a.purges, 1);
    EXPECT_EQ(a.held, 0);
    const auto& runs = dlist::dialog_log().runs;
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].context, kSample);
    EXPECT_EQ(runs[0].accepted, c.result == 1);
    EXPECT_EQ(runs[0].ran_out, c.ran_out);
    EXPECT_TRUE(dlist::dialog_log().refusals.empty());
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_EQ(dlist::open_dialog_count(), 0);
  }
}

TEST_F(DialogTest, RefusedOkRecordsTheWarning) {
  dlist::ScriptedUser user;
  user.on(kSample).type(kName, "").press(9999).press(2);
  dlist::DialogUserScope scope(user);
  Sample s;
  EXPECT_EQ(run_sample(s), 0);
  const auto& warnings = dlist::dialog_log().warnings;
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].context, kSample);
  EXPECT_EQ(warnings[0].control, kName);
  EXPECT_NE(warnings[0].text.find("1 to 31"), std::string::npos) << warnings[0].text;
}

TEST_F(DialogTest, BuffersArePurgedOnceWhateverCallFails) {
  for (int n = 1; n <= kSampleBuildingCalls; ++n) {
    SCOPED_TRACE(n);
    dlist::reset_dialog_engine();
    dlist::ReportLogScope reports;
    dlist::fail_construction_call(n);
    Sample s;
    EXPECT_EQ(run_sample(s), 0);
    EXPECT_EQ(dlist::buffer_accounting().reservations, 1);
    EXPECT_EQ(dlist::buffer_accounting().purges, 1);
    EXPECT_EQ(dlist::buffer_accounting().held, 0);
    EXPECT_TRUE(dlist::dialog_log().runs.empty());  // nothing was shown
    ASSERT_EQ(reports.entries().size(), 1u);
    EXPECT_EQ(reports.entries()[0].line, 2);
  }
  // The failure is spent: the next dialog builds and runs (the dropped
  // layout does not linger).
  Sample s;
  EXPECT_EQ(run_sample(s), 0);
  EXPECT_EQ(dlist::dialog_log().runs.size(), 1u);

  dlist::reset_dialog_engine();
  dlist::ReportLogScope reports;
  dlist::fail_next_buffer_reservation();
  EXPECT_EQ(run_sample(s), 0);
  EXPECT_EQ(dlist::buffer_accounting().refused, 1);
  EXPECT_EQ(dlist::buffer_accounting().purges, 0);  // nothing was reserved
  ASSERT_EQ(reports.entries().size(), 1u);
  EXPECT_EQ(reports.entries()[0].line, 1);
  EXPECT_TRUE(dlist::dialog_log().runs.empty());
}

TEST_F(DialogTest, NestedModalDialog) {
  dlist::ScriptedUser user;
  user.on(kSample)
      .press(kOpenInner)
      .observe([](void* d) { EXPECT_EQ(dlist::control_text(d, kName), "Inner"); })
      .press(9999);
  user.on(kInner)
      .type(kName, "Inner")
      .observe([](void* d) {
        EXPECT_EQ(dlist::modal_depth(), 2);
        EXPECT_EQ(dlist::innermost_dialog(), d);
        EXPECT_EQ(dlist::dialog_context(d), kInner);
      })
      .press(9999);
  dlist::DialogUserScope scope(user);
  Sample s;
  EXPECT_EQ(run_sample(s), 1);
  EXPECT_STREQ(s.name, "Inner");
  EXPECT_EQ(dlist::buffer_accounting().reservations, 2);
  EXPECT_EQ(dlist::buffer_accounting().purges, 2);
  const auto& runs = dlist::dialog_log().runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].context, kInner);  // the inner one closes first
  EXPECT_EQ(runs[1].context, kSample);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(DialogTest, ScriptsPlayPerOpeningAndLeftoversAreReported) {
  dlist::ScriptedUser user;
  user.on(kSample).type(kName, "First").press(9999);
  user.on(kSample).type(kName, "Second").press(2).type(kName, "never");
  user.on(kSample).press(9999);
  dlist::DialogUserScope scope(user);
  Sample a;
  Sample b;
  EXPECT_EQ(run_sample(a), 1);
  EXPECT_EQ(run_sample(b), 0);
  EXPECT_STREQ(a.name, "First");
  EXPECT_STREQ(b.name, "Old");
  EXPECT_FALSE(user.finished());
  const std::string left = user.leftovers();
  EXPECT_NE(left.find("type 'never'"), std::string::npos) << left;
  EXPECT_NE(left.find("1 script(s) for dialog 30001 never played"), std::string::npos) << left;
}

TEST_F(DialogTest, ImpossibleActionsAreRefusedAndRecorded) {
  dlist::ScriptedUser user;
  user.on(kSample)
      .observe([](void* d) {
        SetInputActivitet(d, kName, 0);
        ShowDlgInput(d, kFlag, 0);
      })
      .type(kName, "x")        // disabled
      .check(kFlag)            // hidden
      .press(4711)             // no such control
      .select_item(kTree, 11)  // inside a collapsed folder
      .select_item(kTree, 99)  // no such item
      .tick(5)                 // no timer
      .choose(600)             // no menu
      .type(kTree, "x")        // not typable
      .press(2);
  dlist::DialogUserScope scope(user);
  Sample s;
  EXPECT_EQ(run_sample(s), 0);
  const auto& refusals = dlist::dialog_log().refusals;
  ASSERT_EQ(refusals.size(), 8u);
  EXPECT_NE(refusals[0].reason.find("disabled"), std::string::npos);
  EXPECT_NE(refusals[1].reason.find("hidden"), std::string::npos);
  EXPECT_NE(refusals[2].reason.find("no control 4711"), std::string::npos);
  EXPECT_NE(refusals[3].reason.find("collapsed"), std::string::npos);
  EXPECT_EQ(refusals[4].action, "select item with parameter 99 in 10750");
  EXPECT_EQ(refusals[0].context, kSample);
}

// ---- control data ------------------------------------------------------------------------

int g_number = 7;
double g_price = 2.5;
long g_count = 3;

TEST_F(DialogTest, NumbersLimitsAndReaders) {
  g_number = 7;
  g_price = 2.5;
  g_count = 3;
  dlist::ScriptedUser user;
  user.on(1)
      .observe([](void* d) {
        EXPECT_EQ(dlist::control_text(d, 1), "7");
        EXPECT_EQ(dlist::control_text(d, 2), "2.50");  // two decimals
        EXPECT_EQ(GetInpCont_Integer(1), 7);
        long lo = 0;
        long hi = 0;
        EXPECT_EQ(GetInpCont_MinMaxN(1, &lo, &hi), 1);
        EXPECT_EQ(hi, 10);
        EXPECT_EQ(GetInpCont_Extern(1), 1234);
        EXPECT_EQ(GetInpCont_Addres(1), &g_number);
        EXPECT_EQ(GetInpCont_ToolTip(1), 20969);
      })
      .type(1, "11")
      .press(9999)  // above 10
      .type(1, "x")
      .press(9999)  // no number
      .type(1, " +9 ")
      .type(2, "1e400")
      .press(9999)  // overflow is no number
      .type(2, "-0.5")
      .press(9999)  // below 0
      .type(2, "3.25")
      .type(3, "99999999999")
      .press(9999);  // accepted
  dlist::DialogUserScope scope(user);
  const int result = dialog_test::run_modal(1, [] {
    return IntegerInput(1, 0, 0, 10, 10) && SetInpCont_MinMaxN(1, 0, 10) &&
           SetInpCont_Addres(1, &g_number) && SetInpCont_Extern(1, 1234) &&
           SetInpCont_ToolTip(1, 20969) && DoubleInput(2, 0, 0, 10, 10) &&
           SetInpCont_MinMaxD(2, 0.0, 100.0, 2) && SetInpCont_Addres(2, &g_price) &&
           TextEditInput(3, 0, 0, 10, 10) && SetInpCont_Addres(3, &g_count) &&
           CommandButton(9999, 36, 0, 0, 10, 10) && SetInpCont_MinMaxN(3, 5, 1) == 0;
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(g_number, 9);
  EXPECT_DOUBLE_EQ(g_price, 3.25);
  EXPECT_EQ(g_count, 99999999999L);
  const auto& warnings = dlist::dialog_log().warnings;
  ASSERT_EQ(warnings.size(), 4u);
  EXPECT_EQ(warnings[0].control, 1);
  EXPECT_EQ(warnings[1].control, 1);
  EXPECT_EQ(warnings[2].control, 2);
  EXPECT_EQ(warnings[3].control, 2);
}

// ---- focus decides the answer --------------------------------------------------------------

int g_answer = 0;

int DLIST_CALL focus_init(void* dialog) {
  SetFocus(GetControlHWND(dialog, 10770));
  return 1;
}

int DLIST_CALL focus_ok(void*) {
  switch (GetDlgCtrlID(GetFocus())) {
    case 10770:
      g_answer = -1;
      break;
    case 10771:
      g_answer = -2;
      break;
    case 10772:
      g_answer = 1;
      break;
    case 10773:
      g_answer = 2;
      break;
    default:
      g_answer = -2;
      break;
  }
  return 1;
}

TEST_F(DialogTest, TheFocusedButtonDecidesTheAnswer) {
  struct Case {
    std::function<void(dlist::Script&)> script;
    int answer;
  };
  const Case cases[] = {
      {[](dlist::Script& s) { s.press(9999); }, -1},
      {[](dlist::Script& s) { s.focus(10772).press(9999); }, 1},
      {[](dlist::Script& s) { s.focus(10773).enter(); }, 2},
      {[](dlist::Script& s) { s.focus(9999).press(9999); }, -2},
  };
  for (const Case& c : cases) {
    g_answer = 0;
    dlist::ScriptedUser user;
    c.script(user.on(22391));
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(dialog_test::run_modal(22391,
                                     [] {
                                       for (int id = 10770; id <= 10773; ++id) {
                                         if (!CommandButton(id, 21687 + id - 10770, 0, 0, 10, 10))
                                           return false;
                                       }
                                       return CommandButton(9999, 36, 0, 0, 10, 10) &&
                                              SetDlgInitProc(focus_init) && SetIDC_OKProc(focus_ok);
                                     }),
              1);
    EXPECT_EQ(g_answer, c.answer);
  }
}

// ---- modeless dialogs --------------------------------------------------------------------

char g_modeless_text[16] = "start";

int DLIST_CALL modeless_tick(void* dialog, int) {
  dlist::set_control_text(dialog, 1, "tick");
  return 0;
}

TEST_F(DialogTest, ModelessDialogsAreDrivenAndDestroyed) {
  std::strcpy(g_modeless_text, "start");
  dlist::ScriptedUser user;
  user.on(22203).type(1, "typed");
  user.on(22203).type(1, "again").press(9999);
  dlist::DialogUserScope scope(user);
  ASSERT_EQ(AllocTmpBuffers(2), 1);
  ASSERT_NE(MakeModlessHeader(nullptr, "Panel", "Panel", 100, 100), nullptr);
  ASSERT_EQ(TextEditInput(1, 0, 0, 10, 10), 1);
  ASSERT_EQ(SetInpCont_Addres(1, g_modeless_text, sizeof g_modeless_text), 1);
  ASSERT_EQ(SetDlgTimerProc(modeless_tick), 1);
  void* panel = RunModlessDialog(nullptr, 22203);
  PurgeTmpBuffers();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(dlist::open_dialog_count(), 1);
  EXPECT_EQ(dlist::modal_depth(), 0);
  EXPECT_TRUE(dlist::drive_dialog(panel));
  EXPECT_EQ(dlist::control_text(panel, 1), "typed");  // still open
  EXPECT_FALSE(dlist::fire_timer(panel, 8));
  EXPECT_TRUE(dlist::set_timer(panel, 8, 50));
  EXPECT_TRUE(dlist::fire_timer(panel, 8));
  EXPECT_EQ(dlist::control_text(panel, 1), "tick");
  EXPECT_TRUE(dlist::destroy_dialog(panel));
  EXPECT_STREQ(g_modeless_text, "start");  // destroying writes nothing back
  EXPECT_FALSE(dlist::drive_dialog(panel));
  EXPECT_FALSE(dlist::has_control(panel, 1));  // the handle is stale now

  // A second panel closed by its user writes back.
  ASSERT_EQ(AllocTmpBuffers(2), 1);
  MakeModlessHeader(nullptr, "Panel", "Panel", 100, 100);
  TextEditInput(1, 0, 0, 10, 10);
  SetInpCont_Addres(1, g_modeless_text, sizeof g_modeless_text);
  CommandButton(9999, 36, 0, 0, 10, 10);
  void* second = RunModlessDialog(nullptr, 22203);
  PurgeTmpBuffers();
  EXPECT_TRUE(dlist::drive_dialog(second));
  EXPECT_EQ(dlist::open_dialog_count(), 0);
  EXPECT_STREQ(g_modeless_text, "again");
  EXPECT_TRUE(dlist::dialog_log().refusals.empty());
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(DialogTest, MisuseOfTheFrameworkIsRefusedNotFatal) {
  EXPECT_EQ(MakeMainUnit(nullptr, "x", "x", 1, 1), nullptr);  // nothing reserved
  EXPECT_EQ(TextEditInput(1, 0, 0, 1, 1), 0);                 // nothing described
  EXPECT_EQ(RunModalDialog(nullptr, 0, 1, 0), 0);
  PurgeTmpBuffers();
  EXPECT_EQ(dlist::buffer_accounting().unbalanced_purges, 1);
  EXPECT_EQ(AllocTmpBuffers(0), 0);
  ASSERT_EQ(AllocTmpBuffers(2), 1);
  ASSERT_NE(MakeMainUnit(nullptr, "x", "x", 1, 1), nullptr);
  EXPECT_EQ(TextEditInput(1, 0, 0, 1, 1), 1);
  EXPECT_EQ(TextEditInput(1, 0, 0, 1, 1), 0);  // identifier used twice
  EXPECT_EQ(SetInpCont_Addres(1, static_cast<char*>(nullptr), 8), 0);
  EXPECT_EQ(SetInpCont_Addres(2, &g_number), 0);  // no control 2
  bool flag = false;
  EXPECT_EQ(SetInpCont_Addres(1, &flag), 0);  // an edit field takes no flag
  PurgeTmpBuffers();                          // drops the unrun layout
  EXPECT_EQ(dlist::open_dialog_count(), 0);
  EXPECT_EQ(InputChecking(reinterpret_cast<void*>(0x1234), 0), 0);
  EXPECT_EQ(GetControlHWND(reinterpret_cast<void*>(0x1234), 1), nullptr);
  EXPECT_FALSE(dlist::dialog_log().notes.empty());
}

}  // namespace
}  // namespace framework_test
