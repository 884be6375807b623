// The list output dialog worked through the scripted user: the start from the
// remembered set and list, the File and List commands, the questions before work is
// lost, template conversion, options files, the properties and the precision list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/dialog/list_view.h"
#include "host/dialog/window_system.h"
#include "host/model/element_parameters.h"
#include "listspec/list_output_dialogs.h"
#include "tests/listspec/list_output_support.h"

namespace dlist::testing {
namespace {

using namespace dlist::listspec;

using ListOutput = ListOutputTest;

TEST_F(ListOutput, StartMakesTheRememberedListCurrentAndGenerationGetsTheSet) {
  const std::string ini = make_set();
  remember(ini, "Two");
  ScriptedUser user;
  user.on(kOutputContext)
      .observe([](void* d) {
        EXPECT_EQ(control_text(d, kOutName), "Two");
        EXPECT_EQ(dialog_title(d), "List specifications   -   costs.ini");
        EXPECT_FALSE(control_visible(d, kIdReject));
        EXPECT_FALSE(menu_on(d, kCmdSave));
        EXPECT_TRUE(menu_on(d, kCmdGenerate));
      })
      .choose(kCmdGenerate)
      .observe([](void* d) { EXPECT_TRUE(menu_on(d, kCmdSave)); })
      .choose(kCmdGenerateAll)
      .press(kOutClose);  // generating all wrote the set: nothing to ask
  run(user);
  ASSERT_EQ(calls_.size(), 2u);
  EXPECT_EQ(calls_[0].ini, ini);
  EXPECT_EQ(calls_[0].name, "Two");
  EXPECT_EQ(calls_[1].name, "");
  EXPECT_EQ(calls_[1].set->size(), 2u);
  EXPECT_TRUE(dialog_log().message_boxes.empty());
  const auto& events = dialog_log().window_events;
  EXPECT_EQ(events.front(), "register mouse_adapter");
  EXPECT_EQ(events.back(), "unregister mouse_adapter");
}

TEST_F(ListOutput, MovedSplittersLayOutThePanesAndAreKeptForTheNextOpening) {
  const std::string ini = make_set();
  remember(ini, "One");
  int tree_cx = 0, palette_x = 0, palette_cy = 0, sections_y = 0, reopened = 0;
  ScriptedUser user;
  user.on(kOutputContext)
      .move_splitter(kOutSplitter, 298)  // its middle at 300
      .move_splitter(kOutSplitterH, 148)
      .observe([&](void* d) {
        control_rect(d, kOutTree, nullptr, nullptr, &tree_cx, nullptr);
        control_rect(d, kOutPalette, &palette_x, nullptr, nullptr, &palette_cy);
        control_rect(d, kOutSections, nullptr, &sections_y, nullptr, nullptr);
      })
      .close();
  run(user);
  ScriptedUser again;
  again.on(kOutputContext).observe([&](void* d) { control_rect(d, kOutPalette, &reopened, nullptr, nullptr, nullptr); }).close();
  run(again);
  EXPECT_EQ(tree_cx, 300 - 7);
  EXPECT_EQ(palette_x, 302);
  EXPECT_EQ(palette_cy, 150 - 2 - 26);
  EXPECT_EQ(sections_y, 152);
  EXPECT_EQ(reopened, 302);
  // The next tests open with the layout's own positions.
  ScriptedUser back;
  back.on(kOutputContext).move_splitter(kOutSplitter, 378).move_splitter(kOutSplitterH, 218).close();
  run(back);
}

TEST_F(ListOutput, ChooserOpensAtStartWhenTheRememberedNameIsNoListOfTheSet) {
  for (const char* remembered : {"", "Missing"}) {
    SCOPED_TRACE(remembered);
    reset_dialog_engine();
    remember(make_set(), remembered);
    ScriptedUser user;
    user.on(kOutputContext).observe([](void* d) { EXPECT_EQ(control_text(d, kOutName), "One"); }).close();
    user.on(kChooseContext).select_item(kChooseTree, ItemRef::with_text("One")).press(kIdAccept);
    run(user);
  }
}

TEST_F(ListOutput, OpenComparesTheExtensionWithoutCaseAndRefusesOtherFiles) {
  const std::string ini = make_set("Costs.INI");
  std::ofstream(path("notes.txt")) << "[ListSet]\nVersion=1\nLists=0\n";
  std::ofstream(path("broken.ini")) << "[ListSet]\nVersion=1\nLists=3\n";
  ScriptedUser user;
  user.on(kOutputContext)
      .observe([](void* d) {
        EXPECT_FALSE(menu_on(d, kCmdNew));  // no set yet
        EXPECT_TRUE(menu_on(d, kCmdConvert));
      })
      .choose(kCmdOpen)
      .observe([](void* d) { EXPECT_EQ(control_text(d, kOutName), "Two"); })
      .choose(kCmdOpen)   // notes.txt
      .choose(kCmdOpen)   // broken.ini
      .observe([](void* d) {
        EXPECT_EQ(control_text(d, kOutName), "Two");
        EXPECT_EQ(dialog_title(d), "List specifications   -   Costs.INI");
      })
      .close();
  user.on(kChooseContext).select_item(kChooseTree, ItemRef::with_text("Two")).press(kIdAccept);
  user.choose_file(ini).choose_file(path("notes.txt")).choose_file(path("broken.ini"));
  run(user);
  EXPECT_EQ(reported(ReportKind::warning, 45929), 1);
  EXPECT_EQ(reported(ReportKind::error, 50322), 1);
  char remembered[300] = {};
  R_Get_STRING(kSettingSetFile, remembered, sizeof remembered);
  EXPECT_EQ(std::string(remembered), ini);
}

TEST_F(ListOutput, SaveAsWritesTheWholeSetAndLeavesTheOldFileAsItWas) {
  const std::string ini = make_set();
  remember(ini, "Two");
  const std::string before = bytes("costs.ini");
  std::filesystem::create_directories(path("other"));
  ScriptedUser user;
  user.on(kOutputContext)
      .select_item(kOutTree, 1)                 // the final section
      .select_item(kOutPalette, 13)             // a conditional group
      .choose(kCmdInsertKindAfter)
      .choose(kCmdSaveAs)                       // "copy.txt": refused
      .choose(kCmdSaveAs)                       // other/copy.INI, keeping the tree
      .observe([](void* d) {
        EXPECT_EQ(dialog_title(d), "List specifications   -   copy.INI");
        EXPECT_FALSE(menu_on(d, kCmdSave));
      })
      .close();
  user.choose_file(path("copy.txt")).choose_file(path("other/copy.INI"));
  user.yes();
  run(user);
  EXPECT_EQ(reported(ReportKind::warning, 45930), 1);
  EXPECT_EQ(bytes("costs.ini"), before);
  const DL_LISTSPEC_LIST copy = read_back(path("other/copy.INI"));
  EXPECT_EQ(tree_of(copy, "Two"), "s0 s1 g");
  EXPECT_EQ(tree_of(copy, "One"), "s0 s1 e1(m)");
  // The template stays reachable from the new folder.
  EXPECT_EQ(std::filesystem::path(copy.TemplateFileName()), std::filesystem::absolute(path("costs.dlt")));
  char remembered[300] = {};
  R_Get_STRING(kSettingListName, remembered, sizeof remembered);
  EXPECT_EQ(std::string(remembered), "Two");
}

TEST_F(ListOutput, ListCommandsKeepTheCurrentListWhenAnEarlierOneGoes) {
  const std::string ini = make_set();
  remember(ini, "One");
  ScriptedUser user;
  user.on(kOutputContext)
      .choose(kCmdNew)
      .observe([](void* d) { EXPECT_EQ(control_text(d, kOutName), "Three"); })
      .choose(kCmdDeleteList)  // "One", before the current one
      .observe([](void* d) { EXPECT_EQ(control_text(d, kOutName), "Three"); })
      .choose(kCmdRename)
      .choose(kCmdCopyList)
      .choose(kCmdMark)
      .observe([](void* d) { EXPECT_EQ(control_text(d, kOutName), "Four"); })
      .choose(kCmdSave)
      .close();
  user.on(kNewNameContext).type(kNameInput, "Two").press(kIdAccept).type(kNameInput, "Three").press(kIdAccept);
  user.on(kChooseContext).select_item(kChooseTree, ItemRef::with_text("One")).press(kIdAccept);
  user.on(kRenameContext).type(kNameInput, "Four").press(kIdAccept);
  user.on(kCopyNameContext).type(kNameInput, "Five").press(kIdAccept);
  user.on(kMarkContext).double_click(kChooseTree, ItemRef::with_text("Two")).press(kIdAccept);
  user.yes();  // delete "One"
  run(user);
  // "Two" was refused as a name taken: one message box beside the question.
  ASSERT_EQ(dialog_log().message_boxes.size(), 2u);
  EXPECT_EQ(dialog_log().message_boxes[0].text, load_string(11856));
  EXPECT_EQ(dialog_log().message_boxes[1].text, load_string(21475));
  const DL_LISTSPEC_LIST set = read_back(ini);
  ASSERT_EQ(set.size(), 3u);
  EXPECT_EQ(set[0]->Name(), "Two");
  EXPECT_EQ(set[1]->Name(), "Four");
  EXPECT_EQ(set[2]->Name(), "Five");
  EXPECT_FALSE(set[0]->marked);
  EXPECT_TRUE(set[1]->marked);
  EXPECT_EQ(tree_of(set, "Five"), "s0 s1");
}

// Closing asks before the edited tree or the changed set is lost.
TEST_F(ListOutput, CloseAsksBeforeLosingWork) {
  struct Case {
    const char* name;
    bool rename;
    std::vector<int> answers;
    const char* tree;       // of "Two" in the file afterwards
    const char* first;      // name of the first list afterwards
  };
  const Case cases[] = {
      {"keep the tree", false, {kIdYes}, "s0 s1 g", "One"},
      {"drop the tree, nothing else changed", false, {kIdNo}, "s0 s1", "One"},
      {"drop the tree, save the rename", true, {kIdNo, kIdYes}, "s0 s1", "Renamed"},
      {"drop everything", true, {kIdNo, kIdNo}, "s0 s1", "One"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_dialog_engine();
    const std::string ini = make_set();
    remember(ini, "Two");
    ScriptedUser user;
    Script& s = user.on(kOutputContext);
    if (c.rename) {
      s.choose(kCmdChoose).choose(kCmdRename).choose(kCmdChoose);
      user.on(kChooseContext).select_item(kChooseTree, ItemRef::with_text("One")).press(kIdAccept);
      user.on(kRenameContext).type(kNameInput, "Renamed").press(kIdAccept);
      user.on(kChooseContext).select_item(kChooseTree, ItemRef::with_text("Two")).press(kIdAccept);
    }
    s.select_item(kOutTree, 1).select_item(kOutPalette, 13).choose(kCmdInsertKindAfter).press(kOutClose);
    for (int a : c.answers) user.answer(a);
    run(user);
    EXPECT_EQ(dialog_log().message_boxes.size(), c.answers.size());
    const DL_LISTSPEC_LIST set = read_back(ini);
    EXPECT_EQ(tree_of(set, "Two"), c.tree);
    EXPECT_EQ(set[0]->Name(), c.first);
  }
}

TEST_F(ListOutput, ConvertingATemplateWritesItBesideTheSourceWithC) {
  std::ofstream(path("old.txt")) << "dlist-template 1\n@0 Start\nhello\n@1 Final\n@20 Row\n{QUANT}\n";
  ScriptedUser user;
  user.on(kOutputContext).choose(kCmdConvert).choose(kCmdConvert).close();
  user.choose_file(path("old.txt")).choose_file(path("costs.ini"));  // the second is no template
  run(user);
  ls::DL_TEMPLATE t;
  std::string error;
  ASSERT_TRUE(ls::ReadTemplate(path("old_c.txt"), t, error)) << error;
  EXPECT_EQ(t.size(), 3u);
  ASSERT_EQ(dialog_log().message_boxes.size(), 1u);
  EXPECT_EQ(dialog_log().message_boxes[0].caption, path("old_c.txt"));
  EXPECT_EQ(dialog_log().file_choosers[0].initial, "*.TXT");
  EXPECT_EQ(converted_name("a/b.v2.rtf"), "a/b.v2_c.rtf");
  EXPECT_EQ(converted_name("a/plain"), "a/plain_c");
}

TEST_F(ListOutput, OptionsFilesAddTheirListsOrAreRefusedWholly) {
  const std::string ini = make_set();
  remember(ini, "One");
  // An options file of the same form with one new list, and one whose name is taken.
  DL_LISTSPEC_LIST extra;
  for (const char* name : {"Extra"}) {
    auto* l = new DL_LISTSPEC(extra);
    l->SetName(name);
    l->SetTree(lsp::NewListTree());
    extra.resize(1);
    extra.set(0, l);
  }
  std::string error;
  ASSERT_TRUE(ls::WriteINI(extra, path("extra.ini"), error));
  std::filesystem::copy_file(path("extra.ini"), path("extra.opt"));
  ScriptedUser user;
  user.on(kOutputContext).choose(kCmdAddOptions).choose(kCmdAddOptions).choose(kCmdSave).close();
  user.choose_file(path("extra.opt")).choose_file(path("extra.opt"));
  run(user);
  EXPECT_EQ(reported(ReportKind::error, 45918), 1);
  const DL_LISTSPEC_LIST set = read_back(ini);
  ASSERT_EQ(set.size(), 3u);
  EXPECT_EQ(set[2]->Name(), "Extra");
}

TEST_F(ListOutput, PropertiesAndPrecisionAreEditedAndStoredInTheSetFile) {
  const std::string ini = make_set();
  remember(ini, "One");
  ScriptedUser user;
  user.on(kOutputContext).choose(kCmdListProperties).choose(kCmdPrecision).choose(kCmdSave).close();
  user.on(kListPropertiesContext)
      .type(kPropName, "Two")  // taken: refused
      .press(kIdAccept)
      .type(kPropName, "Walls")
      .type(kPropCurrency, "CHF")
      .type(kPropTitle, "Walls and their materials")
      .type(kPropScale, "0.5")
      .type(kPropDecimals, "3")
      .type(kPropOutput, "walls.txt")
      .check(kPropSummarize)
      .choose_combo(kPropSortOrder, 2)
      .choose_combo(kPropDateFormat, 4)
      .choose_combo(kPropRounding, 1)
      .type(kPropYear, "2024")
      .choose_combo(kPropMonth, 11)
      .type(kPropDay, "31")
      .type(kPropRange, "3..1")  // inverted: refused
      .press(kIdAccept)
      .observe([](void* d) { EXPECT_TRUE(control_marked(d, kPropRange)); })
      .type(kPropRange, "-1..4")
      .press(kIdAccept);
  user.on(kPrecisionContext)
      .select_row(kPrecisionList, 0)
      .press(kPrecisionLower)
      .press(kPrecisionLower)
      .select_row(kPrecisionList, 1)
      .press(kPrecisionRaise)
      .press(kIdAccept);
  run(user);
  const DL_LISTSPEC_LIST set = read_back(ini);
  ASSERT_EQ(set.size(), 2u);
  const DL_LISTSPEC& l = *set[0];
  EXPECT_EQ(l.Name(), "Walls");
  EXPECT_EQ(l.currency, "CHF");
  EXPECT_EQ(l.title, "Walls and their materials");
  EXPECT_DOUBLE_EQ(l.scale, 0.5);
  EXPECT_EQ(l.decimals, 3);
  EXPECT_EQ(l.output_file, "walls.txt");
  EXPECT_TRUE(l.summarize);
  EXPECT_EQ(l.sort_order, 2);
  EXPECT_EQ(l.date_format, load_string(16724));
  EXPECT_EQ(l.rounding, load_string(16761));
  EXPECT_EQ(l.year, 2024);
  EXPECT_EQ(l.month, 12);
  EXPECT_EQ(l.day, 31);
  EXPECT_EQ(l.range_low, -1);
  EXPECT_EQ(l.range_high, 4);
  // The precision list was filled from the numeric parameters, then changed.
  ASSERT_GE(set.Precision().size(), 2u);
  ELEMPARAMETER first;
  int defaults[2] = {0, 0};
  for (int i = 0, found = 0; i < nParameter(0x3FFFFF) && found < 2; ++i) {
    ASSERT_EQ(GetParameter(0x3FFFFF, i, &first), 1);
    if (first.type == 1 || first.type == 4 || first.type == 7) defaults[found++] = first.precision;
  }
  EXPECT_EQ(set.Precision()[0].precision, defaults[0] - 2);
  EXPECT_EQ(set.Precision()[1].precision, defaults[1] + 1);
}

TEST_F(ListOutput, NewKeysOfASetFileHaveDefaultsAndAreChecked) {
  const std::string ini = make_set();
  std::string text = bytes("costs.ini");
  // An older file: none of the later keys.
  std::string old;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    static const char* const kLater[] = {"Currency", "Scale", "Decimals", "Totals", "DateFormat", "Rounding",
                                         "Date", "RangeLow", "RangeHigh", "Marked"};
    if (std::none_of(std::begin(kLater), std::end(kLater),
                     [&line](const char* k) { return line.rfind(std::string(k) + " ", 0) == 0; }))
      old += line + "\n";
  }
  ASSERT_NE(old, text);
  DL_LISTSPEC_LIST set;
  std::string error;
  ASSERT_TRUE(ls::ParseSet(old, set, error)) << error;
  DL_LISTSPEC_LIST fresh;
  DL_LISTSPEC defaults(fresh);
  defaults.SetName(set[0]->Name());
  defaults.SetTree(set[0]->Tree()->CloneTree());
  EXPECT_TRUE(*set[0] == defaults);
  struct Bad {
    const char* key;
    const char* value;
  };
  for (const Bad& b : {Bad{"Scale", "0"}, Bad{"Decimals", "10"}, Bad{"Date", "2024-13-01"}, Bad{"Marked", "2"},
                       Bad{"RangeLow", "5"}, Bad{"Currency", "EURO"}, Bad{"Scale", "nan"}}) {
    SCOPED_TRACE(b.key);
    std::string damaged = text;
    const std::size_t at = damaged.find(std::string("\n") + b.key + " = ");
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = damaged.find('\n', at + 1);
    damaged.replace(at + 1, end - at - 1, std::string(b.key) + " = " + b.value);
    DL_LISTSPEC_LIST kept;
    EXPECT_FALSE(ls::ParseSet(damaged, kept, error));
    EXPECT_EQ(kept.size(), 0u);
  }
}

}  // namespace
}  // namespace dlist::testing
