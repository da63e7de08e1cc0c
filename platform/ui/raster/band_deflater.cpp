#include "ui/raster/band_deflater.hpp"

#include <isa-l/igzip_lib.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace ui::detail {

void BandDeflater::Free::operator()(void* p) const {
  std::free(p);
}

BandDeflater::BandDeflater() = default;
BandDeflater::~BandDeflater() = default;

// ISA-L's level 0 (igzip), measured on the widget's own pictures (bench/png_compression_bench):
// five times as fast as zlib's level 1, the files about a third larger. Its one-shot compressor
// takes a band whole, and a full flush without an end of stream leaves blocks that join.
// Not level 1, whose files are a fifth smaller: in a process drawing on several threads, its
// one-shot compressor now and then gave the same rows other bytes from one call to the next
// (valid ones, but a picture must be the same bytes every time); nothing we could clear or pad
// (its state, its buffers, the bytes around the input) made it repeatable, and level 0 is.
DeflatedBand BandDeflater::band(const RgbaImage& image, int first, int last) {
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  const std::size_t length = (rowBytes + 1) * static_cast<std::size_t>(last - first);
  const std::uint8_t* rows = nullptr;
  if (image.pngRows) {
    rows = image.pixels.data() + static_cast<std::size_t>(first) * image.rowStride();
  } else {  // packed: copied behind filter bytes
    scratch_.resize(length);
    std::uint8_t* at = scratch_.data();
    for (int y = first; y < last; ++y) {
      *at++ = 0;
      std::memcpy(at, image.row(y), rowBytes);
      at += rowBytes;
    }
    rows = scratch_.data();
  }
  DeflatedBand band;
  band.length = length;
  band.adler = isal_adler32(1, rows, length);

  // The most a stateless call may need: the band in stored blocks, their headers and the flush.
  // Left uninitialised: pages never written (most of them: a band compresses to a few kilobytes)
  // are then never made resident.
  const std::size_t bound = length + (length / 65535 + 2) * 5 + 64;
  if (outSize_ < bound) {
    out_.reset(new std::uint8_t[bound]);
    outSize_ = bound;
  }
  // The stream's state (82 KB, most of it for the streaming compressor) is not all set by the
  // init call, and the first call reads what it did not set: it is held zeroed from the start
  // (calloc: fresh zero pages, touched only where written), then left to the compressor. Taken
  // uninitialised it gave a band different bytes depending on what the memory held before.
  auto zeroed = [](std::size_t size) {
    void* memory = std::calloc(1, size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
  };
  if (!stream_) stream_.reset(static_cast<isal_zstream*>(zeroed(sizeof(isal_zstream))));
  isal_zstream& stream = *stream_;
  isal_deflate_stateless_init(&stream);
  stream.level = 0;
  stream.end_of_stream = 0;
  stream.flush = FULL_FLUSH;
  stream.next_in = const_cast<std::uint8_t*>(rows);
  stream.avail_in = static_cast<std::uint32_t>(length);
  stream.next_out = out_.get();
  stream.avail_out = static_cast<std::uint32_t>(outSize_);
  if (isal_deflate_stateless(&stream) != COMP_OK) {
    throw std::runtime_error("cannot compress the picture");
  }
  band.bytes.assign(out_.get(), stream.next_out);
  return band;
}

}  // namespace ui::detail
