// The settings store: escaping, file round trips and atomic rewrites, refusal of
// bad files, memory stores and defaults.
#include "host/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "host/report.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder in the temporary folder, removed with everything in it.
struct TempDir {
  TempDir()
      : path(fs::temp_directory_path() /
             ("dlist_settings_" + std::to_string(std::random_device{}()))) {
    fs::remove_all(path);
  }
  ~TempDir() { fs::remove_all(path); }
  fs::path path;
};

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

TEST(SettingsEscape, RoundTripsEveryByteAndRefusesMalformedEscapes) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (const std::string& value : {std::string("C:\\a\\b\r\nline 2\n"), all, std::string()}) {
    std::string escaped = dlist::escape_setting_value(value);
    EXPECT_EQ(escaped.find('\n'), std::string::npos);
    EXPECT_EQ(escaped.find('\r'), std::string::npos);
    EXPECT_EQ(dlist::unescape_setting_value(escaped), value);
  }
  for (const char* bad : {"\\", "a\\q", "\\x4", "\\xZZ", "\\x"}) {
    EXPECT_FALSE(dlist::unescape_setting_value(bad)) << bad;
  }
}

TEST(SettingsFile, RoundTripsThroughTheFileAndLeavesNoTemporaryFile) {
  TempDir dir;
  fs::path file = dir.path / "nested" / "settings";
  {
    dlist::ScopedSettings scope(file);
    EXPECT_EQ(dlist::settings_file(), file);
    EXPECT_EQ(R_Set_STRING(141, "first line\nsecond = line\\end"), 1);
    EXPECT_EQ(R_Set_BOOL(247, 0), 1);
    EXPECT_EQ(R_Set_STRING(274, "/tmp/palettes"), 1);
    EXPECT_EQ(R_Set_STRING(274, "/tmp/prototypes"), 1);  // rewritten whole
  }
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);

  dlist::ScopedSettings again(file);  // a new store reads the file afresh
  char buffer[64];
  EXPECT_EQ(R_Get_STRING(141, buffer, sizeof buffer), 28);
  EXPECT_STREQ(buffer, "first line\nsecond = line\\end");
  EXPECT_EQ(R_Get_BOOL(247), 0);
  EXPECT_EQ(dlist::get_setting("274"), "/tmp/prototypes");
  EXPECT_EQ(R_Get_STRING(141, buffer, 6), 5);
  EXPECT_STREQ(buffer, "first");
  EXPECT_EQ(R_Get_STRING(999, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(SettingsFile, SkipsMalformedLinesAndNeverOverwritesAnUnreadableFile) {
  TempDir dir;
  fs::create_directories(dir.path);
  fs::path file = dir.path / "settings";
  std::ofstream(file, std::ios::binary) << "# comment\n142=Doors\r\nno equals sign\nbad key!=1\n"
                                           "265=broken\\q\n\n244=1\n";
  {
    dlist::ReportLogScope log;
    dlist::ScopedSettings scope(file);
    EXPECT_EQ(dlist::get_setting("142"), "Doors");
    EXPECT_EQ(R_Get_BOOL(244), 1);
    EXPECT_FALSE(dlist::get_setting("265"));
    EXPECT_EQ(log.entries().size(), 3u);  // one diagnostic per skipped line
  }

  fs::path big = dir.path / "big";
  std::string content(1u << 20, '#');
  content += "\n141=x\n";
  std::ofstream(big, std::ios::binary) << content;
  dlist::ReportLogScope log;
  dlist::ScopedSettings scope(big);
  EXPECT_EQ(R_Set_STRING(141, "new"), 0);  // kept in memory, reported as not stored
  EXPECT_EQ(dlist::get_setting("141"), "new");
  EXPECT_EQ(read_file(big), content);
  EXPECT_EQ(log.entries().size(), 1u);
}

TEST(SettingsMemory, StoresAreIsolatedAndGiveTheDefaults) {
  dlist::ScopedSettings outer;
  EXPECT_FALSE(dlist::settings_file());
  EXPECT_EQ(R_Get_BOOL(247), 1);
  EXPECT_EQ(R_Get_BOOL(244), 0);
  EXPECT_EQ(GetMeterInch(), 0);
  EXPECT_EQ(GetWinIniDecPoint(), '.');
  EXPECT_FALSE(dlist::set_setting("bad key", "x"));
  EXPECT_FALSE(dlist::set_setting("141", std::string(dlist::kMaxSettingValue + 1, 'a')));

  EXPECT_TRUE(dlist::set_setting(dlist::kMeterInchKey, "5"));
  EXPECT_TRUE(dlist::set_setting(dlist::kDecimalPointKey, ","));
  EXPECT_TRUE(dlist::set_setting("247", "maybe"));
  EXPECT_EQ(GetMeterInch(), 5);
  EXPECT_EQ(GetWinIniDecPoint(), ',');
  EXPECT_EQ(R_Get_BOOL(247), 1);  // not a flag: the default
  {
    dlist::ScopedSettings inner;
    EXPECT_EQ(GetMeterInch(), 0);
    EXPECT_TRUE(dlist::set_setting(dlist::kMeterInchKey, "x"));
    EXPECT_EQ(GetMeterInch(), 0);
    EXPECT_TRUE(dlist::set_setting(dlist::kDecimalPointKey, ""));
    EXPECT_EQ(GetWinIniDecPoint(), '.');
  }
  EXPECT_EQ(GetMeterInch(), 5);
  EXPECT_TRUE(dlist::erase_setting(dlist::kMeterInchKey));
  EXPECT_EQ(GetMeterInch(), 0);
}

#if !defined(_WIN32)
TEST(SettingsPath, FollowsTheConfigFolderRules) {
  auto saved = [](const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  auto restore = [](const char* name, const std::optional<std::string>& value) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  };
  auto xdg = saved("XDG_CONFIG_HOME");
  auto home = saved("HOME");

  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(dlist::default_settings_path(), fs::path("/cfg/dlist/settings"));
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(dlist::default_settings_path(), fs::path("/home/u/.config/dlist/settings"));
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  EXPECT_FALSE(dlist::default_settings_path());

  restore("XDG_CONFIG_HOME", xdg);
  restore("HOME", home);
}
#endif
