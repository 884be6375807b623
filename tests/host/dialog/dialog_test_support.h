// Shared by the dialog engine's tests: a fixture that gives each test a fresh
// engine and report log, and a builder that describes a small dialog the way the
// system's dialogs are built (reserve, describe, run, purge on every way out).
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/report.h"

namespace dialog_test {

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dlist::reset_dialog_engine(); }
  void TearDown() override { dlist::reset_dialog_engine(); }

  dlist::ReportLogScope reports_;
};

// Reserves buffers, describes a dialog with describe() (which adds the controls
// and callbacks and returns false on a failed call), runs it modally under
// context and purges. Returns the dialog's result, 0 when building failed.
inline int run_modal(int context, const std::function<bool()>& describe) {
  if (AllocTmpBuffers(4) == 0) return 0;
  int result = 0;
  if (MakeMainUnit(nullptr, "Test", "Test", 200, 100) != nullptr && describe()) {
    result = RunModalDialog(nullptr, 0, context, 0);
  }
  PurgeTmpBuffers();
  return result;
}

}  // namespace dialog_test
