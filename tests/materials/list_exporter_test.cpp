// The list export file: exact bytes of a small library, the number forms (also under a
// locale with a decimal comma), the selection export and its sorted chain, the start
// level of codes, the temporary and the chosen file, and the failures.

#include "materials/list_exporter.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "foundation/record_image.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/scripted_user.h"
#include "stream/file_handle.h"
#include "host/report.h"
#include "host/list/list_context.h"

namespace {

namespace fs = std::filesystem;

constexpr char kHeader[] = "\x03This file is exported by Corvida\r\n";

class ListExporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
    dir_ =
        fs::temp_directory_path() /
        ("dlist_lis_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    dlist::fail_list_calls_after(0);
    fs::remove_all(dir_);
  }

  long material(long parent, const char* code, const char* name, double price = 0,
                const char* native = "", const char* market = "",
                const std::array<std::string, 4>& texts = {}) {
    dbmaterial m{};
    dlist::set_field(m.id, sizeof m.id, code);
    dlist::set_field(m.name, sizeof m.name, name);
    m.unit_price = price;
    dlist::set_field(m.native_unit, sizeof m.native_unit, native);
    dlist::set_field(m.market, sizeof m.market, market);
    LONGTEXT t[kLongTextCount];
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (!texts[i].empty())
        texts[i].copy(t[i].resize(static_cast<unsigned>(texts[i].size())), texts[i].size());
    }
    const long id = lib_.create(parent, m, t);
    EXPECT_GT(id, 0) << code;
    return id;
  }
  // One dimension with its basic unit "m", so that exports get past the units.
  void length_dimension() {
    lib_.create(lib_.create(0, dbunit{"##0", "Length", 0, 1}), dbunit{"m", "metre", 0, 1});
  }

  std::string path(const char* name) const { return (dir_ / name).string(); }
  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // What follows the long text names and their empty line.
  static std::string after_names(const std::string& all) {
    return all.substr(all.find("\r\n\r\n", all.find("long text names:")) + 4);
  }
  // The material lines of an export, or "failed".
  std::string materials_of(long root, long target) {
    std::string file = path("m.lis");
    if (ListExporter(nullptr, &lib_, root, file.data(), target) != 1) return "failed";
    return after_names(read(file));
  }

  LISTCONTEXT lib_;
  fs::path dir_;
};

TEST_F(ListExporterTest, SmallLibraryIsWrittenByteForByte) {
  lib_.modify(dbvernum{1, '-'});
  const long length = lib_.create(0, dbunit{"##0", "Length", 0, 1});
  lib_.create(length, dbunit{"m", "metre", 0, 1.0});  // the basic unit
  const long cm = lib_.create(length, dbunit{"cm", "centimetre", 0, 100});
  // Within 1e-6 of 1 but not the first such: left out; below a unit: left out.
  lib_.create(length, dbunit{"mx", "near metre", 0, 1.000001});
  lib_.create(cm, dbunit{"um", "micrometre", 0, 1e6});
  lib_.create(length, dbunit{"mm", "millimetre", 0, 1000});
  const long weight = lib_.create(0, dbunit{"##1", "Weight", 0, 1});  // no basic unit: left out
  lib_.create(weight, dbunit{"t", "tonne", 0, 0.001});
  lib_.create(dbmarket{"Local"});
  lib_.create(dbmarket{"Import"});
  lib_.create(dbsubprice{"T", "Transport", SUBPRICE_FORMULA, 0, "A*2"});
  lib_.create(dbsubprice{"W", "Waste", SUBPRICE_MULTIPLY, 1.05, ""});
  lib_.create(dbsubprice{"F", "Fee", SUBPRICE_ADD, 12.5, ""});
  lib_.create(dbsubprice{"I", "Info", SUBPRICE_INFO, 0, "Q"});
  lib_.modify(longtextname{{"Memo", "Note", "Supplier", "Norm"}});
  const long a = material(0, "A", "Masonry");
  const long brick =
      material(a, "1", "Brick", 12.5, "m", "Local", {"Red\r\nsolid", "", "Acme", "x"});
  lib_.create(brick, unitref{"cm", 100});
  lib_.create(brick, unitref{"m", 1});
  lib_.create(brick, subpriceref{"W", 1.05});
  lib_.create(brick, subpriceref{"F", 2.5});
  const long tile = material(a, "2", "Tile", 3, "kg", "Local");  // no reference in its native unit
  lib_.create(tile, unitref{"m", 2.5});
  lib_.create(tile, unitref{"cm", 250});

  std::string file = path("lib.lis");
  ASSERT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 1);
  EXPECT_EQ(read(file),
            std::string(kHeader) +
                "-\r\n"  // the ID separator
                "dim:Length;m;metre\r\n"
                "+unit:cm;centimetre;100.0\r\n"
                "+unit:mm;millimetre;1000.0\r\n"
                "market:Local\r\n"
                "market:Import\r\n"
                "subprice:T;Transport ;A*2\r\n"  // kind 0: a blank after the name
                "subprice:W;Waste*;1.05\r\n"
                "subprice:F;Fee+;12.5\r\n"
                "subprice:I;Infoi;Q\r\n"
                "long text names:Memo|Note|Supplier|Norm\r\n"
                "\r\n"
                "A|Masonry||0.0|;;|||\r\n"
                "A.1|Brick|Local|12.5|m|1.0|cm|100.0|;W|1.05|F|2.5|;Red\r\nsolid||Acme|x\r\n"
                "A.2|Tile|Local|3.0|m|2.5|cm|250.0|;;|||\r\n");
}

TEST_F(ListExporterTest, NumbersUseAPointWhateverTheLocale) {
  length_dimension();
  const long a = material(0, "A", "A", 12.5, "m");
  lib_.create(a, unitref{"m", 2.5});
  lib_.create(a, unitref{"cm", 3.0});
  lib_.create(a, unitref{"mm", 0.000001});
  material(0, "B", "B", 12.0);
  const std::string expected = "A|A||12.5|m|2.5|cm|3.0|mm|0.000001|;;|||\r\nB|B||12.0|;;|||\r\n";
  EXPECT_EQ(materials_of(0, -1), expected);

  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE")) {
    GTEST_SKIP() << "no German locale here";
  }
  const std::string under_comma = materials_of(0, -1);
  std::setlocale(LC_NUMERIC, before.c_str());
  EXPECT_EQ(under_comma, expected);
}

TEST_F(ListExporterTest, SelectionAddsAncestorsAndLeavesTheChainSorted) {
  length_dimension();
  material(material(material(0, "A", "a"), "1", "a1"), "x", "a1x");
  material(0, "b", "lower b");
  material(0, "B", "upper B");
  std::string file = path("sel.lis");
  TEXTBUFFERCHAIN codes;
  codes.push(TEXTBUFFER("A.1.x"));
  ASSERT_EQ(ListExporter(&lib_, file.data(), &codes), 1);
  EXPECT_EQ(after_names(read(file)),
            "A|a||0.0|;;|||\r\nA.1|a1||0.0|;;|||\r\nA.1.x|a1x||0.0|;;|||\r\n");

  // Byte order ("B" before "b"); an unknown code stays in the chain but is not written.
  codes.drop(codes.size());
  for (const char* c : {"b", "Z.9", "A.1", "B"}) codes.push(TEXTBUFFER(c));
  ASSERT_EQ(ListExporter(&lib_, file.data(), &codes), 1);
  std::string chain;
  for (unsigned i = 0; i < codes.size(); ++i) chain += std::string(codes[i].get()) + " ";
  EXPECT_EQ(chain, "A A.1 B Z.9 b ");
  EXPECT_EQ(
      after_names(read(file)),
      "A|a||0.0|;;|||\r\nA.1|a1||0.0|;;|||\r\nB|upper B||0.0|;;|||\r\nb|lower b||0.0|;;|||\r\n");

  codes.drop(codes.size());  // an empty chain: success without a file
  std::string none = path("none.lis");
  EXPECT_EQ(ListExporter(&lib_, none.data(), &codes), 1);
  EXPECT_FALSE(fs::exists(none));
}

TEST_F(ListExporterTest, CodesStartWhereTheTargetSays) {
  length_dimension();
  const long a1 = material(material(0, "A", "n"), "1", "n");
  material(a1, "a", "n");
  material(material(a1, "b", "n"), "i", "n");
  const long t5 = material(material(0, "T", "n"), "5", "n");
  const std::string rest = "|n||0.0|;;|||\r\n";

  // The root, its children in order, then their subtrees from the last child.
  EXPECT_EQ(materials_of(a1, t5),
            "T.5.1" + rest + "T.5.1.a" + rest + "T.5.1.b" + rest + "T.5.1.b.i" + rest);
  EXPECT_EQ(materials_of(a1, 0), "1" + rest + "1.a" + rest + "1.b" + rest + "1.b.i" + rest);
  EXPECT_EQ(materials_of(a1, -1),
            "A.1" + rest + "A.1.a" + rest + "A.1.b" + rest + "A.1.b.i" + rest);
  EXPECT_EQ(materials_of(99, 0), "failed");  // no such root
}

TEST_F(ListExporterTest, TemporaryAndChosenFiles) {
  length_dimension();
  const long a = material(0, "A", "n");
  std::string named = path("named.lis");
  ASSERT_EQ(ListExporter(nullptr, &lib_, 0, named.data(), -1), 1);

  const char* old_tmp = std::getenv("TMP");
  const std::string saved = old_tmp ? old_tmp : "";
  setenv("TMP", dir_.c_str(), 1);
  char temp[kListTempPathSize] = "";
  const int made = ListExporter(nullptr, &lib_, 0, temp, -1);
  old_tmp ? setenv("TMP", saved.c_str(), 1) : unsetenv("TMP");
  ASSERT_EQ(made, 1);
  EXPECT_EQ(fs::path(temp).parent_path(), dir_);
  EXPECT_EQ(read(temp), read(named));

  dlist::reset_dialog_engine();
  dlist::ScriptedUser user;
  user.choose_file(path("chosen.lis")).cancel_file();
  dlist::DialogUserScope scope(user);
  int window = 0;
  EXPECT_EQ(ListExporter(&window, &lib_, a, nullptr, 0), 1);
  EXPECT_EQ(read(path("chosen.lis")), read(named));
  EXPECT_EQ(ListExporter(&window, &lib_, 0, nullptr, -1), 0);  // cancelled
  const auto& asked = dlist::dialog_log().file_choosers;
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].filter, "List export files|*.lis");
  EXPECT_EQ(asked[0].title, "Export the selected branch");
  EXPECT_EQ(asked[1].title, "Export");
  dlist::reset_dialog_engine();
}

TEST_F(ListExporterTest, FailuresGiveZeroAndLeaveTheEarlierFile) {
  std::string file = path("f.lis");
  const std::string earlier = "the user's earlier file\r\n";
  std::ofstream(file, std::ios::binary) << earlier;
  material(0, "A", "n");
  EXPECT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 0);  // no unit at all
  EXPECT_EQ(read(file), earlier);
  TEXTBUFFERCHAIN codes;
  codes.push(TEXTBUFFER("A"));
  EXPECT_EQ(ListExporter(&lib_, file.data(), &codes), 0);
  EXPECT_EQ(read(file), earlier);

  LISTCONTEXT empty;
  ASSERT_TRUE(empty.open(":memory:"));
  empty.create(empty.create(0, dbunit{"##0", "Length", 0, 1}), dbunit{"m", "metre", 0, 1});
  EXPECT_EQ(ListExporter(nullptr, &empty, 0, file.data(), -1), 0);  // no material
  EXPECT_EQ(read(file), earlier);

  // A write failing half way (the first buffer is full): the earlier file stays, and
  // no temporary file is left beside it.
  length_dimension();
  const std::string long_text(100000, 't');
  material(0, "B", "n", 0, "", "", {long_text, "", "", ""});
  dlist::fail_file_writes_after(2);
  EXPECT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 0);
  dlist::fail_file_writes_after(0);
  EXPECT_EQ(read(file), earlier);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  std::string unwritable = (dir_ / "no such folder" / "x.lis").string();
  EXPECT_EQ(ListExporter(nullptr, &lib_, 0, unwritable.data(), -1), 0);
  EXPECT_EQ(ListExporter(nullptr, &lib_, 0, nullptr, -1), 0);
  EXPECT_EQ(ListExporter(nullptr, nullptr, 0, file.data(), -1), 0);
}

// A text holding a separator of its field, or a line break where the file cannot
// carry one, would come back split across other fields: the export refuses the
// library, naming the record and the field, and the earlier file stays.
TEST_F(ListExporterTest, TextsTheFileCannotCarryAreRefused) {
  length_dimension();
  const long a = material(0, "A", "Walls", 1, "", "Local", {"first\r\nline", "", "", "last"});
  std::string file = path("t.lis");
  ASSERT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 1);  // CR LF in text 1 reads back
  const std::string good = read(file);

  struct Case {
    std::array<std::string, 4> texts;
    const char* name;
    const char* market;
    const char* code;
    const char* reason;
  };
  const Case cases[] = {
      {{"A|B", "", "", ""}, "Brick", "", "1", "its first long text holds \"|\""},
      {{"", "", "", "x\r\ny"}, "Brick", "", "1", "its fourth long text holds a line break"},
      {{"lone\nLF", "", "", ""}, "Brick", "", "1", "its first long text holds a line break other than CR LF"},
      {{}, "Br|ck", "", "1", "its name holds \"|\""},
      {{}, "Brick", "Lo|cal", "1", "its market holds \"|\""},
      {{}, "Brick", "", "1.5", "its code holds \".\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    const long m = material(a, c.code, c.name, 2, "", c.market, c.texts);
    dlist::report_log().clear();
    EXPECT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 0);
    EXPECT_EQ(read(file), good);
    bool named = false;
    const std::string code = std::string("material A.") + c.code + " (";
    for (const auto& e : dlist::report_log().entries()) {
      named |= e.text.find(c.reason) != std::string::npos && e.text.find(code) != std::string::npos;
    }
    EXPECT_TRUE(named);
    Material(&lib_, m).remove();
  }
  // Header records: a unit abbreviation, a dimension name, a long text name.
  const long dim = lib_.create(0, dbunit{"##1", "Ar;ea", 0, 1});
  lib_.create(dim, dbunit{"m2", "square metre", 0, 1});
  EXPECT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 0);
  lib_.remove_unit(dim);
  longtextname names{{"Me|mo", "", "", ""}};
  lib_.modify(names);
  EXPECT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 0);
  EXPECT_EQ(read(file), good);

  // Exported from a dialog, the refusal is shown to the user.
  dlist::reset_dialog_engine();
  dlist::ScriptedUser user;
  user.choose_file(path("chosen.lis"));
  dlist::DialogUserScope scope(user);
  int window = 0;
  EXPECT_EQ(ListExporter(&window, &lib_, 0, nullptr, -1), 0);
  const auto& shown = dlist::dialog_log().message_boxes;
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "The list export file was not written: the library: its first long text "
                           "name holds \"|\", which a list file cannot carry there; nothing was exported");
  EXPECT_FALSE(fs::exists(path("chosen.lis")));
  dlist::reset_dialog_engine();
}

// Every call of the library made to fail in turn: the export gives 0, or the whole
// file where the failed call only ended a walk that was ending anyway.
TEST_F(ListExporterTest, ALibraryCallFailingAnywhereGivesZero) {
  length_dimension();
  lib_.create(dbmarket{"Local"});
  for (const char* code : {"A", "B"}) {
    const long m = material(0, code, "n", 1, "m", "Local", {"t", "", "", ""});
    lib_.create(m, unitref{"m", 1});
    lib_.create(m, subpriceref{"W", 2});
  }
  std::string file = path("whole.lis");
  ASSERT_EQ(ListExporter(nullptr, &lib_, 0, file.data(), -1), 1);
  const std::string whole = read(file);
  int failures = 0, last_failure = 0;
  for (int n = 1; n <= 100; ++n) {
    dlist::fail_list_calls_after(static_cast<unsigned>(n));
    const int result = ListExporter(nullptr, &lib_, 0, file.data(), -1);
    dlist::fail_list_calls_after(0);
    if (result == 0) {
      ++failures;
      last_failure = n;
    } else {
      EXPECT_EQ(read(file), whole) << "call " << n;
    }
  }
  EXPECT_GT(failures, 20);
  EXPECT_LT(last_failure, 100);  // the later runs got past every call
}

}  // namespace
