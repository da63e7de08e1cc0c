#include "ui/inspection/picture_inspection.hpp"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>

#include "ui/graphics/paths.hpp"
#include "ui/inspection/contrast.hpp"
#include "ui/raster/background_cache.hpp"
#include "ui/raster/buffer_pool.hpp"
#include "ui/raster/cairo_handles.hpp"
#include "ui/raster/cairo_path.hpp"
#include "ui/raster/raster.hpp"

namespace ui {

namespace {

// A pixel counts as drawn when at least half covered: the faint antialiased fringe of an edge
// that lies on a boundary is not content past it.
constexpr std::uint8_t kDrawn = 128;

RGBA pixelColor(const detail::RgbaImage& image, int x, int y) {
  const std::uint8_t* p = image.row(y) + static_cast<std::size_t>(x) * 4;
  return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0};
}

// The relative luminance of an 8-bit pixel: a power per component and pixel cost more than the
// rest of the check, and there are only 256 values.
double luminanceAt(const detail::RgbaImage& image, int x, int y) {
  static const std::array<double, 256> kLinear = [] {
    std::array<double, 256> table{};
    for (std::size_t v = 0; v < table.size(); ++v) table[v] = linearized(v / 255.0);
    return table;
  }();
  const std::uint8_t* p = image.row(y) + static_cast<std::size_t>(x) * 4;
  return 0.2126 * kLinear[p[0]] + 0.7152 * kLinear[p[1]] + 0.0722 * kLinear[p[2]];
}

std::uint8_t alphaAt(const detail::RgbaImage& image, int x, int y) {
  return image.row(y)[static_cast<std::size_t>(x) * 4 + 3];
}

// Whether a point lies inside the canvas's rounded shape, asked of Cairo on the path the
// backgrounds are clipped to. Only points near a corner are asked.
class CanvasShape {
 public:
  explicit CanvasShape(const WidgetCanvas& canvas)
      : width_(canvas.size.width),
        height_(canvas.size.height),
        // The continuous corner starts before a circular arc of the same radius would.
        reach_(std::min(std::min(width_, height_) / 2, 2 * std::max(0.0, canvas.cornerRadius))),
        surface_(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)),
        cr_(cairo_create(surface_.get())) {
    detail::appendPath(cr_.get(),
                       detail::continuousRoundedRect(canvas.bounds(), canvas.cornerRadius));
  }
  // How far from each corner, along both edges, the outline may curve.
  double reach() const { return reach_; }
  bool contains(double x, double y) const {
    const bool nearCorner =
        (x < reach_ || x > width_ - reach_) && (y < reach_ || y > height_ - reach_);
    return !nearCorner || cairo_in_fill(cr_.get(), x, y) != 0;
  }

 private:
  double width_;
  double height_;
  double reach_;
  detail::CairoSurfacePtr surface_;
  detail::CairoPtr cr_;
};

// The box around an item where it may leave ink, in points: text and symbols reach past their
// boxes (accents, strokes, emboldening), as the rasteriser allows for.
foundation::Rect inkBox(const DisplayItem& item) {
  return std::visit(
      [](const auto& i) -> foundation::Rect {
        using T = std::decay_t<decltype(i)>;
        if constexpr (std::is_same_v<T, LinkRegion> || std::is_same_v<T, ContainerBackground>) {
          return {};
        } else {
          double margin = 1;
          if constexpr (std::is_same_v<T, TextRun>) margin = i.rect.size.height / 2;
          if constexpr (std::is_same_v<T, Symbol>) margin = i.rect.size.width / 2 + 1;
          return {{i.rect.minX() - margin, i.rect.minY() - margin},
                  {i.rect.size.width + 2 * margin, i.rect.size.height + 2 * margin}};
        }
      },
      item);
}

bool holds(const foundation::Rect& r, double x, double y) {
  return r.size.width > 0 && x >= r.minX() && x <= r.maxX() && y >= r.minY() && y <= r.maxY();
}

// Adds a stray pixel at (x, y) points to the item's tally.
void tally(std::map<std::size_t, StrayContent>& found, std::size_t item, double x, double y,
           double pixel, double distance) {
  StrayContent& stray = found[item];
  const foundation::Rect here{{x - pixel / 2, y - pixel / 2}, {pixel, pixel}};
  if (stray.pixels == 0) {
    stray = {item, 0, 0, here};
  } else {
    const double minX = std::min(stray.bounds.minX(), here.minX());
    const double minY = std::min(stray.bounds.minY(), here.minY());
    const double maxX = std::max(stray.bounds.maxX(), here.maxX());
    const double maxY = std::max(stray.bounds.maxY(), here.maxY());
    stray.bounds = {{minX, minY}, {maxX - minX, maxY - minY}};
  }
  ++stray.pixels;
  stray.distance = std::max(stray.distance, distance);
}

std::vector<StrayContent> values(const std::map<std::size_t, StrayContent>& found) {
  std::vector<StrayContent> out;
  for (const auto& [item, stray] : found) out.push_back(stray);
  return out;
}

}  // namespace

std::size_t missingGlyphs(const TextRun& run) {
  if (!run.shaped.line) return 0;
  std::size_t count = 0;
  for (const typesetting::GlyphRun& glyphs : run.shaped.line->runs) {
    count += static_cast<std::size_t>(
        std::count_if(glyphs.glyphs.begin(), glyphs.glyphs.end(),
                      [](const typesetting::PositionedGlyph& g) { return g.id == 0; }));
  }
  return count;
}

std::size_t contentStart(const DisplayList& list, const RenderEnvironment& environment) {
  if (list.empty()) return 0;
  if (const auto* background = std::get_if<ContainerBackground>(&list.front())) {
    return 1 + background->itemCount;
  }
  return environment.backdrop ? 1 : 0;
}

// The two pictures' buffers, kept from one call to the next.
struct PictureInspector::Buffers {
  struct Pair {
    detail::RgbaImage behind;
    detail::RgbaImage drawn;
  };
  detail::BufferPool<Pair> pool;
};

PictureInspector::PictureInspector()
    : backgrounds_(std::make_unique<detail::BackgroundCache>()),
      buffers_(std::make_unique<Buffers>()) {}
PictureInspector::~PictureInspector() = default;

PictureInspection PictureInspector::inspect(const DisplayList& list, std::size_t start,
                                            const WidgetCanvas& canvas, double scale) const {
  start = std::min(start, list.size());
  // Each text run becomes an empty fill rather than being left out, so that every index and
  // every item count of the list still holds.
  DisplayList behindText = list;
  for (DisplayItem& item : behindText) {
    if (std::holds_alternative<TextRun>(item)) item = FillRoundedRect{{}, 0, {0, 0, 0, 0}};
  }
  const DisplayList content(list.begin() + static_cast<std::ptrdiff_t>(start), list.end());
  const detail::PictureFrame frame = detail::pictureFrame(canvas, scale);
  std::unique_ptr<Buffers::Pair> buffers = buffers_->pool.take();
  detail::rasterizeRows(behindText, canvas, frame, 0, frame.height,
                        detail::pictureBackground(behindText, canvas, frame, backgrounds_.get()),
                        buffers->behind);
  detail::rasterizeRows(content, canvas, frame, 0, frame.height, {}, buffers->drawn);
  const detail::RgbaImage& behind = buffers->behind;
  const detail::RgbaImage& drawn = buffers->drawn;
  const double pixel = 1 / frame.scale;
  const int width = std::min(behind.width, drawn.width);
  const int height = std::min(behind.height, drawn.height);

  PictureInspection inspection;
  for (std::size_t i = start; i < list.size(); ++i) {
    const auto* run = std::get_if<TextRun>(&list[i]);
    if (run == nullptr) continue;
    const int x0 = std::max(0, static_cast<int>(std::floor(run->rect.minX() / pixel)));
    const int y0 = std::max(0, static_cast<int>(std::floor(run->rect.minY() / pixel)));
    const int x1 = std::min(width, static_cast<int>(std::ceil(run->rect.maxX() / pixel)));
    const int y1 = std::min(height, static_cast<int>(std::ceil(run->rect.maxY() / pixel)));
    bool measured = false;
    TextContrast lowest{i, 21, run->color, {}};
    const bool opaque = run->color.opacity >= 1;
    const double textLuminance = relativeLuminance(run->color);
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        if (alphaAt(drawn, x, y) < kDrawn || alphaAt(behind, x, y) < 255) continue;
        const double ratio = opaque ? luminanceContrast(textLuminance, luminanceAt(behind, x, y))
                                    : contrastRatio(composite(run->color, pixelColor(behind, x, y)),
                                                    pixelColor(behind, x, y));
        if (!measured || ratio < lowest.ratio) {
          lowest.ratio = ratio;
          lowest.background = pixelColor(behind, x, y);
        }
        measured = true;
      }
    }
    if (measured) inspection.contrast.push_back(lowest);
  }

  const CanvasShape shape(canvas);
  const foundation::Rect margins = canvas.contentRect();
  std::vector<std::pair<std::size_t, foundation::Rect>> boxes;
  for (std::size_t i = start; i < list.size(); ++i) boxes.emplace_back(i, inkBox(list[i]));
  std::map<std::size_t, StrayContent> corners, outside;
  // Pixels whose centres lie in the content rect and away from the corners need no look: a row
  // skips the columns [skipFrom, skipTo).
  const double reach = shape.reach();
  for (int y = 0; y < height; ++y) {
    const double py = (y + 0.5) * pixel;
    int skipFrom = 0, skipTo = 0;
    if (py >= margins.minY() && py <= margins.maxY()) {
      double from = margins.minX(), to = margins.maxX();
      if (py < reach || py > canvas.size.height - reach) {
        from = std::max(from, reach);
        to = std::min(to, canvas.size.width - reach);
      }
      skipFrom = std::max(0, static_cast<int>(std::ceil(from / pixel - 0.5)));
      skipTo = std::min(width, static_cast<int>(std::floor(to / pixel - 0.5)) + 1);
    }
    for (int x = 0; x < width; ++x) {
      if (x == skipFrom && skipTo > skipFrom) x = skipTo;
      if (x >= width) break;
      if (alphaAt(drawn, x, y) < kDrawn) continue;
      const double px = (x + 0.5) * pixel;
      const double distance = std::max({margins.minX() - px, px - margins.maxX(),
                                        margins.minY() - py, py - margins.maxY(), 0.0});
      const bool cut = !shape.contains(px, py);
      if (distance <= 0 && !cut) continue;
      // The topmost item whose ink may reach the pixel; none (the list's size) when none does.
      std::size_t owner = list.size();
      for (const auto& [item, box] : boxes) {
        if (holds(box, px, py)) owner = item;
      }
      if (distance > 0) tally(outside, owner, px, py, pixel, distance);
      if (cut) tally(corners, owner, px, py, pixel, distance);
    }
  }
  inspection.underCorners = values(corners);
  inspection.outsideMargins = values(outside);
  buffers->behind.background = nullptr;  // the cache decides how long a background lives
  buffers_->pool.give(std::move(buffers));
  return inspection;
}

}  // namespace ui
