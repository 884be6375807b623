// The attribute file's export and import on projects in memory: the records a
// library gives, round trips, the predefined root, attributes found again, the name
// suffixes, the conflict strategy with its dialogs, held files compared, and a
// failed export that leaves the earlier file.

#include "attributes/attribute_exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "attributes/attribute_dump.h"
#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/model/attribute_store.h"
#include "host/report.h"
#include "host/resources.h"
#include "tests/attributes/attribute_file_support.h"
#include "tests/host/model/model_test_support.h"

namespace {

using namespace attribute_test;
namespace fs = std::filesystem;

long root() {
  return ATTRIBUTES().rew_node(0);
}

long group(long parent, const std::string& name) {
  DBATTRIBUTENODETYPE n;
  n.set_name(name.c_str());
  return ATTRIBUTES().cre_node(parent, &n);
}

long attribute(long parent, DBATTRIBUTETYPE d) {
  return ATTRIBUTES().cre_attribute(parent, &d);
}

long list_of(long entry) {
  DBATTRIBUTETYPE d;
  return ATTRIBUTES().get_id_attribute(entry, &d);
}

long text_ref(long entry, const char* name, const char* value, char flags = 0) {
  return ATTR_REF().cre(list_of(entry), name, TEXTBUFFER(value), flags);
}

long held_ref(long entry, const char* name, const std::string& file, const std::string& content) {
  const Bytes v = AtrBuilder::embedded(file, content);
  TEXTBUFFER value;
  value.assign(v.data(), static_cast<uint32_t>(v.size()));
  return ATTR_REF().filepred_import(list_of(entry), name, value);
}

// The library below group as one text: groups with their entries, attributes with
// their definitions and references, in store order.
std::string listing(long g) {
  std::string out;
  ATTRIBUTES walk;
  walk.rew_node(g);
  DBATTRIBUTENODETYPE node;
  std::vector<std::pair<long, DBATTRIBUTENODETYPE>> entries;
  for (long id; (id = walk.get_node(&node)) > 0;) entries.emplace_back(id, node);
  for (const auto& [id, n] : entries) {
    if (n.is_group()) {
      out += "G " + std::string(n.name) + " {" + listing(id) + "} ";
      continue;
    }
    DBATTRIBUTETYPE d;
    const long list = ATTRIBUTES().get_id_attribute(id, &d);
    out += "A " + std::string(d.abbrev) + " " + d.name + " " + d.description + " " + d.unit + " " +
           std::to_string(d.flags) + " " + std::to_string(d.options) + " " +
           std::to_string(d.precision) + " [";
    ATTR_REF refs;
    if (refs.rew(list, 0) > 0) {
      char name[17];
      char flags = 0;
      TEXTBUFFER value;
      while (refs.get(name, &value, &flags) > 0)
        out += std::string(name) + ":" + std::to_string(flags) + "=" +
               std::string(value.data(), value.size()) + ",";
    }
    out += "] ";
  }
  return out;
}

class AttributeExchangeTest : public dlist::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    dlist::reset_dialog_engine();
    dir_ = fs::temp_directory_path() / ("dlist_attr_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    dlist::set_attribute_conflict_strategy(dlist::kConflictKeepSilently);
  }
  void TearDown() override {
    dlist::set_attribute_conflict_strategy(dlist::kConflictKeepSilently);
    dlist::reset_dialog_engine();
    fs::remove_all(dir_);
    ModelTest::TearDown();
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }

  int export_entry(long id, const char* name = "out.atr") {
    std::string p = path(name);
    return AttributeExport(nullptr, id, p.data(), 0, nullptr);
  }
  int import_file(const AtrBuilder& f, long target = 0) {
    f.write(path("in.atr"));
    std::string p = path("in.atr");
    return AttributeImport(nullptr, target, p.data());
  }
  int import_path(const std::string& file, long target = 0) {
    std::string p = file;
    return AttributeImport(nullptr, target, p.data());
  }
  bool diagnosed(const std::string& part) const {
    for (const auto& e : reports_.entries())
      if (e.kind == dlist::ReportKind::diagnostic && e.text.find(part) != std::string::npos)
        return true;
    return false;
  }
  // type:parent:id of each record of the exported file.
  std::vector<std::string> records(const char* name = "out.atr") {
    const auto dump = dlist::decode_attribute_file(path(name));
    EXPECT_TRUE(dump.ok()) << dump.error;
    std::vector<std::string> out;
    for (const auto& r : dump.records)
      out.push_back(std::to_string(r.type) + ":" + std::to_string(r.parent) + ":" +
                    std::to_string(r.id));
    return out;
  }

  fs::path dir_;
  dlist::ReportLogScope reports_;
};

TEST_F(AttributeExchangeTest, SingleAttributeAndGroupOrder) {
  const long a = attribute(root(), definition("FIRE", "Fire"));
  const long r1 = text_ref(a, "EI30", "EI 30");
  const long r2 = text_ref(a, "EI60", "EI 60");
  ASSERT_GT(r2, 0);
  ASSERT_EQ(export_entry(a), 1);
  const long l = list_of(a);
  const std::vector<std::string> single = {"0:0:0",
                                           "2:0:" + std::to_string(a),
                                           "3:" + std::to_string(a) + ":" + std::to_string(l),
                                           "4:" + std::to_string(l) + ":" + std::to_string(r1),
                                           "5:0:0",
                                           "4:" + std::to_string(l) + ":" + std::to_string(r2),
                                           "5:0:0",
                                           "6:0:0"};
  EXPECT_EQ(records(), single);

  // G holds A1, S1 (B1), A2, S2 (S3 (C1)): the entries as they come, then the
  // subgroups' contents, the last subgroup first, each in full.
  const long g = group(root(), "G");
  const long a1 = attribute(g, definition("A1", "A1"));
  const long s1 = group(g, "S1");
  const long b1 = attribute(s1, definition("B1", "B1"));
  const long a2 = attribute(g, definition("A2", "A2"));
  const long s2 = group(g, "S2");
  const long s3 = group(s2, "S3");
  const long c1 = attribute(s3, definition("C1", "C1"));
  ASSERT_EQ(export_entry(g), 1);
  auto s = [](long v) { return std::to_string(v); };
  const std::vector<std::string> order = {"0:0:0",
                                          "1:0:" + s(g),
                                          "2:" + s(g) + ":" + s(a1),
                                          "3:" + s(a1) + ":" + s(list_of(a1)),
                                          "1:" + s(g) + ":" + s(s1),
                                          "2:" + s(g) + ":" + s(a2),
                                          "3:" + s(a2) + ":" + s(list_of(a2)),
                                          "1:" + s(g) + ":" + s(s2),
                                          "1:" + s(s2) + ":" + s(s3),
                                          "2:" + s(s3) + ":" + s(c1),
                                          "3:" + s(c1) + ":" + s(list_of(c1)),
                                          "2:" + s(s1) + ":" + s(b1),
                                          "3:" + s(b1) + ":" + s(list_of(b1)),
                                          "6:0:0"};
  EXPECT_EQ(records(), order);

  // A selection leaves out what it does not name; the entries below an unselected
  // group name the nearest group that was written.
  ELEMID_LIST selection;
  for (long id : {g, a1, s3, c1}) selection.add(id);
  std::string p = path("sel.atr");
  ASSERT_EQ(AttributeExport(nullptr, g, p.data(), 0, &selection), 1);
  const std::vector<std::string> selected = {"0:0:0",
                                             "1:0:" + s(g),
                                             "2:" + s(g) + ":" + s(a1),
                                             "3:" + s(a1) + ":" + s(list_of(a1)),
                                             "1:" + s(g) + ":" + s(s3),
                                             "2:" + s(s3) + ":" + s(c1),
                                             "3:" + s(c1) + ":" + s(list_of(c1)),
                                             "6:0:0"};
  EXPECT_EQ(records("sel.atr"), selected);
}

TEST_F(AttributeExchangeTest, RoundTripIntoAnotherProject) {
  const long g = group(root(), "Doors");
  const long sub = group(g, "Fire");
  const long f =
      attribute(g, definition("RATE", "Rating", DBATTRIBUTETYPE::kFormula, 5, "the rating", "m"));
  text_ref(f, "one", "1+1");
  const long t = attribute(sub, definition("CLASS", "Class", DBATTRIBUTETYPE::kText, 1));
  text_ref(t, "EI30", "EI 30");
  text_ref(t, "Usual", "EI30", dlist::kRefIndirect);
  const long file = attribute(sub, definition("SHEET", "Sheet", DBATTRIBUTETYPE::kFile, 2));
  held_ref(file, "held", "plan.txt", std::string("a\0b", 3));
  // an indirect reference of a file attribute names another reference: a text
  ASSERT_GT(text_ref(file, "usual", "held", dlist::kRefIndirect), 0);
  // A reference that names a file on disk is written with the file's content.
  std::ofstream(path("disk.txt")) << "on disk";
  ASSERT_GT(ATTR_REF().cre(list_of(file), "disk", TEXTBUFFER(path("disk.txt").c_str()), 0), 0);
  ASSERT_EQ(export_entry(g), 1);

  dlist::ModelDatabase other;
  ASSERT_TRUE(other.open(":memory:"));
  dlist::set_active_model(&other);
  ASSERT_EQ(import_path(path("out.atr")), 1);
  const std::string imported = listing(root());
  ASSERT_EQ(import_path(path("out.atr")), 1);  // found again: nothing new
  EXPECT_EQ(listing(root()), imported);
  dlist::set_active_model(&db_);
  std::string expected = "G Doors {" + listing(g) + "} ";
  // the reference to the disk file comes back held, with its content
  const std::string disk_path = path("disk.txt");
  const std::string before = "disk:0=" + disk_path + std::string(1, '\0');
  const std::string after =
      "disk:1=" + std::string("disk.txt") + '\0' + std::string("\x07\0\0\0", 4) + "on disk";
  expected.replace(expected.find(before), before.size(), after);
  EXPECT_EQ(imported, expected);
}

TEST_F(AttributeExchangeTest, PredefinedGroupsAreFoundNotCreated) {
  const std::string general = dlist::load_string(20423);
  const long g = group(root(), "Other");
  const long found = group(g, general);
  const AtrBuilder f = AtrBuilder()
                           .start()
                           .group(dlist::load_string(20410).c_str(), 0, 1, 1)
                           .attribute(definition("A", "Alpha"), 1, 2, 3)
                           .group(general.c_str(), 1, 4, 2)
                           .attribute(definition("B", "Beta"), 4, 5, 6)
                           .end();
  const long target = group(root(), "Target");
  ASSERT_EQ(import_file(f, target), 1);
  EXPECT_EQ(listing(target), "");
  EXPECT_NE(listing(root()).find("A A Alpha"), std::string::npos);
  EXPECT_EQ(listing(found).substr(0, 8), "A B Beta");
}

TEST_F(AttributeExchangeTest, TakenNamesGetSuffixes) {
  const long g = group(root(), "G");
  attribute(g, definition("X", "Alpha"));
  const std::string long_name(31, 'n');
  attribute(g, definition("L", long_name.c_str()));
  const AtrBuilder f = AtrBuilder()
                           .start()
                           .attribute(definition("Y", "Alpha"), 0, 1, 2)
                           .attribute(definition("Z", "Alpha"), 0, 3, 4)
                           .attribute(definition("M", long_name.c_str()), 0, 5, 6)
                           .end();
  ASSERT_EQ(import_file(f, g), 1);
  const std::string l = listing(g);
  EXPECT_NE(l.find("A Y Alpha_1 "), std::string::npos) << l;
  EXPECT_NE(l.find("A Z Alpha_2 "), std::string::npos) << l;
  EXPECT_NE(l.find("A M " + long_name.substr(0, 29) + "_1 "), std::string::npos) << l;
}

TEST_F(AttributeExchangeTest, ConflictsFollowTheStrategy) {
  const long a = attribute(root(), definition("FIRE", "Fire"));
  text_ref(a, "EI30", "old");
  const long f = attribute(root(), definition("DOC", "Doc", DBATTRIBUTETYPE::kFile, 1));
  held_ref(f, "plan", "p.txt", "ab");
  AtrBuilder same = AtrBuilder()
                        .start()
                        .attribute(definition("FIRE", "Fire"), 0, 1, 2)
                        .text_ref("EI30", "new", 2, 3);
  same.attribute(definition("DOC", "Doc", DBATTRIBUTETYPE::kFile, 1), 0, 4, 5)
      .reference("plan", dlist::kRefHeld, 5, 6, AtrBuilder::embedded("p.txt", "abc"))
      .end();
  // strategy 0: identical definitions are found again, differing values kept
  const std::string before = listing(root());
  ASSERT_EQ(import_file(same), 1);
  EXPECT_EQ(listing(root()), before);

  // asked: "replace all" in the reference dialog replaces this one and the next
  dlist::set_attribute_conflict_strategy(dlist::kConflictReplaceAsk);
  dlist::ScriptedUser user;
  user.on(dlist::kConflictContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, dlist::kConflictExistingText), "Fire - EI30");
        EXPECT_EQ(dlist::control_text(dialog, dlist::kConflictImportedText), "new");
        EXPECT_EQ(dlist::control_text(dialog, dlist::kConflictOldValueText), "old");
      })
      .press(dlist::kConflictButtonReplaceAll);
  {
    dlist::DialogUserScope scope(user);
    ASSERT_EQ(import_file(same), 1);
  }
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(dlist::attribute_conflict_strategy(), dlist::kConflictReplaceAll);
  const std::string l = listing(root());
  EXPECT_NE(l.find("EI30:0=new"), std::string::npos) << l;
  // the held file was shorter than the new one: unequal, replaced
  EXPECT_NE(l.find(std::string("p.txt") + '\0' + std::string("\x03\0\0\0", 4) + "abc"),
            std::string::npos);

  // a definition that differs: "keep" in the attribute dialog keeps the library's
  dlist::set_attribute_conflict_strategy(dlist::kConflictReplaceAsk);
  dlist::ScriptedUser keeper;
  keeper.on(dlist::kConflictContext)
      .observe([](void* dialog) {
        EXPECT_EQ(dlist::control_text(dialog, dlist::kConflictExistingText), "Fire (FIRE)");
        EXPECT_EQ(dlist::control_text(dialog, dlist::kConflictImportedText), "Fire rating (FIRE)");
      })
      .press(dlist::kConflictButtonKeep);
  {
    dlist::DialogUserScope scope(keeper);
    ASSERT_EQ(import_file(
                  AtrBuilder().start().attribute(definition("FIRE", "Fire rating"), 0, 1, 2).end()),
              1);
  }
  EXPECT_TRUE(keeper.finished()) << keeper.leftovers();
  EXPECT_EQ(dlist::attribute_conflict_strategy(), dlist::kConflictKeepAsk);
  EXPECT_EQ(listing(root()), l);

  // replace all: the definition is replaced with its references
  dlist::set_attribute_conflict_strategy(dlist::kConflictReplaceAll);
  ASSERT_EQ(
      import_file(AtrBuilder().start().attribute(definition("FIRE", "Fire rating"), 0, 1, 2).end()),
      1);
  EXPECT_NE(listing(root()).find("A FIRE Fire rating   1073741827 0 -1 [] "), std::string::npos)
      << listing(root());
}

TEST_F(AttributeExchangeTest, FailuresSayWhatAndKeepTheEarlierFile) {
  const long f = attribute(root(), definition("DOC", "Doc", DBATTRIBUTETYPE::kFile, 1));
  ASSERT_EQ(export_entry(f), 1);
  const Bytes earlier = read_bytes(path("out.atr"));
  ASSERT_GT(ATTR_REF().cre(list_of(f), "gone", TEXTBUFFER(path("missing.txt").c_str()), 0), 0);
  EXPECT_EQ(export_entry(f), 0);
  EXPECT_EQ(read_bytes(path("out.atr")), earlier);
  EXPECT_TRUE(diagnosed("AttributeExport: "));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);

  EXPECT_EQ(import_file(AtrBuilder().start().record(0, 5, 0, 0).end()), 0);
  EXPECT_TRUE(
      diagnosed("AttributeImport: reference value (type 5) at offset 20: does not stand here"));
  EXPECT_EQ(export_entry(4711), 0);
  EXPECT_EQ(import_file(AtrBuilder().start().end(), 4711), 0);
}

TEST_F(AttributeExchangeTest, StrategyDialogAndSummary) {
  DBATTRIBUTETYPE a = definition("A", "Alpha", DBATTRIBUTETYPE::kFile,
                                 (1u << 0) | (1u << 4) | (1u << 3), "desc", "m2");
  const std::string summary = dlist::attribute_summary(a);
  const std::string expected =
      " " + dlist::load_string(21535) + "\nAlpha\n " + dlist::load_string(21536) + "\n" +
      dlist::load_string(20396) + "\n " + dlist::load_string(21537) + "\ndesc\n " +
      dlist::load_string(21538) + "\nA\n " + dlist::load_string(21539) + "\nm2\n " +
      dlist::load_string(21540) + "\n" + dlist::load_string(21440) + "\n" +
      dlist::load_string(21443) + "\n" + dlist::load_string(21444);
  EXPECT_EQ(summary, expected);
  DBATTRIBUTETYPE b = definition("B", "Beta");
  for (const auto& [button, choice] :
       {std::pair{dlist::kConflictButtonReplace, 0}, std::pair{dlist::kConflictButtonKeep, 1}}) {
    dlist::ScriptedUser user;
    user.on(dlist::kConflictContext).press(button);
    dlist::DialogUserScope scope(user);
    int chosen = -1;
    EXPECT_EQ(CrtSetImportStrat(nullptr, &chosen, &a, &b), 1);
    EXPECT_EQ(chosen, choice);
  }
  dlist::ScriptedUser canceller;
  canceller.on(dlist::kConflictContext).press(2);
  dlist::DialogUserScope scope(canceller);
  int chosen = -1;
  EXPECT_EQ(CrtSetImportStrat(nullptr, &chosen, &a, &b), 0);
  EXPECT_EQ(chosen, -1);
}

}  // namespace

namespace {

std::vector<std::pair<long, std::string>> g_shown;

void record_show(void*, long id, const DBATTRIBUTETYPE& d) { g_shown.emplace_back(id, d.name); }

TEST_F(AttributeExchangeTest, ShowButtonsOpenTheDisplayOfEitherAttribute) {
  const long a = attribute(root(), definition("FIRE", "Fire"));
  dlist::set_attribute_show_function(record_show);
  g_shown.clear();
  dlist::set_attribute_conflict_strategy(dlist::kConflictReplaceAsk);
  dlist::ScriptedUser user;
  user.on(dlist::kConflictContext)
      .press(dlist::kConflictShowExisting)
      .press(dlist::kConflictShowImported)
      .press(dlist::kConflictButtonKeepAll);
  {
    dlist::DialogUserScope scope(user);
    ASSERT_EQ(import_file(AtrBuilder().start().attribute(definition("FIRE", "Fire rating"), 0, 1, 2).end()), 1);
  }
  dlist::set_attribute_show_function(nullptr);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const std::vector<std::pair<long, std::string>> expected = {{a, "Fire"}, {0, "Fire rating"}};
  EXPECT_EQ(g_shown, expected);
  EXPECT_EQ(dlist::attribute_conflict_strategy(), dlist::kConflictKeepAll);

  // by default a show button opens the editor's read-only view
  dlist::reset_dialog_engine();
  dlist::set_attribute_conflict_strategy(dlist::kConflictReplaceAsk);
  dlist::ScriptedUser viewer;
  viewer.on(dlist::kConflictContext).press(dlist::kConflictShowImported).press(dlist::kConflictButtonKeep);
  {
    dlist::DialogUserScope scope(viewer);
    ASSERT_EQ(import_file(AtrBuilder().start().attribute(definition("FIRE", "Fire rating"), 0, 1, 2).end()), 1);
  }
  const auto& runs = dlist::dialog_log().runs;
  EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const dlist::DialogRunRecord& r) {
    return r.context != dlist::kConflictContext;
  }));
}

}  // namespace
