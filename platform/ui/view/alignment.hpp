#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace ui {

enum class HorizontalAlignment : std::uint8_t { leading, center, trailing };
enum class VerticalAlignment : std::uint8_t {
  top,
  center,
  bottom,
  firstTextBaseline,
  lastTextBaseline,
};

std::string_view toString(HorizontalAlignment alignment);
std::string_view toString(VerticalAlignment alignment);

struct Alignment {
  HorizontalAlignment horizontal = HorizontalAlignment::center;
  VerticalAlignment vertical = VerticalAlignment::center;

  static const Alignment center;
  static const Alignment leading;
  static const Alignment trailing;
  static const Alignment top;
  static const Alignment bottom;
  static const Alignment topLeading;
  static const Alignment topTrailing;
  static const Alignment bottomLeading;
  static const Alignment bottomTrailing;

  friend bool operator==(const Alignment&, const Alignment&) = default;
};

inline constexpr Alignment Alignment::center{HorizontalAlignment::center,
                                             VerticalAlignment::center};
inline constexpr Alignment Alignment::leading{HorizontalAlignment::leading,
                                              VerticalAlignment::center};
inline constexpr Alignment Alignment::trailing{HorizontalAlignment::trailing,
                                               VerticalAlignment::center};
inline constexpr Alignment Alignment::top{HorizontalAlignment::center, VerticalAlignment::top};
inline constexpr Alignment Alignment::bottom{HorizontalAlignment::center,
                                             VerticalAlignment::bottom};
inline constexpr Alignment Alignment::topLeading{HorizontalAlignment::leading,
                                                 VerticalAlignment::top};
inline constexpr Alignment Alignment::topTrailing{HorizontalAlignment::trailing,
                                                  VerticalAlignment::top};
inline constexpr Alignment Alignment::bottomLeading{HorizontalAlignment::leading,
                                                    VerticalAlignment::bottom};
inline constexpr Alignment Alignment::bottomTrailing{HorizontalAlignment::trailing,
                                                     VerticalAlignment::bottom};

// Where a view sits in the room its parent leaves it along an axis: 0 at the leading (top) edge,
// 1 at the trailing (bottom) edge. Text baselines count as centres: single-line children of one
// row share their baseline closely enough when centred.
double alignmentFactor(HorizontalAlignment alignment);
double alignmentFactor(VerticalAlignment alignment);

// "center", "topLeading", or "Alignment(leading, firstTextBaseline)" for unnamed pairs.
std::string toString(const Alignment& alignment);

void PrintTo(HorizontalAlignment alignment, std::ostream* os);
void PrintTo(VerticalAlignment alignment, std::ostream* os);
void PrintTo(const Alignment& alignment, std::ostream* os);

}  // namespace ui
