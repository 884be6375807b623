// The project's text library and its chooser: texts added, listed by name and
// refused beyond their limits; the chooser hands back the text picked.
#include "host/model/text_library.h"

#include <gtest/gtest.h>

#include <string>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/text_select.h"
#include "model_test_support.h"

namespace dlist::testing {
namespace {

using TextLibraryTest = ModelTest;

TEST_F(TextLibraryTest, AddsListsAndReadsTexts) {
  EXPECT_TRUE(list_library_texts().empty());  // no table yet
  const long b = add_library_text("beta", "second\r\nline");
  const long a = add_library_text("alpha", "first");
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_EQ(add_library_text("alpha", "again"), 0);           // the name is taken
  EXPECT_EQ(add_library_text("", "x"), 0);                    // no name
  EXPECT_EQ(add_library_text(std::string(32, 'n'), "x"), 0);  // a name too long
  const auto texts = list_library_texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].name, "alpha");
  NamedText read;
  ASSERT_TRUE(read_library_text(b, &read));
  EXPECT_EQ(read.text, "second\r\nline");
  EXPECT_FALSE(read_library_text(b + 100, &read));
}

TEST_F(TextLibraryTest, TheChooserHandsBackThePickedText) {
  reset_dialog_engine();
  ASSERT_GT(add_library_text("alpha", "first"), 0);
  ASSERT_GT(add_library_text("beta", "second"), 0);
  ScriptedUser user;
  user.on(kTextSelectContext).double_click_row(kTextSelectList, 1);
  user.on(kTextSelectContext).press(kIdAccept).press(kIdReject);  // nothing picked: refused
  DialogUserScope scope(user);
  TEXTBUFFER text("unchanged");
  EXPECT_EQ(CallTextSelect(nullptr, &text), 1);
  EXPECT_STREQ(text.get(), "second");
  EXPECT_EQ(CallTextSelect(nullptr, &text), 0);
  EXPECT_STREQ(text.get(), "second");
  EXPECT_TRUE(user.finished()) << user.leftovers();
  reset_dialog_engine();
}

}  // namespace
}  // namespace dlist::testing
