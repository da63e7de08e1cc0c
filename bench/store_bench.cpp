// Reading the shared store: one readEntry from each property-list form, and the provider's whole
// timeline request around it. Each benchmark first checks that it reads the sample figures, so it
// cannot end up timing the missing-store default.
#include <benchmark/benchmark.h>

#include "bench/bench_support.hpp"
#include "data/money_provider.hpp"

namespace {

bool readsSample(const pocketta::MoneyEntry& entry) {
  return entry.date.timeIntervalSinceReferenceDate == bench::kUpdatedAt &&
         entry.balance == bench::kBalance && entry.income == static_cast<double>(bench::kIncome) &&
         entry.expense == bench::kExpense;
}

void readEntryFrom(benchmark::State& state, bench::StoreForm form) {
  const bench::StoreFixture store(form);
  const pocketta::MoneyProvider provider;
  if (!readsSample(provider.readEntry())) {
    state.SkipWithError("the store was not read back as written");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(provider.readEntry());
}

void BM_ReadEntryXml(benchmark::State& state) {
  readEntryFrom(state, bench::StoreForm::xml);
}
BENCHMARK(BM_ReadEntryXml);

void BM_ReadEntryBinary(benchmark::State& state) {
  readEntryFrom(state, bench::StoreForm::binary);
}
BENCHMARK(BM_ReadEntryBinary);

void BM_GetTimeline(benchmark::State& state) {
  const bench::StoreFixture store(bench::StoreForm::binary);
  const pocketta::MoneyProvider provider;
  const host::TimelineProviderContext context{host::WidgetFamily::systemMedium, {364, 170}, false};
  std::size_t entries = 0;
  provider.getTimeline(context, [&](host::Timeline<pocketta::MoneyEntry> timeline) {
    entries = timeline.entries.size();
    if (entries == 1 && !readsSample(timeline.entries.front())) entries = 0;
  });
  if (entries != 1) {
    state.SkipWithError("the timeline does not hold the one sample entry");
    return;
  }
  for (auto _ : state) {
    provider.getTimeline(context, [](host::Timeline<pocketta::MoneyEntry> timeline) {
      benchmark::DoNotOptimize(timeline);
    });
  }
}
BENCHMARK(BM_GetTimeline);

}  // namespace
