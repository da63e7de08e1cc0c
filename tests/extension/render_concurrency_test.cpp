// Pictures of different locales, text sizes, families and appearances drawn at once on several
// threads by one host renderer are, byte for byte, what each is when drawn alone by a renderer of
// its own: nothing a render reads is shared but what cannot change what it draws. The thread
// sanitizer build runs this too.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "data/money_entry.hpp"
#include "host/command_context.hpp"
#include "host/renderer.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/locale_guard.hpp"

namespace {

struct Cell {
  ui::RenderEnvironment environment;
  host::OutputFormat format;
};

std::vector<Cell> cells() {
  const char* locales[] = {"en_US", "ar_EG", "ja_JP", "de_DE", "hi_IN", "ru_RU"};
  const ui::DynamicTypeSize sizes[] = {ui::DynamicTypeSize::xSmall, ui::DynamicTypeSize::large,
                                       ui::DynamicTypeSize::accessibility3};
  std::vector<Cell> out;
  int i = 0;
  for (const char* locale : locales) {
    for (const auto size : sizes) {
      for (const auto family :
           {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium}) {
        ui::RenderEnvironment environment;
        environment.widgetFamily = family;
        environment.canvas = host::defaultDevice().canvas(family);
        environment = host::inLocale(environment, locale);
        environment.dynamicTypeSize = size;
        environment.colorScheme = i % 2 == 0 ? ui::ColorScheme::light : ui::ColorScheme::dark;
        environment.displayScale = 1 + i % 3;
        out.push_back(
            {environment, i % 3 == 0 ? host::OutputFormat::svg : host::OutputFormat::png});
        ++i;
      }
    }
  }
  return out;
}

TEST(RenderConcurrency, picturesDrawnAtOnceAreTheBytesOfEachDrawnAlone) {
  // The machine's own locale is none of the cells': a render that read it would show.
  const support::LocaleGuard machine("fr_FR");
  const ui::View view =
      pocketta::PockettaWidgetView{{foundation::Date{0}, 98765.43, 1234567.891, 86.4}}.body();
  const std::vector<Cell> all = cells();
  std::vector<std::string> alone;
  for (const Cell& cell : all) {
    host::Renderer fresh;
    alone.push_back(fresh.render({{view, cell.environment}}, cell.format).front());
  }

  // Four threads share one renderer (its kept lines and backgrounds) and the tree, taking cells
  // in turn; each picture may also use helper threads of its own.
  host::Renderer shared;
  std::vector<std::string> together(all.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < all.size(); i = next++) {
      together[i] =
          shared.render({{view, all[i].environment}}, all[i].format, {}, i % 2 == 0 ? 1 : 0)
              .front();
    }
  };
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < 3; ++t) threads.emplace_back(work);
    work();
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(all[i].environment.locale.identifier() + " " +
                 std::string(ui::toString(all[i].environment.dynamicTypeSize)));
    EXPECT_FALSE(alone[i].empty());
    EXPECT_TRUE(together[i] == alone[i]) << "picture " << i << " differs";
  }
  // And each picture shows its own locale's numbers.
  for (std::size_t i = 0; i < all.size(); ++i) {
    const ui::RenderEnvironment& environment = all[i].environment;
    if (all[i].format != host::OutputFormat::svg || environment.canvas.size.width < 300) continue;
    const std::string income =
        foundation::FloatingPointFormatStyle<double>(environment.locale)
            .precision(
                foundation::NumberFormatStyleConfiguration::Precision::fractionLength({0, 2}))
            .format(1234567.891);
    EXPECT_NE(alone[i].find(income), std::string::npos) << environment.locale.identifier();
  }
}

}  // namespace
