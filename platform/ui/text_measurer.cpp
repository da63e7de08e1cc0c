#include "ui/text_measurer.hpp"

#include <pango/pangocairo.h>

#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "ui/detail/pango_fonts.hpp"
#include "ui/detail/utf8.hpp"

namespace ui {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

// Byte offsets at which `text` may be cut: after each code point that is not followed by a
// combining mark (U+0300...U+036F, or the Indic vowel signs and viramas, which must stay with
// their base). Malformed bytes count as one code point each.
std::vector<std::size_t> cutPoints(std::string_view text) {
  std::vector<std::size_t> cuts;
  std::size_t i = 0;
  auto isMark = [](char32_t cp) {
    return (cp >= 0x300 && cp <= 0x36F) || (cp >= 0x900 && cp <= 0x903) ||
           (cp >= 0x93A && cp <= 0x94F) || (cp >= 0x981 && cp <= 0x983) ||
           (cp >= 0x9BC && cp <= 0x9D7) || cp == 0x200D || (cp >= 0xFE00 && cp <= 0xFE0F);
  };
  while (i < text.size()) {
    i += detail::decodeUtf8(text, i).length;
    if (i < text.size() && isMark(detail::decodeUtf8(text, i).codePoint)) continue;
    cuts.push_back(i);
  }
  return cuts;
}

}  // namespace

std::string TextMeasurer::truncateTail(std::string_view text, const ResolvedFont& font,
                                       double width) const {
  if (measure(text, font).width <= width) return std::string(text);
  if (measure(kEllipsis, font).width > width) return {};
  // Widths grow with the prefix, so the longest prefix that fits is found by bisection.
  const std::vector<std::size_t> cuts = cutPoints(text);
  std::size_t low = 0;  // number of cut points known to fit (0: the ellipsis alone)
  std::size_t high = cuts.size();
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    std::string candidate(text.substr(0, cuts[mid - 1]));
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

namespace {

// Widgets show the same few strings render after render; shaping them again is the larger part
// of a layout. Bounded: emptied when full, which a widget never reaches.
class MetricsCache {
 public:
  std::optional<TextMetrics> find(const std::string& key) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(key);
    if (found == entries_.end()) return std::nullopt;
    return found->second;
  }
  void store(std::string key, TextMetrics metrics) {
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kCapacity) entries_.clear();
    entries_.emplace(std::move(key), metrics);
  }

 private:
  static constexpr std::size_t kCapacity = 4096;
  std::mutex mutex_;
  std::unordered_map<std::string, TextMetrics> entries_;
};

std::string cacheKey(std::string_view text, const ResolvedFont& font) {
  std::string key;
  key.reserve(text.size() + 24);
  key.append(reinterpret_cast<const char*>(&font.pointSize), sizeof font.pointSize);
  key += static_cast<char>(font.weight);
  key += static_cast<char>(font.design);
  key += font.monospacedDigit ? '1' : '0';
  key.append(text);
  return key;
}

}  // namespace

TextMetrics PangoTextMeasurer::measure(std::string_view text, const ResolvedFont& font) const {
  static MetricsCache cache;
  std::string key = cacheKey(text, font);
  if (std::optional<TextMetrics> cached = cache.find(key)) return *cached;
  const TextMetrics metrics = measureUncached(text, font);
  cache.store(std::move(key), metrics);
  return metrics;
}

TextMetrics PangoTextMeasurer::measureUncached(std::string_view text,
                                               const ResolvedFont& font) const {
  // A context per thread: Pango contexts are not thread-safe, and making one costs more than
  // the measurement itself.
  thread_local detail::PangoContextPtr context = detail::newContext();
  detail::PangoLayoutPtr layout = detail::newLayout(context.get(), text, font);
  PangoRectangle logical{};
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  const double baseline = pango_units_to_double(pango_layout_get_baseline(layout.get()));
  return {pango_units_to_double(logical.width), baseline,
          pango_units_to_double(logical.height) - baseline};
}

}  // namespace ui
