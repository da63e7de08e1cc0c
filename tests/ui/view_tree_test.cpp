#include <gtest/gtest.h>

#include <type_traits>

#include "foundation/locale.hpp"
#include "ui/color.hpp"
#include "ui/view.hpp"

namespace ui {
namespace {

using foundation::Locale;
using Decimal = foundation::FloatingPointFormatStyle<double>;

foundation::URL url(const char* text) {
  return *foundation::URL::string(text);
}

TEST(ViewTree, ModifiersKeepTheOrderOfTheCalls) {
  const View view = Image("star").font(Font::caption).foregroundStyle(Color::green).lineLimit(2);
  const std::vector<Modifier> expected = {
      FontModifier{Font::caption}, ForegroundStyleModifier{Color::green}, LineLimitModifier{2}};
  EXPECT_EQ(view.modifiers, expected);
  EXPECT_EQ(view.node, Node(Image("star")));

  // The same modifiers in another order wrap differently, so the trees differ.
  EXPECT_NE(Image("star").font(Font::caption).foregroundStyle(Color::green),
            Image("star").foregroundStyle(Color::green).font(Font::caption));
  // A modifier call leaves its receiver as it was.
  const View base = Spacer();
  const View modified = base.lineLimit(std::nullopt);
  EXPECT_TRUE(base.modifiers.empty());
  EXPECT_EQ(modified.modifiers, std::vector<Modifier>{LineLimitModifier{std::nullopt}});
}

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

TEST(ViewTree, EqualityIsStructuralAllTheWayDown) {
  const auto link = [](const char* destination, const char* icon, double amount) {
    return Link(url(destination), Label(Text(amount, Decimal(Locale("en_US"))), Image(icon)))
        .foregroundStyle(Color::green);
  };
  const auto tree = [&](const char* icon, double amount, Color background) {
    return VStack(HorizontalAlignment::leading, 8,
                  {HStack({link("app://a", icon, amount), Spacer()}), Text("title")})
        .containerBackground(
            ContainerBackgroundPlacement::widget,
            LinearGradient(Gradient{{background}}, UnitPoint::top, UnitPoint::bottom));
  };
  const View reference = tree("arrow", 1, Color::black);
  const View copy = reference;
  EXPECT_EQ(copy, reference);
  EXPECT_EQ(tree("arrow", 1, Color::black), reference);
  // A difference at any depth, in a slot or inside a modifier's content, makes the trees differ.
  EXPECT_NE(tree("other", 1, Color::black), reference);
  EXPECT_NE(tree("arrow", 2, Color::black), reference);
  EXPECT_NE(tree("arrow", 1, Color::white), reference);

  // The platform's convenience forms build the same values as the full forms.
  EXPECT_EQ(Text("CNY"), Text("CNY", std::nullopt, std::nullopt, std::nullopt));
  EXPECT_NE(Text("CNY"), Text("CNY", "Table", std::nullopt, std::nullopt));
  EXPECT_NE(Text("CNY"), Text::verbatim("CNY"));
  EXPECT_EQ(VStack({}), VStack(HorizontalAlignment::center, std::nullopt, {}));
  EXPECT_EQ(Spacer(), Spacer(std::nullopt));
  EXPECT_NE(Spacer(), Spacer(0));
  EXPECT_EQ(View(Spacer()).containerBackground(ContainerBackgroundPlacement::widget, Spacer()),
            View(Spacer()).containerBackground(ContainerBackgroundPlacement::widget,
                                               Alignment::center, Spacer()));
  EXPECT_NE(Label("a", "star"), Label(Text("a"), Image("star")));
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

TEST(Color, ResolvesNamedColoursPerSchemeAndKeepsComponentColours) {
  struct Case {
    Color color;
    RGBA light;
    RGBA dark;
  };
  const auto bytes = [](int r, int g, int b) { return RGBA{r / 255.0, g / 255.0, b / 255.0, 1}; };
  const Case cases[] = {
      {Color::green, bytes(52, 199, 89), bytes(48, 209, 88)},
      {Color::orange, bytes(255, 149, 0), bytes(255, 159, 10)},
      {Color::white, bytes(255, 255, 255), bytes(255, 255, 255)},
      {Color::black, bytes(0, 0, 0), bytes(0, 0, 0)},
      {Color::primary, bytes(0, 0, 0), bytes(255, 255, 255)},
      {Color(RGBColorSpace::sRGB, 0.12, 0.2, 0.15, 1.0), RGBA{0.12, 0.2, 0.15, 1},
       RGBA{0.12, 0.2, 0.15, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toString(c.color));
    EXPECT_EQ(resolve(c.color, ColorScheme::light), c.light);
    EXPECT_EQ(resolve(c.color, ColorScheme::dark), c.dark);
  }
}

}  // namespace
}  // namespace ui
