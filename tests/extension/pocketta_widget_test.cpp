#include <gtest/gtest.h>

#include <sstream>

#include "../host/simulated_sleeper.hpp"
#include "data/app_group.hpp"
#include "data/money_provider.hpp"
#include "extension/money_entry_fields.hpp"
#include "extension/pocketta_widget.hpp"
#include "extension/pocketta_widget_bundle.hpp"
#include "host/provider_contract.hpp"
#include "host/run_loop.hpp"
#include "support/environment_guard.hpp"
#include "support/temporary_containers.hpp"

namespace {

using host::WidgetFamily;
using pocketta::MoneyEntry;

TEST(PockettaWidget, configurationReadsBackWithANewProviderForEachBody) {
  const pocketta::PockettaWidget widget;
  const auto first = widget.body();
  const auto second = widget.body();
  EXPECT_EQ(first.kind, "PockettaWidget");
  EXPECT_EQ(first.displayName().key, "Лимрада");
  EXPECT_EQ(first.descriptionKey().key, "Баланс и быстрые доходы или расходы.");
  EXPECT_EQ(first.families(), (std::vector{WidgetFamily::systemSmall, WidgetFamily::systemMedium}));
  EXPECT_EQ(first.provider.type, &typeid(pocketta::MoneyProvider));
  EXPECT_NE(first.provider.instance, nullptr);
  EXPECT_NE(first.provider.instance.get(), second.provider.instance.get());
}

TEST(PockettaWidget, contentShowsTheEntryItIsGiven) {
  const MoneyEntry entries[] = {
      {foundation::Date{794050200.25}, -12.25, 30.5, 0},
      {foundation::Date{-63113904000}, 1e300, -0.0, 16},
  };
  const auto configuration = pocketta::PockettaWidget{}.body();
  for (const auto& entry : entries) {
    // Through the host's erased content function, the same tree.
    EXPECT_EQ(configuration.content(host::AnyEntry::make(entry)),
              (pocketta::PockettaWidgetView{entry}.body()));
    EXPECT_EQ(pocketta::makeWidgetView(entry).entry, entry);
  }
  EXPECT_EQ(pocketta::timelineEntryFields(entries[0]),
            (std::vector<host::EntryField>{{"balance", -12.25}, {"income", 30.5}, {"expense", 0}}));
}

TEST(PockettaWidgetBundle, holdsTheOneWidgetAndItsAppGroup) {
  const auto content = pocketta::PockettaWidgetBundle{}.body();
  ASSERT_EQ(content.widgets.size(), 1u);
  EXPECT_EQ(content.widgets[0].body().kind, "PockettaWidget");
  const auto entitlements = pocketta::PockettaWidgetBundle::entitlements();
  ASSERT_EQ(entitlements.applicationGroups.size(), 1u);
  EXPECT_EQ(entitlements.applicationGroups[0], pocketta::kAppGroup);
  EXPECT_EQ(pocketta::kAppGroup.substr(0, 6), "group.");
}

TEST(PockettaWidget, theLiveHostAsksEvery900SecondsOnAnUnchangedStore) {
  // A store of the App Group in a folder of the test's own.
  const support::TemporaryContainers root;
  root.writeStore(
      std::string(pocketta::kAppGroup),
      support::bytesOf(R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)"
                       "<key>balance</key><real>99.5</real><key>updatedAt</key>"
                       "<date>2026-03-01T09:30:00Z</date></dict></plist>"));
  const support::ContainersRootGuard containers(root.root());

  foundation::ManualClock clock(foundation::Date{800000000});
  const foundation::ScopedClock scoped(clock);
  hosttest::SimulatedSleeper sleeper(clock);
  const auto configuration = pocketta::PockettaWidget{}.body();
  std::vector<double> requests;
  std::vector<std::string> reports;
  std::vector<MoneyEntry> shown;
  std::ostringstream log;
  host::RunLoopOptions options;
  options.reloads = 3;
  const int status = host::runLoop(
      [&] {
        requests.push_back(foundation::Date::now().timeIntervalSinceReferenceDate);
        return host::requestTimeline(configuration.provider, {},
                                     [&](const std::string& line) { reports.push_back(line); });
      },
      [&](const host::AnyEntry& entry) -> std::optional<std::string> {
        shown.push_back(std::any_cast<MoneyEntry>(entry.value));
        return std::nullopt;
      },
      sleeper, log, options);

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(requests, (std::vector<double>{800000000, 800000900, 800001800}));
  ASSERT_EQ(shown.size(), 3u);
  for (const auto& entry : shown) {
    EXPECT_EQ(entry, (MoneyEntry{foundation::Date{794050200}, 99.5, 0, 0}));
  }
}

}  // namespace
