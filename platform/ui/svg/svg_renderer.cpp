#include "ui/svg/svg_renderer.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string_view>

#include "foundation/xml_escaped.hpp"
#include "ui/graphics/paths.hpp"
#include "ui/typesetting/font_library.hpp"
#include "ui/typesetting/shaper.hpp"

namespace ui {

namespace {

// Shortest fixed notation with at most three decimals, so the document is stable and small.
std::string number(double value) {
  if (!std::isfinite(value)) return "0";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  std::string text(buffer);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}

std::string color(const RGBA& c) {
  auto component = [](double v) {
    return std::to_string(static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)));
  };
  return "rgb(" + component(c.red) + "," + component(c.green) + "," + component(c.blue) + ")";
}

std::string opacity(const RGBA& c) {
  return c.opacity >= 1 ? std::string() : " fill-opacity=\"" + number(c.opacity) + "\"";
}

std::string pathData(const detail::Path& path) {
  std::string d;
  for (const detail::PathElement& e : path) {
    auto point = [&](int k) { return number(e.points[k].x) + " " + number(e.points[k].y); };
    switch (e.kind) {
      case detail::PathElement::Kind::moveTo:
        d += "M" + point(0);
        break;
      case detail::PathElement::Kind::lineTo:
        d += "L" + point(0);
        break;
      case detail::PathElement::Kind::curveTo:
        d += "C" + point(0) + " " + point(1) + " " + point(2);
        break;
      case detail::PathElement::Kind::closePath:
        d += "Z";
        break;
    }
  }
  return d;
}

// Enough significant digits for a glyph's scale from font units (1/2048 em and finer).
std::string scaleNumber(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

// Each glyph's outline is defined once per document and used wherever it is drawn, so a
// browser shows exactly the glyphs of the PNG whatever fonts it has.
struct GlyphDefinitions {
  std::set<std::string> defined;

  std::string text(const TextRun& run) {
    const std::shared_ptr<const typesetting::ShapedLine> line =
        run.shaped.line ? run.shaped.line
                        : std::make_shared<const typesetting::ShapedLine>(
                              typesetting::shapeLine(run.text, run.font));
    const double size = run.font.pointSize;
    const double x0 = run.rect.minX();
    const double baseline = run.rect.minY() + run.ascent;
    std::string defs;
    std::string uses;
    for (const typesetting::GlyphRun& glyphRun : line->runs) {
      const typesetting::FontFace& face = typesetting::face(glyphRun.face);
      const std::string k = scaleNumber(size / face.unitsPerEm());
      for (const typesetting::PositionedGlyph& g : glyphRun.glyphs) {
        const std::string& d = face.outlinePath(g.id, glyphRun.embolden);
        if (d.empty()) continue;
        const std::string id = "t" + std::to_string(static_cast<int>(glyphRun.face)) +
                               (glyphRun.embolden ? "b" : "") + "-" + std::to_string(g.id);
        if (defined.insert(id).second) defs += "<path id=\"" + id + "\" d=\"" + d + "\"/>";
        uses += "<use href=\"#" + id + "\" xlink:href=\"#" + id + "\" transform=\"matrix(" + k +
                " 0 0 -" + k + " " + number(x0 + g.x * size) + " " + number(baseline + g.y * size) +
                ")\"/>";
      }
    }
    std::string out;
    if (!defs.empty()) out += "<defs>" + defs + "</defs>\n";
    out += "<g aria-label=\"" + foundation::xmlEscaped(run.text) + "\" fill=\"" + color(run.color) +
           "\"" + opacity(run.color) + ">" + uses + "</g>\n";
    return out;
  }
};

}  // namespace

std::string renderSvg(const DisplayList& list, const WidgetCanvas& canvas) {
  const std::string width = number(canvas.size.width);
  const std::string height = number(canvas.size.height);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
  svg += " width=\"" + width + "\" height=\"" + height + "\" viewBox=\"0 0 " + width + " " +
         height + "\">\n";

  // The index of the last item of each open link, innermost last.
  std::vector<std::size_t> openLinks;
  int gradients = 0;
  GlyphDefinitions glyphs;

  for (std::size_t index = 0; index < list.size(); ++index) {
    while (!openLinks.empty() && openLinks.back() < index) {
      openLinks.pop_back();
      svg += "</a>\n";
    }
    const DisplayItem& item = list[index];
    if (const auto* fill = std::get_if<FillGradient>(&item)) {
      const std::string id = "g" + std::to_string(gradients++);
      svg += "<defs><linearGradient id=\"" + id + "\" gradientUnits=\"userSpaceOnUse\" x1=\"" +
             number(fill->start.x) + "\" y1=\"" + number(fill->start.y) + "\" x2=\"" +
             number(fill->end.x) + "\" y2=\"" + number(fill->end.y) + "\">";
      const std::size_t n = fill->colors.size();
      for (std::size_t i = 0; i < n; ++i) {
        const double offset = n == 1 ? 0 : static_cast<double>(i) / static_cast<double>(n - 1);
        svg += "<stop offset=\"" + number(offset) + "\" stop-color=\"" + color(fill->colors[i]) +
               "\" stop-opacity=\"" + number(fill->colors[i].opacity) + "\"/>";
      }
      svg += "</linearGradient></defs>\n<path d=\"" +
             pathData(detail::continuousRoundedRect(fill->rect, fill->cornerRadius)) +
             "\" fill=\"url(#" + id + ")\"/>\n";
    } else if (const auto* rect = std::get_if<FillRoundedRect>(&item)) {
      svg += "<path d=\"" +
             pathData(detail::continuousRoundedRect(rect->rect, rect->cornerRadius)) +
             "\" fill=\"" + color(rect->color) + "\"" + opacity(rect->color) + "/>\n";
    } else if (const auto* run = std::get_if<TextRun>(&item)) {
      svg += glyphs.text(*run);
    } else if (const auto* symbol = std::get_if<Symbol>(&item)) {
      for (const detail::SymbolShape& shape : detail::symbolShapes(symbol->name)) {
        const std::string d = pathData(detail::transformed(shape.path, symbol->rect));
        if (shape.strokeWidth > 0) {
          svg += "<path d=\"" + d + "\" fill=\"none\" stroke=\"" + color(symbol->color) +
                 "\" stroke-width=\"" + number(shape.strokeWidth * symbol->rect.size.width) +
                 "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
        } else {
          svg += "<path d=\"" + d + "\" fill-rule=\"evenodd\" fill=\"" + color(symbol->color) +
                 "\"" + opacity(symbol->color) + "/>\n";
        }
      }
    } else if (const auto* link = std::get_if<LinkRegion>(&item)) {
      const std::string href = foundation::xmlEscaped(link->destination.absoluteString());
      svg += "<a href=\"" + href + "\" xlink:href=\"" + href + "\">\n";
      // The whole region is the tap target, not only the painted glyphs.
      svg += "<rect x=\"" + number(link->rect.minX()) + "\" y=\"" + number(link->rect.minY()) +
             "\" width=\"" + number(link->rect.size.width) + "\" height=\"" +
             number(link->rect.size.height) + "\" fill=\"transparent\"/>\n";
      openLinks.push_back(index + link->itemCount);
    }
  }
  while (!openLinks.empty()) {
    openLinks.pop_back();
    svg += "</a>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace ui
