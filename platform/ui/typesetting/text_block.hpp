#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/geometry.hpp"
#include "ui/typesetting/resolved_font.hpp"
#include "ui/typesetting/shaped_line.hpp"
#include "ui/typesetting/text_fit.hpp"
#include "ui/typesetting/text_measurer.hpp"

namespace ui::typesetting {

// Past this many characters a text is cut (and ends in "…") before it is laid out: a widget
// shows a few dozen, and it bounds the time of a hostile string.
inline constexpr std::size_t kMaxLaidOutCharacters = 1000;

// What limits a text: the proposed size, the line limit (none: as many lines as the height
// holds) and how far it may shrink.
struct TextConstraints {
  foundation::Size proposal;
  std::optional<int> lineLimit;
  double minimumScaleFactor = 1;
};

// One line as drawn: its text, its width and offset from the block's left edge (right-to-left
// paragraphs are aligned right), and its glyphs where the measurer shapes.
struct TextLine {
  std::string text;
  double x = 0;
  double width = 0;
  ShapedLineRef shaped;
  friend bool operator==(const TextLine&, const TextLine&) = default;
};

struct TextBlock {
  std::vector<TextLine> lines;
  ResolvedFont font;  // after shrinking
  double width = 0;
  // Of every line: the baseline lies `ascent` below its top; lines follow each other at
  // ascent + descent.
  double ascent = 0;
  double descent = 0;
  TextFit fit;

  double lineHeight() const { return ascent + descent; }
  double height() const { return lineHeight() * static_cast<double>(lines.size()); }
};

// Breaks `text` into lines with ICU's line breaker (between grapheme clusters inside a word
// longer than the line), within the line limit and the lines the height holds; shrinks it down
// to the minimum scale factor before anything is cut; then ends the last line with "…" at a
// grapheme boundary. Malformed UTF-8 shows U+FFFD. A zero, negative or NaN width counts as 0.
TextBlock typeset(std::string_view text, const ResolvedFont& font,
                  const TextConstraints& constraints, const TextMeasurer& measurer);

// Byte offsets in `text` after which a line may end (the last is text.size()), with whether the
// line must end there. Text must be valid UTF-8.
struct LineBreak {
  std::size_t offset;
  bool hard;
};
std::vector<LineBreak> lineBreaks(std::string_view text);

// Byte offsets of the grapheme cluster boundaries after the start (the last is text.size()).
std::vector<std::size_t> graphemeBoundaries(std::string_view text);

}  // namespace ui::typesetting
