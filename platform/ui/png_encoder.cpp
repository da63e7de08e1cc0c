#include "ui/png_encoder.hpp"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <list>
#include <mutex>
#include <stdexcept>

#include "ui/detail/pango_fonts.hpp"
#include "ui/detail/paths.hpp"
#include "ui/detail/raster.hpp"

namespace ui {

namespace {

using detail::CairoPatternPtr;
using detail::CairoPtr;
using detail::CairoSurfacePtr;

void appendPath(cairo_t* cr, const detail::Path& path) {
  for (const detail::PathElement& e : path) {
    switch (e.kind) {
      case detail::PathElement::Kind::moveTo:
        cairo_move_to(cr, e.points[0].x, e.points[0].y);
        break;
      case detail::PathElement::Kind::lineTo:
        cairo_line_to(cr, e.points[0].x, e.points[0].y);
        break;
      case detail::PathElement::Kind::curveTo:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y,
                       e.points[2].x, e.points[2].y);
        break;
      case detail::PathElement::Kind::closePath:
        cairo_close_path(cr);
        break;
    }
  }
}

void setSource(cairo_t* cr, const RGBA& c) {
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.opacity);
}

void fillGradient(cairo_t* cr, const FillGradient& fill) {
  CairoPatternPtr pattern{
      cairo_pattern_create_linear(fill.start.x, fill.start.y, fill.end.x, fill.end.y)};
  const std::size_t n = fill.colors.size();
  for (std::size_t i = 0; i < n; ++i) {
    const RGBA& c = fill.colors[i];
    const double offset = n == 1 ? 0 : static_cast<double>(i) / static_cast<double>(n - 1);
    cairo_pattern_add_color_stop_rgba(pattern.get(), offset, c.red, c.green, c.blue, c.opacity);
  }
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
  appendPath(cr, detail::continuousRoundedRect(fill.rect, fill.cornerRadius));
  cairo_set_source(cr, pattern.get());
  cairo_fill(cr);
}

// The widget background is the same gradient for every render of a size, and drawing it costs
// more than the rest of the picture, so finished backgrounds are kept and copied. The cache is
// small: one entry per family, scale and appearance is all a host asks for.
class BackgroundCache {
 public:
  // Copies a cached rendering of `fill` on a transparent surface of `width` x `height` pixels
  // into `target`, rendering it first if needed.
  void paint(cairo_surface_t* target, const FillGradient& fill, double scale) {
    const int width = cairo_image_surface_get_width(target);
    const int height = cairo_image_surface_get_height(target);
    std::lock_guard lock(mutex_);
    auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
      return e.fill == fill && e.scale == scale && e.width == width && e.height == height;
    });
    if (found == entries_.end()) {
      CairoSurfacePtr surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)};
      CairoPtr cr{cairo_create(surface.get())};
      cairo_scale(cr.get(), scale, scale);
      fillGradient(cr.get(), fill);
      cairo_surface_flush(surface.get());
      entries_.push_front({fill, scale, width, height, std::move(surface)});
      if (entries_.size() > kCapacity) entries_.pop_back();
      found = entries_.begin();
    }
    cairo_surface_flush(target);
    const int stride = cairo_image_surface_get_stride(target);
    std::memcpy(cairo_image_surface_get_data(target),
                cairo_image_surface_get_data(found->surface.get()),
                static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    cairo_surface_mark_dirty(target);
  }

 private:
  static constexpr std::size_t kCapacity = 8;
  struct Entry {
    FillGradient fill;
    double scale;
    int width;
    int height;
    CairoSurfacePtr surface;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
};

BackgroundCache& backgroundCache() {
  static BackgroundCache cache;
  return cache;
}

void drawText(cairo_t* cr, PangoContext* context, const TextRun& run) {
  detail::PangoLayoutPtr layout = detail::newLayout(context, run.text, run.font);
  setSource(cr, run.color);
  cairo_move_to(cr, run.rect.minX(), run.rect.minY());
  pango_cairo_show_layout(cr, layout.get());
  cairo_new_path(cr);
}

void drawSymbol(cairo_t* cr, const Symbol& symbol) {
  setSource(cr, symbol.color);
  for (const detail::SymbolShape& shape : detail::symbolShapes(symbol.name)) {
    appendPath(cr, detail::transformed(shape.path, symbol.rect));
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

struct PngWriteState {
  std::vector<std::uint8_t>* out;
};

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
  state->out->insert(state->out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// libpng reports errors by longjmp; turn them into an exception after the jump.
[[noreturn]] void pngError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void pngWarning(png_structp, png_const_charp) {}

}  // namespace

namespace detail {

std::vector<std::uint8_t> encodeRgba(const RgbaImage& image) {
  const int width = image.width;
  const int height = image.height;
  const std::vector<std::uint8_t>& rgba = image.pixels;
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (png == nullptr) throw std::runtime_error("cannot encode PNG");
  png_infop info = png_create_info_struct(png);
  PngWriteState state{&out};
  std::vector<png_const_bytep> rows(static_cast<std::size_t>(height));
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot encode PNG");
  }
  png_set_write_fn(png, &state, writeBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // No row filter and a middle compression level: several times faster than adaptive filtering
  // at the highest level, for files about as small on these flat pictures.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    rows[static_cast<std::size_t>(y)] =
        rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
  }
  png_write_rows(png, const_cast<png_bytepp>(rows.data()), static_cast<png_uint_32>(height));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

RgbaImage rasterize(const DisplayList& list, const WidgetCanvas& canvas, double scale) {
  if (!(scale >= 0.25)) scale = 0.25;  // also catches NaN
  scale = std::min(scale, 8.0);
  auto pixels = [&](double points) {
    // NaN and negative sizes become one pixel, huge ones 4096 points.
    const double p = points > 0 ? std::ceil(std::min(points, 4096.0) * scale - 1e-9) : 1;
    return std::max(1, static_cast<int>(p));
  };
  const int width = pixels(canvas.size.width);
  const int height = pixels(canvas.size.height);

  CairoSurfacePtr surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)};
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error("cannot allocate the picture");
  }
  CairoPtr cr{cairo_create(surface.get())};
  cairo_scale(cr.get(), scale, scale);

  thread_local detail::PangoContextPtr context = detail::newContext();
  pango_cairo_update_context(cr.get(), context.get());

  for (std::size_t i = 0; i < list.size(); ++i) {
    const DisplayItem& item = list[i];
    if (const auto* fill = std::get_if<FillGradient>(&item)) {
      // The first gradient over the whole canvas is the background: copy it from the cache.
      if (i == 0 && fill->rect == canvas.bounds()) {
        backgroundCache().paint(surface.get(), *fill, scale);
      } else {
        fillGradient(cr.get(), *fill);
      }
    } else if (const auto* rect = std::get_if<FillRoundedRect>(&item)) {
      setSource(cr.get(), rect->color);
      appendPath(cr.get(), detail::continuousRoundedRect(rect->rect, rect->cornerRadius));
      cairo_fill(cr.get());
    } else if (const auto* run = std::get_if<TextRun>(&item)) {
      drawText(cr.get(), context.get(), *run);
    } else if (const auto* symbol = std::get_if<Symbol>(&item)) {
      drawSymbol(cr.get(), *symbol);
    }
  }
  cairo_surface_flush(surface.get());

  // Cairo keeps native-endian premultiplied ARGB; PNG wants straight RGBA bytes.
  const int stride = cairo_image_surface_get_stride(surface.get());
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) *
                                 static_cast<std::size_t>(height) * 4);
  std::uint8_t* out = rgba.data();
  for (int y = 0; y < height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t argb = row[x];
      const std::uint32_t a = argb >> 24;
      std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (a != 0 && a != 255) {
        r = (r * 255 + a / 2) / a;
        g = (g * 255 + a / 2) / a;
        b = (b * 255 + a / 2) / a;
      }
      out[0] = static_cast<std::uint8_t>(r);
      out[1] = static_cast<std::uint8_t>(g);
      out[2] = static_cast<std::uint8_t>(b);
      out[3] = static_cast<std::uint8_t>(a);
      out += 4;
    }
  }
  return RgbaImage{width, height, std::move(rgba)};
}

}  // namespace detail

std::vector<std::uint8_t> encodePng(const DisplayList& list, const WidgetCanvas& canvas,
                                    double scale) {
  return detail::encodeRgba(detail::rasterize(list, canvas, scale));
}

}  // namespace ui
