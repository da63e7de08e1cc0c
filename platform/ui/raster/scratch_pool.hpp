#pragma once

// Private to the ui library: the buffers a thread draws and compresses bands with.

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "ui/raster/band_deflater.hpp"
#include "ui/raster/raster.hpp"

namespace ui::detail {

// What a thread needs to draw and compress bands: a band of rows and a compressor.
struct Scratch {
  RgbaImage rows;
  BandDeflater deflater;
};

// Scratch kept from one picture to the next rather than per thread, since a picture's threads
// live for that picture alone. Thread-safe.
class ScratchPool {
 public:
  std::unique_ptr<Scratch> take() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return std::make_unique<Scratch>();
    std::unique_ptr<Scratch> scratch = std::move(free_.back());
    free_.pop_back();
    return scratch;
  }
  void give(std::unique_ptr<Scratch> scratch) {
    scratch->rows.background = nullptr;  // the cache decides how long a background lives
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(scratch));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Scratch>> free_;
};

}  // namespace ui::detail
