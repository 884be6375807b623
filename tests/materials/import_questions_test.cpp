// The list import's questions answered through the scripted user: the overwrite
// question's answers, the dimension and unit questions, and the new abbreviations
// of units whose abbreviations clash.
#include "materials/import_questions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/list_dialog_ids.h"
#include "materials/material_dialog_ids.h"
#include "tests/materials/library_test_support.h"

namespace import_questions_test {
namespace {

namespace ids = dlist::listdlg;
void* const kWindow = reinterpret_cast<void*>(0x1);

class ImportQuestionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlist::reset_dialog_engine();
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
  }
  void TearDown() override { dlist::reset_dialog_engine(); }

  long unit(long parent, const char* abbrev, const char* name, double factor) {
    return dlist::testing::add_unit(lib_, parent, abbrev, name, factor);
  }
  long material(long parent, const char* code, const char* name) {
    return dlist::testing::add_material(lib_, parent, code, name);
  }
  static UnitConflict conflict(const char* abbrev, const char* description) {
    UnitConflict c;
    std::snprintf(c.library_abbrev, sizeof c.library_abbrev, "%s", abbrev);
    std::snprintf(c.file_abbrev, sizeof c.file_abbrev, "%s", abbrev);
    c.description = description;
    return c;
  }

  LISTCONTEXT lib_;
  dlist::ReportLogScope reports_;
};

TEST_F(ImportQuestionsTest, OverwriteAnswersComeFromTheFocusedButton) {
  dbvernum version{};
  ASSERT_NE(lib_.get(version), 0);
  version.idseparator = '-';
  ASSERT_NE(lib_.modify(version), 0);
  const long a = material(0, "A", "Walls");
  const long b = material(a, "B", "Brick walls");
  const long stored = material(b, "C", "Brick 24");
  MATERIALENTRY imported;
  std::snprintf(imported.material.id, sizeof imported.material.id, "C");
  std::snprintf(imported.material.name, sizeof imported.material.name, "Brick 24 cm");

  struct Case {
    const char* what;
    std::function<void(dlist::Script&)> act;
    int answer;
  };
  const Case cases[] = {
      {"overwrite", [](dlist::Script& s) { s.focus(ids::kOverwrite).press(ids::kOverwrite); }, -1},
      {"keep", [](dlist::Script& s) { s.focus(ids::kKeep).press(ids::kKeep); }, -2},
      {"overwrite all",
       [](dlist::Script& s) { s.focus(ids::kOverwriteAll).press(ids::kOverwriteAll); }, 1},
      {"keep all", [](dlist::Script& s) { s.focus(ids::kKeepAll).press(ids::kKeepAll); }, 2},
      {"the focus decides", [](dlist::Script& s) { s.focus(ids::kKeepAll).press(ids::kOverwrite); },
       2},
      {"Enter", [](dlist::Script& s) { s.focus(ids::kOverwriteAll).enter(); }, -2},
      {"closed", [](dlist::Script& s) { s.focus(ids::kOverwrite).close(); }, -2},
      {"no answer", [](dlist::Script&) {}, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dlist::reset_dialog_engine();
    dlist::ScriptedUser user;
    dlist::Script& script = user.on(ids::kOverwriteContext).observe([](void* dialog) {
      EXPECT_EQ(dlist::dialog_title(dialog),
                dlist::load_string(21684) + " (" + dlist::load_string(21305) + ")");
      EXPECT_EQ(dlist::control_text(dialog, ids::kParentCode), "A-B");
      EXPECT_EQ(dlist::control_text(dialog, ids::kOwnCode), "C");
      EXPECT_EQ(dlist::control_text(dialog, ids::kStoredName), "Brick 24");
      EXPECT_EQ(dlist::control_text(dialog, ids::kImportedName), "Brick 24 cm");
    });
    c.act(script);
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(AskOverwrite(kWindow, &lib_, stored, &imported, 2), c.answer);
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_TRUE(dlist::dialog_log().refusals.empty());
    EXPECT_EQ(dlist::buffer_accounting().purges, dlist::buffer_accounting().reservations);
  }

  // The show buttons open the two records and leave the question open; without a
  // reason the caption is the bare question; a stored material that is not there
  // is reported and kept.
  dlist::reset_dialog_engine();
  dlist::ScriptedUser user;
  user.on(ids::kOverwriteContext)
      .observe(
          [](void* dialog) { EXPECT_EQ(dlist::dialog_title(dialog), dlist::load_string(21684)); })
      .press(ids::kShowStored)
      .press(ids::kShowImported)
      .focus(ids::kOverwriteAll)
      .press(ids::kOverwriteAll);
  user.on(dlist::kShowMaterialContext).press(2);
  user.on(dlist::kShowMaterialContext).press(2);
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(AskOverwrite(kWindow, &lib_, stored, &imported, -1), 1);
  EXPECT_EQ(AskOverwrite(kWindow, &lib_, stored + 100, &imported, 2), -2);
  EXPECT_EQ(dlist::dialog_log().runs.size(), 3u);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_FALSE(reports_.entries().empty());
}

TEST_F(ImportQuestionsTest, DimensionAndUnitQuestions) {
  const long length = unit(0, "##0", "Length", 1);
  unit(length, "m", "Metre", 1);
  unit(length, "cm", "Centimetre", 100);
  const long area = unit(0, "##3", "Area", 1);
  unit(area, "m2", "Square metre", 1);
  const long empty = unit(0, "##4", "Time", 1);

  dlist::ScriptedUser user;
  user.on(ids::kDimensionQuestionContext)
      .observe([](void* dialog) {
        EXPECT_NE(dlist::dialog_title(dialog).find("qm"), std::string::npos);
      })
      .select_row(ids::kChoiceList, 1)
      .press(9999);
  user.on(ids::kDimensionQuestionContext).press(2);
  user.on(ids::kUnitQuestionContext).select_row(ids::kChoiceList, 1).press(9999);
  user.on(ids::kUnitQuestionContext).press(2);
  dlist::DialogUserScope scope(user);

  EXPECT_EQ(AskDimension(kWindow, &lib_, "qm"), 3);
  EXPECT_EQ(AskDimension(kWindow, &lib_, "qm"), -1);

  char out[kUnitAbbrevSize] = "";
  EXPECT_EQ(AskUnit(kWindow, &lib_, length, "cm", out), 1);
  EXPECT_STREQ(out, "cm");
  std::strcpy(out, "?");
  EXPECT_EQ(AskUnit(kWindow, &lib_, length, "cm", out), 0);
  EXPECT_STREQ(out, "?");
  // One unit answers at once, none gives nothing; neither shows a dialog.
  const std::size_t runs = dlist::dialog_log().runs.size();
  EXPECT_EQ(AskUnit(kWindow, &lib_, area, "sqm", out), 1);
  EXPECT_STREQ(out, "m2");
  EXPECT_EQ(AskUnit(kWindow, &lib_, empty, "s", out), 0);
  EXPECT_EQ(dlist::dialog_log().runs.size(), runs);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(ImportQuestionsTest, AbbreviationPairMustDifferFromEachOtherAndTheOthers) {
  std::vector<UnitConflict> conflicts = {conflict("m", "Metre (line 3)"),
                                         conflict("m", "Mile (line 7)"),
                                         conflict("cm", "Centimetre (line 4)")};
  dlist::ScriptedUser user;
  user.on(ids::kAbbreviationContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, ids::kFirstText), "Metre (line 3)");
        EXPECT_EQ(dlist::control_text(dialog, ids::kSecondText), "Mile (line 7)");
      })
      .press(9999)  // both still "m"
      .observe([](void* dialog) { EXPECT_TRUE(dlist::control_marked(dialog, ids::kAbbrev)); })
      .type(ids::kAbbrev, "cm")
      .press(9999)  // the third unit's
      .observe([](void* dialog) { EXPECT_TRUE(dlist::control_marked(dialog, ids::kAbbrev)); })
      .type(ids::kAbbrev, "##1")
      .press(9999)
      .observe([](void* dialog) { EXPECT_TRUE(dlist::control_marked(dialog, ids::kAbbrev)); })
      .type(ids::kAbbrev, "mi")
      .press(9999);
  // Cancelling changes nothing.
  user.on(ids::kAbbreviationContext).type(ids::kName, "x").type(ids::kAbbrev, "y").press(2);
  dlist::DialogUserScope scope(user);

  EXPECT_EQ(AskAbbreviationPair(kWindow, conflicts, 0, 1), 1);
  EXPECT_STREQ(conflicts[0].library_abbrev, "m");
  EXPECT_STREQ(conflicts[1].library_abbrev, "mi");
  EXPECT_STREQ(conflicts[1].file_abbrev, "m");
  EXPECT_EQ(AskAbbreviationPair(kWindow, conflicts, 0, 1), 0);
  EXPECT_STREQ(conflicts[0].library_abbrev, "m");
  EXPECT_STREQ(conflicts[1].library_abbrev, "mi");
  EXPECT_EQ(AskAbbreviationPair(kWindow, conflicts, 1, 1), 0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

TEST_F(ImportQuestionsTest, AFurtherSharedPairIsAskedInTheSameDialog) {
  std::vector<UnitConflict> conflicts = {conflict("a", "A1"), conflict("a", "A2"),
                                         conflict("b", "B1"), conflict("b", "B2")};
  dlist::ScriptedUser user;
  user.on(ids::kAbbreviationContext)
      .type(ids::kName, "a1")
      .type(ids::kAbbrev, "a2")
      .press(9999)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, ids::kFirstText), "B1");
        EXPECT_EQ(dlist::control_text(dialog, ids::kSecondText), "B2");
      })
      .type(ids::kName, "a1")  // taken by now
      .press(9999)
      .type(ids::kName, "b1")
      .type(ids::kAbbrev, "b2")
      .press(9999);
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(AskAbbreviationPair(kWindow, conflicts, 0, 1), 1);
  const char* expected[] = {"a1", "a2", "b1", "b2"};
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(conflicts[i].library_abbrev, expected[i]);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(dlist::dialog_log().runs.size(), 1u);
}

TEST_F(ImportQuestionsTest, LibraryAbbreviationNamesAUnitOfTheDimension) {
  const long length = unit(0, "##0", "Length", 1);
  unit(length, "m", "Metre", 1);
  unit(length, "cm", "Centimetre", 100);
  const long area = unit(0, "##1", "Area", 1);
  unit(area, "m2", "Square metre", 1);

  dlist::ScriptedUser user;
  user.on(ids::kAbbreviationContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, ids::kName), "m");  // the basic unit to start
      })
      .type(ids::kName, "m2")
      .press(9999)
      .observe([](void* dialog) { EXPECT_TRUE(dlist::control_marked(dialog, ids::kName)); })
      .type(ids::kName, "km")
      .press(9999)
      .type(ids::kName, "cm")
      .press(9999);
  user.on(ids::kAbbreviationContext).press(2);
  dlist::DialogUserScope scope(user);
  char out[kUnitAbbrevSize] = "";
  EXPECT_EQ(AskLibraryAbbreviation(kWindow, &lib_, 0, "CM", out), 1);
  EXPECT_STREQ(out, "cm");
  EXPECT_EQ(AskLibraryAbbreviation(kWindow, &lib_, 0, "CM", out), 0);
  EXPECT_EQ(dlist::dialog_log().warnings.size(), 2u);
  EXPECT_TRUE(user.finished()) << user.leftovers();
}

}  // namespace
}  // namespace import_questions_test
