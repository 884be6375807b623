// Keeping the diagnostic trace of an exported call instead of printing it: a
// command prints one line for a failure (the reason the call recorded) rather than
// a line for every block read. Failures and messages still go to the sink that was
// installed before.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/report.h"

namespace dlist::cli {

class ReportCollector {
 public:
  ReportCollector()
      : previous_(set_report_sink([this](const ReportEntry& e) {
          entries_.push_back(e);
          if (e.kind != ReportKind::diagnostic && previous_) previous_(e);
        })) {}
  ~ReportCollector() { set_report_sink(std::move(previous_)); }
  ReportCollector(const ReportCollector&) = delete;
  ReportCollector& operator=(const ReportCollector&) = delete;

  // The reason that the call `function` gave for its failure: the text of its last
  // diagnostic line "<function>: <reason>" ("BLOCK_NODE at offset 130 ..."); empty
  // when it gave none.
  std::string reason_of(const std::string& function) const {
    const std::string prefix = function + ": ";
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
      if (it->kind == ReportKind::diagnostic && it->text.rfind(prefix, 0) == 0)
        return it->text.substr(prefix.size());
    return {};
  }

 private:
  std::vector<ReportEntry> entries_;
  ReportSink previous_;
};

}  // namespace dlist::cli
