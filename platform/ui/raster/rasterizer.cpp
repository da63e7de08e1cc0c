#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>

#include "ui/graphics/paths.hpp"
#include "ui/raster/background_cache.hpp"
#include "ui/raster/cairo_handles.hpp"
#include "ui/raster/cairo_path.hpp"
#include "ui/raster/encoded_background.hpp"
#include "ui/raster/glyph_painter.hpp"
#include "ui/raster/gradient_fill.hpp"
#include "ui/raster/pixel_conversion.hpp"
#include "ui/raster/raster.hpp"

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

PictureFrame pictureFrame(const WidgetCanvas& canvas, double scale) {
  if (!(scale >= 0.25)) scale = 0.25;  // also catches NaN
  scale = std::min(scale, 8.0);
  auto pixels = [&](double points) {
    // NaN and negative sizes become one pixel, huge ones 4096 points.
    const double p = points > 0 ? std::ceil(std::min(points, 4096.0) * scale - 1e-9) : 1;
    return std::max(1, static_cast<int>(p));
  };
  return {pixels(canvas.size.width), pixels(canvas.size.height), scale};
}

namespace {

// The container background drawn by a BackgroundPainter: one gradient over the whole canvas,
// clipped to the background's corners, opening the list.
const FillGradient* widgetBackground(const DisplayList& list, const WidgetCanvas& canvas) {
  if (list.size() < 2) return nullptr;
  const auto* background = std::get_if<ContainerBackground>(&list[0]);
  const auto* fill = std::get_if<FillGradient>(&list[1]);
  const bool whole = background != nullptr && fill != nullptr && background->itemCount == 1 &&
                     background->rect == canvas.bounds() && fill->rect == canvas.bounds() &&
                     fill->cornerRadius == background->cornerRadius;
  return whole ? fill : nullptr;
}

// Whether an item can leave ink between `top` and `bottom` (points). Text and symbols are given
// room beyond their boxes (accents, strokes, emboldening); the rest is exact.
bool reaches(const DisplayItem& item, double top, double bottom) {
  auto within = [&](const foundation::Rect& r, double margin) {
    return r.maxY() + margin > top && r.minY() - margin < bottom;
  };
  return std::visit(
      [&](const auto& i) {
        using T = std::decay_t<decltype(i)>;
        if constexpr (std::is_same_v<T, TextRun>) {
          return within(i.rect, std::max(i.rect.size.height, 8.0));
        } else if constexpr (std::is_same_v<T, Symbol>) {
          return within(i.rect, i.rect.size.width / 2 + 1);
        } else {
          return within(i.rect, 1);
        }
      },
      item);
}

}  // namespace

PictureBackground pictureBackground(const DisplayList& list, const WidgetCanvas& canvas,
                                    const PictureFrame& frame, BackgroundCache* cache) {
  const FillGradient* fill = widgetBackground(list, canvas);
  if (fill == nullptr) return {};
  PictureBackground background;
  if (cache != nullptr) background.kept = cache->use(*fill, frame.scale, frame.width, frame.height);
  if (!background.kept) {
    background.painter = std::make_shared<BackgroundPainter>(*fill, frame.scale, frame.width);
  }
  return background;
}

void rasterizeRows(const DisplayList& list, const WidgetCanvas& canvas, const PictureFrame& frame,
                   int first, int last, const PictureBackground& background, RgbaImage& image,
                   bool pngRows) {
  const int width = frame.width;
  const int height = last - first;
  // ARGB32 rows need no padding, so cairo's rows are packed.
  const int stride = width * 4;
  image.width = width;
  image.height = height;
  image.firstRow = first;
  image.pngRows = pngRows;
  image.background = nullptr;
  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  // PNG rows are one byte longer than cairo's: cairo draws at an offset of at least a byte per
  // row (kept a multiple of 4 for pixman), so that each row, moved to its place after drawing,
  // lands on bytes already read. One buffer, not two.
  const std::size_t offset = pngRows ? (static_cast<std::size_t>(height) + 3) / 4 * 4 : 0;
  // A larger picture than the last: let the old buffer go first, so both are never held at once.
  if (offset + bytes > image.pixels.capacity()) std::vector<std::uint8_t>().swap(image.pixels);
  image.pixels.assign(offset + bytes, 0);
  unsigned char* drawn = image.pixels.data() + offset;
  CairoSurfacePtr surface{
      cairo_image_surface_create_for_data(drawn, CAIRO_FORMAT_ARGB32, width, height, stride)};
  if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width) != stride ||
      cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cannot allocate the picture");
  }
  // The surface's first row is the picture's row `first`.
  cairo_surface_set_device_offset(surface.get(), 0, -first);
  CairoPtr cr{cairo_create(surface.get())};
  cairo_scale(cr.get(), frame.scale, frame.scale);

  const double top = first / frame.scale, bottom = last / frame.scale;
  const FillGradient* backgroundFill = widgetBackground(list, canvas);
  const std::shared_ptr<EncodedBackground> kept =
      backgroundFill != nullptr ? background.kept : nullptr;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const DisplayItem& item = list[i];
    if (!reaches(item, top, bottom)) continue;
    if (i == 1 && backgroundFill != nullptr) {
      if (kept != nullptr) {
        cairo_surface_flush(surface.get());
        std::memcpy(drawn,
                    cairo_image_surface_get_data(kept->surface.get()) +
                        static_cast<std::size_t>(first) * static_cast<std::size_t>(stride),
                    bytes);
        cairo_surface_mark_dirty(surface.get());
      } else if (background.painter != nullptr) {
        background.painter->paint(surface.get(), cr.get(), first);
      } else {
        BackgroundPainter(*backgroundFill, frame.scale, width)
            .paint(surface.get(), cr.get(), first);
      }
    } else if (const auto* fill = std::get_if<FillGradient>(&item)) {
      fillGradient(cr.get(), *fill);
    } else if (const auto* rect = std::get_if<FillRoundedRect>(&item)) {
      setSource(cr.get(), rect->color);
      appendPath(cr.get(), continuousRoundedRect(rect->rect, rect->cornerRadius));
      cairo_fill(cr.get());
    } else if (const auto* run = std::get_if<TextRun>(&item)) {
      typesetting::paintTextRun(cr.get(), *run);
    } else if (const auto* symbol = std::get_if<Symbol>(&item)) {
      drawSymbol(cr.get(), *symbol);
    }
  }
  cr.reset();
  cairo_surface_finish(surface.get());
  surface.reset();
  toStraightRgba(kept.get(), offset, image);
  image.background = kept;
}

RgbaImage rasterize(const DisplayList& list, const WidgetCanvas& canvas, double scale,
                    BackgroundCache* cache) {
  const PictureFrame frame = pictureFrame(canvas, scale);
  RgbaImage image;
  rasterizeRows(list, canvas, frame, 0, frame.height, pictureBackground(list, canvas, frame, cache),
                image);
  return image;
}

}  // namespace ui::detail
