#include <gtest/gtest.h>

#include "foundation/locale.hpp"
#include "ui/view_dump.hpp"

namespace ui {
namespace {

using foundation::Locale;
using Decimal = foundation::FloatingPointFormatStyle<double>;

TEST(ViewDump, OneNodeALineWithChildrenThenModifiersInOrder) {
  const View tree =
      VStack(HorizontalAlignment::leading, 4,
             {
                 HStack(VerticalAlignment::top,
                        {Label("Title", "star.fill").font(Font::caption.bold()), Spacer(12)}),
                 Text(1234.5,
                      Decimal(Locale("de_DE"))
                          .precision(
                              foundation::NumberFormatStyleConfiguration::Precision::fractionLength(
                                  {0, 2})))
                     .font(Font::title2.monospaced())
                     .minimumScaleFactor(0.5)
                     .lineLimit(std::nullopt),
                 Link(*foundation::URL::string("app://open"),
                      Label(Text::verbatim("Go \"now\""), Image("arrow.right")))
                     .foregroundStyle(Color(RGBColorSpace::sRGB, 0.25, 0.5, 1, 0.75)),
             })
          .containerBackground(ContainerBackgroundPlacement::widget, Alignment::topLeading,
                               LinearGradient(Gradient{{Color::black, Color::orange}},
                                              UnitPoint::topLeading, UnitPoint{0.25, 1}))
          .foregroundStyle(Color::white);

  EXPECT_EQ(dump(tree), R"(VStack(alignment: leading, spacing: 4)
  HStack(alignment: top, spacing: nil)
    Label("Title", systemImage: "star.fill")
      .font(caption.bold())
    Spacer(minLength: 12)
  Text(1234.5, format: number(locale: de_DE, fractionLength: 0...2), shows: "1.234,5", font: title2.monospaced())
    .minimumScaleFactor(0.5)
    .lineLimit(nil)
  Link(destination: "app://open")
    label: Label(title:icon:)
      title: Text(verbatim: "Go \"now\"", font: nil)
      icon: Image(systemName: "arrow.right")
    .foregroundStyle(Color(sRGB, red: 0.25, green: 0.5, blue: 1, opacity: 0.75))
  .containerBackground(for: widget, alignment: topLeading)
    LinearGradient(colors: [black, orange], startPoint: topLeading, endPoint: UnitPoint(x: 0.25, y: 1))
  .foregroundStyle(white)
)");
}

TEST(ViewDump, InvisibleCharactersAndBrokenUTF8AreEscaped) {
  const struct {
    std::string content;
    std::string shown;
  } cases[] = {
      {"1\u202F234", R"("1\u{202F}234")"},          // narrow no-break space (fr_FR grouping)
      {"\u061C-5", R"("\u{061C}-5")"},              // Arabic letter mark
      {"a\u00A0b", R"("a\u{00A0}b")"},              // no-break space
      {"tab\there\n", R"("tab\there\n")"},          //
      {"\x01", R"("\u{0001}")"},                    // control character
      {"CN¥ é 日本", R"("CN¥ é 日本")"},            // visible characters stay as they are
      {"\xFF\xC3", R"("\x{FF}\x{C3}")"},            // not UTF-8, truncated sequence
      {"\xED\xA0\x80", R"("\x{ED}\x{A0}\x{80}")"},  // an encoded surrogate
      {"back\\slash", R"("back\\slash")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dump(Text::verbatim(c.content)), "Text(verbatim: " + c.shown + ", font: nil)\n");
  }
}

}  // namespace
}  // namespace ui
