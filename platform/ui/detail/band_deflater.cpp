#include "ui/detail/band_deflater.hpp"

#include <libdeflate.h>

#include <cstring>
#include <stdexcept>

namespace ui::detail {

BandDeflater::BandDeflater() {
  // Level 1 without a row filter: measured here about twice as fast as level 6 on these
  // pictures, for files about twice as large (still well under 100 KB at @3x).
  if (deflateInit2(&stream_, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("cannot start the PNG compressor");
  }
}

BandDeflater::~BandDeflater() {
  deflateEnd(&stream_);
}

DeflatedBand BandDeflater::band(const RgbaImage& image, int first, int last) {
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
  // The same sum as zlib's, in a fraction of the time (vector instructions): zlib's took about a
  // fifth of the compressor's time.
  band.adler = libdeflate_adler32(1, scratch_.data(), scratch_.size());
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

}  // namespace ui::detail
