// The list import: a version 3 file read into an empty library and exported again
// gives the same library; the piece unit, the overwrite question, second basic
// units, subprice lines and relative placement; delimited text with a column map
// and its rounding and refusals; damaged headers; and MoveList, also with a library
// call failing anywhere during the move.

#include "materials/list_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/record_image.h"
#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/progress.h"
#include "host/settings.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_exporter.h"
#include "materials/list_import_internal.h"
#include "tests/materials/library_test_support.h"

namespace list_import_test {
namespace {

namespace fs = std::filesystem;
namespace ids = dlist::listdlg;
void* const kWindow = reinterpret_cast<void*>(0x1);

const std::string kV3 = std::string("\x03") + kListBanner + "\r\n.\r\n";
const std::string kNames = "long text names:Description|Technical data|Note|Other\r\n\r\n";

using dlist::field_string;

class ListImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
    dir_ = fs::temp_directory_path() /
           ("dlist_lim_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    dlist::reset_dialog_engine();
  }
  void TearDown() override {
    dlist::fail_list_calls_after(0);
    dlist::reset_dialog_engine();
    fs::remove_all(dir_);
  }

  std::string file(const std::string& name, const std::string& bytes) const {
    const std::string p = (dir_ / name).string();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

  static long find(LISTCONTEXT& lib, const std::string& code) {
    dbmaterial m{};
    TEXTBUFFER t(code.c_str());
    return lib.get(t, m, nullptr);
  }

  // Every material with its fields, references and texts, and every unit with its
  // usage, one line each, in a stable order.
  static std::string snapshot(LISTCONTEXT& lib) {
    std::vector<std::string> lines;
    for (const dlist::testing::StoredMaterial& m : dlist::testing::stored_materials(lib)) {
      TEXTBUFFER path;
      lib.get_idpath(m.id, path);
      std::ostringstream s;
      s << path.get() << "|" << field_string(m.data.name) << "|" << m.data.unit_price << "|"
        << field_string(m.data.native_unit) << "|" << field_string(m.data.market) << "|";
      std::vector<std::string> refs;
      for (const unitref& u : m.units) refs.push_back(field_string(u.abbrev) + "=" + std::to_string(u.factor));
      for (const subpriceref& r : m.subprices) refs.push_back("$" + field_string(r.abbrev) + "=" + std::to_string(r.value));
      std::sort(refs.begin(), refs.end());
      for (const auto& r : refs) s << r << ",";
      for (const auto& x : m.texts) s << "|" << x;
      lines.push_back(s.str());
    }
    std::vector<long> ids;
    lib.unit_ids(ids);
    for (const long id : ids) {
      dbunit u{};
      lib.get(id, u);
      lines.push_back("unit " + field_string(u.abbrev) + " " + field_string(u.name) + " " + std::to_string(u.usage));
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return all;
  }

  std::vector<std::string> boxes() const {
    std::vector<std::string> texts;
    for (const auto& b : dlist::dialog_log().message_boxes) texts.push_back(b.text);
    return texts;
  }

  LISTCONTEXT lib_;
  fs::path dir_;
};

const std::string kSample =
    kV3 + "dim:Length;m;metre\r\n+unit:cm;centimetre;100.0\r\nmarket:Local\r\n"
          "subprice:PR;Profit+;1.5\r\nsubprice:TX;Tax*;1.2\r\nsubprice:FO;Extra ;PR*2\r\n" + kNames +
    "A|Walls|Local|0.0|;;|||\r\n"
    "A.1|Brick|Local|12.5|m|1.0|cm|100.0|;PR|2.0|TX|1.0|;first\r\nline|second|third|fourth\r\n"
    "A.2|Stone||7.25|pcs|1.0|;;||||\r\n";

TEST_F(ListImportTest, ExportedLibraryReadsBackEqual) {
  ASSERT_NE(ListInic(nullptr, &lib_, file("in.lis", kSample).c_str()), 0) << ::testing::PrintToString(boxes());
  std::string out = (dir_ / "out.lis").string();
  ASSERT_EQ(ListExporter(nullptr, &lib_, 0, out.data(), -1), 1);
  LISTCONTEXT second;
  ASSERT_TRUE(second.open(":memory:"));
  ASSERT_NE(ListInic(nullptr, &second, out.c_str()), 0);
  // The file cannot tell a native unit from the first further reference: a material
  // without a native unit comes back with its first reference as the native unit.
  std::string expected = snapshot(lib_);
  expected.replace(expected.find("A|Walls|0||"), 11, "A|Walls|0|pcs|");
  EXPECT_EQ(snapshot(second), expected);
  EXPECT_NE(snapshot(lib_).find("A.1|Brick|12.5|m|Local|$PR=2.000000,$TX=1.000000,cm=100.000000,m=1.000000,pcs=1.000000,|first\r\nline|second|third|fourth"), std::string::npos)
      << snapshot(lib_);
  longtextname names{};
  second.get(names);
  EXPECT_STREQ(names.name[3], "Other");
  dbsubprice pr{};
  ASSERT_GT(second.find_subprice("PR", pr), 0);
  EXPECT_STREQ(pr.name, "Profit");
  EXPECT_EQ(pr.kind, SUBPRICE_ADD);
  EXPECT_DOUBLE_EQ(pr.value, 1.5);
  dbsubprice fo{};
  ASSERT_GT(second.find_subprice("FO", fo), 0);
  EXPECT_EQ(fo.kind, SUBPRICE_FORMULA);
  EXPECT_STREQ(fo.formula, "PR*2");
  // A material without unit references: no native unit, the piece unit only.
  EXPECT_NE(snapshot(lib_).find("A|Walls|0||Local|pcs=1.000000,|"), std::string::npos);
}

TEST_F(ListImportTest, OverwriteQuestionAndKeepAll) {
  const std::string in = file("in.lis", kSample);
  ASSERT_NE(ListInic(nullptr, &lib_, in.c_str()), 0);
  const std::string before = snapshot(lib_);
  // Unchanged materials are not asked about.
  int asked = 0;
  dlist::ListImportOptions options;
  options.ask_overwrite = [&](long, MATERIALENTRY&, int) { ++asked; return dlist::kKeepAll; };
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, in.c_str(), 1, options), 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(snapshot(lib_), before);

  std::string changed = kSample;
  for (const char* name : {"Walls", "Brick", "Stone"}) changed.replace(changed.find(name), 1, "X");
  const std::string other = file("changed.lis", changed);
  int reason = -5;
  options.ask_overwrite = [&](long, MATERIALENTRY&, int r) { ++asked; reason = r; return dlist::kKeepAll; };
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, other.c_str(), 1, options), 0);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(reason, 2);                // the name
  EXPECT_EQ(snapshot(lib_), before);   // kept: fields, references and usages

  options.ask_overwrite = nullptr;
  options.overwrite = dlist::kOverwriteAll;
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, other.c_str(), 1, options), 0);
  const std::string after = snapshot(lib_);
  EXPECT_NE(after.find("A.1|Xrick|"), std::string::npos);
  // Overwriting gives the old references back first: usages stay as they were.
  EXPECT_NE(after.find("unit m metre 1"), std::string::npos) << after;
}

// Answers "stop" once `steps` records were shown.
class StoppingSink : public dlist::ProgressSink {
 public:
  explicit StoppingSink(int steps) : steps_(steps) {}
  void open(std::string_view, long) override {}
  void step(std::string_view) override { ++shown; }
  void close() override {}
  bool cancelled() override { return steps_ >= 0 && shown >= steps_; }
  int shown = 0;

 private:
  int steps_;
};

TEST_F(ListImportTest, StoppedInTheProgressWindowLeavesTheLibraryAsItWas) {
  ASSERT_NE(ListInic(nullptr, &lib_, file("in.lis", kSample).c_str()), 0);
  const std::string before = snapshot(lib_);
  std::string changed = kSample;
  for (const char* name : {"Walls", "Brick", "Stone"}) changed.replace(changed.find(name), 1, "X");
  changed += "B|Roofs||1.0|;;|||\r\n";
  const std::string other = file("changed.lis", changed);
  dlist::ListImportOptions options;
  options.overwrite = dlist::kOverwriteAll;
  // Stopped after two overwritten records: the overwrites are undone, nothing new
  // stays, and the import fails without an error box.
  StoppingSink stop(2);
  {
    dlist::ProgressSinkScope scope(&stop);
    EXPECT_EQ(dlist::list_import(nullptr, &lib_, 0, other.c_str(), 1, options), 0);
  }
  EXPECT_EQ(stop.shown, 2);
  EXPECT_EQ(snapshot(lib_), before);
  EXPECT_TRUE(boxes().empty()) << ::testing::PrintToString(boxes());

  StoppingSink never(-1);
  dlist::ProgressSinkScope scope(&never);
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, other.c_str(), 1, options), 0);
  EXPECT_EQ(never.shown, 4);
  EXPECT_NE(snapshot(lib_).find("A.1|Xrick|"), std::string::npos);
  EXPECT_GT(find(lib_, "B"), 0);
}

TEST_F(ListImportTest, HeaderLinesBuildUnitsAndSubprices) {
  const std::string in = file("u.lis", kV3 + "dim:Length;m;metre\r\n+unit:mx;other metre;1.0\r\n"
                                             "dim:Weight;kg;kilogram\r\n+unit:g;gram;1000\r\n" + kNames);
  ASSERT_NE(ListInic(nullptr, &lib_, in.c_str()), 0);
  int lengths = 0;
  std::vector<long> dims;
  lib_.unit_children(0, dims);
  for (const long d : dims) {
    dbunit u{};
    lib_.get(d, u);
    lengths += field_string(u.name) == "Length";
  }
  EXPECT_EQ(lengths, 2);  // "mx" is a second basic unit: a dimension of its own
  dbunit g{};
  ASSERT_GT(lib_.find_unit("g", g), 0);
  EXPECT_DOUBLE_EQ(g.factor, 1000);
  dbunit kg{};
  EXPECT_GT(lib_.find_unit("kg", kg), 0);
  EXPECT_EQ(lib_.get_parent(lib_.find_unit("g", g)), lib_.get_parent(lib_.find_unit("kg", kg)));
  // A file whose basic length unit has another abbreviation maps it.
  LISTCONTEXT other;
  ASSERT_TRUE(other.open(":memory:"));
  const std::string mapped = file("mapped.lis", kV3 + "dim:Length;M;Metre\r\n" + kNames + "B|Beam||1.0|M|1.0|;;|||\r\n");
  ASSERT_NE(ListInic(nullptr, &other, mapped.c_str()), 0);
  EXPECT_NE(snapshot(other).find("B|Beam|1|m||m=1.000000,pcs=1.000000,"), std::string::npos) << snapshot(other);
}

TEST_F(ListImportTest, RelativePlacementBelowTheParent) {
  dbmaterial p{};
  dlist::set_field(p.id, sizeof p.id, "P");
  dlist::set_field(p.name, sizeof p.name, "Parent");
  const long parent = lib_.create(0, p, nullptr);
  const std::string in = file("r.lis", kV3 + kNames + "A.B.C|c||1.0|;;|||\r\nA.B.C.D|d||2.0|;;|||\r\n");
  ASSERT_NE(ListImport(nullptr, &lib_, parent, in.c_str(), 0), 0);
  EXPECT_GT(find(lib_, "P.C"), 0);
  EXPECT_GT(find(lib_, "P.C.D"), 0);
  // Full codes whose parent is missing: the user declines relative placement.
  EXPECT_EQ(ListImport(nullptr, &lib_, parent, in.c_str(), 1), 0);
  EXPECT_EQ(find(lib_, "A.B.C"), 0);
}

TEST_F(ListImportTest, DelimitedTextWithAColumnMap) {
  dlist::ListImportOptions options;
  options.column_map = "delim=;,cols=code,name,unit_price,ref_unit,ref_factor";
  const std::string in = file("t.txt", "X;Brick;12.346;pcs;2.5\nY;Tile;0.004;pcs;0.0000015\n");
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, in.c_str(), 1, options), 0);
  dbmaterial m{};
  LONGTEXT t[kLongTextCount];
  ASSERT_GT(lib_.get(find(lib_, "X"), m, t), 0);
  EXPECT_DOUBLE_EQ(m.unit_price, 12.35);
  EXPECT_STREQ(m.native_unit, "pcs");
  ASSERT_GT(lib_.get(find(lib_, "Y"), m, t), 0);
  EXPECT_DOUBLE_EQ(m.unit_price, 0.0);  // 0.004 rounds to 0.00
  EXPECT_NE(snapshot(lib_).find("Y|Tile|0|pcs||pcs=0.000002,"), std::string::npos) << snapshot(lib_);

  dlist::reset_dialog_engine();
  const std::string bad = file("b.txt", "Z;Bad;1;pcs;0.0000004\n");
  EXPECT_EQ(dlist::list_import(nullptr, &lib_, 0, bad.c_str(), 1, options), 0);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[0], "Error 22 in the import file.");
  EXPECT_NE(boxes()[1].find(" - ( "), std::string::npos);
  EXPECT_EQ(find(lib_, "Z"), 0);
}

TEST_F(ListImportTest, NumbersTakeTheHostDecimalPointAndRoundTiesUp) {
  dlist::ListImportOptions options;
  options.column_map = "delim=;,cols=code,name,unit_price,ref_unit,ref_factor";
  const std::string in = file("t.txt", "X;Brick;12,345;pcs;2.5\nY;Tile;1.005;pcs;0,0000125\n");
  dlist::ScopedSettings settings;
  ASSERT_TRUE(dlist::set_setting(dlist::kDecimalPointKey, ","));
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, in.c_str(), 1, options), 0);
  dbmaterial m{};
  LONGTEXT t[kLongTextCount];
  ASSERT_GT(lib_.get(find(lib_, "X"), m, t), 0);
  EXPECT_DOUBLE_EQ(m.unit_price, 12.35);  // stored a little below the tie, still up
  ASSERT_GT(lib_.get(find(lib_, "Y"), m, t), 0);
  EXPECT_DOUBLE_EQ(m.unit_price, 1.01);
  EXPECT_NE(snapshot(lib_).find("Y|Tile|1.01|pcs||pcs=0.000013,"), std::string::npos)
      << snapshot(lib_);

  // Whatever the host writes as its decimal point, even a digit, the rounding
  // reads its own text back unbent.
  ASSERT_TRUE(dlist::set_setting(dlist::kDecimalPointKey, "5"));
  const std::string digit = file("d.txt", "Z;Slab;7.125;pcs;1.5\n");
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, digit.c_str(), 1, options), 0);
  ASSERT_GT(lib_.get(find(lib_, "Z"), m, t), 0);
  EXPECT_DOUBLE_EQ(m.unit_price, 7.13);
  EXPECT_NE(snapshot(lib_).find("Z|Slab|7.13|pcs||pcs=1.500000,"), std::string::npos) << snapshot(lib_);
}

// The rounding gives the value of the number's own text with that many decimals
// (then a tie stored just below goes up), found without writing the text.
TEST(ListImportRounding, WrittenBackIsTheTextReadBack) {
  const auto by_text = [](double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    double written = 0;
    std::from_chars(text, end, written);
    const double step = std::pow(10.0, -decimals);
    if (value - written >= step / 2 - std::fabs(value) * 1e-15) written += step;
    return written == 0 ? 0.0 : written;
  };
  std::mt19937_64 random(7);
  std::vector<double> values = {0.125, 2.675, 1.005, -1.005, 0.5, 1e15 + 0.5, 4503599627370495.5,
                                1e-7, 12.345, 0.0000015, -0.001, 99999999.995};
  for (int i = 0; i < 20000; ++i) {
    const double magnitude = std::pow(10.0, static_cast<int>(random() % 24) - 8);
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), -53) * magnitude);
    values.push_back(static_cast<double>(random() % 100000000) / 1000.0);  // near ties
  }
  for (const double v : values) {
    for (const int d : {0, 2, 6, 9}) {
      ASSERT_EQ(dlist::limport::round_half_up(v, d), by_text(v, d)) << v << " to " << d;
    }
  }
  EXPECT_EQ(dlist::limport::round_half_up(1e300, 2), 1e300);  // too long to write: kept
  EXPECT_TRUE(std::isnan(dlist::limport::round_half_up(NAN, 2)));
  EXPECT_FALSE(std::signbit(dlist::limport::round_half_up(-0.001, 2)));
}

TEST_F(ListImportTest, Version2FieldsDimensionsAndClashingUnits) {
  const std::string v2 = std::string("\x02") + kListBanner + "\r\n\r\n" +
                         "code x0 x7c >0\r\nname x0 x7c >1\r\nprice x0 x7c >14\r\n"
                         "unit x1 x7c >17\r\nfactor x3 x7c >18\r\nend x2 x3b >101\r\n"
                         "text x0 x0d >10\r\n\r\n";
  const std::string units = "dim:##7;Length;m;metre\r\n+unit:cm;centimetre;100\r\n";
  ASSERT_NE(ListImport(nullptr, &lib_, 0, file("v2.lis", v2 + units + "\r\nA|Walls|1.5|m|1.0|cm|100|;note\r\n").c_str(), 1), 0)
      << ::testing::PrintToString(boxes());
  EXPECT_NE(snapshot(lib_).find("A|Walls|1.5|m||cm=100.000000,m=1.000000,|note|||"), std::string::npos)
      << snapshot(lib_);
  dbunit cm{};
  ASSERT_GT(lib_.find_unit("cm", cm), 0);
  EXPECT_EQ(cm.usage, 1);
  // Read again: its dimension and units are the ones made the first time.
  const std::string first = snapshot(lib_);
  ASSERT_NE(ListImport(nullptr, &lib_, 0, file("v2.lis", v2 + units + "\r\nA|Walls|1.5|m|1.0|cm|100|;note\r\n").c_str(), 1), 0)
      << ::testing::PrintToString(boxes());
  EXPECT_EQ(snapshot(lib_), first);
  std::vector<long> dimensions;
  EXPECT_EQ(lib_.unit_children(0, dimensions), 1);
  // Two units of one abbreviation: the user declines to rename them.
  LISTCONTEXT other;
  ASSERT_TRUE(other.open(":memory:"));
  dlist::reset_dialog_engine();
  EXPECT_EQ(ListImport(nullptr, &other, 0, file("clash.lis", v2 + units + "+unit:cm;other;10\r\n\r\n").c_str(), 1), 0);
  std::vector<long> ids;
  EXPECT_EQ(other.unit_ids(ids), 0);
}

TEST_F(ListImportTest, TextWithDimensionsAsksEachUnitTextOnce) {
  const auto unit = [&](long parent, const char* abbrev, const char* name, double factor) {
    return dlist::testing::add_unit(lib_, parent, abbrev, name, factor);
  };
  const long length = unit(0, "##0", "Length", 1);
  unit(length, "m", "metre", 1);
  unit(length, "cm", "centimetre", 100);
  unit(unit(0, "##1", "Area", 1), "m2", "square metre", 1);
  dlist::testing::add_subprice(lib_, "PR", "Profit", SUBPRICE_ADD, 0);

  // "lm" and "sqm" are asked once each; "mtr" is not a unit: its library
  // abbreviation is asked for the first record that names it only.
  dlist::ScriptedUser user;
  user.on(ids::kDimensionQuestionContext).select_row(ids::kChoiceList, 0).press(9999);
  user.on(ids::kDimensionQuestionContext).select_row(ids::kChoiceList, 1).press(9999);
  user.on(ids::kAbbreviationContext).type(ids::kName, "cm").press(9999);
  dlist::DialogUserScope scope(user);
  dlist::ListImportOptions options;
  options.column_map =
      "delim=;,cols=code,name,unit,dimension,dimension2,factor2,subprice_name,subprice_value,"
      "subprice_name,subprice_value";
  const std::string in = file("d.txt",
                              "W;Wall;m;lm;sqm;2.5;Price;12.3456789;Profit+;3\n"
                              "X;Other;mtr;lm;lm;4;Price;2;Profit+;1\n"
                              "Y;Third;mtr;lm;lm;4;Price;2;Profit+;1\n");
  ASSERT_NE(dlist::list_import(kWindow, &lib_, 0, in.c_str(), 1, options), 0)
      << ::testing::PrintToString(boxes());
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const std::string all = snapshot(lib_);
  // A second unit of another dimension adds that dimension's basic unit.
  EXPECT_NE(all.find("W|Wall|12.3457|m||$PR=3.000000,m2=2.500000,m=1.000000,|"), std::string::npos) << all;
  EXPECT_NE(all.find("X|Other|2|cm||$PR=1.000000,cm=4.000000,|"), std::string::npos) << all;
  EXPECT_NE(all.find("Y|Third|2|cm||$PR=1.000000,cm=4.000000,|"), std::string::npos) << all;
  EXPECT_NE(all.find("unit cm centimetre 2"), std::string::npos) << all;
}

TEST_F(ListImportTest, Version2SubpriceLinesAskForAbbreviationAndValue) {
  const std::string v2 = std::string("\x02") + kListBanner + "\r\n\r\n" +
                         "code x0 x7c >0\r\nname x0 x7c >1\r\nsub x1 x7c >15\r\nvalue x3 x7c >9\r\n"
                         "end x2 x3b >101\r\n\r\n";
  dlist::ScriptedUser user;
  user.on(ids::kImportSubpriceContext)
      .observe([](void* d) { EXPECT_EQ(dlist::control_text(d, ids::kFirstText), "Tax"); })
      .type(ids::kName, "TX")
      .type(ids::kValue, "1.2")
      .press(9999);
  user.on(ids::kImportSubpriceContext).press(2);  // declined: left out
  dlist::DialogUserScope scope(user);
  const std::string in = file("s.lis", v2 + "subprice:Tax*\r\nsubprice:Fee+\r\n\r\nA|Wall|TX|1.5|;\r\n");
  ASSERT_NE(ListImport(kWindow, &lib_, 0, in.c_str(), 1), 0) << ::testing::PrintToString(boxes());
  EXPECT_TRUE(user.finished()) << user.leftovers();
  dbsubprice tx{};
  ASSERT_GT(lib_.find_subprice("TX", tx), 0);
  EXPECT_STREQ(tx.name, "Tax");
  EXPECT_EQ(tx.kind, SUBPRICE_MULTIPLY);
  EXPECT_DOUBLE_EQ(tx.value, 1.2);
  std::vector<long> subprices;
  lib_.subprice_ids(subprices);
  EXPECT_EQ(subprices.size(), 1u);
  EXPECT_NE(snapshot(lib_).find("A|Wall|0|||$TX=1.500000,|"), std::string::npos) << snapshot(lib_);
}

struct Damaged {
  const char* name;
  std::string bytes;
  std::string message;  // the first message box, "" for none
};

TEST_F(ListImportTest, DamagedHeadersGiveTheirErrors) {
  const std::string v2 = std::string("\x02") + kListBanner + "\r\n\r\n";
  const std::vector<Damaged> cases = {
      {"dim without colon", kV3 + "dim Length\r\n" + kNames, "Error 58 in the import file."},
      {"unit before dim", kV3 + "+unit:cm;centimetre;100\r\n" + kNames, "Error 61 in the import file."},
      {"unknown line", kV3 + "zzz\r\n" + kNames, "Error 69 in the import file."},
      {"long abbreviation", kV3 + "dim:Length;m;metre\r\n+unit:abcde;x;2\r\n" + kNames, "Error 30 in the import file."},
      {"bad factor", kV3 + "dim:Length;m;metre\r\n+unit:cm;x;1+\r\n" + kNames, "Error 34 in the import file."},
      {"unit of another dimension", kV3 + "dim:Length;m;metre\r\n+unit:m2;x;2\r\n" + kNames, "Error 31 in the import file."},
      {"short names line", kV3 + "long text names:a|b\r\n\r\n", "Error 67 in the import file."},
      {"long subprice name", kV3 + "subprice:AB;" + std::string(50, 'n') + "*;1\r\n" + kNames, "Error 40 in the import file."},
      {"dim line", kV3 + "dim:" + std::string(30, 'L') + ";q;x\r\n" + kNames, "Error 59 in the dimension line:\ndim:" + std::string(30, 'L') + ";q;x"},
      {"material field", kV3 + kNames + "A|" + std::string(300, 'n') + "||1|;;|||\r\n", "Error 1 in the import file."},
      {"v2 field line", v2 + "field\r\n\r\n\r\n", "Error 42 in the import file."},
      {"v2 two groups", v2 + "a x1 x7c >17\r\nb x1 x7c >18\r\n\r\n\r\n", "Error 49 in the import file."},
      {"v2 bad type", v2 + "a x0 x7c >77\r\n\r\n\r\n", "Error 47 in the import file."},
      {"v2 without the header's end", v2 + "a x0 x7c >0\r\n\r\n", "Error 72 in line 5 of the import file."},
      {"truncated", kV3.substr(0, 20), ""},
      {"cut record", kV3 + kNames + "A|name|mark", ""},
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.name);
    dlist::reset_dialog_engine();
    LISTCONTEXT lib;
    ASSERT_TRUE(lib.open(":memory:"));
    EXPECT_EQ(ListImport(nullptr, &lib, 0, file("d.lis", c.bytes).c_str(), 1), 0);
    const auto texts = boxes();
    if (c.message.empty()) continue;
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], c.message);
  }
}

// Files whose lines end otherwise than with CR LF, whose header holds a line longer
// than 64 KiB or ends with the file: refused whole before the library changes, with
// the line named.
TEST_F(ListImportTest, DamagedListFilesAreRefusedWithNothingChanged) {
  ASSERT_NE(ListInic(nullptr, &lib_, file("in.lis", kSample).c_str()), 0);
  const std::string before = snapshot(lib_);
  std::string lf_only = kSample;
  for (std::size_t at = 0; (at = lf_only.find("\r\n", at)) != std::string::npos;) lf_only.erase(at, 1);
  std::string lf_records = kSample;  // the header with CR LF, the records with LF alone
  lf_records.replace(lf_records.find("\r\nA.2|"), 2, "\n");
  const std::vector<Damaged> cases = {
      {"LF only", lf_only, "Error 70 in line 1 of the import file."},
      {"LF in the records", lf_records, "Error 70 in line 13 of the import file."},
      {"CR alone", kV3 + kNames + "C|x\ry||1|;;|||\r\n", "Error 70 in line 5 of the import file."},
      {"CR at the end", kV3 + kNames + "C|xy||1|;;|||\r", "Error 70 in line 5 of the import file."},
      {"long header line", kV3 + "market:" + std::string(65530, 'x') + "\r\n" + kNames + "C|Tail||1|;;|||\r\n",
       "Error 71 in line 3 of the import file."},
      {"cut header", kV3 + "dim:Volume;m3;cubic metre\r\nmarket:Other\r\n", "Error 72 in line 5 of the import file."},
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.name);
    dlist::reset_dialog_engine();
    EXPECT_EQ(ListImport(nullptr, &lib_, 0, file("d.lis", c.bytes).c_str(), 1), 0);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], c.message);
    EXPECT_EQ(snapshot(lib_), before);
    dbmarket m{};
    EXPECT_EQ(lib_.find_market("Other", m), 0);
  }
  // A header line of exactly 64 KiB is read (the market name is cut to its field).
  dlist::reset_dialog_engine();
  const std::string fits = kV3 + "market:" + std::string(65536 - 7, 'y') + "\r\n" + kNames;
  EXPECT_NE(ListImport(nullptr, &lib_, 0, file("f.lis", fits).c_str(), 1), 0);
}

// A delimited text file reads the same with LF and with CR LF line ends.
TEST_F(ListImportTest, DelimitedTextWithEitherLineEnd) {
  dlist::ListImportOptions options;
  options.column_map = "delim=;,cols=code,name,unit_price,ref_unit,ref_factor,text1";
  const std::string lf = "X;Brick;12.5;pcs;2.5;red\nY;Tile;3;pcs;1;\nZ;Slate;4;pcs;1;grey\n";
  std::string crlf;
  for (const char ch : lf) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  ASSERT_NE(dlist::list_import(nullptr, &lib_, 0, file("lf.txt", lf).c_str(), 1, options), 0);
  LISTCONTEXT second;
  ASSERT_TRUE(second.open(":memory:"));
  ASSERT_NE(dlist::list_import(nullptr, &second, 0, file("crlf.txt", crlf).c_str(), 1, options), 0);
  EXPECT_EQ(snapshot(lib_), snapshot(second));
  EXPECT_NE(snapshot(lib_).find("Z|Slate|4|pcs||pcs=1.000000,|grey|||"), std::string::npos) << snapshot(lib_);
}

// A library whose standard units stand in dimensions of other names (the piece
// unit in "Piece") reads a list file; a standard unit standing apart from the
// others of its dimension is named in the refusal.
TEST_F(ListImportTest, StandardDimensionsAreFoundByTheirUnits) {
  const long piece = lib_.create(0, dbunit{"##0", "Piece", 0, 1});
  lib_.create(piece, dbunit{"pcs", "Piece", 0, 1});
  const long length = lib_.create(0, dbunit{"##1", "Lengths", 0, 1});
  lib_.create(length, dbunit{"m", "Metre", 0, 1});
  ASSERT_NE(ListImport(nullptr, &lib_, 0, file("in.lis", kSample).c_str(), 1), 0) << ::testing::PrintToString(boxes());
  std::vector<long> dims;
  lib_.unit_children(0, dims);
  EXPECT_EQ(dims.size(), 4u);  // Piece, Lengths, and the new Area and Volume
  dbunit cm{};
  ASSERT_GT(lib_.find_unit("cm", cm), 0);
  EXPECT_EQ(lib_.get_parent(lib_.find_unit("cm", cm)), length);

  dlist::reset_dialog_engine();
  LISTCONTEXT apart;
  ASSERT_TRUE(apart.open(":memory:"));
  const long other = apart.create(0, dbunit{"##0", "Odd", 0, 1});
  apart.create(other, dbunit{"mm", "Millimetre", 0, 1000});
  const long metric = apart.create(0, dbunit{"##1", "Length", 0, 1});
  apart.create(metric, dbunit{"m", "metre", 0, 1});
  EXPECT_EQ(ListImport(nullptr, &apart, 0, file("in.lis", kSample).c_str(), 1), 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0],
            "Error 77 in the import file: the unit mm stands in the dimension \"Odd\", apart from "
            "the other units of the dimension Length.");
}

TEST_F(ListImportTest, MoveListKeepsEverythingAndAFailedMoveLosesNothing) {
  ASSERT_NE(ListInic(nullptr, &lib_, file("in.lis", kSample + "B|Roofs||0.0|;;|||\r\n").c_str()), 0);
  const std::string before = snapshot(lib_);
  std::string expected = before;
  for (std::size_t at = 0; (at = expected.find("\nA", at)) != std::string::npos;) expected.replace(at, 2, "\nB.A");
  if (expected.rfind("A", 0) == 0) expected.insert(0, "B.");

  // Fail the n-th library call of the move, for every n up to one past the last.
  bool moved = false;
  for (unsigned n = 1; n < 2000 && !moved; ++n) {
    SCOPED_TRACE(n);
    const long a = find(lib_, "A");
    const long b = find(lib_, "B");
    dlist::fail_list_calls_after(n);
    moved = MoveList(&lib_, nullptr, a, b) != 0;
    dlist::fail_list_calls_after(0);
    if (!moved) {
      ASSERT_EQ(snapshot(lib_), before);
    }
  }
  ASSERT_TRUE(moved);
  EXPECT_EQ(find(lib_, "A"), 0);
  EXPECT_GT(find(lib_, "B.A.1"), 0);
  EXPECT_EQ(snapshot(lib_), expected);
  // Onto a place that holds a material of the same own code, or into its own
  // subtree: refused.
  ASSERT_NE(ListImport(nullptr, &lib_, 0, file("a.lis", kV3 + kNames + "A|Other||1.0|;;|||\r\n").c_str(), 1), 0);
  expected = snapshot(lib_);
  EXPECT_EQ(MoveList(&lib_, nullptr, find(lib_, "B.A"), 0), 0);
  EXPECT_EQ(snapshot(lib_), expected);
  EXPECT_EQ(MoveList(&lib_, nullptr, find(lib_, "B"), find(lib_, "B.A.1")), 0);
  EXPECT_EQ(snapshot(lib_), expected);
}

// A move changes the parent of the branch and nothing else: prices, factors, an
// empty native unit, references, usage counts and identifiers stay to the bit.
TEST_F(ListImportTest, MoveListKeepsEveryValueAndIdentifier) {
  const long length = lib_.create(0, dbunit{"##0", "Length", 0, 1});
  lib_.create(length, dbunit{"m", "metre", 0, 1});
  lib_.create(length, dbunit{"ft", "foot", 1, 3.2808337791663327});
  const long pieces = lib_.create(0, dbunit{"##1", "Pieces", 0, 1});
  lib_.create(pieces, dbunit{"pcs", "piece", 0, 1});
  const long a = lib_.create(0, dbmaterial{"A", "Walls", 0, "", "", {}}, nullptr);
  LONGTEXT texts[kLongTextCount];
  for (char ch : std::string("one|two")) texts[0].push(ch);
  const long a1 = lib_.create(a, dbmaterial{"1", "Brick", 1.235, "", "Local", {}}, texts);
  lib_.create(a1, unitref{"ft", 0.30480000617});
  lib_.create(a1, subpriceref{"W", 1.0000001});
  const long b = lib_.create(0, dbmaterial{"B", "Roofs", 0, "", "", {}}, nullptr);
  ASSERT_GT(b, 0);
  std::vector<long> units_before;
  lib_.unit_ids(units_before);

  ASSERT_EQ(MoveList(&lib_, nullptr, a, b), 1);
  EXPECT_EQ(find(lib_, "B.A"), a);
  EXPECT_EQ(find(lib_, "B.A.1"), a1);
  dbmaterial m{};
  LONGTEXT out[kLongTextCount];
  ASSERT_EQ(lib_.get(a1, m, out), a1);
  EXPECT_EQ(m.unit_price, 1.235);
  EXPECT_STREQ(m.native_unit, "");
  EXPECT_EQ(std::string(&out[0][0], out[0].size()), "one|two");
  std::vector<std::string> refs;
  lib_.rewind_unit_ref(a1);
  for (unitref u{}; lib_.get(u) > 0;) {
    refs.push_back(field_string(u.abbrev));
    EXPECT_EQ(u.factor, 0.30480000617);
  }
  EXPECT_EQ(refs, std::vector<std::string>{"ft"});
  lib_.rewind_subprice_ref(a1);
  subpriceref w{};
  ASSERT_GT(lib_.get(w), 0);
  EXPECT_EQ(w.value, 1.0000001);
  std::vector<long> units_after;
  lib_.unit_ids(units_after);
  EXPECT_EQ(units_after, units_before);  // no standard unit added
  dbunit unit{};
  lib_.find_unit("ft", unit);
  EXPECT_EQ(unit.usage, 1);
  lib_.find_unit("pcs", unit);
  EXPECT_EQ(unit.usage, 0);
  // Back to the top.
  ASSERT_EQ(MoveList(&lib_, nullptr, a, 0), 1);
  EXPECT_EQ(find(lib_, "A.1"), a1);
  EXPECT_EQ(lib_.get_parent_material(a), 0);
}

}  // namespace
}  // namespace list_import_test
