#pragma once

#include "ui/environment/dynamic_type_size.hpp"
#include "ui/typesetting/resolved_font.hpp"
#include "ui/view/font.hpp"

namespace ui {

// What a text style is drawn with before bold(), monospaced() and the like apply.
struct TextStyleMetrics {
  double pointSize = 17;
  ResolvedFont::Weight weight = ResolvedFont::Weight::regular;
  friend bool operator==(const TextStyleMetrics&, const TextStyleMetrics&) = default;
};

// The one table of the text styles, by style and by the user's text size. At the default size
// (large): caption2 11 pt, caption 12, footnote 13, subheadline 15, callout 16, body 17,
// headline 17 semibold, title3 20, title2 22, title 28, largeTitle 34.
TextStyleMetrics textStyleMetrics(Font::TextStyle style,
                                  DynamicTypeSize size = DynamicTypeSize::large);

inline double pointSize(Font::TextStyle style, DynamicTypeSize size = DynamicTypeSize::large) {
  return textStyleMetrics(style, size).pointSize;
}

// A font as the renderer draws it at the user's text size: the style's size and weight from the
// table, with bold(), monospaced() and monospacedDigit() carried over. A fixed size stays as it is.
ResolvedFont resolveFont(const Font& font, DynamicTypeSize size = DynamicTypeSize::large);

}  // namespace ui
