#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ui/typesetting/resolved_font.hpp"
#include "ui/typesetting/shaped_line.hpp"

namespace ui {

// The size of one line of text, in points.
struct TextMetrics {
  double width = 0;
  // Distance from the top of the line box down to the baseline.
  double ascent = 0;
  // Distance from the baseline down to the bottom of the line box.
  double descent = 0;

  double height() const { return ascent + descent; }
  friend bool operator==(const TextMetrics&, const TextMetrics&) = default;
};

// Measures single lines of UTF-8 text. Layout depends on this interface alone, so that tests can
// substitute advances they can predict.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;

  virtual TextMetrics measure(std::string_view text, const ResolvedFont& font) const = 0;

  // The glyphs the line is drawn with, in em; none where the measurer does not shape (the
  // backends then shape the line themselves).
  virtual typesetting::ShapedLineRef shape(std::string_view text, const ResolvedFont& font) const;

  // The longest leading part of `text` followed by "…" whose width is at most `width`; the whole
  // text if it fits; "…" alone, whatever its width, if not even one grapheme and "…" fit. Cuts
  // fall between grapheme clusters.
  std::string truncateTail(std::string_view text, const ResolvedFont& font, double width) const;
};

// Every code point advances by `advance` em (so by advance * pointSize points); the ascent is
// 0.75 em and the descent 0.25 em, fractions that sum exactly. Predictable numbers for layout
// tests.
class FixedAdvanceTextMeasurer final : public TextMeasurer {
 public:
  explicit FixedAdvanceTextMeasurer(double advance = 0.5) : advance_(advance) {}
  TextMetrics measure(std::string_view text, const ResolvedFont& font) const override;

 private:
  double advance_;
};

// Measures with the renderer's own fonts, shaped as the raster and SVG backends draw them. The
// lines it shapes are kept while it lives, so the strings a widget shows again are not shaped
// again: a host keeps one for all its renders. Thread-safe. Throws FontSetError when a face it
// needs cannot be opened.
class ShapingTextMeasurer final : public TextMeasurer {
 public:
  ShapingTextMeasurer() = default;
  ShapingTextMeasurer(const ShapingTextMeasurer&) = delete;
  ShapingTextMeasurer& operator=(const ShapingTextMeasurer&) = delete;

  TextMetrics measure(std::string_view text, const ResolvedFont& font) const override;
  typesetting::ShapedLineRef shape(std::string_view text, const ResolvedFont& font) const override;

 private:
  // Bounded: emptied when full, which a widget's few strings never reach.
  static constexpr std::size_t kCapacity = 4096;
  // Shared by the lookups, which are nearly all the calls (a layout measures each text many
  // times): renders on every core find their lines side by side instead of in turn.
  mutable std::shared_mutex mutex_;
  mutable std::unordered_map<std::string, std::shared_ptr<const typesetting::ShapedLine>> lines_;
};

}  // namespace ui
