#include "ui/typesetting/text_measurer.hpp"

#include <mutex>
#include <vector>

#include "ui/typesetting/shaper.hpp"
#include "ui/typesetting/text_block.hpp"

namespace ui {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

}  // namespace

typesetting::ShapedLineRef TextMeasurer::shape(std::string_view, const ResolvedFont&) const {
  return {};
}

std::string TextMeasurer::truncateTail(std::string_view text, const ResolvedFont& font,
                                       double width) const {
  if (measure(text, font).width <= width) return std::string(text);
  // Too narrow for a grapheme and the ellipsis: the ellipsis alone, even wider than the room,
  // never nothing. The platform's tail truncation keeps its truncation token whatever the width
  // (a squeezed text shows "…"), so that a cut text always shows that something was cut; its
  // first grapheme alone would read as a whole word.
  if (measure(kEllipsis, font).width > width) return std::string(kEllipsis);
  // Widths grow with the prefix, so the longest prefix that fits is found by bisection.
  const std::vector<std::size_t> cuts = typesetting::graphemeBoundaries(text);
  std::size_t low = 0;  // number of cut points known to fit (0: the ellipsis alone)
  std::size_t high = cuts.size();
  std::string candidate;
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    candidate.assign(text.substr(0, cuts[mid - 1]));
    candidate += kEllipsis;
    if (measure(candidate, font).width <= width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  std::string result(text.substr(0, low == 0 ? 0 : cuts[low - 1]));
  result += kEllipsis;
  return result;
}

TextMetrics FixedAdvanceTextMeasurer::measure(std::string_view text,
                                              const ResolvedFont& font) const {
  std::size_t codePoints = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++codePoints;
  }
  return {static_cast<double>(codePoints) * advance_ * font.pointSize, 0.75 * font.pointSize,
          0.25 * font.pointSize};
}

TextMetrics ShapingTextMeasurer::measure(std::string_view text, const ResolvedFont& font) const {
  const auto line = shape(text, font).line;
  return {line->width * font.pointSize, line->ascent * font.pointSize,
          line->descent * font.pointSize};
}

typesetting::ShapedLineRef ShapingTextMeasurer::shape(std::string_view text,
                                                      const ResolvedFont& font) const {
  std::string key;
  key.reserve(text.size() + 3);
  key += static_cast<char>(font.weight);
  key += static_cast<char>(font.design);
  key += font.monospacedDigit ? '1' : '0';
  key.append(text);
  {
    std::shared_lock lock(mutex_);
    const auto found = lines_.find(key);
    if (found != lines_.end()) return {found->second};
  }
  auto line = std::make_shared<const typesetting::ShapedLine>(typesetting::shapeLine(text, font));
  std::lock_guard lock(mutex_);
  if (lines_.size() >= kCapacity) lines_.clear();
  lines_.emplace(std::move(key), line);
  return {line};
}

}  // namespace ui
