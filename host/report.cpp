// The report calls, the process-wide log behind them and the sink they feed.

#include "host/report.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "host/resources.h"

namespace dlist {

namespace {

std::mutex g_sink_mutex;
ReportSink g_sink;
std::atomic<bool> g_has_sink{false};  // a report without a sink only goes to the log
thread_local bool t_in_sink = false;
std::atomic<int> g_suppressors{0};

// Whether a report goes to the log alone: no sink is set, or it comes from the sink.
bool log_only() { return t_in_sink || !g_has_sink.load(std::memory_order_relaxed); }

void report(ReportEntry entry) {
  if (log_only()) {
    report_log().append(std::move(entry));
    return;
  }
  ReportEntry kept = entry;
  kept.sequence = report_log().append(std::move(entry));
  ReportSink sink;
  {
    std::lock_guard<std::mutex> lock(g_sink_mutex);
    sink = g_sink;
  }
  if (!sink) return;
  struct InSink {
    InSink() { t_in_sink = true; }
    ~InSink() { t_in_sink = false; }
  } in_sink;
  try {
    sink(kept);
  } catch (...) {
    // A failing sink loses its copy of the entry; the log keeps it, and the
    // report call never throws into its caller.
  }
}

ReportEntry message_entry(ReportKind kind, int id) {
  ReportEntry entry;
  entry.kind = kind;
  entry.id = id;
  if (id >= 0) entry.text = load_string(static_cast<unsigned>(id));
  return entry;
}

}  // namespace

std::string describe(const ReportEntry& entry) {
  switch (entry.kind) {
    case ReportKind::beep:
      return std::string(entry.level == 0 ? "internal failure at " : "rejected input at ") +
             entry.unit + ":" + std::to_string(entry.line);
    case ReportKind::warning:
      return "warning " + std::to_string(entry.id) + ": " + entry.text;
    case ReportKind::error:
      return "error " + std::to_string(entry.id) + ": " + entry.text;
    case ReportKind::diagnostic:
      break;
  }
  return entry.text;
}

std::vector<ReportEntry> ReportLog::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ReportEntry> out;
  out.reserve(size_);
  for (size_t i = 0; i < size_; ++i) out.push_back(at(i));
  return out;
}

std::vector<ReportEntry> ReportLog::entries_since(uint64_t sequence) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ReportEntry> out;
  for (size_t i = 0; i < size_; ++i) {
    if (at(i).sequence >= sequence) out.push_back(at(i));
  }
  return out;
}

size_t ReportLog::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return size_;
}

size_t ReportLog::count(ReportKind kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (size_t i = 0; i < size_; ++i) n += at(i).kind == kind ? 1 : 0;
  return n;
}

uint64_t ReportLog::next_sequence() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return next_;
}

void ReportLog::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  slots_.clear();
  head_ = size_ = 0;
}

void ReportLog::discard_since(uint64_t sequence) {
  std::lock_guard<std::mutex> lock(mutex_);
  while (size_ > 0 && at(size_ - 1).sequence >= sequence) {
    at(size_ - 1) = ReportEntry{};
    --size_;
  }
}

ReportEntry& ReportLog::next_slot() {
  if (size_ < slots_.size()) return at(size_++);
  if (slots_.size() < kMaxEntries) {
    // The ring grows only while it is full and its entries lie in order from slot 0.
    std::rotate(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(head_), slots_.end());
    head_ = 0;
    ++size_;
    return slots_.emplace_back();
  }
  // Full: the newest takes the oldest's slot.
  ReportEntry& oldest = slots_[head_];
  head_ = (head_ + 1) % slots_.size();
  return oldest;
}

uint64_t ReportLog::append(ReportEntry entry) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t sequence = next_++;
  entry.sequence = sequence;
  next_slot() = std::move(entry);
  return sequence;
}

uint64_t ReportLog::append_diagnostic(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t sequence = next_++;
  ReportEntry& slot = next_slot();
  slot.kind = ReportKind::diagnostic;
  slot.level = slot.line = slot.id = 0;
  slot.unit.clear();
  slot.text.assign(text);
  slot.sequence = sequence;
  return sequence;
}

ReportLog& report_log() {
  static ReportLog log;
  return log;
}

ReportSink set_report_sink(ReportSink sink) {
  std::lock_guard<std::mutex> lock(g_sink_mutex);
  std::swap(g_sink, sink);
  g_has_sink.store(static_cast<bool>(g_sink), std::memory_order_relaxed);
  return sink;
}

bool message_boxes_suppressed() {
  return g_suppressors.load() > 0;
}

}  // namespace dlist

void SpecBeep(short level, const char* unit, int line) {
  dlist::ReportEntry entry;
  entry.kind = dlist::ReportKind::beep;
  entry.level = level;
  entry.unit = unit ? unit : "";
  entry.line = line;
  dlist::report(std::move(entry));
}

void WarningId(int id) {
  dlist::report(dlist::message_entry(dlist::ReportKind::warning, id));
}

void ErrorId(int id) {
  dlist::report(dlist::message_entry(dlist::ReportKind::error, id));
}

void DiagnosticOut(const char* text) {
  if (dlist::log_only()) {
    dlist::report_log().append_diagnostic(text ? text : "");
    return;
  }
  dlist::ReportEntry entry;
  entry.kind = dlist::ReportKind::diagnostic;
  entry.text = text ? text : "";
  dlist::report(std::move(entry));
}

namespace ORB {

MsgBoxSuppressor::MsgBoxSuppressor() {
  ++dlist::g_suppressors;
}

MsgBoxSuppressor::~MsgBoxSuppressor() {
  --dlist::g_suppressors;
}

}  // namespace ORB
