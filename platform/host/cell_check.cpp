#include "host/cell_check.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/shortest_decimal.hpp"
#include "host/renderer.hpp"

namespace host {

namespace {

// The platform's guidance: text at least 11 points; tap targets at least 44 x 44 points;
// contrast (WCAG) at least 4.5:1, or 3:1 for text from 18 points.
constexpr double kSmallestText = 11;
constexpr double kSmallestTarget = 44;
constexpr double kLargeText = 18;
constexpr double kContrast = 4.5;
constexpr double kLargeTextContrast = 3;

// To a tenth, written as short as it reads back.
std::string tenths(double value) {
  return foundation::shortestDecimal(std::round(value * 10) / 10);
}

std::string percent(double scale) {
  return tenths(scale * 100) + " %";
}

std::string hex(ui::RGBA color) {
  auto channel = [](double c) {
    return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
  };
  char out[8];
  std::snprintf(out, sizeof out, "#%02X%02X%02X", channel(color.red), channel(color.green),
                channel(color.blue));
  return out;
}

std::string shown(std::string text) {
  std::replace(text.begin(), text.end(), '\n', '/');
  return text;
}

std::string subjectOf(const ui::DisplayItem& item) {
  if (const auto* run = std::get_if<ui::TextRun>(&item)) return run->text;
  if (const auto* symbol = std::get_if<ui::Symbol>(&item)) return symbol->name;
  return "content";
}

void textRules(const ui::WidgetLayout& layout, const PictureShown& picture, const CheckRules& rules,
               std::vector<CheckFinding>& out) {
  const std::vector<ui::PlacedText> texts = ui::placedTexts(layout.content);
  for (const ui::PlacedText& text : texts) {
    const ui::TextFit& fit = text.fit;
    if (fit.truncated && rules.has(CheckRule::truncated)) {
      out.push_back({CheckRule::truncated, shown(text.text), text.frame, fit.scale * 100,
                     text.text == "\u2026" ? std::string("nothing left but \"…\"")
                                           : "cut at " + percent(fit.scale) + " of its size"});
    }
  }
  for (const ui::PlacedText& text : texts) {
    if (text.fit.wrapped() && rules.has(CheckRule::wrapped)) {
      out.push_back({CheckRule::wrapped, shown(text.text), text.frame,
                     static_cast<double>(text.fit.lineCount),
                     std::to_string(text.fit.lineCount) + " lines"});
    }
  }
  for (const ui::PlacedText& text : texts) {
    if (text.fit.shrank() && rules.has(CheckRule::shrunk)) {
      out.push_back({CheckRule::shrunk, shown(text.text), text.frame, text.fit.scale * 100,
                     "to " + percent(text.fit.scale)});
    }
  }
  if (!rules.has(CheckRule::smallText)) return;
  for (const ui::PlacedText& text : texts) {
    const double size = text.font.pointSize * picture.enlargement;
    if (size < kSmallestText - 1e-9) {
      out.push_back({CheckRule::smallText, shown(text.text), text.frame, size,
                     tenths(size) + " pt (at least 11)"});
    }
  }
}

}  // namespace

std::vector<CheckFinding> checkPicture(const ui::WidgetLayout& layout, const ui::DisplayList& list,
                                       const PictureShown& picture, const CheckRules& rules,
                                       const ui::PictureInspector* inspector) {
  std::vector<CheckFinding> out;
  textRules(layout, picture, rules, out);
  const ui::RenderEnvironment& environment = picture.environment;
  const std::size_t content = ui::contentStart(list, environment);

  if (rules.has(CheckRule::missingGlyph)) {
    for (std::size_t i = content; i < list.size(); ++i) {
      const auto* run = std::get_if<ui::TextRun>(&list[i]);
      const std::size_t missing = run != nullptr ? ui::missingGlyphs(*run) : 0;
      if (missing == 0) continue;
      out.push_back({CheckRule::missingGlyph, run->text, run->rect, static_cast<double>(missing),
                     std::to_string(missing) + (missing == 1 ? " box" : " boxes")});
    }
  }

  std::optional<ui::PictureInspection> pixels;
  if (inspector != nullptr && rules.needPixels()) {
    pixels = inspector->inspect(list, content, environment.canvas, environment.displayScale);
  }
  if (pixels && rules.has(CheckRule::contrast)) {
    for (const ui::TextContrast& measured : pixels->contrast) {
      const auto& run = std::get<ui::TextRun>(list[measured.item]);
      const double size = run.font.pointSize * picture.enlargement;
      const double needed = size >= kLargeText ? kLargeTextContrast : kContrast;
      // Rounded as the ratio is shown, so that a finding never reads "4.5:1 (needs 4.5:1)".
      const double ratio = std::round(measured.ratio * 100) / 100;
      if (ratio >= needed) continue;
      out.push_back({CheckRule::contrast, run.text, run.rect, ratio,
                     foundation::shortestDecimal(ratio) + ":1 (needs " +
                         foundation::shortestDecimal(needed) + ":1), " + hex(measured.text) +
                         " on " + hex(measured.background)});
    }
  }

  const bool small = environment.widgetFamily == ui::WidgetFamily::systemSmall;
  for (std::size_t i = content; i < list.size(); ++i) {
    const auto* link = std::get_if<ui::LinkRegion>(&list[i]);
    if (link == nullptr) continue;
    const std::string url = link->destination.absoluteString();
    if (small && rules.has(CheckRule::ignoredLink)) {
      // On the phone a small widget is one tap target: its links do not open their own URLs.
      out.push_back(
          {CheckRule::ignoredLink, url, link->rect, 0, "a tap opens the app, not this link"});
    }
    const double width = link->rect.size.width * picture.enlargement;
    const double height = link->rect.size.height * picture.enlargement;
    if (!small && rules.has(CheckRule::tapTarget) &&
        (width < kSmallestTarget || height < kSmallestTarget)) {
      out.push_back({CheckRule::tapTarget, url, link->rect, std::min(width, height),
                     tenths(width) + " x " + tenths(height) + " pt (at least 44 x 44)"});
    }
  }

  if (pixels) {
    auto stray = [&](CheckRule rule, const std::vector<ui::StrayContent>& found,
                     const char* where) {
      if (!rules.has(rule)) return;
      for (const ui::StrayContent& content : found) {
        const std::string subject =
            content.item < list.size() ? subjectOf(list[content.item]) : "content";
        out.push_back({rule, subject, content.bounds, static_cast<double>(content.pixels),
                       std::to_string(content.pixels) +
                           (content.pixels == 1 ? " pixel " : " pixels ") + where + ", up to " +
                           tenths(content.distance) + " pt past the margin"});
      }
    };
    stray(CheckRule::corners, pixels->underCorners, "under the rounded corners");
    stray(CheckRule::margins, pixels->outsideMargins, "outside the content margins");
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const CheckFinding& a, const CheckFinding& b) { return a.rule < b.rule; });
  return out;
}

CellCheck checkCell(const MatrixCell& cell, const Matrix& matrix, const ui::View& view,
                    const ui::RenderEnvironment& user, const Renderer& renderer,
                    const CheckRules& rules, const ui::PictureInspector* inspector,
                    bool keepTexts) {
  const ui::RenderEnvironment environment = environmentOf(cell, matrix, user);
  const ui::WidgetLayout layout = renderer.layout(view, environment);
  const ui::DisplayList list = ui::displayList(layout, environment);
  const double basis = matrix.scale.value_or(cell.device->scale);
  const PictureShown shown{environment, basis > 0 ? environment.displayScale / basis : 1};
  CellCheck checked{cell, {}, checkPicture(layout, list, shown, rules, inspector)};
  if (keepTexts) checked.texts = ui::placedTexts(layout.content);
  return checked;
}

}  // namespace host
