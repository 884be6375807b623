// ConsoleUser: prompts read from the input, preset answers when unattended, the
// preset path of file choosers, and dialogs accepted or cancelled as configured.
#include "host/dialog/console_user.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "dialog_test_support.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"

namespace {

using dialog_test::DialogTest;

class DialogConsoleTest : public DialogTest {};

using Questions = dlist::ConsoleOptions::Questions;

TEST_F(DialogConsoleTest, PromptsAndPresetAnswers) {
  struct Case {
    Questions questions;
    const char* input;
    unsigned flags;
    int answer;
  };
  const Case cases[] = {
      {Questions::kAsk, "y\n", 52, dlist::kIdYes},
      {Questions::kAsk, "maybe\nNo\n", 36, dlist::kIdNo},  // asked again
      {Questions::kAsk, "", 4, dlist::kIdNo},              // end of input
      {Questions::kAsk, "x\nx\nx\ny\n", 4, dlist::kIdNo},  // three unreadable answers
      {Questions::kAsk, "ok\r\n", dlist::kMbOkCancel, dlist::kIdOk},
      {Questions::kAlwaysYes, "", 52, dlist::kIdYes},
      {Questions::kAlwaysYes, "", dlist::kMbOkCancel, dlist::kIdOk},
      {Questions::kAlwaysNo, "", 36, dlist::kIdNo},
      {Questions::kAlwaysNo, "", 0, dlist::kIdOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(c.input);
    std::ostringstream out;
    dlist::ConsoleOptions options;
    options.questions = c.questions;
    dlist::ConsoleUser user(options, in, out);
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(MessageBoxA(nullptr, "Delete the folder?", "Doors", c.flags), c.answer);
    EXPECT_NE(out.str().find("Doors: Delete the folder?"), std::string::npos) << out.str();
    EXPECT_FALSE(dlist::dialog_log().message_boxes.back().defaulted);
  }
}

TEST_F(DialogConsoleTest, FileChoosersTakeThePresetOrAsk) {
  std::istringstream in("/typed/path.atr\n\n");
  std::ostringstream out;
  char path[64] = "";
  {
    dlist::ConsoleOptions options;
    options.file_path = "/preset/file.pal";
    dlist::ConsoleUser user(options, in, out);
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(SelectFileR(nullptr, "*.pal", path, sizeof path), 1);
    EXPECT_STREQ(path, "/preset/file.pal");
  }
  dlist::ConsoleOptions options;
  options.questions = Questions::kAsk;
  dlist::ConsoleUser user(options, in, out);
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(SaveFile(nullptr, "*.atr", path, sizeof path, "Export attributes"), 1);
  EXPECT_STREQ(path, "/typed/path.atr");
  EXPECT_EQ(SaveFile(nullptr, "*.atr", path, sizeof path), 0);  // an empty line cancels
  EXPECT_NE(out.str().find("Export attributes (*.atr): "), std::string::npos) << out.str();
}

char g_name[8] = "";

int DLIST_CALL refuse_ok(void*) {
  return 0;
}

TEST_F(DialogConsoleTest, DialogsAreAcceptedOrCancelledAsConfigured) {
  const auto describe = [](bool refuse) {
    return [refuse] {
      return TextEditInput(1, 0, 0, 10, 10) && SetInpCont_MinMaxN(1, 1, 7) &&
             SetInpCont_Addres(1, g_name, sizeof g_name) && CommandButton(9999, 36, 0, 0, 1, 1) &&
             (!refuse || SetIDC_OKProc(refuse_ok));
    };
  };
  std::istringstream in;
  std::ostringstream out;
  dlist::ConsoleOptions options;
  options.accept_dialogs = true;
  dlist::ConsoleUser user(options, in, out);
  dlist::DialogUserScope scope(user);

  std::strcpy(g_name, "preset");
  EXPECT_EQ(dialog_test::run_modal(1, describe(false)), 1);  // accepted as the program filled it
  std::strcpy(g_name, "");
  EXPECT_EQ(dialog_test::run_modal(1, describe(false)), 0);  // refused once, then cancelled
  EXPECT_NE(out.str().find("warning (control 1)"), std::string::npos) << out.str();
  EXPECT_EQ(dialog_test::run_modal(1, describe(true)), 0);  // the OK procedure refuses
  EXPECT_TRUE(dlist::dialog_log().runs.back().ran_out);

  user.on(2).type(1, "typed").press(9999);  // a script comes first
  EXPECT_EQ(dialog_test::run_modal(2, describe(false)), 1);
  EXPECT_STREQ(g_name, "typed");

  options.accept_dialogs = false;
  dlist::ConsoleUser cancelling(options, in, out);
  dlist::DialogUserScope inner(cancelling);
  EXPECT_EQ(dialog_test::run_modal(1, describe(false)), 0);
}

}  // namespace
