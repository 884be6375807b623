// The record reader: the list export layout with its repeated groups, texts with
// line breaks and the line-end rules at the end of the file; fixed-width fields;
// the field list's refusals; delimited text files mapped by the column map and by
// the user in the column dialog; refusals by the importer, cut-off files, overlong
// fields and empty files.
#include "host/import/importer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/import/column_dialog.h"
#include "host/import/column_map.h"
#include "host/report.h"

namespace {

using dlist::ReadFailure;

// A file in the temporary folder with the given bytes, removed at the end.
struct TempFile {
  explicit TempFile(const std::string& bytes)
      : path((std::filesystem::temp_directory_path() /
              ("dlist_imp_" + std::to_string(std::random_device{}())))
                 .string()) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~TempFile() { std::filesystem::remove(path); }
  std::string path;
};

using Record = std::vector<std::pair<int, std::string>>;  // (type, data) per field

// Keeps what it is handed; refuses the field or record numbered refuse_* (from 1).
class Recorder : public Importer {
 public:
  explicit Recorder(const FileImport& source) : Importer(source) {}
  int Reset() override {
    ++resets;
    records.clear();
    current.clear();
    return 1;
  }
  int FieldReady(const FIELDPARS& f) override {
    current.emplace_back(f.type, std::string(Data(), static_cast<size_t>(Length())));
    return ++fields == refuse_field ? 0 : 1;
  }
  int RecordReady() override {
    records.push_back(std::move(current));
    current.clear();
    return static_cast<int>(records.size()) == refuse_record ? 0 : 1;
  }
  int resets = 0, fields = 0, refuse_field = 0, refuse_record = 0;
  std::vector<Record> records;
  Record current;
};

// The fields of a list export material line.
FileImport list_export_fields() {
  using namespace dlist;
  FileImport f;
  f.AddField(kFieldSingle, 0, 16600, "|");
  f.AddField(kFieldSingle, 1, 16601, "|");
  f.AddField(kFieldSingle, 2, 16602, "|");
  f.AddField(kFieldSingle, 14, 16614, "|");
  f.AddField(kFieldOpensGroup, 17, 16617, "|");
  f.AddField(kFieldClosesGroup, 18, 16618, "|");
  f.AddField(kFieldGroupEnd, 101, 21662, ";");
  f.AddField(kFieldOpensGroup, 15, 16615, "|");
  f.AddField(kFieldClosesGroup, 9, 16609, "|");
  f.AddField(kFieldGroupEnd, 101, 21662, ";");
  for (int t = 10; t <= 12; ++t) f.AddField(kFieldSingle, t, 16600 + t, "|");
  f.AddField(kFieldSingle, 13, 16613, dlist::kSeparatorCrLf);
  return f;
}

// The offered fields of a text file whose units carry no dimension.
void offer_fields(FileImport& f) {
  const int offers[][3] = {{1, 0, 16600},  {1, 1, 16601},  {0, 2, 16602},  {1, 4, 16604},
                           {1, 16, 16616}, {1, 14, 16614}, {2, 17, 16617}, {2, 18, 16618},
                           {2, 15, 16615}, {2, 9, 16609},  {0, 10, 16610}};
  for (const auto& o : offers) f.AddTemp(o[0], o[1], o[2]);
}

struct Outcome {
  int result = 0;
  ReadFailure failure = ReadFailure::kNone;
  std::vector<Record> records;
  int resets = 0;
};

Outcome read(const FileImport& fields, const std::string& bytes, size_t limit = 0) {
  TempFile file(bytes);
  Recorder r(fields);
  if (limit != 0) r.SetFieldLimit(limit);
  Outcome out;
  out.result = r.Process(file.path.c_str());
  out.failure = r.Failure();
  out.records = r.records;
  out.resets = r.resets;
  return out;
}

TEST(ImporterLayout, RepeatedGroupsRepeatUntilTheirEndMark) {
  const std::string file =
      "A|Zero|M|1.0|;;t1|t2|t3|t4\r\n"                                  // no repetition
      "A.B|One|M|2.5|m|1.0|;PR|1.5|;|||\r\n"                              // one of each
      "A.C|Three|M|3.0|m|1.0|ft|3.28|in|39.37|;PR|1.5|VAT|20.0|X|0.5|;"  // three
      "line 1\r\nline 2|text|\r\n|four\r\n";
  const Outcome run = read(list_export_fields(), file);
  ASSERT_EQ(run.result, 1) << static_cast<int>(run.failure);
  ASSERT_EQ(run.records.size(), 3u);
  EXPECT_EQ(run.records[0], (Record{{0, "A"}, {1, "Zero"}, {2, "M"}, {14, "1.0"}, {101, ""},
                                    {101, ""}, {10, "t1"}, {11, "t2"}, {12, "t3"}, {13, "t4"}}));
  EXPECT_EQ(run.records[1], (Record{{0, "A.B"}, {1, "One"}, {2, "M"}, {14, "2.5"}, {17, "m"},
                                    {18, "1.0"}, {101, ""}, {15, "PR"}, {9, "1.5"}, {101, ""},
                                    {10, ""}, {11, ""}, {12, ""}, {13, ""}}));
  const Record& three = run.records[2];
  ASSERT_EQ(three.size(), 22u);
  EXPECT_EQ(three[8], (std::pair<int, std::string>{17, "in"}));
  EXPECT_EQ(three[10], (std::pair<int, std::string>{101, ""}));
  EXPECT_EQ(three[16], (std::pair<int, std::string>{9, "0.5"}));
  // A text ended by "|" keeps its line breaks; the last field ends at CR LF only.
  EXPECT_EQ(three[18], (std::pair<int, std::string>{10, "line 1\r\nline 2"}));
  EXPECT_EQ(three[20], (std::pair<int, std::string>{12, "\r\n"}));
  EXPECT_EQ(three[21], (std::pair<int, std::string>{13, "four"}));
  EXPECT_EQ(run.resets, 1);
}

TEST(ImporterLayout, TheFileMayEndWithOrWithoutTheLastLineBreak) {
  const FileImport fields = list_export_fields();
  for (const char* tail : {"", "\r", "\r\n", "\r\n\r\n\r\n"}) {
    SCOPED_TRACE(testing::Message() << "tail of " << std::strlen(tail) << " bytes");
    const Outcome run = read(fields, std::string("A|N|M|1.0|;;|||last") + tail);
    ASSERT_EQ(run.result, 1);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0].back().second, "last");
  }
  // A CR that is no line end stays in the last field.
  const Outcome run = read(fields, "A|N|M|1.0|;;|||a\rb\r\n");
  ASSERT_EQ(run.records.size(), 1u);
  EXPECT_EQ(run.records[0].back().second, "a\rb");
}

TEST(ImporterLayout, ARecordCutOffIsRefusedWithoutRecordReady) {
  const FileImport fields = list_export_fields();
  const std::string record = "A|N|M|1.0|m|1.0|;PR|2|;t1|t2|t3|t4\r\n";
  const size_t last_field = record.find("t4");
  for (size_t cut = 1; cut < record.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Outcome run = read(fields, "X|Y|Z|0|;;|||\r\n" + record.substr(0, cut));
    if (cut >= last_field) {  // only the last field, which may end at the file's end
      EXPECT_EQ(run.result, 1);
      EXPECT_EQ(run.records.size(), 2u);
    } else {
      EXPECT_EQ(run.result, 0);
      EXPECT_EQ(run.failure, ReadFailure::kTruncated);
      EXPECT_EQ(run.records.size(), 1u);
    }
  }
}

TEST(ImporterLayout, FixedWidthFieldsTakeExactlyTheirBytes) {
  using namespace dlist;
  FileImport g;
  g.AddField(kFieldFixed, 1, 0, nullptr, 3);
  g.AddField(kFieldOpensGroup, 2, 0, ",");
  g.AddField(kFieldFixed, 3, 0, nullptr, 2);
  g.AddField(kFieldGroupEnd, 101, 0, ";");
  g.AddField(kFieldSingle, 4, 0, kSeparatorCrLf);
  const Outcome run = read(g, "a|ca,xyb,;;;\r\nzzz;end");
  ASSERT_EQ(run.result, 1);
  ASSERT_EQ(run.records.size(), 2u);
  EXPECT_EQ(run.records[0], (Record{{1, "a|c"}, {2, "a"}, {3, "xy"}, {2, "b"}, {3, ";;"},
                                    {101, ""}, {4, ""}}));
  EXPECT_EQ(run.records[1], (Record{{1, "zzz"}, {101, ""}, {4, "end"}}));
  const Outcome cut = read(g, "ab");
  EXPECT_EQ(cut.failure, ReadFailure::kTruncated);
}

TEST(ImporterFieldList, MalformedListsAreRefused) {
  using namespace dlist;
  FileImport f;
  EXPECT_EQ(f.GetStartRecord(), -1);
  EXPECT_EQ(f.GetOffset(), -1);
  EXPECT_EQ(f.AddField(kFieldGroupEnd, 101, 0, ";"), 0);  // no group to end
  EXPECT_EQ(f.AddField(kFieldClosesGroup, 1, 0, "|"), 0);
  EXPECT_EQ(f.AddField(kFieldSingle, 1, 0, ""), 0);
  EXPECT_EQ(f.AddField(kFieldSingle, 1, 0, "123456789"), 0);
  EXPECT_EQ(f.AddField(kFieldFixed, 1, 0, nullptr, 0), 0);
  EXPECT_EQ(f.AddField(9, 1, 0, "|"), 0);
  ASSERT_EQ(f.AddField(kFieldOpensGroup, 1, 0, "|"), 1);
  EXPECT_EQ(f.AddField(kFieldOpensGroup, 2, 0, "|"), 0);  // a group inside a group
  ASSERT_EQ(f.AddField(kFieldClosesGroup, 2, 0, "|"), 2);
  EXPECT_EQ(f.AddField(kFieldSingle, 3, 0, "|"), 0);  // the closed group waits for its mark
  EXPECT_EQ(f.GetStartRecord(), 0);
  // An unfinished group cannot be read, and the importer is not even reset.
  const Outcome run = read(f, "a|b|;\r\n");
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.failure, ReadFailure::kBadFieldList);
  EXPECT_EQ(run.resets, 0);
  EXPECT_EQ(read(FileImport(), "x").failure, ReadFailure::kBadFieldList);
}

TEST(ImporterReading, RefusalsLimitsAndEmptyFiles) {
  const FileImport fields = list_export_fields();
  const std::string two = "A|N|M|1|;;|||\r\nB|N|M|2|;;|||\r\n";
  TempFile file(two);
  {
    Recorder r(fields);
    r.refuse_field = 3;  // the market of the first record
    EXPECT_EQ(r.Process(file.path.c_str()), 0);
    EXPECT_EQ(r.Failure(), ReadFailure::kRefused);
    EXPECT_EQ(r.fields, 3);
    EXPECT_TRUE(r.records.empty());
    EXPECT_NE(r.FailureText().find("Market"), std::string::npos) << r.FailureText();
  }
  {
    Recorder r(fields);
    r.refuse_record = 1;
    EXPECT_EQ(r.Process(file.path.c_str()), 0);
    EXPECT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.RecordCount(), 0);
  }
  // The limit is checked before a field is buffered, at exactly its size.
  EXPECT_EQ(read(fields, "ABCD|N|M|1|;;|||\r\n", 4).result, 1);
  EXPECT_EQ(read(fields, "ABCDE|N|M|1|;;|||\r\n", 4).failure, ReadFailure::kFieldTooLong);
  const std::string huge(Importer::kDefaultFieldLimit + 1, 'x');
  EXPECT_EQ(read(fields, "A|N|M|1|;;|" + huge + "||\r\n").failure, ReadFailure::kFieldTooLong);

  for (const char* empty : {"", "\r\n", "\r\n\r\n"}) {
    const Outcome run = read(fields, empty);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(run.records.empty());
    EXPECT_EQ(run.resets, 1);
  }
  Recorder r(fields);
  EXPECT_EQ(r.Process("/nonexistent/dlist/file.lis"), 0);
  EXPECT_EQ(r.Failure(), ReadFailure::kUnreadable);
}

TEST(ImporterReading, TheStartPointSkipsLinesAfterAnOffsetAndProgressIsReported) {
  FileImport fields = list_export_fields();
  const std::string header = "\x03header\r\n;\r\n\r\n";
  const std::string body = "A|N|M|1|;;|||\r\nB|N|M|2|;;|||\r\n";
  TempFile file(header + body);
  fields.SetStartPoint(3);
  Recorder r(fields);
  std::vector<dlist::ImportProgress> seen;
  r.SetProgressHook([&](const dlist::ImportProgress& p) { seen.push_back(p); });
  ASSERT_EQ(r.Process(file.path.c_str()), 1) << r.FailureText();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].records, 1);
  EXPECT_EQ(seen[1].bytes_read, header.size() + body.size());
  EXPECT_EQ(seen[1].bytes_total, static_cast<int64_t>(header.size() + body.size()));

  fields.SetStartPoint(1, static_cast<long>(header.size() + 15));  // skips record A by lines
  EXPECT_EQ(read(fields, header + body).records.size(), 0u) << "B's line is skipped as well";
  fields.SetStartPoint(0, static_cast<long>(header.size() + 15));
  EXPECT_EQ(read(fields, header + body).records.size(), 1u);
  fields.SetStartPoint(0, 1000);
  EXPECT_EQ(read(fields, header + body).failure, ReadFailure::kBadStart);
}

TEST(ImporterDelimitedText, TheColumnMapMapsColumnsToOfferedFields) {
  FileImport f;
  offer_fields(f);
  ASSERT_EQ(dlist::parse_column_map("delim=;,skip=1,cols=code,name,-,unit_price", f), "");
  EXPECT_EQ(f.Delimiter(), ';');
  EXPECT_EQ(f.GetStartRecord(), 1);
  const Outcome run = read(f,
                       "Code;Name;Unit;Price\r\n"
                       "A;Alpha;m;1.5\r\n"
                       ";;;\n"           // only delimiters: skipped
                       "B;Beta\n"        // short: the price is empty
                       "C;Gamma;x;7;extra;more");  // extra columns dropped, no line break
  ASSERT_EQ(run.result, 1);
  ASSERT_EQ(run.records.size(), 3u);
  EXPECT_EQ(run.records[0], (Record{{0, "A"}, {1, "Alpha"}, {14, "1.5"}}));
  EXPECT_EQ(run.records[1], (Record{{0, "B"}, {1, "Beta"}, {14, ""}}));
  EXPECT_EQ(run.records[2], (Record{{0, "C"}, {1, "Gamma"}, {14, "7"}}));

  ASSERT_EQ(dlist::parse_column_map("delim=,,cols=ref_unit,ref_factor,ref_unit,ref_factor", f), "");
  EXPECT_EQ(f.Delimiter(), ',');
  EXPECT_EQ(f.GetStartRecord(), 0);
  EXPECT_EQ(dlist::parse_column_map("delim=tab,cols=CODE", f), "");
  EXPECT_EQ(f.Delimiter(), '\t');

  const char* bad[] = {"cols=code,code",       "cols=code,dimension", "delim=;;,cols=code",
                       "skip=x,cols=code",     "skip=1",              "cols=-,-",
                       "colour=red,cols=code", "cols=code,,name"};
  for (const char* text : bad) {
    EXPECT_NE(dlist::parse_column_map(text, f), "") << text;
    EXPECT_EQ(f.Delimiter(), '\t') << text << " changed the list";
  }
}

class ImporterColumnDialog : public ::testing::Test {
 protected:
  void SetUp() override { dlist::reset_dialog_engine(); }
  void TearDown() override { dlist::reset_dialog_engine(); }
  dlist::ReportLogScope reports_;
};

TEST_F(ImporterColumnDialog, TheUserAssignsColumnsAndSkipsTheHeader) {
  using namespace dlist;
  TempFile file("Code;Name;Price\r\nA;Alpha;1.5\r\nB;Beta;2\r\n");
  FileImport f;
  offer_fields(f);
  ScriptedUser user;
  user.on(kColumnDialogContext)
      .observe([](void* dialog) {
        EXPECT_EQ(control_text(dialog, kColumnDelimiter), ";");  // guessed from the first line
        EXPECT_EQ(list_row_count(GetControlHWND(dialog, kColumnList)), 3);
        EXPECT_EQ(list_text(GetControlHWND(dialog, kColumnPreview), 1, 1), "A | Alpha | 1.5");
      })
      .type(kColumnSkip, "1")
      .select_row(kColumnList, 1)
      .choose_combo_text(kColumnField, "Material code")
      .select_row(kColumnList, 0)
      .choose_combo_text(kColumnField, "Material code")  // moves from column 2
      .select_row(kColumnList, 2)
      .choose_combo_text(kColumnField, "Unit price")
      .observe([](void* dialog) {
        void* list = GetControlHWND(dialog, kColumnList);
        EXPECT_EQ(list_text(list, 0, 1), "A");
        EXPECT_EQ(list_text(list, 1, 2), "(none)");
        EXPECT_EQ(list_text(list, 2, 2), "Unit price");
        EXPECT_EQ(list_text(GetControlHWND(dialog, kColumnPreview), 0, 0), "1 (header)");
      })
      .press(kIdAccept);
  DialogUserScope scope(user);
  ASSERT_EQ(f.CallDialog(nullptr, 16650, file.path.c_str()), 1);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_TRUE(dialog_log().refusals.empty());
  const Outcome run = read(f, "Code;Name;Price\r\nA;Alpha;1.5\r\nB;Beta;2\r\n");
  ASSERT_EQ(run.records.size(), 2u);
  EXPECT_EQ(run.records[1], (Record{{0, "B"}, {14, "2"}}));  // the name column is left out
}

TEST_F(ImporterColumnDialog, ConfirmingWithoutAColumnOrWithABadDelimiterIsRefused) {
  using namespace dlist;
  TempFile file("a\tb\n");
  FileImport f;
  offer_fields(f);
  ScriptedUser user;
  user.on(kColumnDialogContext)
      .press(kIdAccept)  // nothing assigned
      .choose_combo_text(kColumnField, "Name")
      .type(kColumnDelimiter, "ab")
      .press(kIdAccept)
      .observe([](void* dialog) { EXPECT_TRUE(control_marked(dialog, kColumnDelimiter)); })
      .press(kIdReject);
  DialogUserScope scope(user);
  EXPECT_EQ(f.CallDialog(nullptr, 16650, file.path.c_str()), 0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  ASSERT_EQ(dialog_log().warnings.size(), 2u);
  EXPECT_EQ(dialog_log().warnings[0].message, 50114);
  EXPECT_EQ(dialog_log().warnings[1].message, 50113);
  EXPECT_FALSE(f.FieldsDefined());
  EXPECT_EQ(buffer_accounting().purges, buffer_accounting().reservations);
  EXPECT_EQ(f.CallDialog(nullptr, 16650, "/nonexistent/dlist.txt"), 0);
}

}  // namespace
