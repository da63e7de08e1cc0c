// Every locale ICU has draws the widget's texts, and every string table its strings, without a
// missing-glyph box; and no text of the widget vanishes, however large the user's text size.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/money_entry.hpp"
#include "extension/pocketta_widget.hpp"
#include "foundation/localized_strings.hpp"
#include "host/renderer.hpp"
#include "ui/inspection/picture_inspection.hpp"
#include "ui/view/view.hpp"

namespace {

ui::RenderEnvironment environmentIn(const std::string& locale, foundation::Size size) {
  ui::RenderEnvironment environment;
  environment.locale = foundation::Locale(locale);
  environment.layoutDirection = ui::RenderEnvironment::directionOf(environment.locale);
  environment.languages = {locale};
  environment.canvas = ui::WidgetCanvas{size};
  return environment;
}

// "locale: text" for each run of the list with a missing-glyph box.
void collectBoxes(const ui::DisplayList& list, const std::string& where,
                  std::vector<std::string>& out) {
  for (const ui::DisplayItem& item : list) {
    const auto* run = std::get_if<ui::TextRun>(&item);
    if (run != nullptr && ui::missingGlyphs(*run) > 0) out.push_back(where + ": " + run->text);
  }
}

TEST(FontCoverage, everyLocaleDrawsTheWidgetsAmountsAndEveryTableItsStringsWithoutBoxes) {
  const host::WidgetConfiguration configuration = pocketta::PockettaWidget{}.body();
  const host::Renderer renderer;
  // Grouping, decimals and the minus sign of each locale, in the medium widget, where none is
  // cut.
  const pocketta::MoneyEntry entries[] = {
      {foundation::Date{0}, 12840.5, 350, 86.4},
      {foundation::Date{0}, -1234567.89, 0, 1000000.25},
  };
  std::vector<std::string> boxes;
  const std::vector<std::string> locales = foundation::Locale::availableIdentifiers();
  ASSERT_GT(locales.size(), 700u);
  for (const std::string& locale : locales) {
    for (const auto& entry : entries) {
      const ui::View view = configuration.content(host::AnyEntry::make(entry));
      collectBoxes(renderer.displayList(view, environmentIn(locale, {364, 170})), locale, boxes);
    }
  }
  // The gallery's texts in each language the widget has a table for.
  const auto strings =
      foundation::LocalizedStrings::load(std::string(POCKETTA_SOURCE_DIR) + "/resources/strings");
  ASSERT_FALSE(strings.languageTags().empty());
  for (const std::string& tag : strings.languageTags()) {
    for (const auto& key : {configuration.displayName().key, configuration.descriptionKey().key}) {
      const ui::View text =
          ui::Text::verbatim(strings.localized(key, std::vector<std::string>{tag}))
              .font(ui::Font::headline);
      collectBoxes(renderer.displayList(text, environmentIn("en_US", {1000, 100})), tag, boxes);
    }
  }
  EXPECT_THAT(boxes, testing::IsEmpty());
}

// The small widget at text size accessibility3 on the sample store's values: its POCKETTA title
// and its income amount are too narrow for a letter and "…", and show "…" rather than nothing.
TEST(FontCoverage, aTextCutToNothingShowsItsEllipsis) {
  const host::WidgetConfiguration configuration = pocketta::PockettaWidget{}.body();
  const host::Renderer renderer;
  ui::RenderEnvironment environment = environmentIn("en_US", {170, 170});
  environment.dynamicTypeSize = ui::DynamicTypeSize::accessibility3;
  const ui::View view = configuration.content(
      host::AnyEntry::make(pocketta::MoneyEntry{foundation::Date{0}, 12840.5, 350, 86.4}));
  const auto texts = ui::placedTexts(renderer.layout(view, environment).content);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0].text, "\u2026");  // POCKETTA
  EXPECT_TRUE(texts[0].fit.truncated);
  EXPECT_EQ(texts[3].text, "\u2026");  // 350
  EXPECT_TRUE(texts[3].fit.truncated);
  for (const ui::PlacedText& text : texts) {
    EXPECT_FALSE(text.text.empty());
    EXPECT_GT(text.frame.size.width, 0);
  }
}

}  // namespace
