// Scratch folders: unique, filled only by plain names, never through a link, and
// removed without following a link out of the folder.
#include "host/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(ScratchFolder, PlainFileNames) {
  for (const char* good : {"A.SRF", "a b.bmp", "..x", "x.."})
    EXPECT_TRUE(dlist::is_plain_file_name(good)) << good;
  for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", "a\\b", "c:x", std::string("a\0b", 3),
                          std::string(256, 'x')})
    EXPECT_FALSE(dlist::is_plain_file_name(bad)) << bad;
  EXPECT_TRUE(dlist::is_plain_file_name(std::string(255, 'x')));
}

TEST(ScratchFolder, UniqueFoldersRemovedWithTheirFilesButNotWhatLinksReach) {
  const fs::path outside = fs::temp_directory_path() / "dlist_scratch_outside";
  fs::remove_all(outside);
  fs::create_directories(outside / "sub");
  std::ofstream(outside / "keep.txt") << "stay";
  std::ofstream(outside / "sub" / "deep.txt") << "stay";
  fs::path first;
  {
    dlist::ScratchFolder a;
    dlist::ScratchFolder b;
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(b.ok());
    EXPECT_NE(a.path(), b.path());
    first = a.path();
    dlist::ScratchFolder::File f = a.create("one.bmp");
    ASSERT_TRUE(f);
    EXPECT_TRUE(f.write("abc", 3));
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(a.create("one.bmp")) << "an existing file is never written over";
    EXPECT_FALSE(a.create("../escape.bmp"));
    fs::create_directory_symlink(outside, a.path() / "dir_link");
    fs::create_symlink(outside / "keep.txt", a.path() / "file_link");
    EXPECT_FALSE(a.create("file_link")) << "a link is never written through";
    fs::create_directories(a.path() / "nested");
    fs::create_symlink(outside / "sub", a.path() / "nested" / "link");
    EXPECT_EQ(a.files(), std::vector<std::string>{"one.bmp"});
  }
  EXPECT_FALSE(fs::exists(first));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
  EXPECT_TRUE(fs::exists(outside / "sub" / "deep.txt"));
  fs::remove_all(outside);
}

}  // namespace
