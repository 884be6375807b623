// Shared pieces of the command's tests: a project in memory, active, with the
// dialog engine reset, and an Output over string streams.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "cli/project.h"
#include "cli/store_tree.h"
#include "host/dialog/engine.h"
#include "tests/host/model/model_test_support.h"

namespace dlist::testing {

class CliTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    reset_dialog_engine();
  }
  void TearDown() override {
    reset_dialog_engine();
    ModelTest::TearDown();
  }

  // A fresh Output; what it wrote is in out_ and err_.
  cli::Output& output(const std::string& command = "test") {
    out_.str("");
    err_.str("");
    output_.emplace(out_, err_, command);
    return *output_;
  }

  std::ostringstream out_;
  std::ostringstream err_;
  std::optional<cli::Output> output_;
};

}  // namespace dlist::testing
