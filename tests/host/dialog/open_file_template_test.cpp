// The open-file dialog with a child template: the extra controls answered with
// the file, a missing file or a name that does not fit refused whole, and a row of
// the link template's list standing for its value.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/scripted_user.h"

namespace dlist {
namespace {

TEST(OpenFileTemplate, AnswersTheExtraControls) {
  reset_dialog_engine();
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "dlist_oft_test.txt";
  { std::ofstream(file) << "x"; }
  ScriptedUser user;
  user.choose_file(file.string(), FileExtrasAnswer{std::string("doc"), 1, -1})
      .choose_file("/no/such/file", FileExtrasAnswer{std::string("doc"), 1, -1})
      .choose_file(file.string(), FileExtrasAnswer{std::string(20, 'n'), 0, -1})
      .choose_file("", FileExtrasAnswer{std::nullopt, std::nullopt, 1});
  DialogUserScope scope(user);
  char path[256] = {};
  char name[17] = {};
  OpenFileExtras add;
  add.name = name;
  add.name_size = sizeof name;
  ASSERT_EQ(OpenFileTemplate(nullptr, "*.*", path, sizeof path, "Add", &add), 1);
  EXPECT_EQ(std::string(path), file.string());
  EXPECT_STREQ(name, "doc");
  EXPECT_EQ(add.check, 1);
  EXPECT_EQ(dialog_log().file_choosers.back().template_id, kTemplateAddReference);
  EXPECT_EQ(OpenFileTemplate(nullptr, "*.*", path, sizeof path, "Add", &add), 0);  // no such file
  EXPECT_EQ(OpenFileTemplate(nullptr, "*.*", path, sizeof path, "Add", &add), 0);  // name too long
  EXPECT_STREQ(name, "doc");
  OpenFileExtras link;
  link.template_id = kTemplateLinkReference;
  link.rows = {{"first", "/a"}, {"second", "/b"}};
  ASSERT_EQ(OpenFileTemplate(nullptr, "*.*", path, sizeof path, "Link", &link), 1);
  EXPECT_EQ(link.chosen_row, 1);
  EXPECT_STREQ(path, "/b");
  EXPECT_TRUE(user.finished()) << user.leftovers();
  std::filesystem::remove(file);
  reset_dialog_engine();
}

}  // namespace
}  // namespace dlist
