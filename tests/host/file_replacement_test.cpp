// FileReplacement: a target that is a link, a file with its own permissions, and
// targets that are no regular files.
#include "host/file_replacement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fresh folder in the temporary folder, removed with its contents at the end.
struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("dlist_fr_" + std::to_string(std::random_device{}()))) {
    fs::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string get(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void replace(const fs::path& target, const std::string& bytes) {
  dlist::FileReplacement r(target.string());
  r.file().write(bytes.data(), static_cast<unsigned>(bytes.size()));
  r.commit();
}

}  // namespace

TEST(FileReplacement, ALinkStaysALinkAndTheFileKeepsItsPermissions) {
  TempDir dir;
  fs::create_directories(dir.path / "real");
  put(dir.path / "real" / "data.pal", "old");
  ::chmod((dir.path / "real" / "data.pal").c_str(), 0600);
  fs::create_symlink("real/data.pal", dir.path / "link.pal");

  replace(dir.path / "link.pal", "new");
  EXPECT_TRUE(fs::is_symlink(dir.path / "link.pal"));
  EXPECT_EQ(get(dir.path / "real" / "data.pal"), "new");
  struct stat st {};
  ASSERT_EQ(::stat((dir.path / "real" / "data.pal").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path / "real"), fs::directory_iterator{}), 1);

  // A link to a file not made yet makes it where the link points.
  fs::create_symlink("real/later.pal", dir.path / "later.pal");
  replace(dir.path / "later.pal", "first");
  EXPECT_TRUE(fs::is_symlink(dir.path / "later.pal"));
  EXPECT_EQ(get(dir.path / "real" / "later.pal"), "first");
}

TEST(FileReplacement, NoRegularFileIsReplaced) {
  TempDir dir;
  fs::create_directories(dir.path / "folder");
  ASSERT_EQ(::mkfifo((dir.path / "pipe").c_str(), 0600), 0);
  fs::create_symlink("pipe", dir.path / "to-pipe");
  fs::create_symlink("loop", dir.path / "loop");
  for (const char* name : {"folder", "pipe", "to-pipe", "loop"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(replace(dir.path / name, "x"), dlist::StreamError);
  }
  EXPECT_TRUE(fs::is_directory(dir.path / "folder"));
  EXPECT_TRUE(fs::is_fifo(dir.path / "pipe"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator{}), 4);
}
