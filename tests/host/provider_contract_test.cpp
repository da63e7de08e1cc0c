#include <gtest/gtest.h>

#include <cmath>

#include "host/entry_choice.hpp"
#include "host/provider_contract.hpp"
#include "test_provider.hpp"

namespace {

using hosttest::CountEntry;
using hosttest::ScriptedProvider;

struct Reports {
  std::vector<std::string> lines;
  host::ContractReporter reporter() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

TEST(ProviderContract, reportsACompletionCalledOtherThanOnce) {
  struct Case {
    int calls;
    bool answered;
    const char* report;  // a part of the one report, or empty for none
  };
  const Case cases[] = {
      {1, true, ""},
      {0, false, "returned without calling its completion"},
      {2, true, "called its completion 2 times; the first value is used"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.calls);
    ScriptedProvider provider;
    provider.completionCalls = c.calls;
    const auto erased = host::AnyTimelineProvider::make(provider);
    Reports snapshotReports;
    const auto snapshot = host::requestSnapshot(erased, {}, snapshotReports.reporter());
    EXPECT_EQ(snapshot.has_value(), c.answered);
    Reports timelineReports;
    const auto timeline = host::requestTimeline(erased, {}, timelineReports.reporter());
    EXPECT_EQ(timeline.has_value(), c.answered);
    for (const auto* reports : {&snapshotReports, &timelineReports}) {
      if (*c.report == '\0') {
        EXPECT_TRUE(reports->lines.empty());
      } else {
        ASSERT_EQ(reports->lines.size(), 1u);
        EXPECT_NE(reports->lines[0].find(c.report), std::string::npos) << reports->lines[0];
      }
    }
    if (snapshot) {
      EXPECT_EQ(snapshot->fields[0].value, 7);
    }
  }
}

TEST(ProviderContract, aCompletionKeptAndCalledLaterIsReportedAndIgnored) {
  host::Completion<CountEntry> kept;
  ScriptedProvider provider;
  provider.completionCalls = 0;
  provider.keep = [&](host::Completion<CountEntry> completion) { kept = std::move(completion); };
  Reports reports;
  const auto snapshot =
      host::requestSnapshot(host::AnyTimelineProvider::make(provider), {}, reports.reporter());
  EXPECT_FALSE(snapshot);
  ASSERT_TRUE(kept);
  kept(CountEntry{{}, 1});
  kept(CountEntry{{}, 2});
  ASSERT_EQ(reports.lines.size(), 2u);
  EXPECT_NE(reports.lines[1].find("after the request had returned"), std::string::npos);
}

TEST(ProviderContract, aThrowingProviderIsReported) {
  ScriptedProvider provider;
  provider.timeline = []() -> host::Timeline<CountEntry> {
    throw std::runtime_error("disk on fire");
  };
  Reports reports;
  EXPECT_FALSE(
      host::requestTimeline(host::AnyTimelineProvider::make(provider), {}, reports.reporter()));
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find("disk on fire"), std::string::npos);
}

TEST(EntryChoice, latestComeEntryElseTheFirst) {
  const double nan = std::nan("");
  struct Case {
    std::vector<double> dates;
    double now;
    std::optional<std::size_t> expected;
  };
  const Case cases[] = {
      {{}, 0, std::nullopt}, {{10}, 5, 0},  // none has come: the first
      {{10}, 10, 0},                        // a date has come at its own instant
      {{10, 20, 30}, 25, 1},                // the latest that has come
      {{10, 20, 30}, 99, 2},                //
      {{30, 10, 20}, 25, 2},                // out of order: by date, not position
      {{10, 10}, 10, 1},                    // equal dates: the later one
      {{nan, 10}, 20, 1},                   // a NaN date never comes
      {{nan}, 20, 0},                       //
      {{20, 30}, nan, 0},                   // at a NaN time nothing has come
  };
  for (const auto& c : cases) {
    std::vector<CountEntry> entries;
    for (double d : c.dates) entries.push_back({foundation::Date{d}, 0});
    EXPECT_EQ(host::entryShowing(entries, foundation::Date{c.now}), c.expected)
        << testing::PrintToString(c.dates) << " at " << c.now;
  }
}

}  // namespace
