#pragma once

// The widget's view tree, rebuilt here from the ui types with an explicit locale, because the
// ui tests cannot link the presentation layer that owns the real one.

#include <optional>
#include <string>

#include "foundation/floating_point_format_style.hpp"
#include "foundation/locale.hpp"
#include "foundation/url.hpp"
#include "ui/view.hpp"

namespace ui::testing {

inline View widgetTree(double balance, double income, double expense, const std::string& locale) {
  using foundation::FloatingPointFormatStyle;
  const foundation::Locale named(locale);
  const FloatingPointFormatStyle<double>::Currency balanceStyle("CNY", named);
  const auto amountStyle = FloatingPointFormatStyle<double>(named).precision(
      foundation::NumberFormatStyleConfiguration::Precision::fractionLength({0, 2}));
  auto link = [&](const char* url, double amount, const char* icon, Color color) {
    return Link(*foundation::URL::string(url), Label(Text(amount, amountStyle), Image(icon)))
        .foregroundStyle(color);
  };
  return VStack(
             HorizontalAlignment::leading, 8,
             {
                 HStack(VerticalAlignment::center,
                        {
                            Label("POCKETTA", "wallet.bifold.fill").font(Font::caption.bold()),
                            Spacer(),
                            Text("CNY", std::nullopt, std::nullopt, std::nullopt)
                                .font(Font::caption2.monospaced()),
                        }),
                 Text(balance, balanceStyle)
                     .font(Font::title2.bold())
                     .minimumScaleFactor(0.7)
                     .lineLimit(1),
                 HStack(
                     VerticalAlignment::center,
                     {
                         link("pocketta://add-income", income, "arrow.down.left", Color::green),
                         Spacer(),
                         link("pocketta://add-expense", expense, "arrow.up.right", Color::orange),
                     })
                     .font(Font::caption.monospacedDigit()),
             })
      .containerBackground(
          ContainerBackgroundPlacement::widget, Alignment::center,
          LinearGradient(Gradient{{Color::black, Color(RGBColorSpace::sRGB, 0.12, 0.2, 0.15, 1.0)}},
                         UnitPoint::topLeading, UnitPoint::bottomTrailing))
      .foregroundStyle(Color::white);
}

}  // namespace ui::testing
