#include "ui/view/alignment.hpp"

#include <utility>

namespace ui {

std::string_view toString(HorizontalAlignment alignment) {
  switch (alignment) {
    case HorizontalAlignment::leading:
      return "leading";
    case HorizontalAlignment::center:
      return "center";
    case HorizontalAlignment::trailing:
      return "trailing";
  }
  return "?";
}

std::string_view toString(VerticalAlignment alignment) {
  switch (alignment) {
    case VerticalAlignment::top:
      return "top";
    case VerticalAlignment::center:
      return "center";
    case VerticalAlignment::bottom:
      return "bottom";
    case VerticalAlignment::firstTextBaseline:
      return "firstTextBaseline";
    case VerticalAlignment::lastTextBaseline:
      return "lastTextBaseline";
  }
  return "?";
}

std::string toString(const Alignment& alignment) {
  static constexpr std::pair<Alignment, const char*> kNamed[] = {
      {Alignment::center, "center"},
      {Alignment::leading, "leading"},
      {Alignment::trailing, "trailing"},
      {Alignment::top, "top"},
      {Alignment::bottom, "bottom"},
      {Alignment::topLeading, "topLeading"},
      {Alignment::topTrailing, "topTrailing"},
      {Alignment::bottomLeading, "bottomLeading"},
      {Alignment::bottomTrailing, "bottomTrailing"},
  };
  for (const auto& [named, name] : kNamed) {
    if (named == alignment) return name;
  }
  return "Alignment(" + std::string(toString(alignment.horizontal)) + ", " +
         std::string(toString(alignment.vertical)) + ")";
}

void PrintTo(HorizontalAlignment alignment, std::ostream* os) {
  *os << toString(alignment);
}
void PrintTo(VerticalAlignment alignment, std::ostream* os) {
  *os << toString(alignment);
}
void PrintTo(const Alignment& alignment, std::ostream* os) {
  *os << toString(alignment);
}

double alignmentFactor(HorizontalAlignment alignment) {
  switch (alignment) {
    case HorizontalAlignment::leading:
      return 0;
    case HorizontalAlignment::center:
      return 0.5;
    case HorizontalAlignment::trailing:
      return 1;
  }
  return 0.5;
}

double alignmentFactor(VerticalAlignment alignment) {
  switch (alignment) {
    case VerticalAlignment::top:
      return 0;
    case VerticalAlignment::bottom:
      return 1;
    case VerticalAlignment::center:
    case VerticalAlignment::firstTextBaseline:
    case VerticalAlignment::lastTextBaseline:
      return 0.5;
  }
  return 0.5;
}

}  // namespace ui
