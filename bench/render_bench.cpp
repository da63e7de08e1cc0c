// The renderer's stages on the widget's real tree: layout of each family (text measured with the
// renderer's fonts, amounts formatted with kept formatters), rasterising and PNG encoding at @3x,
// SVG writing, and the whole warm render of both families. The font set and the formatters are
// loaded once before timing: a process pays that once, and bench/compare measures it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/bench_support.hpp"
#include "data/money_provider.hpp"
#include "host/renderer.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/raster/png_encoder.hpp"
#include "ui/raster/raster.hpp"
#include "ui/svg/svg_renderer.hpp"

namespace {

constexpr double kScale = 3;

ui::View sampleView() {
  const pocketta::MoneyEntry entry{foundation::Date{bench::kUpdatedAt}, bench::kBalance,
                                   static_cast<double>(bench::kIncome), bench::kExpense};
  return pocketta::PockettaWidgetView{entry}.body();
}

// en_US at @3x on the family's canvas.
ui::RenderEnvironment environment(foundation::Size size) {
  ui::RenderEnvironment environment;
  environment.displayScale = kScale;
  environment.canvas = ui::WidgetCanvas{size};
  return environment;
}

// A host's renderer, with fonts and formatters loaded by one untimed render.
class Warm {
 public:
  Warm() {
    benchmark::DoNotOptimize(
        renderer.render({{sampleView(), environment(ui::WidgetCanvas::systemMediumSize)}},
                        host::OutputFormat::png));
  }
  ui::DisplayList displayList(foundation::Size size) {
    return renderer.displayList(sampleView(), environment(size));
  }

  host::Renderer renderer;
};

void layoutFamily(benchmark::State& state, foundation::Size size) {
  Warm warm;
  const ui::View view = sampleView();
  const ui::RenderEnvironment env = environment(size);
  for (auto _ : state) benchmark::DoNotOptimize(warm.renderer.layout(view, env));
}

void BM_LayoutSmall(benchmark::State& state) {
  layoutFamily(state, ui::WidgetCanvas::systemSmallSize);
}
BENCHMARK(BM_LayoutSmall);

void BM_LayoutMedium(benchmark::State& state) {
  layoutFamily(state, ui::WidgetCanvas::systemMediumSize);
}
BENCHMARK(BM_LayoutMedium);

// From the laid-out widget to the list of things to draw.
void BM_DisplayList(benchmark::State& state) {
  Warm warm;
  const ui::RenderEnvironment env = environment(ui::WidgetCanvas::systemMediumSize);
  const ui::WidgetLayout layout = warm.renderer.layout(sampleView(), env);
  for (auto _ : state) benchmark::DoNotOptimize(ui::displayList(layout, env));
}
BENCHMARK(BM_DisplayList);

// Drawing the medium widget at @3x into pixels, then those pixels into a PNG file.
void BM_Rasterise(benchmark::State& state) {
  Warm warm;
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
  const ui::DisplayList list = warm.displayList(canvas.size);
  for (auto _ : state) benchmark::DoNotOptimize(ui::detail::rasterize(list, canvas, kScale));
}
BENCHMARK(BM_Rasterise);

void BM_EncodePng(benchmark::State& state) {
  Warm warm;
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
  const ui::detail::RgbaImage image =
      ui::detail::rasterize(warm.displayList(canvas.size), canvas, kScale);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t> png = ui::detail::encodeRgba(image);
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodePng);

void BM_WriteSvg(benchmark::State& state) {
  Warm warm;
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
  const ui::DisplayList list = warm.displayList(canvas.size);
  for (auto _ : state) benchmark::DoNotOptimize(ui::renderSvg(list, canvas));
}
BENCHMARK(BM_WriteSvg);

// What the host does for one timeline request in a warm process, short of writing files: read
// the store, build the tree, and render both families to PNG at @3x, either as the host does it
// (both laid out, then drawn and compressed at the same time) or on one thread.
void renderBothFamilies(benchmark::State& state, unsigned threads) {
  const bench::StoreFixture store(bench::StoreForm::xml);
  Warm warm;
  const pocketta::MoneyProvider provider;
  const host::TimelineProviderContext context{host::WidgetFamily::systemMedium, {364, 170}, false};
  for (auto _ : state) {
    provider.getTimeline(context, [&](host::Timeline<pocketta::MoneyEntry> timeline) {
      const ui::View view = pocketta::PockettaWidgetView{timeline.entries.front()}.body();
      std::vector<host::Picture> pictures;
      for (const foundation::Size size :
           {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
        pictures.push_back({view, environment(size)});
      }
      benchmark::DoNotOptimize(
          warm.renderer.render(pictures, host::OutputFormat::png, {}, threads));
    });
  }
}

void BM_RenderBothFamilies3x(benchmark::State& state) {
  renderBothFamilies(state, 0);
}
BENCHMARK(BM_RenderBothFamilies3x)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderBothFamilies3xOneThread(benchmark::State& state) {
  renderBothFamilies(state, 1);
}
BENCHMARK(BM_RenderBothFamilies3xOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
