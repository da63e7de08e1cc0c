#include "ui/layout/text_style_table.hpp"

#include <array>
#include <cstddef>

namespace ui {

namespace {

using Weight = ResolvedFont::Weight;

struct StyleRow {
  Weight weight;
  // In the order of DynamicTypeSize.
  std::array<double, kAllDynamicTypeSizes.size()> pointSizes;
};

// From the platform's Human Interface Guidelines, Typography, the phone's "Dynamic Type sizes"
// tables: the standard sizes (xSmall to xxxLarge) and the larger accessibility type sizes.
// Rows in the order of Font::TextStyle.
constexpr std::array<StyleRow, 11> kTable{{
    {Weight::regular, {31, 32, 33, 34, 36, 38, 40, 44, 48, 52, 56, 60}},   // largeTitle
    {Weight::regular, {25, 26, 27, 28, 30, 32, 34, 38, 43, 48, 53, 58}},   // title
    {Weight::regular, {19, 20, 21, 22, 24, 26, 28, 34, 39, 44, 50, 56}},   // title2
    {Weight::regular, {17, 18, 19, 20, 22, 24, 26, 31, 37, 43, 49, 55}},   // title3
    {Weight::semibold, {14, 15, 16, 17, 19, 21, 23, 28, 33, 40, 47, 53}},  // headline
    {Weight::regular, {14, 15, 16, 17, 19, 21, 23, 28, 33, 40, 47, 53}},   // body
    {Weight::regular, {13, 14, 15, 16, 18, 20, 22, 26, 32, 38, 44, 51}},   // callout
    {Weight::regular, {12, 13, 14, 15, 17, 19, 21, 25, 30, 36, 42, 49}},   // subheadline
    {Weight::regular, {12, 12, 12, 13, 15, 17, 19, 23, 27, 33, 38, 44}},   // footnote
    {Weight::regular, {11, 11, 11, 12, 14, 16, 18, 22, 26, 32, 37, 43}},   // caption
    {Weight::regular, {11, 11, 11, 11, 13, 15, 17, 20, 24, 29, 34, 40}},   // caption2
}};
static_assert(static_cast<std::size_t>(Font::TextStyle::caption2) + 1 == kTable.size());
static_assert(static_cast<std::size_t>(DynamicTypeSize::accessibility5) + 1 ==
              kAllDynamicTypeSizes.size());

}  // namespace

TextStyleMetrics textStyleMetrics(Font::TextStyle style, DynamicTypeSize size) {
  auto index = static_cast<std::size_t>(style);
  if (index >= kTable.size()) index = static_cast<std::size_t>(Font::TextStyle::body);
  auto column = static_cast<std::size_t>(size);
  if (column >= kAllDynamicTypeSizes.size())
    column = static_cast<std::size_t>(DynamicTypeSize::large);
  return {kTable[index].pointSizes[column], kTable[index].weight};
}

ResolvedFont resolveFont(const Font& font, DynamicTypeSize size) {
  const TextStyleMetrics style = textStyleMetrics(font.style, size);
  ResolvedFont resolved;
  resolved.pointSize = style.pointSize;
  resolved.weight = font.weight == Font::Weight::bold ? ResolvedFont::Weight::bold : style.weight;
  if (font.fixedSize) {
    // A NaN or non-positive size would draw nothing measurable; it falls back to the style's.
    if (*font.fixedSize > 0 && *font.fixedSize < 1e4) resolved.pointSize = *font.fixedSize;
  }
  if (font.design == Font::Design::monospaced) resolved.design = ResolvedFont::Design::monospaced;
  resolved.monospacedDigit = font.monospacedDigits;
  return resolved;
}

}  // namespace ui
