#include "data/money_provider.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "data/app_group.hpp"
#include "support/temporary_containers.hpp"

namespace pocketta {
namespace {

namespace fs = std::filesystem;
using foundation::Date;

const std::string kSuite{kAppGroup};
const Date kNow{818251200.0};     // 2026-12-06T12:00:00Z, where the clock stands
const Date kStored{817806600.0};  // 2026-12-01T08:30:00Z, days before

std::string fixture(const std::string& name) {
  const auto bytes =
      support::readFile(fs::path(POCKETTA_SOURCE_DIR) / "tests/foundation/data" / name);
  return std::string(bytes.begin(), bytes.end());
}
std::string xmlStore(const std::string& entries) {
  return support::xmlPlistDocument("<dict>" + entries + "</dict>");
}

// A containers root of the test's own, and a clock that stands still and counts its reads.
class MoneyProviderTest : public ::testing::Test {
 protected:
  MoneyProviderTest() : scopedClock_(clock_) {}
  void writeStore(const std::string& text) const {
    root_.writeStore(kSuite, support::bytesOf(text));
  }

  foundation::ManualClock clock_{kNow};
  foundation::ScopedClock scopedClock_;
  support::TemporaryContainers root_;
  const support::ContainersRootGuard rootSetting_{root_.root()};
  const MoneyProvider provider_{};
};

TEST_F(MoneyProviderTest, readsTheStoreAsItIsNowOrFallsBackToNowAndZeros) {
  const struct {
    std::string what;
    std::optional<std::string> store;  // nothing: no container at all; empty: no file
    MoneyEntry expected;
    int clockReads;
  } cases[] = {
      {"no container", std::nullopt, {kNow, 0, 0, 0}, 1},
      {"no file", "", {kNow, 0, 0, 0}, 1},
      {"only a balance", xmlStore("<key>balance</key><real>12.5</real>"), {kNow, 12.5, 0, 0}, 1},
      {"XML file", fixture("full.xml.plist"), {kStored, 1234.56, 30, 16.5}, 0},
      {"time stamp as text",
       xmlStore("<key>updatedAt</key><string>2026-12-01T08:30:00Z</string>"
                "<key>todayExpense</key><string>7.25</string>"),
       {kNow, 0, 0, 7.25},
       1},
      {"amounts of every type",
       xmlStore("<key>balance</key><true/><key>todayIncome</key><integer>-3</integer>"
                "<key>todayExpense</key><array/>"),
       {kNow, 1, -3, 0},
       1}};
  // One provider for all: it keeps nothing between requests.
  for (const auto& [what, store, expected, clockReads] : cases) {
    SCOPED_TRACE(what);
    fs::remove_all(root_.container(kSuite));
    if (store) fs::create_directories(root_.container(kSuite));
    if (store && !store->empty()) writeStore(*store);
    const int before = clock_.reads();
    EXPECT_EQ(provider_.readEntry(), expected);
    EXPECT_EQ(clock_.reads() - before, clockReads);
    // The placeholder is the sample whatever the store; a snapshot is a live reading, and a
    // timeline one entry to reload fifteen minutes after the request (the clock read once more).
    EXPECT_EQ(provider_.placeholder({}), (MoneyEntry{kNow, 277, 30, 16}));
    std::vector<MoneyEntry> snapshots;
    std::vector<host::Timeline<MoneyEntry>> timelines;
    provider_.getSnapshot({}, [&](MoneyEntry entry) { snapshots.push_back(entry); });
    EXPECT_EQ(snapshots, std::vector{expected});
    const int beforeTimeline = clock_.reads();
    provider_.getTimeline(
        {}, [&](host::Timeline<MoneyEntry> timeline) { timelines.push_back(timeline); });
    EXPECT_EQ(clock_.reads() - beforeTimeline, clockReads + 1);
    EXPECT_EQ(timelines,
              (std::vector{host::Timeline<MoneyEntry>{
                  {expected}, host::TimelineReloadPolicy::after(kNow.addingTimeInterval(900))}}));
  }
}

}  // namespace
}  // namespace pocketta
