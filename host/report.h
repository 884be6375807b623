// The report log: the stand-ins of the base library's failure report `SpecBeep`,
// its message calls `WarningId` and `ErrorId`, the dialog framework's trace
// `DiagnosticOut`, and the base library's `ORB::MsgBoxSuppressor`. Every call
// appends one entry to a process-wide log, which tests read and clear, and hands
// it to a pluggable sink (none by default; the command prints to stderr). None of
// these calls ends an operation: the caller decides what follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dlist/api.h"

// Reports a failure at line of the source unit `unit` (one of dlist::units):
// level 0 an internal failure, 1 rejected user input. A null unit logs as empty.
DLIST_API void SpecBeep(short level, const char* unit, int line);
// Shows the warning of message id; logged with the message's text.
DLIST_API void WarningId(int id);
// Shows the error of message id; logged with the message's text.
DLIST_API void ErrorId(int id);
// Writes one diagnostic trace line; a null text logs as empty.
DLIST_API void DiagnosticOut(const char* text);

namespace ORB {

// While at least one exists anywhere in the process, the base library shows no
// message boxes of its own (dlist::message_boxes_suppressed() tells).
class MsgBoxSuppressor {
 public:
  MsgBoxSuppressor();
  ~MsgBoxSuppressor();
  MsgBoxSuppressor(const MsgBoxSuppressor&) = delete;
  MsgBoxSuppressor& operator=(const MsgBoxSuppressor&) = delete;
};

}  // namespace ORB

namespace dlist {

// Tags of the source units that report through SpecBeep, as the suite writes them.
namespace units {
inline constexpr char kDattredi[] = ".\\DATTREDI.CPP";
inline constexpr char kDattrlnk[] = ".\\DATTRLNK.CPP";
inline constexpr char kDattrman[] = ".\\DATTRMAN.CPP";
inline constexpr char kDattrsel[] = ".\\DATTRSEL.CPP";
inline constexpr char kDlistgen[] = ".\\DLISTGEN.CPP";
inline constexpr char kDlocman[] = ".\\DLOCMAN.CPP";
inline constexpr char kDmatedit[] = ".\\DMATEDIT.CPP";
inline constexpr char kDmatlink[] = ".\\DMATLINK.CPP";
inline constexpr char kDpalman[] = ".\\DPALMAN.CPP";
inline constexpr char kLimport[] = ".\\LIMPORT.CPP";
inline constexpr char kListdlgs[] = ".\\LISTDLGS.CPP";
inline constexpr char kListexec[] = ".\\LISTEXEC.CPP";
}  // namespace units

enum class ReportKind { beep, warning, error, diagnostic };

struct ReportEntry {
  ReportKind kind = ReportKind::diagnostic;
  int level = 0;          // beep: 0 internal failure, 1 rejected input
  std::string unit;       // beep: the source unit tag
  int line = 0;           // beep: the reporting line
  int id = 0;             // warning, error: the message identifier
  std::string text;       // warning, error: the message's text; diagnostic: the line
  uint64_t sequence = 0;  // position in the process's reports, from 1 on
};

// One line for people: "internal failure at .\DPALMAN.CPP:3843",
// "rejected input at ...", "warning 45929: <text>", "error 45918: <text>",
// or the diagnostic text itself.
std::string describe(const ReportEntry& entry);

// The process-wide log. It keeps the last kMaxEntries entries; older ones drop out.
class ReportLog {
 public:
  static constexpr size_t kMaxEntries = 10000;

  std::vector<ReportEntry> entries() const;
  // The entries whose sequence number is sequence or later.
  std::vector<ReportEntry> entries_since(uint64_t sequence) const;
  size_t size() const;
  size_t count(ReportKind kind) const;
  // The sequence number that the next entry will get.
  uint64_t next_sequence() const;
  void clear();
  // Removes the entries whose sequence number is sequence or later.
  void discard_since(uint64_t sequence);
  // Numbers the entry and keeps it; returns its sequence number.
  uint64_t append(ReportEntry entry);
  // The same for a diagnostic line, written straight into its slot.
  uint64_t append_diagnostic(std::string_view text);

 private:
  // The slot that a new entry takes (the mutex held): an empty one, a new one, or
  // once the ring is full the oldest entry's.
  ReportEntry& next_slot();
  // The i-th kept entry, from the oldest on.
  ReportEntry& at(size_t i) { return slots_[(head_ + i) % slots_.size()]; }
  const ReportEntry& at(size_t i) const { return slots_[(head_ + i) % slots_.size()]; }

  mutable std::mutex mutex_;
  // A ring of up to kMaxEntries slots that a new entry reuses once it is full.
  std::vector<ReportEntry> slots_;
  size_t head_ = 0;  // the slot of the oldest entry
  size_t size_ = 0;  // entries kept
  uint64_t next_ = 1;
};

ReportLog& report_log();

// Gives a test the entries made during its life and removes them at its end, so
// that enclosing scopes see the log as it was.
class ReportLogScope {
 public:
  ReportLogScope() : start_(report_log().next_sequence()) {}
  ~ReportLogScope() { report_log().discard_since(start_); }
  ReportLogScope(const ReportLogScope&) = delete;
  ReportLogScope& operator=(const ReportLogScope&) = delete;

  std::vector<ReportEntry> entries() const { return report_log().entries_since(start_); }

 private:
  uint64_t start_;
};

// Receives every entry after it is logged, on the reporting thread. A report made
// by the sink itself is logged but not handed to the sink again.
using ReportSink = std::function<void(const ReportEntry&)>;
// Installs sink (an empty function removes it) and returns the previous one.
ReportSink set_report_sink(ReportSink sink);

// True while any ORB::MsgBoxSuppressor exists.
bool message_boxes_suppressed();

}  // namespace dlist
