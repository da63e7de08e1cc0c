#pragma once

// Private to the ui library: a PNG file made of bands compressed on their own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ui/raster/band_deflater.hpp"
#include "ui/raster/raster.hpp"

namespace ui::detail {

// One picture on its way to a PNG file: its compressed bands, made in any order by any thread
// (each band by one), then joined into the file.
class BandedPng {
 public:
  // A picture of width x height pixels drawn on `background`.
  BandedPng(int width, int height, PictureBackground background);

  // Compresses the bands of `rows` (whole bands of this picture), except those the kept
  // background already holds.
  void compress(const RgbaImage& rows, BandDeflater& deflater);

  // The PNG file, once every band is made: each band's bytes are taken from the kept background
  // where the content left it untouched (compressing it again would give the same bytes).
  std::vector<std::uint8_t> file();

  const PictureBackground& background() const { return background_; }

 private:
  int width_ = 0;
  int height_ = 0;
  PictureBackground background_;
  std::vector<std::optional<DeflatedBand>> made_;
  // Per band: whether its rows are the background's, so the kept band may stand for it.
  std::unique_ptr<bool[]> untouched_;
};

}  // namespace ui::detail
