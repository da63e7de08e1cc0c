#include "ui/graphics/paths.hpp"

#include <algorithm>
#include <map>
#include <string>

namespace ui::detail {

namespace {

using foundation::Point;
using Kind = PathElement::Kind;

// Control-point distance, as a fraction of the radius, of a cubic that approximates a quarter
// circle.
constexpr double kCircleKappa = 0.5522847498;

void moveTo(Path& path, Point p) {
  path.push_back({Kind::moveTo, {p, {}, {}}});
}
void lineTo(Path& path, Point p) {
  path.push_back({Kind::lineTo, {p, {}, {}}});
}
void curveTo(Path& path, Point c1, Point c2, Point p) {
  path.push_back({Kind::curveTo, {c1, c2, p}});
}
void close(Path& path) {
  path.push_back({Kind::closePath, {}});
}

// Corners drawn as one cubic each, from `reach` before the corner to `reach` after it, with both
// controls `pull` short of the corner. reach == radius and pull == radius * (1 - kappa) is a
// circular arc.
void roundedRect(Path& path, const foundation::Rect& r, double reach, double pull) {
  const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  moveTo(path, {x0 + reach, y0});
  lineTo(path, {x1 - reach, y0});
  curveTo(path, {x1 - pull, y0}, {x1, y0 + pull}, {x1, y0 + reach});
  lineTo(path, {x1, y1 - reach});
  curveTo(path, {x1, y1 - pull}, {x1 - pull, y1}, {x1 - reach, y1});
  lineTo(path, {x0 + reach, y1});
  curveTo(path, {x0 + pull, y1}, {x0, y1 - pull}, {x0, y1 - reach});
  lineTo(path, {x0, y0 + reach});
  curveTo(path, {x0, y0 + pull}, {x0 + pull, y0}, {x0 + reach, y0});
  close(path);
}

void circularRoundedRect(Path& path, const foundation::Rect& r, double radius) {
  radius = std::clamp(radius, 0.0, std::min(r.size.width, r.size.height) / 2);
  roundedRect(path, r, radius, radius * (1 - kCircleKappa));
}

void circle(Path& path, Point c, double radius) {
  circularRoundedRect(path, {{c.x - radius, c.y - radius}, {2 * radius, 2 * radius}}, radius);
}

std::map<std::string, SymbolDefinition, std::less<>> makeSymbols() {
  std::map<std::string, SymbolDefinition, std::less<>> symbols;
  constexpr double kArrowStroke = 0.12;
  {
    // A diagonal shaft towards the bottom-left corner with the head drawn as an open corner.
    SymbolShape arrow{{}, kArrowStroke};
    moveTo(arrow.path, {0.80, 0.20});
    lineTo(arrow.path, {0.22, 0.78});
    moveTo(arrow.path, {0.22, 0.34});
    lineTo(arrow.path, {0.22, 0.78});
    lineTo(arrow.path, {0.66, 0.78});
    symbols["arrow.down.left"] = {{arrow}, "\u2199"};  // ↙
  }
  {
    SymbolShape arrow{{}, kArrowStroke};
    moveTo(arrow.path, {0.20, 0.80});
    lineTo(arrow.path, {0.78, 0.22});
    moveTo(arrow.path, {0.34, 0.22});
    lineTo(arrow.path, {0.78, 0.22});
    lineTo(arrow.path, {0.78, 0.66});
    symbols["arrow.up.right"] = {{arrow}, "\u2197"};  // ↗
  }
  {
    // A folded wallet: the back pocket peeking over the body, and a clasp cut out of the body's
    // trailing side with its stud filled again (even-odd).
    SymbolShape back;
    circularRoundedRect(back.path, {{0.16, 0.10}, {0.64, 0.20}}, 0.07);
    SymbolShape body;
    circularRoundedRect(body.path, {{0.04, 0.22}, {0.92, 0.66}}, 0.14);
    circularRoundedRect(body.path, {{0.56, 0.42}, {0.32, 0.26}}, 0.08);
    circle(body.path, {0.69, 0.55}, 0.05);
    symbols["wallet.bifold.fill"] = {{back, body}, "\u25A3"};  // ▣
  }
  return symbols;
}

}  // namespace

const SymbolDefinition* findSymbol(std::string_view name) {
  static const auto symbols = makeSymbols();
  const auto found = symbols.find(name);
  return found == symbols.end() ? nullptr : &found->second;
}

const std::vector<SymbolShape>& symbolShapes(std::string_view name) {
  static const std::vector<SymbolShape> none;
  const SymbolDefinition* symbol = findSymbol(name);
  return symbol ? symbol->shapes : none;
}

Path continuousRoundedRect(const foundation::Rect& rect, double radius) {
  Path path;
  const double half = std::min(rect.size.width, rect.size.height) / 2;
  radius = std::clamp(radius, 0.0, half);
  // The curve starts earlier than a circular arc of the same radius and its controls sit closer
  // to the corner, so the curvature grows gradually from the straight edge instead of jumping.
  const double reach = std::min(radius * 1.28, half);
  roundedRect(path, rect, reach, reach * 0.36);
  return path;
}

Path transformed(const Path& path, const foundation::Rect& rect) {
  Path out = path;
  for (PathElement& element : out) {
    for (Point& p : element.points) {
      p = {rect.minX() + p.x * rect.size.width, rect.minY() + p.y * rect.size.height};
    }
  }
  return out;
}

}  // namespace ui::detail
