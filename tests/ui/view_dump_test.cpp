#include <gtest/gtest.h>

#include <type_traits>

#include "foundation/locale.hpp"
#include "ui/view/view.hpp"
#include "ui/view/view_dump.hpp"

namespace ui {
namespace {

using foundation::Locale;
using Decimal = foundation::FloatingPointFormatStyle<double>;

// One node a line, children indented under it, then its modifiers in order; every character of a
// text can be seen. What each node's line says is read straight off the tree.
TEST(ViewDump, ChildrenThenModifiersAndEveryCharacterVisible) {
  auto text = [](const char* shown) {
    return "Text(verbatim: \"" + std::string(shown) + "\", font: nil)\n";
  };
  const std::pair<View, std::string> cases[] = {
      {VStack(HorizontalAlignment::leading, 4,
              {Label("Title", "star.fill").font(Font::caption.bold()),
               Text(1234.5, Decimal(Locale("de_DE"))).font(Font::title2.monospaced()).lineLimit(1)})
           .foregroundStyle(Color::white),
       "VStack(alignment: leading, spacing: 4)\n"
       "  Label(\"Title\", systemImage: \"star.fill\")\n"
       "    .font(caption.bold())\n"
       "  Text(1234.5, format: number(locale: de_DE), shows: \"1.234,5\", font: "
       "title2.monospaced())\n"
       "    .lineLimit(1)\n"
       "  .foregroundStyle(white)\n"},
      // Invisible characters, quotes, backslashes and bytes that are not UTF-8 are escaped.
      {Text::verbatim("1\u202F234 \u061C-5 a\u00A0b \x01"),
       text(R"(1\u{202F}234 \u{061C}-5 a\u{00A0}b \u{0001})")},
      {Text::verbatim("tab\there\n \"q\" back\\slash"), text(R"(tab\there\n \"q\" back\\slash)")},
      {Text::verbatim("CN¥ é 日本"), text("CN¥ é 日本")},
      {Text::verbatim("\xFF\xC3 \xED\xA0\x80"),  // truncated, a surrogate
       text(R"(\x{FF}\x{C3} \x{ED}\x{A0}\x{80})")},
  };
  for (const auto& [view, shown] : cases) EXPECT_EQ(dump(view), shown);
}

// How modifiers print, own fonts included, is the dump's test to show.
TEST(ViewTree, TextFontIsTheTextsOwnAndResolvedStringIsWhatTheTextShows) {
  static_assert(std::is_same_v<decltype(Text("a").font(Font::caption)), Text>);
  static_assert(std::is_same_v<decltype(Image("a").font(Font::caption)), View>);
  EXPECT_NE(View(Text("a").font(Font::caption)), View(Text("a")).font(Font::caption));

  auto strings = std::make_shared<foundation::LocalizedStrings>();
  strings->add("fr", foundation::StringTable::parse(R"("Balance" = "Solde";)"));
  RenderEnvironment french;
  french.locale = Locale("fr_FR");
  french.languages = {"fr_FR"};
  french.strings = strings;
  EXPECT_EQ(resolvedString(Text("Balance"), french), "Solde");
  EXPECT_EQ(resolvedString(Text("CNY"), french), "CNY");  // no translation: the key
  EXPECT_EQ(resolvedString(Text("Balance"), RenderEnvironment{}), "Balance");
  EXPECT_EQ(resolvedString(Text::verbatim("Balance"), french), "Balance");  // never looked up
  // A number in its style's own locale, an autoupdating style in the render's.
  EXPECT_EQ(resolvedString(Text(1234.5, Decimal(Locale("de_DE"))), french), "1.234,5");
  EXPECT_EQ(resolvedString(Text(1234.5, Decimal(Locale::autoupdatingCurrent())), french),
            "1\u202F234,5");
}

}  // namespace
}  // namespace ui
