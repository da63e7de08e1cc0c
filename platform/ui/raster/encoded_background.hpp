#pragma once

// Private to the ui library: a widget background as the cache keeps it.

#include <cairo.h>

#include <mutex>
#include <optional>
#include <vector>

#include "ui/raster/band_deflater.hpp"
#include "ui/raster/cairo_handles.hpp"

namespace ui::detail {

// A cached widget background: its pixels as drawn (premultiplied, as Cairo draws), and its
// compressed bands, each made the first time a render leaves that band untouched (so a process
// that renders a size once pays for no band twice).
struct EncodedBackground {
  CairoSurfacePtr surface;
  int width = 0;
  int height = 0;
  std::mutex mutex;
  std::vector<std::optional<DeflatedBand>> bands;
};

}  // namespace ui::detail
