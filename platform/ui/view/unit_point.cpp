#include "ui/view/unit_point.hpp"

#include <utility>

#include "foundation/shortest_decimal.hpp"

namespace ui {

std::string toString(const UnitPoint& point) {
  static constexpr std::pair<UnitPoint, const char*> kNamed[] = {
      {UnitPoint::topLeading, "topLeading"},
      {UnitPoint::top, "top"},
      {UnitPoint::topTrailing, "topTrailing"},
      {UnitPoint::leading, "leading"},
      {UnitPoint::center, "center"},
      {UnitPoint::trailing, "trailing"},
      {UnitPoint::bottomLeading, "bottomLeading"},
      {UnitPoint::bottom, "bottom"},
      {UnitPoint::bottomTrailing, "bottomTrailing"},
  };
  for (const auto& [named, name] : kNamed) {
    if (named == point) return name;
  }
  return "UnitPoint(x: " + foundation::shortestDecimal(point.x) +
         ", y: " + foundation::shortestDecimal(point.y) + ")";
}

void PrintTo(const UnitPoint& point, std::ostream* os) {
  *os << toString(point);
}

}  // namespace ui
