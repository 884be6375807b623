// The report log, its scopes and sink, and the message-box suppressor.
#include "host/report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/resources.h"

TEST(ReportLog, RecordsTheArgumentsOfEveryReport) {
  dlist::ReportLogScope log;
  SpecBeep(0, dlist::units::kDpalman, 3843);
  SpecBeep(1, nullptr, 7);
  WarningId(45929);
  ErrorId(45918);
  DiagnosticOut("BLOCK_NODE");
  DiagnosticOut(nullptr);

  auto entries = log.entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].kind, dlist::ReportKind::beep);
  EXPECT_EQ(entries[0].level, 0);
  EXPECT_EQ(entries[0].unit, ".\\DPALMAN.CPP");
  EXPECT_EQ(entries[0].line, 3843);
  EXPECT_EQ(dlist::describe(entries[0]), "internal failure at .\\DPALMAN.CPP:3843");
  EXPECT_EQ(entries[1].level, 1);
  EXPECT_EQ(entries[1].unit, "");
  EXPECT_EQ(dlist::describe(entries[1]), "rejected input at :7");
  EXPECT_EQ(entries[2].kind, dlist::ReportKind::warning);
  EXPECT_EQ(entries[2].id, 45929);
  EXPECT_EQ(entries[2].text, dlist::load_string(45929));
  EXPECT_EQ(dlist::describe(entries[3]), "error 45918: " + dlist::load_string(45918));
  EXPECT_EQ(entries[4].text, "BLOCK_NODE");
  EXPECT_EQ(entries[5].text, "");
  EXPECT_LT(entries[0].sequence, entries[5].sequence);
  EXPECT_GE(dlist::report_log().count(dlist::ReportKind::diagnostic), 2u);
}

TEST(ReportLog, ScopesRemoveTheirEntriesAndTheSinkSeesEachOnce) {
  dlist::ReportLogScope outer;
  std::vector<std::string> seen;
  auto previous = dlist::set_report_sink([&seen](const dlist::ReportEntry& entry) {
    seen.push_back(dlist::describe(entry));
    DiagnosticOut("from the sink");  // logged, but not handed back to the sink
  });
  DiagnosticOut("outer");
  {
    dlist::ReportLogScope inner;
    SpecBeep(1, dlist::units::kLimport, 12);
    EXPECT_EQ(inner.entries().size(), 2u);
    EXPECT_EQ(outer.entries().size(), 4u);
  }
  EXPECT_EQ(outer.entries().size(), 2u);
  dlist::set_report_sink(previous);
  DiagnosticOut("after");
  EXPECT_EQ(seen, (std::vector<std::string>{"outer", "rejected input at .\\LIMPORT.CPP:12"}));

  auto throwing = dlist::set_report_sink([](const dlist::ReportEntry&) { throw 1; });
  EXPECT_NO_THROW(DiagnosticOut("still logged"));
  dlist::set_report_sink(throwing);
  EXPECT_EQ(outer.entries().back().text, "still logged");
}

TEST(ReportLog, KeepsOnlyTheNewestEntriesInOrder) {
  dlist::ReportLogScope log;
  dlist::ReportLog& l = dlist::report_log();
  const uint64_t first = l.next_sequence();
  const size_t n = dlist::ReportLog::kMaxEntries + 5;
  for (size_t i = 0; i < n; ++i) DiagnosticOut(std::to_string(i).c_str());
  EXPECT_EQ(l.size(), dlist::ReportLog::kMaxEntries);
  EXPECT_EQ(l.entries().front().sequence, first + 5);
  EXPECT_EQ(l.entries().front().text, "5");

  // Entries taken back from the full log leave room that new ones fill in order.
  l.discard_since(first + n - 3);
  EXPECT_EQ(l.size(), dlist::ReportLog::kMaxEntries - 3);
  for (const char* text : {"a", "b", "c", "d"}) DiagnosticOut(text);
  const std::vector<dlist::ReportEntry> entries = l.entries();
  ASSERT_EQ(entries.size(), dlist::ReportLog::kMaxEntries);
  EXPECT_EQ(entries.front().text, "6");
  EXPECT_EQ(entries[entries.size() - 5].text, std::to_string(n - 4));
  EXPECT_EQ(entries.back().text, "d");
  for (size_t i = 1; i < entries.size(); ++i) ASSERT_LT(entries[i - 1].sequence, entries[i].sequence);
  EXPECT_EQ(l.entries_since(entries.back().sequence - 1).size(), 2u);
  EXPECT_EQ(l.count(dlist::ReportKind::diagnostic), dlist::ReportLog::kMaxEntries);
}

TEST(MsgBoxSuppressor, SuppressesWhileAnyExists) {
  EXPECT_FALSE(dlist::message_boxes_suppressed());
  {
    ORB::MsgBoxSuppressor outer;
    {
      ORB::MsgBoxSuppressor inner;
      EXPECT_TRUE(dlist::message_boxes_suppressed());
    }
    EXPECT_TRUE(dlist::message_boxes_suppressed());
  }
  EXPECT_FALSE(dlist::message_boxes_suppressed());
}
