#include <gtest/gtest.h>

#include <type_traits>

#include "foundation/locale.hpp"
#include "ui/view.hpp"

namespace ui {
namespace {

using foundation::Locale;
using Decimal = foundation::FloatingPointFormatStyle<double>;

TEST(ViewTree, TextFontIsTheTextsOwnNotAnInheritedModifier) {
  static_assert(std::is_same_v<decltype(Text("a").font(Font::caption)), Text>);
  static_assert(std::is_same_v<decltype(Image("a").font(Font::caption)), View>);

  const Text own = Text("a").font(Font::title2.bold());
  EXPECT_EQ(own.ownFont, Font::title2.bold());
  EXPECT_EQ(View(own).modifiers.size(), 0u);

  const View inherited = View(Text("a")).font(Font::title2.bold());
  EXPECT_EQ(inherited.modifiers, std::vector<Modifier>{FontModifier{Font::title2.bold()}});
  EXPECT_NE(View(own), inherited);

  // Modifiers after the own font still apply in order, starting from the text.
  const View line = Text("a").font(Font::caption).minimumScaleFactor(0.7).lineLimit(1);
  ASSERT_NE(line.as<Text>(), nullptr);
  EXPECT_EQ(line.as<Text>()->ownFont, Font::caption);
  EXPECT_EQ(line.modifiers,
            (std::vector<Modifier>{MinimumScaleFactorModifier{0.7}, LineLimitModifier{1}}));
}

TEST(ViewTree, ResolvedStringIsWhatTheTextShows) {
  const Localizer french = [](const LocalizedText& text) -> std::optional<std::string> {
    if (text.key.key == "Balance") return "Solde";
    return std::nullopt;
  };
  EXPECT_EQ(resolvedString(Text("Balance"), french), "Solde");
  EXPECT_EQ(resolvedString(Text("CNY"), french), "CNY");  // no translation: the key
  EXPECT_EQ(resolvedString(Text("Balance")), "Balance");
  EXPECT_EQ(resolvedString(Text::verbatim("Balance"), french), "Balance");  // never looked up

  const Text amount(1234.5, Decimal(Locale("de_DE")));
  EXPECT_EQ(resolvedString(amount), "1.234,5");
  EXPECT_EQ(formatted(std::get<FormattedNumber>(amount.content), Locale("en_US")), "1,234.5");
  EXPECT_EQ(resolvedString(Text(277, Decimal::Currency("CNY", Locale("en_US")))), "CN¥277.00");
}

}  // namespace
}  // namespace ui
