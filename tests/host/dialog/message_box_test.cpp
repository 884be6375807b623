// Message boxes and file choosers answered by the scripted user: answers in
// order, the defaults when the answers run out or do not fit the buttons, and what
// is recorded; paths copied only when they fit the caller's buffer.
#include "host/dialog/message_box.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialog_test_support.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/scripted_user.h"

namespace {

using dialog_test::DialogTest;

class DialogMessageTest : public DialogTest {};

TEST_F(DialogMessageTest, AnswersInOrderAndDefaults) {
  dlist::ScriptedUser user;
  user.yes().no().answer(dlist::kIdOk).cancel();
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(MessageBoxA(nullptr, "Delete the folder?", "Doors", 52), dlist::kIdYes);
  EXPECT_EQ(MessageBoxA(nullptr, "Name in use", "Wall 1", 48), dlist::kIdOk);  // takes no answer
  EXPECT_EQ(MessageBoxA(nullptr, "Overwrite?", "x.pal", 36), dlist::kIdNo);
  EXPECT_EQ(MessageBoxA(nullptr, "Really?", nullptr, 4), dlist::kIdNo);  // OK does not fit Yes/No
  EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "c", dlist::kMbOkCancel), dlist::kIdCancel);
  EXPECT_EQ(MessageBoxA(nullptr, "Again?", "c", 4), dlist::kIdNo);  // no answers left
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, dlist::kMbYesNoCancel), dlist::kIdCancel);

  const auto& boxes = dlist::dialog_log().message_boxes;
  ASSERT_EQ(boxes.size(), 7u);
  EXPECT_EQ(boxes[0].text, "Delete the folder?");
  EXPECT_EQ(boxes[0].caption, "Doors");
  EXPECT_EQ(boxes[0].flags, 52u);
  EXPECT_FALSE(boxes[0].defaulted);
  EXPECT_FALSE(boxes[1].defaulted);
  EXPECT_TRUE(boxes[3].defaulted);
  EXPECT_FALSE(boxes[4].defaulted);
  EXPECT_TRUE(boxes[5].defaulted);
  EXPECT_EQ(boxes[5].answer, dlist::kIdNo);
  EXPECT_EQ(boxes[6].text, "");
  EXPECT_EQ(boxes[0].context, 0);  // asked outside any dialog
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(DialogMessageTest, WithoutAUserEveryQuestionIsNo) {
  EXPECT_EQ(MessageBoxA(nullptr, "Delete?", "x", 52), dlist::kIdNo);
  EXPECT_EQ(MessageBoxA(nullptr, "Done", "x", 0), dlist::kIdOk);
  char path[16] = "old";
  EXPECT_EQ(SaveFile(nullptr, "*.lis", path, sizeof path), 0);
  EXPECT_STREQ(path, "old");
  EXPECT_NE(dlist::dialog_log().file_choosers[0].note.find("no answer"), std::string::npos);
}

TEST_F(DialogMessageTest, FileChoosersFillTheBufferOnlyWhole) {
  dlist::ScriptedUser user;
  user.choose_file("/data/walls.pal")
      .choose_file("/a/path/much/too/long/for/the/buffer.pal")
      .cancel_file()
      .choose_file("/out/export.prt", "Doors of floor 1")
      .choose_file("/out/export.prt", std::string(40, 'd'))
      .choose_file("/tmp");
  dlist::DialogUserScope scope(user);
  char path[20] = "/start";
  EXPECT_EQ(SelectImportFileR(nullptr, "Palette files|*.pal", path, sizeof path, 274, "Import"), 1);
  EXPECT_STREQ(path, "/data/walls.pal");
  EXPECT_EQ(SelectFileR(nullptr, "*.pal", path, sizeof path), 0);  // too long: refused whole
  EXPECT_STREQ(path, "/data/walls.pal");
  EXPECT_EQ(SaveFileR(nullptr, "*.rtf", path, sizeof path), 0);
  char description[32] = "";
  EXPECT_EQ(
      ExportFile(nullptr, "*.prt", path, sizeof path, "Export", description, sizeof description),
      1);
  EXPECT_STREQ(path, "/out/export.prt");
  EXPECT_STREQ(description, "Doors of floor 1");
  EXPECT_EQ(
      ExportFile(nullptr, "*.prt", path, sizeof path, "Export", description, sizeof description),
      0);
  EXPECT_STREQ(description, "Doors of floor 1");
  EXPECT_EQ(SurePathDialog(nullptr, path, 0, "*.*"), 0);  // no buffer: nothing asked
  EXPECT_EQ(SurePathDialog(nullptr, path, sizeof path, "*.*", "Folder"), 1);
  EXPECT_STREQ(path, "/tmp");

  const auto& records = dlist::dialog_log().file_choosers;
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0].chooser, "SelectImportFileR");
  EXPECT_EQ(records[0].initial, "/start");
  EXPECT_EQ(records[0].setting, 274);
  EXPECT_EQ(records[0].filter, "Palette files|*.pal");
  EXPECT_EQ(records[0].title, "Import");
  EXPECT_EQ(records[0].path, "/data/walls.pal");
  EXPECT_NE(records[1].note.find("does not fit"), std::string::npos);
  EXPECT_EQ(records[2].note, "cancelled");
  EXPECT_NE(records[4].note.find("description"), std::string::npos);
  EXPECT_EQ(records[5].note, "no path buffer");
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

int DLIST_CALL ask_on_enter(void* dialog, int) {
  MessageBoxA(dialog, "Store?", "Q", 36);
  return 1;
}

TEST_F(DialogMessageTest, BoxesAskedInADialogNameItsContext) {
  dlist::ScriptedUser user;
  user.on(40000).enter().press(2);
  user.yes();
  dlist::DialogUserScope scope(user);
  dialog_test::run_modal(
      40000, [] { return TextEditInput(1, 0, 0, 10, 10) && SetKeyEnterProc(ask_on_enter); });
  ASSERT_EQ(dlist::dialog_log().message_boxes.size(), 1u);
  EXPECT_EQ(dlist::dialog_log().message_boxes[0].context, 40000);
  EXPECT_EQ(dlist::dialog_log().message_boxes[0].answer, dlist::kIdYes);
}

}  // namespace
