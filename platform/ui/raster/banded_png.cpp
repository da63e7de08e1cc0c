#include "ui/raster/banded_png.hpp"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <mutex>
#include <span>
#include <stdexcept>

#include "ui/raster/background_cache.hpp"
#include "ui/raster/encoded_background.hpp"

namespace ui::detail {

namespace {

struct PngWriteState {
  std::vector<std::uint8_t>* out;
};

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
  state->out->insert(state->out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// libpng reports errors by longjmp; turn them into an exception after the jump.
[[noreturn]] void pngError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void pngWarning(png_structp, png_const_charp) {}

// The file: signature, header, the image data (one chunk, written band by band), end; written
// straight into a buffer of its exact size. Apart from BandedPng::file() so that no variable of
// the function calling setjmp changes after it.
std::vector<std::uint8_t> pngFile(int width, int height,
                                  const std::vector<const DeflatedBand*>& bands,
                                  std::size_t idatLength, std::span<const std::uint8_t> header,
                                  std::span<const std::uint8_t> trailer) {
  std::vector<std::uint8_t> out;
  out.reserve(8 + 25 + 12 + idatLength + 12);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (png == nullptr) throw std::runtime_error("cannot encode PNG");
  png_infop info = png_create_info_struct(png);
  PngWriteState state{&out};
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot encode PNG");
  }
  png_set_write_fn(png, &state, writeBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // libpng writes the signature, header and chunk framing (with CRCs); the image data is ours.
  png_write_chunk_start(png, reinterpret_cast<png_const_bytep>("IDAT"),
                        static_cast<png_uint_32>(idatLength));
  png_write_chunk_data(png, header.data(), header.size());
  for (const DeflatedBand* band : bands) {
    png_write_chunk_data(png, band->bytes.data(), band->bytes.size());
  }
  png_write_chunk_data(png, trailer.data(), trailer.size());
  png_write_chunk_end(png);
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

BandedPng::BandedPng(int width, int height, PictureBackground background)
    : width_(width), height_(height), background_(std::move(background)) {
  const EncodedBackground* kept = background_.kept.get();
  if (kept != nullptr && (kept->width != width || kept->height != height)) {
    background_.kept = nullptr;
  }
  const auto bands = static_cast<std::size_t>((height + kBandRows - 1) / kBandRows);
  made_.resize(bands);
  untouched_ = std::make_unique<bool[]>(bands);
}

void BandedPng::compress(const RgbaImage& rows, BandDeflater& deflater) {
  EncodedBackground* kept = background_.kept.get();
  const bool compare =
      kept != nullptr && rows.backgroundRows.size() == static_cast<std::size_t>(rows.height);
  for (int first = 0; first < rows.height; first += kBandRows) {
    const int last = std::min(rows.height, first + kBandRows);
    const auto index = static_cast<std::size_t>((rows.firstRow + first) / kBandRows);
    const bool untouched =
        compare && std::all_of(rows.backgroundRows.begin() + first,
                               rows.backgroundRows.begin() + last, [](bool row) { return row; });
    untouched_[index] = untouched;
    if (untouched) {
      std::lock_guard lock(kept->mutex);
      if (kept->bands[index]) continue;
    }
    made_[index] = deflater.band(rows, first, last);
  }
}

std::vector<std::uint8_t> BandedPng::file() {
  // The image data: a zlib stream of the bands, each taken from the background where the
  // content left it untouched (compressing a band again would give the same bytes). A kept band
  // is never replaced, so it can be read after its lock is let go.
  std::vector<const DeflatedBand*> bands;
  std::size_t idatLength = 2 + 2 + 4;  // zlib header, empty final block, checksum
  uLong adler = 1;                     // of all the bands, from theirs (zlib's arithmetic)
  for (std::size_t index = 0; index < made_.size(); ++index) {
    std::optional<DeflatedBand>& fresh = made_[index];
    const DeflatedBand* band = fresh ? &*fresh : nullptr;
    if (untouched_[index]) {
      // The band's pixels are the background's, so its bytes are too: kept for later renders.
      std::lock_guard lock(background_.kept->mutex);
      std::optional<DeflatedBand>& kept = background_.kept->bands[index];
      if (!kept) kept = std::move(*fresh);
      band = &*kept;
    }
    bands.push_back(band);
    idatLength += band->bytes.size();
    adler = adler32_combine(adler, band->adler, static_cast<z_off_t>(band->length));
  }
  const std::uint8_t header[] = {0x78, 0x01};  // deflate, 32 KiB window, fastest level
  const std::uint8_t trailer[] = {0x03,
                                  0x00,  // an empty final block with fixed codes
                                  static_cast<std::uint8_t>(adler >> 24),
                                  static_cast<std::uint8_t>(adler >> 16),
                                  static_cast<std::uint8_t>(adler >> 8),
                                  static_cast<std::uint8_t>(adler)};

  return pngFile(width_, height_, bands, idatLength, header, trailer);
}

}  // namespace ui::detail
