#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <utility>

#include "ui/detail/background_cache.hpp"
#include "ui/detail/cairo_handles.hpp"
#include "ui/detail/cairo_path.hpp"
#include "ui/detail/gradient_fill.hpp"
#include "ui/detail/paths.hpp"
#include "ui/detail/pixel_conversion.hpp"
#include "ui/detail/raster.hpp"
#include "ui/text/glyph_painter.hpp"

namespace ui::detail {

namespace {

void drawSymbol(cairo_t* cr, const Symbol& symbol) {
  setSource(cr, symbol.color);
  for (const SymbolShape& shape : symbolShapes(symbol.name)) {
    appendPath(cr, transformed(shape.path, symbol.rect));
    if (shape.strokeWidth > 0) {
      cairo_set_line_width(cr, shape.strokeWidth * symbol.rect.size.width);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      cairo_stroke(cr);
    } else {
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_fill(cr);
    }
  }
}

}  // namespace

void rasterizeInto(const DisplayList& list, const WidgetCanvas& canvas, double scale,
                   RgbaImage& image) {
  if (!(scale >= 0.25)) scale = 0.25;  // also catches NaN
  scale = std::min(scale, 8.0);
  auto pixels = [&](double points) {
    // NaN and negative sizes become one pixel, huge ones 4096 points.
    const double p = points > 0 ? std::ceil(std::min(points, 4096.0) * scale - 1e-9) : 1;
    return std::max(1, static_cast<int>(p));
  };
  const int width = pixels(canvas.size.width);
  const int height = pixels(canvas.size.height);

  // ARGB32 rows need no padding, so cairo's rows are the image's rows.
  const int stride = width * 4;
  image.width = width;
  image.height = height;
  image.background = nullptr;
  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  // A larger picture than the last: let the old buffer go first, so both are never held at once.
  if (bytes > image.pixels.capacity()) std::vector<std::uint8_t>().swap(image.pixels);
  image.pixels.assign(bytes, 0);
  CairoSurfacePtr surface{cairo_image_surface_create_for_data(
      image.pixels.data(), CAIRO_FORMAT_ARGB32, width, height, stride)};
  if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width) != stride ||
      cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cannot allocate the picture");
  }
  CairoPtr cr{cairo_create(surface.get())};
  cairo_scale(cr.get(), scale, scale);

  std::shared_ptr<EncodedBackground> background;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const DisplayItem& item = list[i];
    if (const auto* fill = std::get_if<FillGradient>(&item)) {
      // The first gradient over the whole canvas is the background: the cache may hold it.
      if (i == 0 && fill->rect == canvas.bounds()) {
        background = backgroundCache().paint(surface.get(), cr.get(), *fill, scale);
      } else {
        fillGradient(cr.get(), *fill);
      }
    } else if (const auto* rect = std::get_if<FillRoundedRect>(&item)) {
      setSource(cr.get(), rect->color);
      appendPath(cr.get(), continuousRoundedRect(rect->rect, rect->cornerRadius));
      cairo_fill(cr.get());
    } else if (const auto* run = std::get_if<TextRun>(&item)) {
      text::paintTextRun(cr.get(), *run);
    } else if (const auto* symbol = std::get_if<Symbol>(&item)) {
      drawSymbol(cr.get(), *symbol);
    }
  }
  cr.reset();
  cairo_surface_finish(surface.get());
  surface.reset();
  toStraightRgba(background.get(), image);
  image.background = std::move(background);
}

RgbaImage rasterize(const DisplayList& list, const WidgetCanvas& canvas, double scale) {
  RgbaImage image;
  rasterizeInto(list, canvas, scale, image);
  return image;
}

}  // namespace ui::detail
