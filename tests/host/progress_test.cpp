// The progress window: the calls its sink receives and the log entries of its
// opening and closing.
#include "host/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/report.h"

namespace {

class RecordingSink : public dlist::ProgressSink {
 public:
  void open(std::string_view title, long total) override {
    calls.push_back("open " + std::string(title) + " " + std::to_string(total));
  }
  void step(std::string_view text) override { calls.push_back("step " + std::string(text)); }
  void close() override {
    calls.push_back("close");
    if (throw_on_close) throw 1;
  }

  std::vector<std::string> calls;
  bool throw_on_close = false;
};

TEST(ProgressWindow, SinkReceivesOpenStepsAndOneCloseAndTheLogRecordsThem) {
  dlist::ReportLogScope log;
  RecordingSink sink;
  {
    dlist::ProgressSinkScope scope(&sink);
    dlist::ProgressWindow window(21438u, 2);  // "Importing materials"
    window.step("Brick");
    window.step("Sand");
    {
      dlist::ProgressWindow inner("Checking", -5);
      sink.throw_on_close = true;  // a failing sink does not reach the caller
    }
    sink.throw_on_close = false;
    window.close();
    window.step("after close");
  }
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"open Importing materials 2", "step Brick",
                                                  "step Sand", "open Checking 0", "close",
                                                  "close"}));
  std::vector<std::string> logged;
  for (const dlist::ReportEntry& e : log.entries()) logged.push_back(e.text);
  EXPECT_EQ(logged, (std::vector<std::string>{"progress: open Importing materials",
                                              "progress: open Checking", "progress: close",
                                              "progress: close"}));
}

}  // namespace
