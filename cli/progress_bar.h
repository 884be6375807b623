// The progress window of the command: one line on stderr with the title, a bar
// (or a counter when the total is unknown) and the text of the last step,
// redrawn in place at most every kRedrawInterval and erased when the window
// closes. It draws only when enabled: stderr is a terminal and --quiet is off.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "host/progress.h"

namespace dlist::cli {

class ProgressBar : public ProgressSink {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  static constexpr std::chrono::milliseconds kRedrawInterval{100};
  static constexpr size_t kLineWidth = 79;  // bytes of a drawn line at most
  static constexpr size_t kBarWidth = 20;

  ProgressBar(std::ostream& out, bool enabled, Clock clock = &std::chrono::steady_clock::now);

  void open(std::string_view title, long total) override;
  void step(std::string_view text) override;
  void close() override;

  // Erases the drawn line so that another line can be printed; the next step
  // draws again.
  void interrupt();

  // The line as it would be drawn now (empty when no window is open).
  std::string line() const;
  // How many times a line was drawn.
  size_t draws() const { return draws_; }

 private:
  struct Window {
    std::string title;
    long total = 0;
    long done = 0;
    std::string text;
  };

  void draw();

  std::ostream& out_;
  bool enabled_;
  Clock clock_;
  std::vector<Window> windows_;  // nested windows, innermost last
  bool shown_ = false;           // a line stands on the terminal
  bool drawn_once_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
  size_t draws_ = 0;
};

// An output stream over another that erases the progress line before anything
// is written through it, so that messages and questions begin on a clean line.
class BelowProgress : public std::ostream {
 public:
  BelowProgress(std::ostream& target, ProgressBar& bar);

 private:
  class Buffer : public std::streambuf {
   public:
    Buffer(std::streambuf* target, ProgressBar& bar) : target_(target), bar_(bar) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

   private:
    std::streambuf* target_;
    ProgressBar& bar_;
  };

  Buffer buffer_;
};

// Control characters of a text shown on the terminal become '?', so that names
// read from files cannot move the cursor or change the terminal's state.
std::string printable(std::string_view text);

}  // namespace dlist::cli
