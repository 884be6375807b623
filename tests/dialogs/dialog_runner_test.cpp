// The dialog runner: on every way out (no buffers, a failed building call, OK,
// cancel) the module state is the one before, the buffers are purged and the
// image lists of the run are gone; a dialog that cannot start is reported.

#include "dialogs/dialog_runner.h"

#include <gtest/gtest.h>

#include <optional>

#include "host/dialog/dialog_test_support.h"
#include "host/dialog/dialog_user.h"
#include "host/dialog/engine.h"
#include "host/dialog/image_list.h"
#include "host/dialog/scripted_user.h"
#include "host/report.h"

namespace {

constexpr int kContext = 31001;

struct State {
  int seen = 0;
};
State* g_state = nullptr;

int beeps(const dlist::ReportLogScope& log) {
  int n = 0;
  for (const dlist::ReportEntry& e : log.entries())
    if (e.kind == dlist::ReportKind::beep && e.unit == "TESTUNIT") ++n;
  return n;
}

class DialogRunnerTest : public dialog_test::DialogTest {};

TEST_F(DialogRunnerTest, EveryWayOutRestoresTheStateAndReleasesWhatTheRunHeld) {
  enum class Way { kNoBuffers, kBuildFails, kAccepted, kCancelled };
  for (Way way : {Way::kNoBuffers, Way::kBuildFails, Way::kAccepted, Way::kCancelled}) {
    SCOPED_TRACE(static_cast<int>(way));
    dlist::reset_dialog_engine();
    dlist::ReportLogScope log;
    dlist::ScriptedUser user;
    if (way == Way::kAccepted) user.on(kContext).press(9999);
    dlist::DialogUserScope scope(user);
    if (way == Way::kNoBuffers) dlist::fail_next_buffer_reservation();

    State outer;
    State inner;
    g_state = &outer;
    dlist::DialogImages images;
    const std::optional<int> result = dlist::run_dialog(
        dlist::DialogRun{nullptr, kContext, "TESTUNIT", 4, &images}, g_state, &inner, [&] {
          g_state->seen = 1;  // the run's own state is the current one
          if (images.create(16, 16) == nullptr) return false;
          return way != Way::kBuildFails && MakeMainUnit(nullptr, "T", "T", 100, 50) != nullptr &&
                 CommandButton(9999, 36, 8, 8, 40, 14) != 0;
        });

    EXPECT_EQ(g_state, &outer);
    EXPECT_EQ(outer.seen, 0);
    EXPECT_EQ(inner.seen, way == Way::kNoBuffers ? 0 : 1);
    EXPECT_EQ(dlist::buffer_accounting().held, 0);
    EXPECT_EQ(dlist::buffer_accounting().unbalanced_purges, 0);
    EXPECT_EQ(dlist::image_list_live_count(), 0);
    const bool started = way == Way::kAccepted || way == Way::kCancelled;
    EXPECT_EQ(result.has_value(), started);
    EXPECT_EQ(beeps(log), started ? 0 : 1);
    EXPECT_EQ(result.value_or(-1), started ? (way == Way::kAccepted ? 1 : 0) : -1);
  }
  g_state = nullptr;
}

}  // namespace
