#pragma once

#include <ostream>

namespace ui {

// How a text was made to fit its room: shrunk (to `scale` of its font size), wrapped onto
// `lineCount` lines, truncated with "…". A text that fits as it is: scale 1, one line.
struct TextFit {
  double scale = 1;
  int lineCount = 1;
  bool truncated = false;

  bool shrank() const { return scale < 1; }
  bool wrapped() const { return lineCount > 1; }
  friend bool operator==(const TextFit&, const TextFit&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const TextFit& fit) {
  os << "scale " << fit.scale << ", " << fit.lineCount << (fit.lineCount == 1 ? " line" : " lines");
  if (fit.truncated) os << ", truncated";
  return os;
}

}  // namespace ui
