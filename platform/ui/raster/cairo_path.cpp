#include "ui/raster/cairo_path.hpp"

namespace ui::detail {

void appendPath(cairo_t* cr, const Path& path) {
  for (const PathElement& e : path) {
    switch (e.kind) {
      case PathElement::Kind::moveTo:
        cairo_move_to(cr, e.points[0].x, e.points[0].y);
        break;
      case PathElement::Kind::lineTo:
        cairo_line_to(cr, e.points[0].x, e.points[0].y);
        break;
      case PathElement::Kind::curveTo:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y,
                       e.points[2].x, e.points[2].y);
        break;
      case PathElement::Kind::closePath:
        cairo_close_path(cr);
        break;
    }
  }
}

void setSource(cairo_t* cr, const RGBA& color) {
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.opacity);
}

}  // namespace ui::detail
