// Drawing the progress line: "\r", the line, then "erase to the end of the line",
// so that a shorter line leaves nothing of a longer one behind.

#include "cli/progress_bar.h"

#include <algorithm>

namespace dlist::cli {

namespace {

constexpr char kEraseToEnd[] = "\x1b[K";

// The first `width` bytes of text, not ending inside a UTF-8 sequence.
std::string cut(std::string text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return out;
}

ProgressBar::ProgressBar(std::ostream& out, bool enabled, Clock clock)
    : out_(out), enabled_(enabled), clock_(std::move(clock)) {}

void ProgressBar::open(std::string_view title, long total) {
  if (!enabled_) return;
  windows_.push_back(Window{printable(title), std::max(total, 0L), 0, {}});
  draw();
}

void ProgressBar::step(std::string_view text) {
  if (!enabled_ || windows_.empty()) return;
  Window& window = windows_.back();
  ++window.done;
  window.text = printable(text);
  if (!drawn_once_ || clock_() - last_draw_ >= kRedrawInterval) draw();
}

void ProgressBar::close() {
  if (!enabled_ || windows_.empty()) return;
  windows_.pop_back();
  interrupt();
  if (!windows_.empty()) draw();
}

void ProgressBar::interrupt() {
  if (!shown_) return;
  out_ << '\r' << kEraseToEnd << std::flush;
  shown_ = false;
}

std::string ProgressBar::line() const {
  if (windows_.empty()) return {};
  const Window& w = windows_.back();
  std::string text = w.title;
  if (w.total > 0) {
    const long done = std::min(w.done, w.total);
    const size_t filled = static_cast<size_t>(
        static_cast<double>(done) / static_cast<double>(w.total) * kBarWidth);
    text += " [" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] " +
            std::to_string(w.done) + "/" + std::to_string(w.total);
  } else {
    text += " " + std::to_string(w.done);
  }
  if (!w.text.empty()) text += " " + w.text;
  return cut(std::move(text), kLineWidth);
}

void ProgressBar::draw() {
  out_ << '\r' << line() << kEraseToEnd << std::flush;
  shown_ = true;
  drawn_once_ = true;
  last_draw_ = clock_();
  ++draws_;
}

BelowProgress::BelowProgress(std::ostream& target, ProgressBar& bar)
    : std::ostream(nullptr), buffer_(target.rdbuf(), bar) {
  rdbuf(&buffer_);
}

BelowProgress::Buffer::int_type BelowProgress::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  bar_.interrupt();
  return target_ ? target_->sputc(traits_type::to_char_type(c)) : traits_type::eof();
}

std::streamsize BelowProgress::Buffer::xsputn(const char* s, std::streamsize n) {
  bar_.interrupt();
  return target_ ? target_->sputn(s, n) : 0;
}

int BelowProgress::Buffer::sync() {
  return target_ ? target_->pubsync() : 0;
}

}  // namespace dlist::cli
