// check on the widget's real tree: one cell with every rule (layout, display list, the two
// drawings the pixel rules read), and a matrix of every phone, both families, the home and the
// tinted home screen in a spread of locales, on every core as `check` works through it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "bench/bench_support.hpp"
#include "foundation/locale.hpp"
#include "host/cell_check.hpp"
#include "host/device.hpp"
#include "host/renderer.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "ui/inspection/picture_inspection.hpp"

namespace {

ui::View sampleView() {
  const pocketta::MoneyEntry entry{foundation::Date{bench::kUpdatedAt}, bench::kBalance,
                                   static_cast<double>(bench::kIncome), bench::kExpense};
  return pocketta::PockettaWidgetView{entry}.body();
}

host::Matrix matrixOf(std::vector<const host::Device*> devices, std::vector<std::string> locales) {
  host::Matrix matrix;
  matrix.devices = std::move(devices);
  matrix.families = {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium};
  matrix.contexts = {host::RenderingContext::home, host::RenderingContext::homeTinted};
  matrix.appearances = {host::Appearance::light};
  matrix.locales = std::move(locales);
  matrix.textSizes = {ui::DynamicTypeSize::large};
  matrix.entries = {{"current", false, {}}};
  return matrix;
}

// Every cell of the matrix checked once per iteration, on every core (as check does).
void checkAll(benchmark::State& state, const host::Matrix& matrix, unsigned threads) {
  const host::Renderer renderer;
  const ui::PictureInspector inspector;
  const ui::View view = sampleView();
  const ui::RenderEnvironment user;
  const auto cells = host::cellsOf(matrix);
  const host::CheckRules rules = host::CheckRules::all();
  auto run = [&] {
    std::vector<host::CellCheck> checked(cells.size());
    host::forEachCell(cells.size(), threads, [&](std::size_t i) {
      checked[i] = host::checkCell(cells[i], matrix, view, user, renderer, rules, &inspector);
    });
    return checked;
  };
  benchmark::DoNotOptimize(run());  // fonts, formatters and backgrounds, as a long run has them
  for (auto _ : state) benchmark::DoNotOptimize(run());
  state.counters["cells/s"] = benchmark::Counter(
      static_cast<double>(cells.size() * state.iterations()), benchmark::Counter::kIsRate);
}

void BM_CheckCell(benchmark::State& state) {
  const bool medium = state.range(0) == 1;
  host::Matrix matrix = matrixOf({&host::defaultDevice()}, {"en_US"});
  matrix.families = {medium ? host::WidgetFamily::systemMedium : host::WidgetFamily::systemSmall};
  matrix.contexts = {host::RenderingContext::home};
  checkAll(state, matrix, 1);
}
BENCHMARK(BM_CheckCell)->Arg(0)->Arg(1)->ArgName("medium")->Unit(benchmark::kMillisecond);

// Every phone, both families, home and home-tinted, in every 20th locale ICU has (41 of 805):
// 1,804 cells, each of the README's matrix's kinds.
void BM_CheckMatrix(benchmark::State& state) {
  std::vector<const host::Device*> devices;
  for (const host::Device& device : host::devices()) devices.push_back(&device);
  const std::vector<std::string> all = foundation::Locale::availableIdentifiers();
  std::vector<std::string> locales;
  for (std::size_t i = 0; i < all.size(); i += 20) locales.push_back(all[i]);
  checkAll(state, matrixOf(devices, locales), static_cast<unsigned>(state.range(0)));
}
BENCHMARK(BM_CheckMatrix)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

}  // namespace
