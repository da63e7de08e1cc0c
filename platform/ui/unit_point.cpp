#include "ui/unit_point.hpp"

#include <charconv>
#include <utility>

namespace ui {

namespace {

std::string shortest(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

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
  return "UnitPoint(x: " + shortest(point.x) + ", y: " + shortest(point.y) + ")";
}

void PrintTo(const UnitPoint& point, std::ostream* os) {
  *os << toString(point);
}

}  // namespace ui
