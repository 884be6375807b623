// The command's progress bar: throttled redraws, erasing, cutting and the stream
// that lets other output pass below it.
#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

namespace {

struct FakeClock {
  std::chrono::steady_clock::time_point now{};
  void advance(int ms) { now += std::chrono::milliseconds(ms); }
};

TEST(ProgressBar, RedrawsAtMostTenTimesASecondAndErasesAtClose) {
  FakeClock clock;
  std::ostringstream err;
  dlist::cli::ProgressBar bar(err, true, [&clock] { return clock.now; });
  bar.open("Importing", 4);
  EXPECT_EQ(bar.draws(), 1u);
  bar.step("one");
  clock.advance(50);
  bar.step("two");
  EXPECT_EQ(bar.draws(), 1u);  // within 100 ms of the last drawing
  clock.advance(50);
  bar.step("three\x1b[2J");
  EXPECT_EQ(bar.draws(), 2u);
  EXPECT_EQ(bar.line(), "Importing [###############-----] 3/4 three?[2J");
  bar.close();
  EXPECT_EQ(bar.line(), "");
  const std::string text = err.str();
  EXPECT_EQ(text.substr(text.size() - 4), "\r\x1b[K");  // erased at close
  EXPECT_EQ(text.find("\x1b[2J"), std::string::npos);   // control bytes never reach the terminal

  // Unknown total: a counter; long lines are cut without splitting a character.
  bar.open("Reading", 0);
  bar.step(std::string(68, 'x') + "\xc3\xa9yyyy");
  EXPECT_EQ(bar.line(), "Reading 1 " + std::string(68, 'x'));
  bar.close();
}

TEST(ProgressBar, DrawsNothingWhenOffAndStepsAsideForOtherOutput) {
  std::ostringstream quiet;
  dlist::cli::ProgressBar off(quiet, false);
  off.open("Importing", 3);
  off.step("one");
  off.close();
  EXPECT_EQ(quiet.str(), "");

  std::ostringstream err;
  dlist::cli::ProgressBar bar(err, true);
  dlist::cli::BelowProgress below(err, bar);
  bar.open("Importing", 0);
  below << "dlist: warning\n";
  below << "next\n";
  EXPECT_EQ(err.str(), "\rImporting 0\x1b[K\r\x1b[Kdlist: warning\nnext\n");
}

}  // namespace
