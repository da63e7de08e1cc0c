// The widget's reads from many threads at once while the containing app replaces the store
// file: every thread sees one whole version, and the sanitizer build shows no data race in the
// store, the provider or the view (formatter caches included).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "data/app_group.hpp"
#include "data/money_provider.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/environment_guard.hpp"
#include "support/temporary_containers.hpp"
#include "support/versioned_store.hpp"

namespace pocketta {
namespace {

namespace fs = std::filesystem;
using support::Bytes;
using support::versionedStore;
using support::writeFile;
using Format = support::PlistFormat;

constexpr int kThreads = 8;
constexpr int kRoundsPerThread = 12;

MoneyEntry versionEntry(double version) {
  return MoneyEntry{foundation::Date{version}, version, version, version};
}

// What one reader thread saw; checked on the test's thread once all have joined.
struct ThreadReport {
  int badEntries = 0;
  int badCompletions = 0;
  // The first view this thread built for each version (index: version - 1).
  std::array<std::optional<ui::View>, 2> views;
};

class ConcurrencyTest : public ::testing::Test {
 protected:
  fs::path storePath() const { return root_.storePath(std::string(kAppGroup)); }

  support::TemporaryContainers root_;
  const support::ContainersRootGuard rootSetting_{root_.root()};
};

bool isVersion(const MoneyEntry& entry) {
  return entry == versionEntry(1) || entry == versionEntry(2);
}

TEST_F(ConcurrencyTest, eightThreadsReadWhileTheStoreIsReplaced) {
  for (const Format format : {Format::binary, Format::xml}) {
    SCOPED_TRACE(support::toString(format));
    const std::array<Bytes, 2> versions{versionedStore(format, 1, 256 << 10),
                                        versionedStore(format, 2, 256 << 10)};
    writeFile(storePath(), versions[0]);

    std::atomic<bool> stop{false};
    std::atomic<long> replacements{0};
    std::thread writer([&] {
      const fs::path temporary = storePath().string() + ".new";
      for (std::size_t i = 1; !stop.load(); ++i) {
        writeFile(temporary, versions[i % 2]);
        fs::rename(temporary, storePath());
        replacements.fetch_add(1);
      }
    });

    std::vector<ThreadReport> reports(kThreads);
    std::vector<std::thread> readers;
    for (int t = 0; t < kThreads; ++t) {
      readers.emplace_back([&, t] {
        ThreadReport& report = reports[static_cast<std::size_t>(t)];
        const MoneyProvider provider;
        const host::TimelineProviderContext context{};
        for (int round = 0; round < kRoundsPerThread; ++round) {
          const MoneyEntry entry = provider.readEntry();
          if (!isVersion(entry)) ++report.badEntries;

          int calls = 0;
          provider.getSnapshot(context, [&](MoneyEntry snapshot) {
            ++calls;
            if (!isVersion(snapshot)) ++report.badEntries;
          });
          if (calls != 1) ++report.badCompletions;

          calls = 0;
          provider.getTimeline(context, [&](host::Timeline<MoneyEntry> timeline) {
            ++calls;
            if (timeline.entries.size() != 1 || !isVersion(timeline.entries.front())) {
              ++report.badEntries;
            }
          });
          if (calls != 1) ++report.badCompletions;

          if (isVersion(entry)) {
            auto& view = report.views[static_cast<std::size_t>(entry.balance) - 1];
            if (!view) view = PockettaWidgetView{entry}.body();
          }
        }
      });
    }
    for (auto& reader : readers) reader.join();
    stop.store(true);
    writer.join();

    // Views built on the test's thread after the race, from a cold start of nothing.
    const std::array<ui::View, 2> expected{PockettaWidgetView{versionEntry(1)}.body(),
                                           PockettaWidgetView{versionEntry(2)}.body()};
    for (int t = 0; t < kThreads; ++t) {
      SCOPED_TRACE("thread " + std::to_string(t));
      const auto& report = reports[static_cast<std::size_t>(t)];
      EXPECT_EQ(report.badEntries, 0) << "an entry that is neither version: a blend or empty";
      EXPECT_EQ(report.badCompletions, 0) << "a completion not called exactly once";
      for (std::size_t v = 0; v < 2; ++v) {
        if (report.views[v]) {
          EXPECT_TRUE(*report.views[v] == expected[v]) << "version " << v + 1;
        }
      }
    }
  }
}

}  // namespace
}  // namespace pocketta
