// The location file built byte by byte and read back into projects in memory:
// what an export writes, what an import makes, the refused records with their
// offsets, and the full replacement that a bad file leaves undone.
#include "locations/location_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "host/model/location_store.h"
#include "host/report.h"
#include "tests/host/model/model_test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

void put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A location file assembled record by record.
struct LocFile {
  Bytes bytes;
  explicit LocFile(const std::string& description = "") {
    put32(bytes, static_cast<uint32_t>(description.size()));
    bytes.insert(bytes.end(), description.begin(), description.end());
  }
  LocFile& record(int32_t parent, int32_t id, int32_t key, const std::string& name,
                  const std::string& text = "") {
    put32(bytes, static_cast<uint32_t>(parent));
    put32(bytes, static_cast<uint32_t>(id));
    put32(bytes, static_cast<uint32_t>(key));
    Bytes field(80, 0);
    std::copy(name.begin(), name.begin() + std::min<std::size_t>(name.size(), 80), field.begin());
    bytes.insert(bytes.end(), field.begin(), field.end());
    put32(bytes, text.empty() ? 0 : static_cast<uint32_t>(text.size() + 1));
    if (!text.empty()) {
      bytes.insert(bytes.end(), text.begin(), text.end());
      bytes.push_back(0);
    }
    return *this;
  }
  LocFile& end() {
    bytes.insert(bytes.end(), 12, 0);
    return *this;
  }
};

long add(long parent, const char* name, int32_t key = 0, const char* text = "") {
  DBLOCATIONTYPE l;
  l.key = key;
  l.set_name(name);
  if (text[0]) l.text.put(text);
  return LOCALIZATION().cre_location(parent, &l, 1);
}

// The tree below parent: "name#key[text]{children}" in order.
std::string tree(long parent = 0) {
  std::string out;
  LOCALIZATION loc;
  if (loc.rew_location(parent) < 1) return out;
  std::vector<std::pair<long, DBLOCATIONTYPE>> kids;
  DBLOCATIONTYPE l;
  for (long id; (id = loc.get_location(&l)) > 0;) kids.emplace_back(id, l);
  for (const auto& [id, k] : kids) {
    out += std::string(k.name) + "#" + std::to_string(k.key);
    if (!k.text.empty()) out += "[" + std::string(k.text.get()) + "]";
    const std::string sub = tree(id);
    if (!sub.empty()) out += "{" + sub + "}";
    out += " ";
  }
  return out;
}

class LocationFileTest : public dlist::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    dir_ = fs::temp_directory_path() / ("dlist_loc_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ModelTest::TearDown();
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  Bytes read(const char* name) const {
    std::ifstream in(path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  int export_to(long id, const char* description = "desc") {
    std::string p = path("out.loc");
    std::string d = description;
    return LocationExport(nullptr, id, p.data(), d.data());
  }
  int import(const LocFile& f, long target) {
    std::ofstream(path("in.loc"), std::ios::binary)
        .write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
    std::string p = path("in.loc");
    return LocationImport(nullptr, target, p.data());
  }
  bool diagnosed(const std::string& part) const {
    for (const auto& e : reports_.entries())
      if (e.kind == dlist::ReportKind::diagnostic && e.text.find(part) != std::string::npos) return true;
    return false;
  }

  fs::path dir_;
  dlist::ReportLogScope reports_;
};

TEST_F(LocationFileTest, ExportWritesDescriptionRecordsAndTheClosingZeros) {
  const long a = add(0, "Alone", 3, "note");
  EXPECT_EQ(export_to(a), 1);
  EXPECT_EQ(read("out.loc"), LocFile("desc").record(0, static_cast<int32_t>(a), 3, "Alone", "note").end().bytes);

  // Children in database order, then each child's subtree, the last child first.
  const long b = add(0, "B", 10);
  const long b1 = add(b, "b1", 11);
  const long b2 = add(b, "b2", 12);
  const long b11 = add(b1, "b11", 13);
  const long b21 = add(b2, "b21", 14);
  auto i = [](long v) { return static_cast<int32_t>(v); };
  EXPECT_EQ(export_to(0, ""), 1);
  EXPECT_EQ(read("out.loc"), LocFile()
                                 .record(0, i(a), 3, "Alone", "note")
                                 .record(0, i(b), 10, "B")
                                 .record(i(b), i(b1), 11, "b1")
                                 .record(i(b), i(b2), 12, "b2")
                                 .record(i(b2), i(b21), 14, "b21")
                                 .record(i(b1), i(b11), 13, "b11")
                                 .end()
                                 .bytes);
  EXPECT_EQ(export_to(999), 0);
}

TEST_F(LocationFileTest, ImportUnderALocationGivesFreshKeysWhereTaken) {
  const long home = add(0, "Home", 1);
  LocFile f;
  f.record(0, 50, 1, "Site", "with text").record(50, 51, 2, "Hall").record(51, 52, 0, "Room", "").end();
  EXPECT_EQ(import(f, home), 1);
  EXPECT_EQ(tree(), "Home#1{Site#2[with text]{Hall#3{Room#4 } } } ");
  // Ending right after the description: nothing, and success.
  EXPECT_EQ(import(LocFile(), home), 1);
  // Fewer than 96 bytes left also ends it.
  LocFile partial;
  partial.bytes.insert(partial.bytes.end(), 40, 7);
  EXPECT_EQ(import(partial, home), 1);
  EXPECT_EQ(tree(), "Home#1{Site#2[with text]{Hall#3{Room#4 } } } ");
}

TEST_F(LocationFileTest, RefusedRecordsNameTheirOffsetAndKeepWhatCameBefore) {
  const long home = add(0, "Home", 1);
  const std::size_t second = LocFile().bytes.size() + 96;
  // A record whose parent was not read before.
  EXPECT_EQ(import(LocFile().record(0, 5, 7, "First").record(9, 6, 8, "Orphan").end(), home), 0);
  EXPECT_TRUE(diagnosed("parent 9 is not a location read before at offset " + std::to_string(second)));
  EXPECT_EQ(tree(home), "First#7 ");

  // A name without a terminator in its 80 bytes; an identifier read twice; id 0.
  EXPECT_EQ(import(LocFile().record(0, 5, 0, std::string(80, 'n')).end(), home), 0);
  EXPECT_TRUE(diagnosed("no terminator in its 80 bytes at offset 4"));
  EXPECT_EQ(import(LocFile().record(0, 5, 0, "x").record(0, 5, 0, "y").end(), home), 0);
  EXPECT_TRUE(diagnosed("identifier 5 was read before at offset " + std::to_string(second)));
  EXPECT_EQ(import(LocFile().record(0, 0, 0, "zero", "t").end(), home), 0);
  EXPECT_TRUE(diagnosed("identifier is 0 at offset 4"));

  // A text length beyond the bytes left, and beyond 32,000.
  LocFile shortText;
  shortText.record(0, 5, 0, "t");
  shortText.bytes[4 + 92] = 50;  // 50 bytes of text, none there
  EXPECT_EQ(import(shortText, home), 0);
  EXPECT_TRUE(diagnosed("beyond the 0 bytes left at offset 4"));
  LocFile longText;
  longText.record(0, 5, 0, "t", std::string(32000, 'a')).end();
  EXPECT_EQ(import(longText, home), 0);
  EXPECT_TRUE(diagnosed("beyond 32000 at offset 4"));
}

TEST_F(LocationFileTest, FullReplacementKeepsKeysAndIsUndoneByABadFile) {
  add(add(0, "Old", 1), "Older", 2);
  const std::string before = tree();
  // A damaged file: the purge and what was created are taken back.
  EXPECT_EQ(import(LocFile().record(0, 5, 9, "New").record(77, 6, 0, "Lost").end(), -1), 0);
  EXPECT_EQ(tree(), before);
  // A key twice in the file fails a full replacement too.
  EXPECT_EQ(import(LocFile().record(0, 5, 9, "A").record(0, 6, 9, "B").end(), -1), 0);
  EXPECT_EQ(tree(), before);
  // A good file takes the place of every location, its keys (0 too) kept; a text
  // after an empty one stays apart.
  EXPECT_EQ(import(LocFile().record(0, 5, 1, "A", "ta").record(5, 6, 0, "B").record(5, 7, 2, "C", "tc").end(), -1), 1);
  EXPECT_EQ(tree(), "A#1[ta]{B#0 C#2[tc] } ");
}

TEST_F(LocationFileTest, ARefusedReplacementKeepsWhatTheCallersTransactionDidBefore) {
  ASSERT_NE(db_.write_lock(), 0);
  add(0, "Made before", 1);
  EXPECT_EQ(import(LocFile().record(0, 5, 9, "New").record(77, 6, 0, "Lost").end(), -1), 0);
  EXPECT_NE(db_.write_unlock(), 0);
  EXPECT_EQ(tree(), "Made before#1 ");
}

TEST_F(LocationFileTest, RoundTripOfANestedTree) {
  const long a = add(0, "A", 0, "top");
  add(add(a, "A1"), "A11", 0, "deep");
  add(a, "A2");
  add(0, "B");
  const std::string before = tree();
  ASSERT_EQ(export_to(0), 1);
  std::string p = path("out.loc");
  ASSERT_EQ(LocationImport(nullptr, -1, p.data()), 1);
  EXPECT_EQ(tree(), before);
}

}  // namespace
