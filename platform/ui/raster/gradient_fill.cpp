#include "ui/raster/gradient_fill.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/raster/cairo_handles.hpp"
#include "ui/raster/cairo_path.hpp"

namespace ui::detail {

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

// Pixman computes a gradient pixel by pixel through its general compositing path, which made the
// background the dearest part of a first render. When the rectangle sits on whole device pixels,
// the gradient is written here instead, row by row, with pixman's arithmetic (colours
// interpolated straight, then premultiplied and rounded), and the rounded outline is cut out of
// the corners only. What does not depend on the rows (the colour table, the corners' coverage) is
// made once, so a picture drawn in bands pays for it once.
BackgroundPainter::BackgroundPainter(const FillGradient& fill, double scale, int width)
    : fill_(fill), scale_(scale) {
  const double dx = fill.end.x - fill.start.x;
  const double dy = fill.end.y - fill.start.y;
  const double length2 = dx * dx + dy * dy;
  auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
  const foundation::Rect& rect = fill.rect;
  const double x0 = rect.minX() * scale, y0 = rect.minY() * scale;
  const double x1 = rect.maxX() * scale, y1 = rect.maxY() * scale;
  if (fill.colors.empty() || !(length2 > 1e-6) || !whole(x0) || !whole(y0) || !whole(x1) ||
      !whole(y1) || x0 < 0 || y0 < 0 || x1 > width || x0 >= x1 || y0 >= y1) {
    return;  // cairo paints it
  }
  fast_ = true;
  left_ = static_cast<int>(std::round(x0));
  top_ = static_cast<int>(std::round(y0));
  right_ = static_cast<int>(std::round(x1));
  bottom_ = static_cast<int>(std::round(y1));

  // The colours along the gradient, in steps far finer than a colour level, so a pixel costs a
  // table look-up.
  table_.resize(kSteps + 1);
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
    table_[static_cast<std::size_t>(k)] =
        (static_cast<std::uint32_t>(a + 0.5f) << 24) | (r << 16) | (g << 8) | b;
  }
  // The gradient parameter at a pixel's centre is linear along a row; it is stepped in table
  // units with 16 fraction bits.
  step_ = static_cast<std::int64_t>(std::llround(dx / scale / length2 * kFixed));

  // Only the corners lie partly outside the rounded outline. Each corner's coverage is drawn by
  // cairo into a small mask, by which the pixels are scaled as pixman's DEST_IN would scale them:
  // the same as cutting the outline out of the whole rectangle, which cost half as much as
  // writing the gradient.
  const Path outline = continuousRoundedRect(rect, fill.cornerRadius);
  const double reach = std::min(std::max(fill.cornerRadius, 0.0) * 1.28,
                                std::min(rect.size.width, rect.size.height) / 2);
  box_ = static_cast<int>(std::ceil((reach + 1) * scale));
  if (2 * box_ > right_ - left_ || 2 * box_ > bottom_ - top_) {
    box_ = 0;  // corners that meet: cairo cuts the whole outline
    return;
  }
  CairoSurfacePtr mask{cairo_image_surface_create(CAIRO_FORMAT_A8, box_, box_)};
  const int maskStride = cairo_image_surface_get_stride(mask.get());
  for (const int bx : {left_, right_ - box_}) {
    for (const int by : {top_, bottom_ - box_}) {
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
      const unsigned char* data = cairo_image_surface_get_data(mask.get());
      Corner corner{bx, by, std::vector<std::uint8_t>(static_cast<std::size_t>(box_ * box_))};
      for (int y = 0; y < box_; ++y) {
        std::memcpy(corner.coverage.data() + static_cast<std::ptrdiff_t>(y) * box_,
                    data + static_cast<std::ptrdiff_t>(y) * maskStride,
                    static_cast<std::size_t>(box_));
      }
      corners_.push_back(std::move(corner));
    }
  }
}

void BackgroundPainter::paint(cairo_surface_t* surface, cairo_t* cr, int firstRow) const {
  if (!fast_) {
    fillGradient(cr, fill_);
    return;
  }
  const int lastRow = firstRow + cairo_image_surface_get_height(surface);
  cairo_surface_flush(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  // Row y of the picture is row y - firstRow of the surface.
  auto rowAt = [&](int y) {
    return reinterpret_cast<std::uint32_t*>(data +
                                            static_cast<std::ptrdiff_t>(y - firstRow) * stride);
  };
  for (int y = std::max(top_, firstRow); y < std::min(bottom_, lastRow); ++y) {
    const double py = (y + 0.5) / scale_ - fill_.start.y;
    const double dx = fill_.end.x - fill_.start.x;
    const double dy = fill_.end.y - fill_.start.y;
    const double t =
        (((left_ + 0.5) / scale_ - fill_.start.x) * dx + py * dy) / (dx * dx + dy * dy);
    auto fixed = static_cast<std::int64_t>(std::llround(std::clamp(t, -1e6, 1e6) * kFixed));
    std::uint32_t* row = rowAt(y);
    // Before and after the gradient's ends the colour is the end's; in between (its length from
    // the index's slope) no index needs clamping, and a pixel is a load and a store.
    int x = left_;
    auto index = [&] { return (fixed + 32768) >> 16; };
    for (; x < right_ && (index() < 0 || index() > kSteps); ++x, fixed += step_) {
      row[x] = table_[index() < 0 ? 0 : kSteps];
    }
    std::int64_t run = right_ - x;
    if (step_ > 0) {
      run = std::min(run, ((std::int64_t{kSteps + 1} << 16) - 32768 - fixed + step_ - 1) / step_);
    } else if (step_ < 0) {
      run = std::min(run, (fixed + 32768) / -step_ + 1);
    }
    const std::uint32_t* table = table_.data();
    for (const int end = x + static_cast<int>(std::max<std::int64_t>(run, 0)); x < end;
         ++x, fixed += step_) {
      row[x] = table[(fixed + 32768) >> 16];
    }
    for (; x < right_; ++x) row[x] = table_[index() < 0 ? 0 : kSteps];
  }
  if (box_ == 0) {
    cairo_surface_mark_dirty(surface);
    cairo_save(cr);
    appendPath(cr, continuousRoundedRect(fill_.rect, fill_.cornerRadius));
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill(cr);
    cairo_restore(cr);
    return;
  }
  for (const Corner& corner : corners_) {
    const int from = std::max(corner.y, firstRow), to = std::min(corner.y + box_, lastRow);
    for (int y = from; y < to; ++y) {
      std::uint32_t* row = rowAt(y) + corner.x;
      const std::uint8_t* coverage =
          corner.coverage.data() + static_cast<std::ptrdiff_t>(y - corner.y) * box_;
      for (int x = 0; x < box_; ++x) {
        const std::uint32_t m = coverage[x];
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
  cairo_surface_mark_dirty(surface);
}

}  // namespace ui::detail
