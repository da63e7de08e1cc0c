#include "ui/png_encoder.hpp"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "ui/detail/cairo_handles.hpp"
#include "ui/detail/paths.hpp"
#include "ui/detail/raster.hpp"
#include "ui/text/glyph_painter.hpp"

namespace ui::detail {

// A run of image rows compressed on their own: raw deflate blocks that start from an empty
// dictionary and end on a byte boundary (sync flush), so bands can be cut and joined freely.
struct DeflatedBand {
  std::vector<std::uint8_t> bytes;
  uLong adler = 1;  // of the band's filtered rows
  uLong length = 0;
};

// A cached widget background: its pixels as drawn, and its compressed bands, each made the
// first time a render leaves that band untouched (so a process that renders a size once pays
// for no band twice).
struct EncodedBackground {
  CairoSurfacePtr surface;  // premultiplied
  int width = 0;
  int height = 0;
  std::mutex mutex;
  std::vector<std::optional<DeflatedBand>> bands;
};

namespace {

// Rows per band: small enough that the content touches few bands, large enough that each
// compresses well.
constexpr int kBandRows = 16;

// Bands to compress from which a second thread pays for itself: about a third of a picture at
// @3x. Only a picture without a kept background is split; with one, a render compresses just
// the bands its content touches, and a thread and its compressor cost more than they save.
constexpr std::size_t kParallelBands = 12;

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
  appendPath(cr, continuousRoundedRect(fill.rect, fill.cornerRadius));
  cairo_set_source(cr, pattern.get());
  cairo_fill(cr);
}

// Paints the widget background onto a transparent surface. Pixman computes a gradient pixel by
// pixel through its general compositing path, which made the background the dearest part of a
// first render. When the rectangle sits on whole device pixels, the gradient is written here
// instead, row by row, with pixman's arithmetic (colours interpolated straight, then
// premultiplied and rounded); cairo then cuts out the rounded outline.
void paintBackground(cairo_surface_t* surface, cairo_t* cr, const FillGradient& fill,
                     double scale) {
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const double dx = fill.end.x - fill.start.x;
  const double dy = fill.end.y - fill.start.y;
  const double length2 = dx * dx + dy * dy;
  auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
  const foundation::Rect& rect = fill.rect;
  const double x0 = rect.minX() * scale, y0 = rect.minY() * scale;
  const double x1 = rect.maxX() * scale, y1 = rect.maxY() * scale;
  if (fill.colors.empty() || !(length2 > 1e-6) || !whole(x0) || !whole(y0) || !whole(x1) ||
      !whole(y1) || x0 < 0 || y0 < 0 || x1 > width || y1 > height || x0 >= x1 || y0 >= y1) {
    fillGradient(cr, fill);
    return;
  }
  const int left = static_cast<int>(std::round(x0)), top = static_cast<int>(std::round(y0));
  const int right = static_cast<int>(std::round(x1)), bottom = static_cast<int>(std::round(y1));

  // The colours along the gradient, in steps far finer than a colour level, so a pixel costs a
  // table look-up.
  constexpr int kSteps = 4096;
  std::vector<std::uint32_t> table(kSteps + 1);
  const int segments = static_cast<int>(fill.colors.size()) - 1;
  for (int k = 0; k <= kSteps; ++k) {
    const double u = static_cast<double>(k) / kSteps * segments;
    const int i = std::min(static_cast<int>(u), std::max(segments - 1, 0));
    const auto f = static_cast<float>(u - i);
    const RGBA& from = fill.colors[static_cast<std::size_t>(i)];
    const RGBA& to = fill.colors[static_cast<std::size_t>(segments > 0 ? i + 1 : i)];
    auto level = [](double v) { return static_cast<float>(v > 0 ? std::min(v, 1.0) * 255 : 0); };
    auto mix = [&](double x, double y) { return level(x) + (level(y) - level(x)) * f; };
    const float a = mix(from.opacity, to.opacity);
    const float alpha = a / 255;
    const auto r = static_cast<std::uint32_t>(alpha * mix(from.red, to.red) + 0.5f);
    const auto g = static_cast<std::uint32_t>(alpha * mix(from.green, to.green) + 0.5f);
    const auto b = static_cast<std::uint32_t>(alpha * mix(from.blue, to.blue) + 0.5f);
    table[static_cast<std::size_t>(k)] =
        (static_cast<std::uint32_t>(a + 0.5f) << 24) | (r << 16) | (g << 8) | b;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  // The gradient parameter at a pixel's centre is linear along a row; it is stepped in table
  // units with 16 fraction bits.
  constexpr double kFixed = kSteps * 65536.0;
  const auto step = static_cast<std::int64_t>(std::llround(dx / scale / length2 * kFixed));
  for (int y = top; y < bottom; ++y) {
    const double py = (y + 0.5) / scale - fill.start.y;
    const double t = (((left + 0.5) / scale - fill.start.x) * dx + py * dy) / length2;
    auto fixed = static_cast<std::int64_t>(std::llround(std::clamp(t, -1e6, 1e6) * kFixed));
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = left; x < right; ++x, fixed += step) {
      const std::int64_t index = std::clamp<std::int64_t>((fixed + 32768) >> 16, 0, kSteps);
      row[x] = table[static_cast<std::size_t>(index)];
    }
  }

  // Only the corners lie partly outside the rounded outline. Each corner's coverage is drawn by
  // cairo into a small mask and the pixels are scaled by it as pixman's DEST_IN would: the same
  // as cutting the outline out of the whole rectangle with DEST_IN, which cost half as much as
  // writing the gradient.
  const Path outline = continuousRoundedRect(rect, fill.cornerRadius);
  const double reach = std::min(std::max(fill.cornerRadius, 0.0) * 1.28,
                                std::min(rect.size.width, rect.size.height) / 2);
  const int box = static_cast<int>(std::ceil((reach + 1) * scale));
  if (2 * box > right - left || 2 * box > bottom - top) {
    cairo_save(cr);
    appendPath(cr, outline);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    cairo_restore(cr);
    return;
  }
  CairoSurfacePtr mask{cairo_image_surface_create(CAIRO_FORMAT_A8, box, box)};
  const int maskStride = cairo_image_surface_get_stride(mask.get());
  for (const int bx : {left, right - box}) {
    for (const int by : {top, bottom - box}) {
      {
        CairoPtr m{cairo_create(mask.get())};
        cairo_set_operator(m.get(), CAIRO_OPERATOR_CLEAR);
        cairo_paint(m.get());
        cairo_set_operator(m.get(), CAIRO_OPERATOR_OVER);
        cairo_translate(m.get(), -bx, -by);
        cairo_scale(m.get(), scale, scale);
        appendPath(m.get(), outline);
        cairo_fill(m.get());
      }
      cairo_surface_flush(mask.get());
      const unsigned char* coverage = cairo_image_surface_get_data(mask.get());
      for (int y = 0; y < box; ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(by + y) * stride) +
            bx;
        for (int x = 0; x < box; ++x) {
          const std::uint32_t m = coverage[static_cast<std::ptrdiff_t>(y) * maskStride + x];
          if (m == 255) continue;
          std::uint32_t pixel = 0;
          for (int shift = 0; shift < 32; shift += 8) {
            const std::uint32_t t = ((row[x] >> shift) & 0xFF) * m + 0x80;
            pixel |= (((t >> 8) + t) >> 8) << shift;
          }
          row[x] = pixel;
        }
      }
    }
  }
  cairo_surface_mark_dirty(surface);
}

// Cairo keeps native-endian premultiplied ARGB; PNG wants straight RGBA bytes. Converts the
// image's pixels in place (a second picture-sized buffer would cost more in fresh pages than the
// conversion itself), and marks the rows that still equal the background's.
void toStraightRgba(const EncodedBackground* background, RgbaImage& image) {
  const unsigned char* backgroundData =
      background != nullptr ? cairo_image_surface_get_data(background->surface.get()) : nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  image.backgroundRows.assign(
      backgroundData != nullptr ? static_cast<std::size_t>(image.height) : 0, false);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * rowBytes;
    if (backgroundData != nullptr) {
      image.backgroundRows[static_cast<std::size_t>(y)] =
          std::memcmp(row, backgroundData + static_cast<std::size_t>(y) * rowBytes, rowBytes) == 0;
    }
    for (std::size_t x = 0; x < rowBytes; x += 4) {
      std::uint32_t argb;
      std::memcpy(&argb, row + x, 4);
      const std::uint32_t a = argb >> 24;
      std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (a != 0 && a != 255) {
        r = (r * 255 + a / 2) / a;
        g = (g * 255 + a / 2) / a;
        b = (b * 255 + a / 2) / a;
      }
      row[x] = static_cast<std::uint8_t>(r);
      row[x + 1] = static_cast<std::uint8_t>(g);
      row[x + 2] = static_cast<std::uint8_t>(b);
      row[x + 3] = static_cast<std::uint8_t>(a);
    }
  }
}

class Deflater {
 public:
  Deflater() {
    // Level 1 without a row filter: measured here about twice as fast as level 6 on these
    // pictures, for files about twice as large (still well under 100 KB at @3x).
    if (deflateInit2(&stream_, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw std::runtime_error("cannot start the PNG compressor");
    }
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Rows [first, last) of `image`, each behind its filter byte (0: none).
  DeflatedBand band(const RgbaImage& image, int first, int last) {
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    scratch_.resize((rowBytes + 1) * static_cast<std::size_t>(last - first));
    std::uint8_t* at = scratch_.data();
    for (int y = first; y < last; ++y) {
      *at++ = 0;
      std::memcpy(at, image.pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
      at += rowBytes;
    }
    DeflatedBand band;
    band.length = static_cast<uLong>(scratch_.size());
    band.adler = adler32(1, scratch_.data(), static_cast<uInt>(scratch_.size()));
    deflateReset(&stream_);
    // Compressed into a buffer kept for the next band, then copied out at its exact size: a
    // kept band then holds only its bytes, not the worst-case bound.
    const std::size_t bound = deflateBound(&stream_, band.length) + 16;
    if (out_.size() < bound) out_.resize(bound);
    stream_.next_in = scratch_.data();
    stream_.avail_in = static_cast<uInt>(scratch_.size());
    std::size_t produced = 0;
    do {
      if (produced == out_.size()) out_.resize(out_.size() * 2);
      stream_.next_out = out_.data() + produced;
      stream_.avail_out = static_cast<uInt>(out_.size() - produced);
      deflate(&stream_, Z_SYNC_FLUSH);
      produced = out_.size() - stream_.avail_out;
    } while (stream_.avail_out == 0);
    band.bytes.assign(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(produced));
    return band;
  }

 private:
  z_stream stream_{};
  std::vector<std::uint8_t> scratch_;
  std::vector<std::uint8_t> out_;
};

// The widget background is the same gradient for every render of a size, and drawing and
// compressing it costs more than the rest of the picture. So a finished background is kept with
// its straight pixels and its compressed bands: a render copies the pixels, and the encoder
// reuses every band that the content left untouched. A background is kept from its second use
// on: a process that renders each size once (the usual command-line run) would only pay a
// picture-sized buffer for it. The cache is small: one entry per family, scale and appearance
// is all a host asks for.
class BackgroundCache {
 public:
  // Paints `fill` into `target` (a transparent surface drawn at `scale`), from the cached
  // rendering where there is one, and answers the background for the encoder (none on the
  // first use).
  std::shared_ptr<EncodedBackground> paint(cairo_surface_t* target, cairo_t* cr,
                                           const FillGradient& fill, double scale) {
    const int width = cairo_image_surface_get_width(target);
    const int height = cairo_image_surface_get_height(target);
    std::lock_guard lock(mutex_);
    auto matches = [&](const Entry& e) {
      return e.fill == fill && e.scale == scale && e.width == width && e.height == height;
    };
    auto found = std::find_if(entries_.begin(), entries_.end(), matches);
    if (found == entries_.end()) {
      auto seen = std::find_if(seen_.begin(), seen_.end(), matches);
      if (seen == seen_.end()) {
        seen_.push_front({fill, scale, width, height, nullptr});
        if (seen_.size() > kCapacity) seen_.pop_back();
        paintBackground(target, cr, fill, scale);
        return nullptr;
      }
      seen_.erase(seen);
      CairoSurfacePtr surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)};
      CairoPtr background{cairo_create(surface.get())};
      cairo_scale(background.get(), scale, scale);
      paintBackground(surface.get(), background.get(), fill, scale);
      cairo_surface_flush(surface.get());
      auto encoded = std::make_shared<EncodedBackground>();
      encoded->surface = std::move(surface);
      encoded->width = width;
      encoded->height = height;
      encoded->bands.resize(static_cast<std::size_t>((height + kBandRows - 1) / kBandRows));
      entries_.push_front({fill, scale, width, height, std::move(encoded)});
      if (entries_.size() > kCapacity) entries_.pop_back();
      found = entries_.begin();
    }
    cairo_surface_flush(target);
    const int stride = cairo_image_surface_get_stride(target);
    std::memcpy(cairo_image_surface_get_data(target),
                cairo_image_surface_get_data(found->encoded->surface.get()),
                static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    cairo_surface_mark_dirty(target);
    return found->encoded;
  }

 private:
  static constexpr std::size_t kCapacity = 8;
  struct Entry {
    FillGradient fill;
    double scale;
    int width;
    int height;
    std::shared_ptr<EncodedBackground> encoded;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
  std::list<Entry> seen_;  // used once, not kept yet
};

BackgroundCache& backgroundCache() {
  static BackgroundCache cache;
  return cache;
}

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

std::vector<std::uint8_t> encodeRgba(const RgbaImage& image) {
  EncodedBackground* background = image.background.get();
  if (background != nullptr &&
      (background->width != image.width || background->height != image.height ||
       image.backgroundRows.size() != static_cast<std::size_t>(image.height))) {
    background = nullptr;
  }
  const int bandCount = (image.height + kBandRows - 1) / kBandRows;
  auto rowsOf = [&](int index) {
    return std::pair{index * kBandRows, std::min(image.height, (index + 1) * kBandRows)};
  };
  auto untouched = [&](int index) {
    const auto [first, last] = rowsOf(index);
    return background != nullptr &&
           std::all_of(image.backgroundRows.begin() + first, image.backgroundRows.begin() + last,
                       [](bool row) { return row; });
  };

  // The bands to compress: all but the untouched ones the background already holds.
  std::vector<int> todo;
  for (int index = 0; index < bandCount; ++index) {
    if (untouched(index)) {
      std::lock_guard lock(background->mutex);
      if (background->bands[static_cast<std::size_t>(index)]) continue;
    }
    todo.push_back(index);
  }
  std::vector<std::optional<DeflatedBand>> made(static_cast<std::size_t>(bandCount));
  auto compress = [&](Deflater& deflater, std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) {
      const auto [first, last] = rowsOf(todo[k]);
      made[static_cast<std::size_t>(todo[k])] = deflater.band(image, first, last);
    }
  };
  thread_local std::unique_ptr<Deflater> deflater;
  if (!deflater) deflater = std::make_unique<Deflater>();
  // Bands start from an empty dictionary, so a picture with many to compress (every band of a
  // first render) is split between two threads: compressing is most of a cold render's time.
  std::size_t split = todo.size();
  std::thread helper;
  std::exception_ptr helperError;
  if (background == nullptr && todo.size() >= kParallelBands) {
    split = todo.size() / 2;
    try {
      helper = std::thread([&] {
        try {
          Deflater own;
          compress(own, split, todo.size());
        } catch (...) {
          helperError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      split = todo.size();  // no thread to be had: all on this one
    }
  }
  try {
    compress(*deflater, 0, split);
  } catch (...) {
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
  if (helperError) std::rethrow_exception(helperError);

  // The image data: a zlib stream of the bands, each taken from the background where the
  // content left it untouched (compressing a band again would give the same bytes).
  std::vector<std::uint8_t> idat = {0x78, 0x01};  // deflate, 32 KiB window, fastest level
  uLong adler = 1;
  for (int index = 0; index < bandCount; ++index) {
    std::optional<DeflatedBand>& fresh = made[static_cast<std::size_t>(index)];
    const DeflatedBand* band = fresh ? &*fresh : nullptr;
    std::unique_lock<std::mutex> lock;
    if (untouched(index)) {
      // The band's pixels are the background's, so its bytes are too: kept for later renders.
      lock = std::unique_lock(background->mutex);
      std::optional<DeflatedBand>& kept = background->bands[static_cast<std::size_t>(index)];
      if (!kept) kept = std::move(*fresh);
      band = &*kept;
    }
    idat.insert(idat.end(), band->bytes.begin(), band->bytes.end());
    adler = adler32_combine(adler, band->adler, static_cast<z_off_t>(band->length));
  }
  idat.push_back(0x03);  // an empty final block with fixed codes
  idat.push_back(0x00);
  for (int shift = 24; shift >= 0; shift -= 8) {
    idat.push_back(static_cast<std::uint8_t>((adler >> shift) & 0xFF));
  }

  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (png == nullptr) throw std::runtime_error("cannot encode PNG");
  png_infop info = png_create_info_struct(png);
  PngWriteState state{&out};
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot encode PNG");
  }
  png_set_write_fn(png, &state, writeBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // libpng writes the signature, header and chunk framing (with CRCs); the image data is ours.
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), idat.data(), idat.size());
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return out;
}

namespace {

// The picture is drawn straight into the image's pixel buffer and converted there. A thread
// keeps that buffer from one render to the next: a picture at @3x is megabytes, and fresh pages
// for it cost more than drawing it.
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

}  // namespace

RgbaImage rasterize(const DisplayList& list, const WidgetCanvas& canvas, double scale) {
  RgbaImage image;
  rasterizeInto(list, canvas, scale, image);
  return image;
}

}  // namespace ui::detail

namespace ui {

std::vector<std::uint8_t> encodePng(const DisplayList& list, const WidgetCanvas& canvas,
                                    double scale) {
  thread_local detail::RgbaImage image;
  detail::rasterizeInto(list, canvas, scale, image);
  std::vector<std::uint8_t> png = detail::encodeRgba(image);
  image.background = nullptr;  // the cache decides how long a background lives
  return png;
}

}  // namespace ui
