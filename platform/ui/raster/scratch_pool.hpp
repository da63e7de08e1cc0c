#pragma once

// Private to the ui library: the buffers a thread draws and compresses bands with.

#include "ui/raster/band_deflater.hpp"
#include "ui/raster/buffer_pool.hpp"
#include "ui/raster/raster.hpp"

namespace ui::detail {

// What a thread needs to draw and compress bands: a band of rows and a compressor.
struct Scratch {
  RgbaImage rows;
  BandDeflater deflater;
};

using ScratchPool = BufferPool<Scratch>;

}  // namespace ui::detail
