#include "ui/text_style_table.hpp"

#include <array>
#include <cstddef>

namespace ui {

namespace {

using Weight = ResolvedFont::Weight;

// In the order of Font::TextStyle.
constexpr std::array<TextStyleMetrics, 11> kTable{{
    {34, Weight::regular},   // largeTitle
    {28, Weight::regular},   // title
    {22, Weight::regular},   // title2
    {20, Weight::regular},   // title3
    {17, Weight::semibold},  // headline
    {17, Weight::regular},   // body
    {16, Weight::regular},   // callout
    {15, Weight::regular},   // subheadline
    {13, Weight::regular},   // footnote
    {12, Weight::regular},   // caption
    {11, Weight::regular},   // caption2
}};
static_assert(static_cast<std::size_t>(Font::TextStyle::caption2) + 1 == kTable.size());

}  // namespace

const TextStyleMetrics& textStyleMetrics(Font::TextStyle style) {
  const auto index = static_cast<std::size_t>(style);
  return kTable[index < kTable.size() ? index : static_cast<std::size_t>(Font::TextStyle::body)];
}

}  // namespace ui
