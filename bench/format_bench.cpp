// The two amount styles: the cost of a style's first use in a locale (an ICU formatter built) and
// of a kept one (the shared formatter found and reused), as body pays them on every evaluation.
#include <benchmark/benchmark.h>
#include <unicode/uloc.h>

#include <string>
#include <vector>

#include "foundation/floating_point_format_style.hpp"
#include "foundation/locale.hpp"
#include "foundation/number_formatter_cache.hpp"
#include "support/locale_guard.hpp"

namespace {

using foundation::ClosedRange;
using foundation::FloatingPointFormatStyle;
using foundation::Locale;
using foundation::NumberFormatStyleConfiguration;

// More locales than the formatter cache holds, visited in turn: each visit finds its formatter
// gone (the cache was emptied when it filled), so every iteration builds one. ICU's own locale
// data stays loaded, as it would in a process that has formatted anything before.
const std::vector<std::string>& churnLocales() {
  static const std::vector<std::string> ids = [] {
    std::vector<std::string> out;
    const int32_t count = uloc_countAvailable();
    for (int32_t i = 0;
         i < count && out.size() < 2 * foundation::detail::kMaxCachedNumberFormatters; ++i) {
      std::string id = uloc_getAvailable(i);
      // Whole locales with a region, whose conventions are complete.
      if (id.find('_') != std::string::npos) out.push_back(std::move(id));
    }
    return out;
  }();
  return ids;
}

FloatingPointFormatStyle<double> amountStyle(Locale locale) {
  return FloatingPointFormatStyle<double>(std::move(locale))
      .precision(NumberFormatStyleConfiguration::Precision::fractionLength(ClosedRange<int>{0, 2}));
}

void BM_FormatBalanceFirstUse(benchmark::State& state) {
  const auto& ids = churnLocales();
  std::size_t next = 0;
  for (auto _ : state) {
    const FloatingPointFormatStyle<double>::Currency style("CNY", Locale(ids[next]));
    benchmark::DoNotOptimize(style.format(12840.5));
    next = (next + 1) % ids.size();
  }
}
BENCHMARK(BM_FormatBalanceFirstUse);

void BM_FormatAmountFirstUse(benchmark::State& state) {
  const auto& ids = churnLocales();
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(amountStyle(Locale(ids[next])).format(86.4));
    next = (next + 1) % ids.size();
  }
}
BENCHMARK(BM_FormatAmountFirstUse);

// As the widget builds them: a new style on the user's locale of the moment, every time.
void BM_FormatBalanceKept(benchmark::State& state) {
  const support::LocaleGuard locale("en_US");
  for (auto _ : state) {
    const FloatingPointFormatStyle<double>::Currency style("CNY", Locale::autoupdatingCurrent());
    benchmark::DoNotOptimize(style.format(12840.5));
  }
}
BENCHMARK(BM_FormatBalanceKept);

void BM_FormatAmountKept(benchmark::State& state) {
  const support::LocaleGuard locale("en_US");
  for (auto _ : state) {
    benchmark::DoNotOptimize(amountStyle(Locale::autoupdatingCurrent()).format(86.4));
  }
}
BENCHMARK(BM_FormatAmountKept);

}  // namespace
