// Building the widget's view tree: body alone, and the road of one timeline request up to the
// tree (store read, timeline, body), which is what the host runs before any layout.
#include <benchmark/benchmark.h>

#include "bench/bench_support.hpp"
#include "data/money_provider.hpp"
#include "foundation/locale.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/locale_guard.hpp"

namespace {

const pocketta::MoneyEntry kEntry{foundation::Date{bench::kUpdatedAt}, bench::kBalance,
                                  static_cast<double>(bench::kIncome), bench::kExpense};

void BM_Body(benchmark::State& state) {
  const support::LocaleGuard locale("en_US");
  const pocketta::PockettaWidgetView view{kEntry};
  for (auto _ : state) benchmark::DoNotOptimize(view.body());
}
BENCHMARK(BM_Body);

void BM_GetTimelineAndBody(benchmark::State& state) {
  const bench::StoreFixture store(bench::StoreForm::binary);
  const support::LocaleGuard locale("en_US");
  const pocketta::MoneyProvider provider;
  const host::TimelineProviderContext context{host::WidgetFamily::systemMedium, {364, 170}, false};
  for (auto _ : state) {
    provider.getTimeline(context, [](host::Timeline<pocketta::MoneyEntry> timeline) {
      benchmark::DoNotOptimize(pocketta::PockettaWidgetView{timeline.entries.front()}.body());
    });
  }
}
BENCHMARK(BM_GetTimelineAndBody);

}  // namespace
