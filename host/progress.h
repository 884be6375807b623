// The host's progress window: a title, an optional total and one line of text a
// step. Who shows it is pluggable, a sink: none by default (the window is then
// invisible), a bar on the terminal in the command. The system opens it through
// a ProgressWindow scope, which closes it on every way out. The report log
// records each opening and closing as a diagnostic entry ("progress: open
// <title>", "progress: close"), without handing them to the report sink.
#pragma once

#include <string>
#include <string_view>

namespace dlist {

// Receives the progress window's calls, on the calling thread. Opening while a
// window is open nests: each open is matched by one close.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // total: the number of steps expected, 0 when unknown.
  virtual void open(std::string_view title, long total) = 0;
  virtual void step(std::string_view text) = 0;
  virtual void close() = 0;
  // Whether the person asked to stop (a Cancel button). Long operations ask after
  // each step; once true they stop, undo what their transaction holds and report
  // failure. A sink without a button never asks to stop.
  virtual bool cancelled() { return false; }
};

// Installs sink (null: none) and returns the previous one. The caller keeps the
// sink alive while it is installed.
ProgressSink* set_progress_sink(ProgressSink* sink);

// Installs a sink for the life of the object, then puts the previous one back.
class ProgressSinkScope {
 public:
  explicit ProgressSinkScope(ProgressSink* sink) : previous_(set_progress_sink(sink)) {}
  ~ProgressSinkScope() { set_progress_sink(previous_); }
  ProgressSinkScope(const ProgressSinkScope&) = delete;
  ProgressSinkScope& operator=(const ProgressSinkScope&) = delete;

 private:
  ProgressSink* previous_;
};

// An open progress window: opened by the constructor (title by message
// identifier or as text) on the sink installed then, which also receives its
// steps and its closing (by close() or at the end of the scope). Failures of the
// sink never reach the caller.
class ProgressWindow {
 public:
  explicit ProgressWindow(unsigned title_id, long total = 0);
  explicit ProgressWindow(std::string_view title, long total = 0);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // One step, with the text to show (the name of the record just done). Ignored
  // once closed.
  void step(std::string_view text);
  void close();
  // True once the sink asked to stop; it stays true for this window. A sink that
  // fails to answer is taken as not asking.
  bool cancelled();

 private:
  void open(std::string_view title, long total);

  ProgressSink* sink_ = nullptr;
  bool open_ = false;
  bool cancelled_ = false;
};

}  // namespace dlist
