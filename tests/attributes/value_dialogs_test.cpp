// The value dialogs in the link panel's mode: the attribute's references are
// listed, and picking one hands back its index instead of a value.
#include "attributes/value_dialogs.h"

#include <gtest/gtest.h>

#include "attributes/attribute_editor_ids.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/settings.h"

namespace dlist {
namespace {

TEST(ValueDialogs, LinkModePicksAReference) {
  reset_dialog_engine();
  ScopedSettings settings;
  ValueRequest r;
  r.link_mode = true;
  r.title = "Value";
  r.references = {{"thin", "1.5"}, {"thick", "3"}};
  ScriptedUser user;
  user.on(kFormulaContext)
      .observe([](void* d) {
        EXPECT_FALSE(has_control(d, kValueName));
        EXPECT_EQ(list_text(GetControlHWND(d, kValueReferences), 1, 1), "3");
      })
      .double_click_row(kValueReferences, 1);
  user.on(kTextValueContext).type(kValueText, "own").press(kIdAccept);
  user.choose_file("", FileExtrasAnswer{std::nullopt, std::nullopt, 0});
  DialogUserScope scope(user);
  ASSERT_TRUE(run_formula_dialog(nullptr, &r));
  EXPECT_EQ(r.picked, 1);
  ASSERT_TRUE(run_text_dialog(nullptr, &r));
  EXPECT_EQ(r.picked, -1);
  EXPECT_EQ(r.value, "own");
  ASSERT_TRUE(run_file_dialog(nullptr, &r));
  EXPECT_EQ(r.picked, 0);
  EXPECT_EQ(dialog_log().file_choosers.back().template_id, 780);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  reset_dialog_engine();
}

}  // namespace
}  // namespace dlist
