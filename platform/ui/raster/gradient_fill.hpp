#pragma once

// Private to the ui library: linear gradients drawn with Cairo.

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "ui/display/display_list.hpp"

namespace ui::detail {

// Fills the gradient's rounded rectangle through a Cairo pattern.
void fillGradient(cairo_t* cr, const FillGradient& fill);

// The widget background: the same picture as fillGradient on a transparent image surface drawn
// at `scale`, faster where the rectangle sits on whole device pixels. Prepared once for a picture
// `width` pixels wide, then painted band by band.
class BackgroundPainter {
 public:
  BackgroundPainter(const FillGradient& fill, double scale, int width);
  // Paints into `surface`, which holds the picture's rows from `firstRow` on (`cr` draws on it,
  // offset to match).
  void paint(cairo_surface_t* surface, cairo_t* cr, int firstRow) const;

 private:
  static constexpr int kSteps = 4096;
  static constexpr double kFixed = kSteps * 65536.0;
  struct Corner {
    int x = 0;
    int y = 0;
    std::vector<std::uint8_t> coverage;  // box x box
  };
  FillGradient fill_;
  double scale_ = 1;
  bool fast_ = false;
  int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
  std::vector<std::uint32_t> table_;
  std::int64_t step_ = 0;
  int box_ = 0;
  std::vector<Corner> corners_;
};

}  // namespace ui::detail
