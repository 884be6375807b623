// FileHandle: opening failures, exact reads, remaining(), append and update modes,
// and closing.
#include "stream/file_handle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "tests/stream/temp_path.h"

using stream_test::TempPath;

TEST(FileHandle, OpenFailuresThrowNamingTheFile) {
  TempPath missing("missing");
  try {
    FileHandle f(missing.path.c_str(), "rb");
    FAIL() << "opened a missing file";
  } catch (const dlist::StreamError& e) {
    EXPECT_NE(std::string(e.what()).find(missing.path), std::string::npos) << e.what();
  }
  EXPECT_THROW(FileHandle(missing.path.c_str(), "rt"), dlist::StreamError);
  EXPECT_THROW(FileHandle("", "wb"), dlist::StreamError);
}

TEST(FileHandle, ReadsExactlyOrThrows) {
  TempPath p("read");
  {
    FileHandle w(p.path.c_str(), "wb");
    w.write("abcdef", 6);
    EXPECT_EQ(w.tell(), 6u);
    w.close();
    EXPECT_FALSE(w.is_open());
    EXPECT_THROW(w.write("x", 1), dlist::StreamError);
  }
  FileHandle r(p.path.c_str(), "rb");
  EXPECT_EQ(r.remaining(), 6u);
  char buf[8] = {};
  r.read(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "abcd");
  EXPECT_EQ(r.remaining(), 2u);
  EXPECT_THROW(r.read(buf, 3), dlist::StreamError);  // only 2 left
  EXPECT_EQ(r.remaining(), 2u);                      // refused before reading
  r.read(buf, 2);
  EXPECT_EQ(r.remaining(), 0u);
  EXPECT_THROW(r.write("x", 1), dlist::StreamError);  // read-only
}

TEST(FileHandle, AppendAndUpdate) {
  TempPath p("update");
  { FileHandle(p.path.c_str(), "wb").write("12", 2); }
  {
    FileHandle a(p.path.c_str(), "ab");
    EXPECT_EQ(a.tell(), 2u);
    a.write("34", 2);
  }
  FileHandle u(p.path.c_str(), "r+b");
  EXPECT_EQ(u.remaining(), 4u);
  char c[2];
  u.read(c, 1);
  u.write("X", 1);  // switching direction in the middle of the file
  u.read(c, 2);
  EXPECT_EQ(std::string(c, 2), "34");
  u.close();
  FileHandle r(p.path.c_str(), "rb");
  char all[4];
  r.read(all, 4);
  EXPECT_EQ(std::string(all, 4), "1X34");
}
