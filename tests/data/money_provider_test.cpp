#include "data/money_provider.hpp"

#include "data/app_group.hpp"
#include "support/environment_guard.hpp"
#include "support/temporary_containers.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace pocketta {
namespace {

namespace fs = std::filesystem;
using foundation::Date;

// The App Group the data layer was built for.
const std::string kSuite{kAppGroup};
const host::TimelineProviderContext kContext{};
// 2026-12-06T12:00:00Z, where the substituted clock starts.
const Date kNow{818251200.0};

// Files written by the platform's own tools, shared with the store's reader tests.
const fs::path kFixtures = fs::path(POCKETTA_SOURCE_DIR) / "tests/foundation/data";

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string xmlStore(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries +
         "</dict></plist>\n";
}

// Points the default containers root at a temporary folder and reads the time from a clock
// that stands still and counts its reads.
class MoneyProviderTest : public ::testing::Test {
 protected:
  MoneyProviderTest() : scopedClock_(clock_) {}

  fs::path storePath() const { return folder_.storePath(kSuite); }
  void writeStore(const std::string& bytes) const {
    support::writeFile(storePath(), support::bytesOf(bytes));
  }
  void writeFixture(const std::string& name) const { writeStore(readText(kFixtures / name)); }
  void openEmptyContainer() const { fs::create_directories(root_ / kSuite); }

  // readEntry, with the number of clock reads it made.
  std::pair<MoneyEntry, int> readCounted() {
    const int before = clock_.reads();
    const MoneyEntry entry = provider_.readEntry();
    return {entry, clock_.reads() - before};
  }

  foundation::ManualClock clock_{kNow};
  foundation::ScopedClock scopedClock_;
  support::TemporaryContainers folder_;
  const fs::path root_ = folder_.root();
  const support::ContainersRootGuard rootSetting_{root_};
  const MoneyProvider provider_{};
};

TEST_F(MoneyProviderTest, placeholderIsTheSampleWhateverTheStore) {
  const MoneyEntry sample{kNow, 277.0, 30.0, 16.0};
  EXPECT_EQ(provider_.placeholder(kContext), sample);  // no container at all
  openEmptyContainer();
  EXPECT_EQ(provider_.placeholder(kContext), sample);
  writeFixture("full.binary.plist");
  clock_.advance(60);
  EXPECT_EQ(provider_.placeholder(kContext),
            (MoneyEntry{kNow.addingTimeInterval(60), 277, 30, 16}));
  EXPECT_EQ(clock_.reads(), 3);
}

TEST_F(MoneyProviderTest, readsTheStoreOrFallsBackToNowAndZeros) {
  const Date stored{817806600.0};  // 2026-12-01T08:30:00Z, days before the clock
  const struct {
    std::string what;
    std::optional<std::string> store;  // nothing: no container at all
    MoneyEntry expected;
    int clockReads;
  } cases[] = {
      {"no container", std::nullopt, {kNow, 0, 0, 0}, 1},
      {"no file", "", {kNow, 0, 0, 0}, 1},
      {"empty dictionary", xmlStore(""), {kNow, 0, 0, 0}, 1},
      {"only a balance", xmlStore("<key>balance</key><real>12.5</real>"), {kNow, 12.5, 0, 0}, 1},
      {"XML file", readText(kFixtures / "full.xml.plist"), {stored, 1234.56, 30, 16.5}, 0},
      {"date and amounts",
       xmlStore("<key>updatedAt</key><date>2026-12-01T08:30:00Z</date>"
                "<key>balance</key><real>-1234.56</real><key>todayIncome</key><real>0.01</real>"
                "<key>todayExpense</key><integer>16</integer>"),
       {stored, -1234.56, 0.01, 16},
       0},
      {"time stamp as a number",
       xmlStore("<key>updatedAt</key><real>817806600</real><key>balance</key><integer>5</integer>"),
       {kNow, 5, 0, 0},
       1},
      {"time stamp as text",
       xmlStore("<key>updatedAt</key><string>2026-12-01T08:30:00Z</string>"
                "<key>todayExpense</key><string>7.25</string>"),
       {kNow, 0, 0, 7.25},
       1},
      {"binary file", readText(kFixtures / "full.binary.plist"), {stored, 1234.56, 30, 16.5}, 0},
      {"amounts of every type",
       xmlStore("<key>balance</key><true/><key>todayIncome</key><integer>-3</integer>"
                "<key>todayExpense</key><array/>"),
       {kNow, 1, -3, 0},
       1},
  };
  for (const auto& [what, store, expected, clockReads] : cases) {
    SCOPED_TRACE(what);
    fs::remove_all(root_ / kSuite);
    if (store) {
      openEmptyContainer();
      if (!store->empty()) writeStore(*store);
    }
    const auto [entry, reads] = readCounted();
    EXPECT_EQ(entry, expected);
    EXPECT_EQ(reads, clockReads);
  }
}

TEST_F(MoneyProviderTest, everyReadingSeesTheStoreAsItIsNow) {
  writeStore(xmlStore("<key>balance</key><real>10</real><key>todayIncome</key><real>1</real>"));
  EXPECT_EQ(provider_.readEntry(), (MoneyEntry{kNow, 10, 1, 0}));
  writeStore(xmlStore("<key>balance</key><real>20</real>"));
  EXPECT_EQ(provider_.readEntry(), (MoneyEntry{kNow, 20, 0, 0}));
  fs::remove(storePath());
  EXPECT_EQ(provider_.readEntry(), (MoneyEntry{kNow, 0, 0, 0}));
}

TEST_F(MoneyProviderTest, snapshotIsALiveReadingCompletedOnce) {
  auto requestSnapshot = [&] {
    std::vector<MoneyEntry> received;
    provider_.getSnapshot(kContext, [&](MoneyEntry entry) { received.push_back(entry); });
    return received;
  };
  openEmptyContainer();
  EXPECT_EQ(requestSnapshot(), std::vector{(MoneyEntry{kNow, 0, 0, 0})});  // never the sample
  writeFixture("full.binary.plist");
  EXPECT_EQ(requestSnapshot(), std::vector{provider_.readEntry()});
}

TEST_F(MoneyProviderTest, timelineHoldsOneEntryAndReloadsFifteenMinutesAfterTheRequest) {
  auto requestTimeline = [&] {
    int calls = 0;
    std::optional<host::Timeline<MoneyEntry>> received;
    const int before = clock_.reads();
    provider_.getTimeline(kContext, [&](host::Timeline<MoneyEntry> timeline) {
      ++calls;
      received = std::move(timeline);
    });
    EXPECT_EQ(calls, 1);
    return std::pair{*received, clock_.reads() - before};
  };

  // A stored date hours back does not move the reload date.
  writeFixture("full.xml.plist");
  const auto [first, firstReads] = requestTimeline();
  EXPECT_EQ(first.entries, std::vector<MoneyEntry>{provider_.readEntry()});
  EXPECT_EQ(first.policy, host::TimelineReloadPolicy::after(kNow.addingTimeInterval(900)));
  EXPECT_EQ(firstReads, 1);  // the request time only

  clock_.advance(600);
  const auto [second, secondReads] = requestTimeline();
  const auto& firstReload = std::get<host::TimelineReloadPolicy::After>(first.policy.kind).date;
  const auto& secondReload = std::get<host::TimelineReloadPolicy::After>(second.policy.kind).date;
  EXPECT_EQ(
      secondReload.timeIntervalSinceReferenceDate - firstReload.timeIntervalSinceReferenceDate,
      600.0);
  EXPECT_EQ(second.entries, first.entries);

  // Without a stored date the entry takes the clock too: one read for it, one for the reload.
  fs::remove(storePath());
  const auto [third, thirdReads] = requestTimeline();
  EXPECT_EQ(third.entries,
            std::vector<MoneyEntry>{(MoneyEntry{kNow.addingTimeInterval(600), 0, 0, 0})});
  EXPECT_EQ(thirdReads, 2);
}

}  // namespace
}  // namespace pocketta
