// The widget's reads from many threads at once while the containing app replaces the store
// file: every thread sees one whole version, and the sanitizer builds show no data race in the
// store, the provider or the view (formatter caches included).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "data/app_group.hpp"
#include "data/money_provider.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/store_writer.hpp"
#include "support/versioned_store.hpp"

namespace pocketta {
namespace {

MoneyEntry versionEntry(double version) {
  return MoneyEntry{foundation::Date{version}, version, version, version};
}
bool isVersion(const MoneyEntry& entry) {
  return entry == versionEntry(1) || entry == versionEntry(2);
}

TEST(Concurrency, eightThreadsReadWhileTheStoreIsReplaced) {
  constexpr int kThreads = 8;
  const support::TemporaryContainers root;
  const std::string suite(kAppGroup);
  for (const auto format : support::kPlistFormats) {
    SCOPED_TRACE(support::toString(format));
    const auto one = support::versionedStore(format, 1, 256 << 10);
    root.writeStore(suite, one);
    std::atomic<int> bad{0};
    // The first view each thread built for each version.
    std::vector<std::array<std::optional<ui::View>, 2>> views(kThreads);
    {
      const support::StoreWriter writer(root.storePath(suite),
                                        {one, support::versionedStore(format, 2, 256 << 10)},
                                        support::StoreWriter::How::rename);
      std::vector<std::jthread> readers;
      for (int t = 0; t < kThreads; ++t) {
        readers.emplace_back([&, t] {
          // Each thread of the host binds the containers the widget reads.
          const support::ContainersRootGuard rootSetting(root.root());
          const MoneyProvider provider;
          for (int round = 0; round < 12; ++round) {
            const MoneyEntry entry = provider.readEntry();
            int whole = 0;  // completions called once with one whole version
            provider.getSnapshot({}, [&](MoneyEntry snapshot) { whole += isVersion(snapshot); });
            provider.getTimeline({}, [&](host::Timeline<MoneyEntry> timeline) {
              whole += timeline.entries.size() == 1 && isVersion(timeline.entries.front());
            });
            if (!isVersion(entry) || whole != 2) {
              bad.fetch_add(1);
            } else if (auto& view = views[t][entry.balance == 2]; !view) {
              view = PockettaWidgetView{entry}.body();
            }
          }
        });
      }
    }
    EXPECT_EQ(bad.load(), 0) << "a blend, an empty store, or a completion not called once";
    // Built after the race, from caches that the race filled.
    const ui::View expected[] = {PockettaWidgetView{versionEntry(1)}.body(),
                                 PockettaWidgetView{versionEntry(2)}.body()};
    for (const auto& built : views) {
      for (const int v : {0, 1}) EXPECT_TRUE(!built[v] || *built[v] == expected[v]) << v + 1;
    }
  }
}

}  // namespace
}  // namespace pocketta
