#include "ui/raster/background_cache.hpp"
#include "ui/raster/encoded_background.hpp"

#include <algorithm>

#include "ui/raster/gradient_fill.hpp"

namespace ui::detail {

std::shared_ptr<EncodedBackground> BackgroundCache::use(const FillGradient& fill, double scale,
                                                        int width, int height) {
  std::lock_guard lock(mutex_);
  auto matches = [&](const Entry& e) {
    return e.fill == fill && e.scale == scale && e.width == width && e.height == height;
  };
  auto found = std::find_if(entries_.begin(), entries_.end(), matches);
  if (found != entries_.end()) return found->encoded;
  auto seen = std::find_if(seen_.begin(), seen_.end(), matches);
  if (seen == seen_.end()) {
    seen_.push_front({fill, scale, width, height, nullptr});
    if (seen_.size() > kCapacity) seen_.pop_back();
    return nullptr;
  }
  seen_.erase(seen);
  CairoSurfacePtr surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)};
  CairoPtr background{cairo_create(surface.get())};
  cairo_scale(background.get(), scale, scale);
  BackgroundPainter(fill, scale, width).paint(surface.get(), background.get(), 0);
  cairo_surface_flush(surface.get());
  auto encoded = std::make_shared<EncodedBackground>();
  encoded->surface = std::move(surface);
  encoded->width = width;
  encoded->height = height;
  encoded->bands.resize(static_cast<std::size_t>((height + kBandRows - 1) / kBandRows));
  entries_.push_front({fill, scale, width, height, encoded});
  if (entries_.size() > kCapacity) entries_.pop_back();
  return encoded;
}

}  // namespace ui::detail
