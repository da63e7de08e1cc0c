#include "ui/resolve_font.hpp"

#include "ui/text_style_table.hpp"

namespace ui {

ResolvedFont resolveFont(const Font& font) {
  const TextStyleMetrics& style = textStyleMetrics(font.style);
  ResolvedFont resolved;
  resolved.pointSize = style.pointSize;
  resolved.weight = font.weight == Font::Weight::bold ? ResolvedFont::Weight::bold : style.weight;
  if (font.design == Font::Design::monospaced) resolved.design = ResolvedFont::Design::monospaced;
  resolved.monospacedDigit = font.monospacedDigits;
  return resolved;
}

}  // namespace ui
