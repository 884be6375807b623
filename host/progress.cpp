// The progress window's sink, the scope that drives it and the log entries of
// its opening and closing.

#include "host/progress.h"

#include <atomic>

#include "host/report.h"
#include "host/resources.h"

namespace dlist {

namespace {

std::atomic<ProgressSink*> g_sink{nullptr};

// Logged directly: the entries are a record for tests and tools, not messages
// for the user, so the report sink does not print them.
void log_progress(std::string text) {
  ReportEntry entry;
  entry.kind = ReportKind::diagnostic;
  entry.text = std::move(text);
  report_log().append(std::move(entry));
}

}  // namespace

ProgressSink* set_progress_sink(ProgressSink* sink) {
  return g_sink.exchange(sink);
}

ProgressWindow::ProgressWindow(unsigned title_id, long total) {
  open(load_string(title_id), total);
}

ProgressWindow::ProgressWindow(std::string_view title, long total) {
  open(title, total);
}

ProgressWindow::~ProgressWindow() {
  close();
}

void ProgressWindow::open(std::string_view title, long total) {
  open_ = true;
  sink_ = g_sink.load();
  log_progress("progress: open " + std::string(title));
  if (sink_ == nullptr) return;
  try {
    sink_->open(title, total < 0 ? 0 : total);
  } catch (...) {
    // A sink that fails shows nothing; the operation goes on.
  }
}

void ProgressWindow::step(std::string_view text) {
  if (!open_ || sink_ == nullptr) return;
  try {
    sink_->step(text);
  } catch (...) {
  }
}

bool ProgressWindow::cancelled() {
  if (cancelled_ || !open_ || sink_ == nullptr) return cancelled_;
  try {
    cancelled_ = sink_->cancelled();
  } catch (...) {
  }
  if (cancelled_) log_progress("progress: cancelled");
  return cancelled_;
}

void ProgressWindow::close() {
  if (!open_) return;
  open_ = false;
  log_progress("progress: close");
  if (sink_ == nullptr) return;
  try {
    sink_->close();
  } catch (...) {
  }
}

}  // namespace dlist
