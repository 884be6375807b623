// Held file values: their layout checked before use, hostile names reduced to a
// plain file name, and their content written only into the folder given.
#include "attributes/held_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace dlist {
namespace {

namespace fs = std::filesystem;

TEST(HeldFile, ParsesOnlyValuesWhoseLengthMatches) {
  const std::string value = make_held_file("a.txt", "hello");
  const std::optional<HeldFile> held = parse_held_file(value);
  ASSERT_TRUE(held);
  EXPECT_EQ(held->name, "a.txt");
  EXPECT_EQ(held->content, "hello");
  EXPECT_FALSE(parse_held_file(value.substr(0, value.size() - 1)));  // a byte short
  EXPECT_FALSE(parse_held_file(value + "x"));                        // a byte over
  EXPECT_FALSE(parse_held_file("no zero"));
  EXPECT_FALSE(parse_held_file(std::string("a\0\1", 3)));  // no room for the length
}

TEST(HeldFile, NamesAreReducedToAPlainName) {
  EXPECT_EQ(plain_file_name("plan.pdf"), "plan.pdf");
  EXPECT_EQ(plain_file_name("../../etc/passwd"), "passwd");
  EXPECT_EQ(plain_file_name("C:\\Windows\\win.ini"), "win.ini");
  EXPECT_EQ(plain_file_name("C:evil"), "evil");
  EXPECT_FALSE(plain_file_name(""));
  EXPECT_FALSE(plain_file_name(".."));
  EXPECT_FALSE(plain_file_name("dir/.."));
  EXPECT_FALSE(plain_file_name("dir/"));
  EXPECT_FALSE(plain_file_name("."));
}

TEST(HeldFile, ComparesByLengthFirst) {
  const std::string held = make_held_file("a", "12");
  EXPECT_TRUE(same_held_value(held, held));
  EXPECT_FALSE(same_held_value(held.substr(0, 3), held));
  EXPECT_FALSE(same_held_value(held, make_held_file("a", "123")));
}

class HeldFileWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("dlist_held_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "into");
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(HeldFileWrite, HostileNamesLandInTheFolderOrNowhere) {
  std::string error;
  for (const char* name : {"../escape.txt", "/abs/escape.txt", "..\\escape.txt"}) {
    const auto written = write_held_file(make_held_file(name, "x"), root_ / "into", &error);
    ASSERT_TRUE(written) << name << ": " << error;
    EXPECT_EQ(written->parent_path(), root_ / "into") << name;
  }
  EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
  for (const char* name : {"..", "a/..", "dir/"})
    EXPECT_FALSE(write_held_file(make_held_file(name, "x"), root_ / "into", &error)) << name;
  // A link in the folder is not written through.
  fs::create_symlink(root_ / "target.txt", root_ / "into" / "link.txt");
  EXPECT_FALSE(write_held_file(make_held_file("link.txt", "x"), root_ / "into", &error));
  EXPECT_FALSE(fs::exists(root_ / "target.txt"));
}

TEST_F(HeldFileWrite, HoldsAFileAndWritesItBack) {
  { std::ofstream(root_ / "doc.bin", std::ios::binary) << std::string("a\0b", 3); }
  std::string error;
  const auto held = hold_file(root_ / "doc.bin", kMaxHeldFile, &error);
  ASSERT_TRUE(held) << error;
  EXPECT_EQ(*held, make_held_file("doc.bin", std::string("a\0b", 3)));
  EXPECT_FALSE(hold_file(root_ / "doc.bin", 2, &error));  // over the cap
  const auto written = write_held_file(*held, root_ / "into", &error);
  ASSERT_TRUE(written) << error;
  std::ifstream in(*written, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("a\0b", 3));
}

}  // namespace
}  // namespace dlist
