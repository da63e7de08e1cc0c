#include <gtest/gtest.h>

#include "ui/layout/text_style_table.hpp"

namespace {

using D = ui::DynamicTypeSize;
using S = ui::Font::TextStyle;
using ui::ResolvedFont;

TEST(TextStyleTable, pointSizesByTextSizeAtBothEndsAndBetween) {
  const D columns[] = {D::xSmall, D::large, D::xxxLarge, D::accessibility1, D::accessibility5};
  const std::pair<S, std::array<double, 5>> rows[] = {
      {S::largeTitle, {31, 34, 40, 44, 60}}, {S::title, {25, 28, 34, 38, 58}},
      {S::title2, {19, 22, 28, 34, 56}},     {S::title3, {17, 20, 26, 31, 55}},
      {S::headline, {14, 17, 23, 28, 53}},   {S::body, {14, 17, 23, 28, 53}},
      {S::callout, {13, 16, 22, 26, 51}},    {S::subheadline, {12, 15, 21, 25, 49}},
      {S::footnote, {12, 13, 19, 23, 44}},   {S::caption, {11, 12, 18, 22, 43}},
      {S::caption2, {11, 11, 17, 20, 40}},
  };
  for (const auto& [style, sizes] : rows) {
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_EQ(ui::pointSize(style, columns[i]), sizes[i]) << toString(style) << ' ' << columns[i];
    }
    // No step up in text size shrinks a style: a slip in a column between those above shows here.
    for (std::size_t i = 1; i < ui::kAllDynamicTypeSizes.size(); ++i) {
      EXPECT_LE(ui::pointSize(style, ui::kAllDynamicTypeSizes[i - 1]),
                ui::pointSize(style, ui::kAllDynamicTypeSizes[i]))
          << toString(style) << ' ' << ui::kAllDynamicTypeSizes[i];
    }
  }
  // bold() wins over the style's weight; a fixed size never scales.
  EXPECT_EQ(ui::resolveFont(ui::Font::caption.bold(), D::xSmall),
            (ResolvedFont{11, ResolvedFont::Weight::bold}));
  EXPECT_EQ(ui::resolveFont(ui::Font::system(30).monospaced(), D::accessibility5),
            (ResolvedFont{30, ResolvedFont::Weight::regular, ResolvedFont::Design::monospaced}));
}

}  // namespace
