// The run of a command body: the console user's answers, the report log printed
// on stderr, and a body that throws.

#include "cli/project.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "host/dialog/engine.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/report.h"

namespace {

using dlist::cli::Context;
using dlist::cli::Output;

// Runs a body that beeps, asks one question and may throw, under the options and
// the terminal's answer; what the question got and what stderr says.
struct Asked {
  int answer = 0;
  std::string err;
};
Asked ask(bool yes, bool no, bool terminal, const std::string& typed, bool throws = false) {
  dlist::reset_dialog_engine();
  dlist::ReportLogScope reports;
  std::istringstream in(typed);
  std::ostringstream out;
  std::ostringstream err;
  dlist::cli::Console console{in, out, err, terminal};
  Context context(console);
  context.options.project = ":memory:";
  context.options.yes = yes;
  context.options.no = no;
  Asked asked;
  const int status =
      dlist::cli::run_in_project(context, "ask", true, [&](dlist::ModelDatabase& db, Output&) {
        EXPECT_EQ(dlist::active_model(), &db);
        SpecBeep(1, dlist::units::kDpalman, 12);
        asked.answer = MessageBoxA(nullptr, "Move?", "Caption", dlist::kMbYesNo);
        if (throws) throw std::runtime_error("out of luck");
        return 0;
      });
  EXPECT_EQ(status, throws ? 1 : 0);
  EXPECT_EQ(dlist::active_model(), nullptr);
  asked.err = err.str();
  return asked;
}

TEST(ProjectTest, QuestionsFollowTheOptionsAndReportsReachStderr) {
  EXPECT_EQ(ask(true, false, false, "").answer, dlist::kIdYes);
  EXPECT_EQ(ask(false, true, true, "y\n").answer, dlist::kIdNo);
  EXPECT_EQ(ask(false, false, false, "y\n").answer, dlist::kIdNo) << "no terminal: No";
  const Asked typed = ask(false, false, true, "y\n");
  EXPECT_EQ(typed.answer, dlist::kIdYes);
  EXPECT_EQ(typed.err, "dlist: rejected input at .\\DPALMAN.CPP:12\nCaption: Move? (y/n) ");
  const std::string thrown = ask(true, false, false, "", true).err;
  EXPECT_EQ(thrown.substr(thrown.rfind("dlist ")), "dlist ask: out of luck\n");
}

}  // namespace
