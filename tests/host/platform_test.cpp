// The platform helpers: the temporary folder chosen from the environment and
// fresh temporary files. (The currency symbol is tested through GetCurrencySymbol.)
#include "host/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(Platform, TempDirectoryPrefersTmpThenTmpdir) {
  const char* old_tmp = std::getenv("TMP");
  const std::string saved_tmp = old_tmp != nullptr ? old_tmp : "";
  const char* old_tmpdir = std::getenv("TMPDIR");
  const std::string saved_tmpdir = old_tmpdir != nullptr ? old_tmpdir : "";

  ::setenv("TMP", "/from/tmp", 1);
  ::setenv("TMPDIR", "/from/tmpdir", 1);
  EXPECT_EQ(dlist::temp_directory(), fs::path("/from/tmp"));
  ::setenv("TMP", "", 1);
  EXPECT_EQ(dlist::temp_directory(), fs::path("/from/tmpdir"));
  ::unsetenv("TMP");
  ::unsetenv("TMPDIR");
  EXPECT_FALSE(dlist::temp_directory().empty());

  if (old_tmp != nullptr) ::setenv("TMP", saved_tmp.c_str(), 1);
  if (old_tmpdir != nullptr) ::setenv("TMPDIR", saved_tmpdir.c_str(), 1);
}

TEST(Platform, UniqueTempPathsAreFreshFilesInTheFolder) {
  const fs::path folder = fs::temp_directory_path();
  std::set<fs::path> made;
  for (int i = 0; i < 20; ++i) {
    const fs::path path = dlist::unique_temp_path(folder, "dlt");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.parent_path(), folder);
    EXPECT_EQ(path.filename().string().rfind("dlt", 0), 0u);
    EXPECT_TRUE(fs::is_regular_file(path));
    EXPECT_TRUE(made.insert(path).second);
  }
  for (const fs::path& path : made) fs::remove(path);
  EXPECT_TRUE(dlist::unique_temp_path(folder / "no such folder").empty());
  EXPECT_TRUE(dlist::unique_temp_path(folder, "../up").empty());
  EXPECT_TRUE(dlist::unique_temp_path(fs::path()).empty());
}

}  // namespace

namespace {

TEST(Platform, OpeningAFileForViewingIsRecordedNotStarted) {
  const std::filesystem::path folder = dlist::unique_temp_folder(std::filesystem::temp_directory_path(), "dlv");
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  const std::filesystem::path file = folder / "a b; rm -rf x.txt";
  { std::ofstream(file) << "x"; }
  {
    dlist::ProgramRecorder recorder;
    EXPECT_TRUE(dlist::open_file_for_viewing(file));
    EXPECT_FALSE(dlist::open_file_for_viewing(folder / "missing.txt"));
    ASSERT_EQ(recorder.calls().size(), 1u);
    // One argument for the whole path, whatever it holds: no shell sees it.
    ASSERT_EQ(recorder.calls()[0].size(), 2u);
    EXPECT_EQ(recorder.calls()[0][1], file.string());
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
