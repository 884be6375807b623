// The attribute file's reader without a project: what it hands on for a good file,
// the dump's listing of it, and a table of damaged files, each refused at the
// record at fault.

#include "attributes/attribute_file.h"

#include <gtest/gtest.h>

#include "attributes/attribute_dump.h"
#include "tests/attributes/attribute_file_support.h"

namespace {

using namespace attribute_test;
using dlist::AttributeFileFault;
using dlist::AttributeFileReader;
using dlist::AttributeRecordHeader;

// Records what the reader hands on, one line each.
class Recorder : public dlist::AttributeRecordHandler {
 public:
  void group(const AttributeRecordHeader& h, uint64_t at, const DBATTRIBUTENODETYPE& n) override {
    lines.push_back("group " + std::string(n.name) + " " + std::to_string(h.parent) + " @" +
                    std::to_string(at));
  }
  void attribute(const AttributeRecordHeader& s, uint64_t, const AttributeRecordHeader& d, uint64_t,
                 const DBATTRIBUTETYPE& def) override {
    lines.push_back("attribute " + std::string(def.abbrev) + " " + std::to_string(s.parent) + " " +
                    std::to_string(d.id));
  }
  void reference(const AttributeRecordHeader& k, uint64_t, const char* name, uint8_t flags,
                 uint64_t, std::span<const unsigned char> v) override {
    lines.push_back("reference " + std::string(name) + " " + std::to_string(k.parent) + " " +
                    std::to_string(flags) + " " + std::to_string(v.size()));
  }
  void end(uint64_t) override { lines.push_back("end"); }
  std::vector<std::string> lines;
};

AtrBuilder good_file() {
  return AtrBuilder()
      .start()
      .group("Doors", 0, 10)
      .attribute(definition("FIRE", "Fire rating", DBATTRIBUTETYPE::kText), 10, 11, 12)
      .text_ref("EI30", "EI 30", 12, 13)
      .text_ref("Usual", "EI30", 12, 14, dlist::kRefIndirect)
      .attribute(definition("SHEET", "Sheet", DBATTRIBUTETYPE::kFile), 10, 15, 16)
      .reference("plan", dlist::kRefHeld, 16, 17, AtrBuilder::embedded("plan.txt", "abc"))
      .end();
}

TEST(AttributeFileTest, GoodFileIsHandedOnRecordByRecord) {
  const AtrBuilder f = good_file();
  AttributeFileReader reader(f.bytes());
  Recorder r;
  reader.read(r);
  const std::vector<std::string> expected = {"group Doors 0 @20",
                                             "attribute FIRE 10 12",
                                             "reference EI30 12 0 6",
                                             "reference Usual 12 2 5",
                                             "attribute SHEET 10 16",
                                             "reference plan 16 1 16",
                                             "end"};
  EXPECT_EQ(r.lines, expected);
  EXPECT_EQ(reader.left(), 0u);

  const dlist::AttributeDump dump =
      dlist::decode_attribute_bytes(f.bytes().data(), f.bytes().size());
  ASSERT_TRUE(dump.ok()) << dump.error;
  ASSERT_EQ(dump.records.size(), 13u);
  EXPECT_EQ(dump.records[1].name, "group node");
  EXPECT_EQ(dump.records[1].fields[1].text, "Doors");
  EXPECT_EQ(dump.records[11].fields[0].text, "plan.txt");
  EXPECT_EQ(dump.records[11].fields[1].integer, 3);
  EXPECT_TRUE(dump.ended);
}

TEST(AttributeFileTest, DamagedFilesAreRefusedAtTheRecordAtFault) {
  const DBATTRIBUTETYPE text = definition("A", "Alpha");
  auto with_def = [&](const DBATTRIBUTETYPE& d) {
    return AtrBuilder().start().attribute(d, 0, 1, 2);
  };
  DBATTRIBUTETYPE no_kind = text;
  no_kind.flags = 3;
  DBATTRIBUTETYPE two_kinds = text;
  two_kinds.flags |= DBATTRIBUTETYPE::kFile;
  DBATTRIBUTETYPE long_abbrev = text;
  std::memset(long_abbrev.abbrev, 'X', sizeof long_abbrev.abbrev);
  DBATTRIBUTETYPE long_unit = text;
  std::memset(long_unit.unit, 'm', sizeof long_unit.unit);

  const DBATTRIBUTETYPE file = definition("F", "File", DBATTRIBUTETYPE::kFile);
  Bytes long_group(34, 'G');
  long_group[0] = 0;
  long_group[1] = 0;
  Bytes bad_length = AtrBuilder::embedded("a.txt", "abcd");
  bad_length[6] = 9;

  struct Case {
    const char* what;
    AtrBuilder file;
    uint64_t offset;
    const char* message;
  };
  const Case cases[] = {
      {"empty file", AtrBuilder(), 0, "record header"},
      {"no start", AtrBuilder().end(), 0, "does not open with a file start"},
      {"start with id", AtrBuilder().record(0, 0, 0, 5).end(), 0, "gives id 5"},
      {"start with payload", AtrBuilder().record(0, 0, 0, 0, Bytes(3)).end(), 0,
       "gives length 3, not 0"},
      {"no end", AtrBuilder().start(), 20, "record header"},
      {"unknown type", AtrBuilder().start().record(0, 9, 0, 0).end(), 20, "does not stand here"},
      {"stray definition", AtrBuilder().start().record(0, 3, 0, 1, AtrBuilder::image(text)).end(),
       20, "does not stand here"},
      {"end with payload", AtrBuilder().start().record(0, 6, 0, 0, Bytes(1)), 20,
       "gives length 1, not 0"},
      {"group short", AtrBuilder().start().record(0, 1, 0, 1, Bytes(33)).end(), 20,
       "gives length 33, not 34"},
      {"group beyond the file", AtrBuilder().start().header(0, 1, 34, 0, 1), 20,
       "34, 0 bytes are left"},
      {"group name unterminated", AtrBuilder().start().record(0, 1, 0, 1, long_group).end(), 20,
       "name does not end inside"},
      {"group of unknown parent", AtrBuilder().start().group("G", 7, 1).end(), 20,
       "no group with id 7"},
      {"attribute with payload", AtrBuilder().start().record(0, 2, 0, 1, Bytes(1)).end(), 20,
       "gives length 1, not 0"},
      {"attribute without definition", AtrBuilder().start().record(0, 2, 0, 1).end(), 40,
       "must follow the attribute start"},
      {"definition short",
       AtrBuilder().start().record(0, 2, 0, 1).record(0, 3, 1, 2, Bytes(151)).end(), 40,
       "gives length 151, not 152"},
      {"definition of another attribute",
       AtrBuilder().start().record(0, 2, 0, 1).record(0, 3, 9, 2, AtrBuilder::image(text)).end(),
       40, "gives parent 9"},
      {"abbreviation unterminated", with_def(long_abbrev).end(), 40, "abbreviation does not end"},
      {"unit unterminated", with_def(long_unit).end(), 40, "unit does not end"},
      {"no kind", with_def(no_kind).end(), 40, "exactly one kind"},
      {"two kinds", with_def(two_kinds).end(), 40, "exactly one kind"},
      {"key of unknown definition", with_def(text).text_ref("r", "v", 5, 3).end(), 212,
       "no attribute definition with id 5"},
      {"key short", with_def(text).record(0, 4, 2, 3, Bytes(17)).end(), 212,
       "gives length 17, not 18"},
      {"key without value",
       with_def(text)
           .record(0, 4, 2, 3, Bytes{'r', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
           .end(),
       250, "must follow the reference key"},
      {"value with id",
       with_def(text)
           .record(0, 4, 2, 3, Bytes{'r', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
           .record(0, 5, 0, 4, Bytes{'v', 0})
           .end(),
       250, "gives id 4"},
      {"value beyond the file",
       with_def(text)
           .record(0, 4, 2, 3, Bytes{'r', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
           .header(0, 5, 100, 0, 0),
       250, "100, 0 bytes are left"},
      {"value above the cap",
       with_def(text)
           .record(0, 4, 2, 3, Bytes{'r', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
           .header(0, 5, 0x7FFFFFFF, 0, 0),
       250, "more than"},
      {"text without zero", with_def(text).reference("r", 0, 2, 3, Bytes{'v'}).end(), 250,
       "its only zero"},
      {"text with two zeros", with_def(text).reference("r", 0, 2, 3, Bytes{'v', 0, 'w', 0}).end(),
       250, "its only zero"},
      {"empty text", with_def(text).reference("r", 0, 2, 3, Bytes{}).end(), 250, "its only zero"},
      {"file name unterminated", with_def(file).reference("r", 1, 2, 3, Bytes{'a', 'b'}).end(), 250,
       "name does not end inside"},
      {"file length cut", with_def(file).reference("r", 1, 2, 3, Bytes{'a', 0, 1, 0}).end(), 250,
       "cut short"},
      {"file length wrong", with_def(file).reference("r", 1, 2, 3, bad_length).end(), 250,
       "gives length 9, but 4 bytes follow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AttributeFileReader reader(c.file.bytes());
    dlist::AttributeRecordHandler nothing;
    try {
      reader.read(nothing);
      ADD_FAILURE() << "read through";
    } catch (const AttributeFileFault& f) {
      EXPECT_EQ(f.offset, c.offset) << f.what;
      EXPECT_NE(f.what.find(c.message), std::string::npos) << f.what;
      EXPECT_NE(f.describe().find("at offset " + std::to_string(c.offset)), std::string::npos)
          << f.describe();
    }
    const auto dump = dlist::decode_attribute_bytes(c.file.bytes().data(), c.file.bytes().size());
    EXPECT_FALSE(dump.ok());
    EXPECT_EQ(dump.error_offset, c.offset);
  }
}

}  // namespace
