#include "ui/typesetting/text_block.hpp"

#include <unicode/ubidi.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "foundation/unicode.hpp"
#include "ui/typesetting/shaper.hpp"

namespace ui::typesetting {

namespace {

constexpr std::string_view kEllipsis = "\u2026";
// Measurements carry rounding noise; a text this much wider than its room still fits.
constexpr double kFitTolerance = 1e-6;

struct BreakIteratorCloser {
  void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
using BreakIteratorPtr = std::unique_ptr<UBreakIterator, BreakIteratorCloser>;

// Opening an iterator loads its rules; each thread keeps one of each kind.
UBreakIterator* iterator(UBreakIteratorType type, std::string_view text) {
  thread_local BreakIteratorPtr kept[2];
  BreakIteratorPtr& slot = kept[type == UBRK_LINE ? 0 : 1];
  UErrorCode status = U_ZERO_ERROR;
  if (!slot) slot.reset(ubrk_open(type, "", nullptr, 0, &status));
  if (U_FAILURE(status) || !slot) return nullptr;
  UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  ubrk_setUText(slot.get(), utext, &status);
  utext_close(utext);  // the iterator keeps its own shallow clone
  return U_SUCCESS(status) ? slot.get() : nullptr;
}

bool isTrailingSpace(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029 ||
         c == 0x3000 || c == 0x85;
}

// `text` without the spaces and line separators at its end: they hang past the line's edge.
std::string_view trimmed(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    std::size_t start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    if (!isTrailingSpace(foundation::decodeUtf8(text, start).codePoint)) break;
    end = start;
  }
  return text.substr(0, end);
}

// The text at most kMaxLaidOutCharacters code points long, valid UTF-8.
std::string bounded(std::string_view text) {
  std::string valid = validUtf8(text);
  std::size_t count = 0;
  for (std::size_t i = 0; i < valid.size(); ++i) {
    if ((static_cast<unsigned char>(valid[i]) & 0xC0) == 0x80) continue;
    if (++count > kMaxLaidOutCharacters) {
      valid.resize(i);
      valid += kEllipsis;
      break;
    }
  }
  return valid;
}

bool rightToLeft(std::string_view text) {
  // The first strong character decides, as for the shaped line.
  for (std::size_t i = 0; i < text.size();) {
    const foundation::Utf8Step step = foundation::decodeUtf8(text, i);
    i += step.length;
    const UCharDirection d = u_charDirection(static_cast<UChar32>(step.codePoint));
    if (d == U_LEFT_TO_RIGHT) return false;
    if (d == U_RIGHT_TO_LEFT || d == U_RIGHT_TO_LEFT_ARABIC) return true;
  }
  return false;
}

struct Breaker {
  const TextMeasurer& measurer;
  std::string_view text;
  std::vector<LineBreak> breaks;
  std::vector<std::size_t> graphemes;

  double width(std::size_t from, std::size_t to, const ResolvedFont& font) const {
    return measurer.measure(trimmed(text.substr(from, to - from)), font).width;
  }

  // Line starts and ends, at most `maxLines` of them (the last may not reach the end).
  std::vector<std::pair<std::size_t, std::size_t>> wrap(const ResolvedFont& font, double room,
                                                        std::size_t maxLines) const {
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    std::size_t pos = 0;
    auto nextBreak = breaks.begin();
    while (pos < text.size() && lines.size() < maxLines) {
      while (nextBreak != breaks.end() && nextBreak->offset <= pos) ++nextBreak;
      auto last = nextBreak;
      while (last != breaks.end() && !last->hard) ++last;
      if (last != breaks.end()) ++last;  // candidates: [nextBreak, last), the hard one included
      // Widths grow with the line, so the farthest break that fits is found by bisection.
      std::ptrdiff_t low = 0, high = last - nextBreak;
      while (low < high) {
        const std::ptrdiff_t mid = (low + high + 1) / 2;
        if (width(pos, nextBreak[mid - 1].offset, font) <= room + kFitTolerance) {
          low = mid;
        } else {
          high = mid - 1;
        }
      }
      std::size_t end;
      if (low > 0) {
        end = nextBreak[low - 1].offset;
      } else {
        // A word longer than the line: cut between grapheme clusters, at least one per line.
        const std::size_t limit = nextBreak == breaks.end() ? text.size() : nextBreak->offset;
        auto first = std::upper_bound(graphemes.begin(), graphemes.end(), pos);
        auto stop = std::upper_bound(first, graphemes.end(), limit);
        std::ptrdiff_t g = 0, h = stop - first;
        while (g < h) {
          const std::ptrdiff_t mid = (g + h + 1) / 2;
          if (width(pos, first[mid - 1], font) <= room + kFitTolerance) {
            g = mid;
          } else {
            h = mid - 1;
          }
        }
        end = first == graphemes.end() ? text.size() : first[std::max<std::ptrdiff_t>(g, 1) - 1];
      }
      lines.emplace_back(pos, end);
      pos = end;
    }
    return lines;
  }
};

}  // namespace

std::vector<LineBreak> lineBreaks(std::string_view text) {
  std::vector<LineBreak> out;
  if (UBreakIterator* it = iterator(UBRK_LINE, text)) {
    for (int32_t at = ubrk_following(it, 0); at != UBRK_DONE; at = ubrk_next(it)) {
      out.push_back({static_cast<std::size_t>(at), ubrk_getRuleStatus(it) >= UBRK_LINE_HARD &&
                                                       static_cast<std::size_t>(at) < text.size()});
    }
  }
  if (out.empty() || out.back().offset != text.size()) out.push_back({text.size(), false});
  return out;
}

std::vector<std::size_t> graphemeBoundaries(std::string_view text) {
  std::vector<std::size_t> out;
  if (UBreakIterator* it = iterator(UBRK_CHARACTER, text)) {
    for (int32_t at = ubrk_following(it, 0); at != UBRK_DONE; at = ubrk_next(it)) {
      out.push_back(static_cast<std::size_t>(at));
    }
  }
  if (out.empty() || out.back() != text.size()) out.push_back(text.size());
  return out;
}

TextBlock typeset(std::string_view original, const ResolvedFont& font,
                  const TextConstraints& constraints, const TextMeasurer& measurer) {
  const std::string content = bounded(original);
  double room = constraints.proposal.width;
  if (!(room >= 0)) room = 0;  // also NaN
  const double height = constraints.proposal.height;
  const std::size_t limit = constraints.lineLimit
                                ? static_cast<std::size_t>(std::max(1, *constraints.lineLimit))
                                : std::numeric_limits<std::size_t>::max();
  const double minimumScale =
      constraints.minimumScaleFactor > 0 && constraints.minimumScaleFactor <= 1
          ? constraints.minimumScaleFactor
          : 1;
  // Most texts fit on one line as they are: no break iterator is needed for them.
  const bool hardBreaks = content.find_first_of("\n\r\v\f") != std::string::npos ||
                          content.find("\u2028") != std::string::npos ||
                          content.find("\u2029") != std::string::npos ||
                          content.find("\u0085") != std::string::npos;
  // A line taller than the offered height does not fit it either; when the text may not shrink
  // (or not enough) it is still shown, one line overflowing.
  auto tooTall = [&](const ResolvedFont& f) {
    return height >= 0 && std::isfinite(height) &&
           measurer.measure("", f).height() > height + kFitTolerance;
  };
  if (!hardBreaks) {
    const TextMetrics whole = measurer.measure(content, font);
    if (whole.width <= room + kFitTolerance && (minimumScale == 1 || !tooTall(font))) {
      TextBlock result;
      result.font = font;
      result.width = content.empty() ? 0 : whole.width;
      result.ascent = whole.ascent;
      result.descent = whole.descent;
      result.lines.push_back({content, 0, result.width, measurer.shape(content, font)});
      return result;
    }
  }
  const Breaker breaker{measurer, content, lineBreaks(content), graphemeBoundaries(content)};

  // The lines the offered height holds, at least one.
  auto allowed = [&](const ResolvedFont& f) {
    const double lineHeight = measurer.measure("", f).height();
    if (!(height >= 0) || !std::isfinite(height) || !(lineHeight > 0)) return limit;
    const auto fitting =
        static_cast<std::size_t>(std::max(1.0, std::floor(height / lineHeight + 1e-9)));
    return std::min(limit, fitting);
  };
  auto attempt = [&](double scale) {
    const ResolvedFont f = scale == 1 ? font : font.scaled(scale);
    const std::size_t lines = allowed(f);
    auto wrapped =
        breaker.wrap(f, room, lines == std::numeric_limits<std::size_t>::max() ? lines : lines + 1);
    bool fits = wrapped.size() <= lines;
    for (const auto& [from, to] : wrapped) {
      fits = fits && breaker.width(from, to, f) <= room + kFitTolerance;
    }
    // Whether the lines fit their width, and whether they also fit the height.
    return std::tuple{fits, fits && !tooTall(f), std::move(wrapped)};
  };

  double scale = 1;
  auto [fits, roomy, spans] = attempt(1);
  if (!roomy && minimumScale < 1) {
    // The largest scale that fits, between the minimum and 1. A single line is proportional to
    // its size, so its estimate fits at once; wrapped lines are bisected to 0.1 %.
    double low = minimumScale, high = 1;
    auto [fitsAtLow, roomyAtLow, spansAtLow] = attempt(low);
    if (roomyAtLow) {
      const double whole = breaker.width(0, content.size(), font);
      double guess = whole > 0 ? room / whole : low;
      const double lineHeight = measurer.measure("", font).height();
      if (lineHeight > 0 && std::isfinite(height)) guess = std::min(guess, height / lineHeight);
      guess = std::clamp(guess, low, high);
      const bool singleLine = limit == 1;
      for (int step = 0; step < 12; ++step) {
        [[maybe_unused]] auto [widthOk, ok, guessed] = attempt(guess);
        if (ok) {
          low = guess;
          spansAtLow = std::move(guessed);
          if (high - low < 1e-3 || singleLine) break;
        } else {
          high = guess;
        }
        guess = (low + high) / 2;
      }
      fits = true;
    } else {
      fits = fitsAtLow;
    }
    scale = low;
    spans = std::move(spansAtLow);
  }

  TextBlock result;
  result.font = scale == 1 ? font : font.scaled(scale);
  const std::size_t lines = allowed(result.font);
  bool truncated = false;
  if (!fits) {
    if (spans.size() > lines) spans.resize(lines);
    // The last line takes the rest of the text, cut with an ellipsis.
    const std::size_t start = spans.empty() ? 0 : spans.back().first;
    std::string rest(content.substr(start));
    for (char& c : rest) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    std::string cut = measurer.truncateTail(trimmed(rest), result.font, room);
    truncated = true;
    if (spans.empty()) spans.emplace_back(0, 0);
    spans.back().second = content.size();
    result.lines.resize(spans.size());
    result.lines.back().text = std::move(cut);
  } else {
    result.lines.resize(spans.size());
  }
  if (result.lines.empty()) result.lines.resize(1);

  const bool rtl = rightToLeft(content);
  TextMetrics first = measurer.measure("", result.font);
  result.ascent = first.ascent;
  result.descent = first.descent;
  for (std::size_t i = 0; i < result.lines.size(); ++i) {
    TextLine& line = result.lines[i];
    if (i < spans.size() && !(truncated && i + 1 == result.lines.size())) {
      line.text = std::string(trimmed(
          std::string_view(content).substr(spans[i].first, spans[i].second - spans[i].first)));
    }
    const TextMetrics metrics = measurer.measure(line.text, result.font);
    line.width = line.text.empty() ? 0 : metrics.width;
    line.shaped = measurer.shape(line.text, result.font);
    result.width = std::max(result.width, line.width);
    result.ascent = std::max(result.ascent, metrics.ascent);
    result.descent = std::max(result.descent, metrics.descent);
  }
  for (TextLine& line : result.lines) line.x = rtl ? result.width - line.width : 0;
  result.fit = {scale, static_cast<int>(result.lines.size()), truncated};
  return result;
}

}  // namespace ui::typesetting
