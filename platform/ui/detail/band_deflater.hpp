#pragma once

// Private to the ui library: image rows compressed in bands that can be joined in any order.

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "ui/detail/raster.hpp"

namespace ui::detail {

// Rows per band: small enough that the content touches few bands, large enough that each
// compresses well.
constexpr int kBandRows = 16;

// A run of image rows compressed on their own: raw deflate blocks that start from an empty
// dictionary and end on a byte boundary (sync flush), so bands can be cut and joined freely.
struct DeflatedBand {
  std::vector<std::uint8_t> bytes;
  uLong adler = 1;  // of the band's filtered rows
  uLong length = 0;
};

// One compressor, kept for band after band; not to be shared between threads.
class BandDeflater {
 public:
  BandDeflater();
  ~BandDeflater();
  BandDeflater(const BandDeflater&) = delete;
  BandDeflater& operator=(const BandDeflater&) = delete;

  // Rows [first, last) of `image`, each behind its filter byte (0: none).
  DeflatedBand band(const RgbaImage& image, int first, int last);

 private:
  z_stream stream_{};
  std::vector<std::uint8_t> scratch_;
  std::vector<std::uint8_t> out_;
};

}  // namespace ui::detail
