#include "ui/layout/resolve_font.hpp"

#include "ui/layout/text_style_table.hpp"

namespace ui {

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
