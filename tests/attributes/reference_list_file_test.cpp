// Reference list files: the bytes the writer makes, a round trip of values that
// span lines, and every refusal of the reader on a damaged file.
#include "attributes/reference_list_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace dlist {
namespace {

using Entries = std::vector<ReferenceListEntry>;

TEST(ReferenceListFile, WritesTheDigitThenEachNameAndValue) {
  std::string bytes;
  std::string error;
  ASSERT_TRUE(write_reference_list(1, {{"A", "x"}, {"B", "two\r\nlines"}}, &bytes, &error))
      << error;
  EXPECT_EQ(bytes,
            "1"                         // the kind
            "A\r\nx\r\n"                // the first reference, directly after the digit
            "#B\r\ntwo\r\nlines\r\n");  // a further one after "#"
}

TEST(ReferenceListFile, ReadsBackWhatItWrote) {
  const Entries entries = {
      {"empty", ""}, {"lines", "a\r\nb\r\n"}, {"hash", "#first\r\nx#y"}, {"sixteen_chars_ok", "v"}};
  std::string bytes;
  std::string error;
  ASSERT_TRUE(write_reference_list(0, entries, &bytes, &error)) << error;
  const ReferenceListRead read = read_reference_list(bytes, 0);
  ASSERT_TRUE(read.ok()) << read.message;
  ASSERT_EQ(read.entries.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(read.entries[i].name, entries[i].name);
    EXPECT_EQ(read.entries[i].value, entries[i].value);
  }
  // A kind digit alone is an empty list.
  EXPECT_TRUE(read_reference_list("2", 2).ok());
}

TEST(ReferenceListFile, RefusesWhatWouldNotReadBack) {
  std::string bytes;
  std::string error;
  EXPECT_FALSE(write_reference_list(1, {{"A", "x\r\n#B"}}, &bytes, &error));
  EXPECT_FALSE(write_reference_list(1, {{"seventeen_chars_x", "x"}}, &bytes, &error));
  EXPECT_FALSE(write_reference_list(1, {{"A", "x"}, {"A", "y"}}, &bytes, &error));
  EXPECT_FALSE(write_reference_list(1, {{"A\r", "x"}}, &bytes, &error));
  EXPECT_FALSE(write_reference_list(0, {{"A", std::string(4096, '1')}}, &bytes, &error));
}

TEST(ReferenceListFile, RefusesDamagedFiles) {
  using Fault = ReferenceListRead::Fault;
  struct Case {
    const char* what;
    std::string bytes;
    int kind;
    Fault fault;
    std::size_t offset;
  };
  const std::vector<Case> cases = {
      {"empty file", "", 1, Fault::kEmpty, 0},
      {"another kind", "1A\r\nx\r\n", 0, Fault::kWrongKind, 0},
      {"name of 17 characters", "1seventeen_chars_x\r\nv\r\n", 1, Fault::kDamaged, 1},
      {"name without line end", "1abc", 1, Fault::kDamaged, 1},
      {"empty name", "1\r\nv\r\n", 1, Fault::kDamaged, 1},
      {"ends inside a value", "1A\r\nvalue", 1, Fault::kDamaged, 4},
      {"ends inside a value after a line", "1A\r\nv\r\nw", 1, Fault::kDamaged, 4},
      {"name taken", "1A\r\nx\r\n#A\r\ny\r\n", 1, Fault::kDamaged, 8},
      {"zero byte in a value", std::string("1A\r\nx\0y\r\n", 9), 1, Fault::kDamaged, 4},
      {"formula too long", "0A\r\n" + std::string(4096, '1') + "\r\n", 0, Fault::kDamaged, 4},
  };
  for (const Case& c : cases) {
    const ReferenceListRead read = read_reference_list(c.bytes, c.kind);
    EXPECT_EQ(read.fault, c.fault) << c.what;
    EXPECT_EQ(read.offset, c.offset) << c.what << ": " << read.message;
    EXPECT_TRUE(read.entries.empty()) << c.what;
  }
}

TEST(ReferenceListFile, SavesThroughATemporaryFileAndLoads) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "dlist_reflist_test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "refs.txt").string();
  ASSERT_TRUE(save_reference_list_file(path, "1A\r\nx\r\n", nullptr));
  ReferenceListRead read;
  ASSERT_TRUE(load_reference_list_file(path, 1, &read)) << read.message;
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries[0].value, "x");
  EXPECT_FALSE(load_reference_list_file((dir / "missing.txt").string(), 1, &read));
  // Only the file itself is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace dlist
