#include "ui/png_encoder.hpp"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "ui/detail/background_cache.hpp"
#include "ui/detail/band_deflater.hpp"
#include "ui/detail/raster.hpp"

namespace ui::detail {

namespace {

// Bands to compress from which a second thread pays for itself: about a third of a picture at
// @3x. Only a picture without a kept background is split; with one, a render compresses just
// the bands its content touches, and a thread and its compressor cost more than they save.
constexpr std::size_t kParallelBands = 12;

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

// What an encoding needs besides its input: the picture's pixel buffer (megabytes at @3x, and
// fresh pages for it cost more than drawing it) and a compressor. Kept from one render to the
// next in a pool rather than per thread, since pictures drawn together run on threads that live
// for one render.
struct Scratch {
  RgbaImage image;
  BandDeflater deflater;
};

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
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(scratch));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Scratch>> free_;
};

ScratchPool& scratchPool() {
  static ScratchPool pool;
  return pool;
}

std::vector<std::uint8_t> encodeWith(const RgbaImage& image, BandDeflater& deflater) {
  EncodedBackground* background = image.background.get();
  if (background != nullptr &&
      (background->width != image.width || background->height != image.height ||
       image.backgroundRows.size() != static_cast<std::size_t>(image.height))) {
    background = nullptr;
  }
  const int bandCount = (image.height + kBandRows - 1) / kBandRows;
  auto rowsOf = [&](int index) {
    return std::pair{index * kBandRows, std::min(image.height, (index + 1) * kBandRows)};
  };
  auto untouched = [&](int index) {
    const auto [first, last] = rowsOf(index);
    return background != nullptr &&
           std::all_of(image.backgroundRows.begin() + first, image.backgroundRows.begin() + last,
                       [](bool row) { return row; });
  };

  // The bands to compress: all but the untouched ones the background already holds.
  std::vector<int> todo;
  for (int index = 0; index < bandCount; ++index) {
    if (untouched(index)) {
      std::lock_guard lock(background->mutex);
      if (background->bands[static_cast<std::size_t>(index)]) continue;
    }
    todo.push_back(index);
  }
  std::vector<std::optional<DeflatedBand>> made(static_cast<std::size_t>(bandCount));
  auto compress = [&](BandDeflater& deflater, std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) {
      const auto [first, last] = rowsOf(todo[k]);
      made[static_cast<std::size_t>(todo[k])] = deflater.band(image, first, last);
    }
  };
  // Bands start from an empty dictionary, so a picture with many to compress (every band of a
  // first render) is split between two threads: compressing is most of a cold render's time.
  std::size_t split = todo.size();
  std::thread helper;
  std::exception_ptr helperError;
  if (background == nullptr && todo.size() >= kParallelBands) {
    split = todo.size() / 2;
    try {
      helper = std::thread([&] {
        try {
          BandDeflater own;
          compress(own, split, todo.size());
        } catch (...) {
          helperError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      split = todo.size();  // no thread to be had: all on this one
    }
  }
  try {
    compress(deflater, 0, split);
  } catch (...) {
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
  if (helperError) std::rethrow_exception(helperError);

  // The image data: a zlib stream of the bands, each taken from the background where the
  // content left it untouched (compressing a band again would give the same bytes).
  std::vector<std::uint8_t> idat = {0x78, 0x01};  // deflate, 32 KiB window, fastest level
  uLong adler = 1;
  for (int index = 0; index < bandCount; ++index) {
    std::optional<DeflatedBand>& fresh = made[static_cast<std::size_t>(index)];
    const DeflatedBand* band = fresh ? &*fresh : nullptr;
    std::unique_lock<std::mutex> lock;
    if (untouched(index)) {
      // The band's pixels are the background's, so its bytes are too: kept for later renders.
      lock = std::unique_lock(background->mutex);
      std::optional<DeflatedBand>& kept = background->bands[static_cast<std::size_t>(index)];
      if (!kept) kept = std::move(*fresh);
      band = &*kept;
    }
    idat.insert(idat.end(), band->bytes.begin(), band->bytes.end());
    adler = adler32_combine(adler, band->adler, static_cast<z_off_t>(band->length));
  }
  idat.push_back(0x03);  // an empty final block with fixed codes
  idat.push_back(0x00);
  for (int shift = 24; shift >= 0; shift -= 8) {
    idat.push_back(static_cast<std::uint8_t>((adler >> shift) & 0xFF));
  }

  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (png == nullptr) throw std::runtime_error("cannot encode PNG");
  png_infop info = png_create_info_struct(png);
  PngWriteState state{&out};
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot encode PNG");
  }
  png_set_write_fn(png, &state, writeBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // libpng writes the signature, header and chunk framing (with CRCs); the image data is ours.
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), idat.data(), idat.size());
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

std::vector<std::uint8_t> encodeRgba(const RgbaImage& image) {
  std::unique_ptr<Scratch> scratch = scratchPool().take();
  std::vector<std::uint8_t> png = encodeWith(image, scratch->deflater);
  scratchPool().give(std::move(scratch));
  return png;
}

}  // namespace ui::detail

namespace ui {

std::vector<std::uint8_t> encodePng(const DisplayList& list, const WidgetCanvas& canvas,
                                    double scale) {
  std::unique_ptr<detail::Scratch> scratch = detail::scratchPool().take();
  detail::rasterizeInto(list, canvas, scale, scratch->image);
  std::vector<std::uint8_t> png = detail::encodeWith(scratch->image, scratch->deflater);
  scratch->image.background = nullptr;  // the cache decides how long a background lives
  detail::scratchPool().give(std::move(scratch));
  return png;
}

std::vector<std::vector<std::uint8_t>> encodePngs(const std::vector<PngPicture>& pictures) {
  std::vector<std::vector<std::uint8_t>> out(pictures.size());
  std::vector<std::exception_ptr> errors(pictures.size());
  auto encode = [&](std::size_t i) {
    try {
      out[i] = encodePng(pictures[i].list, pictures[i].canvas, pictures[i].scale);
    } catch (...) {
      errors[i] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  std::size_t started = 1;  // pictures [1, started) have a thread of their own
  for (; started < pictures.size(); ++started) {
    try {
      helpers.emplace_back(encode, started);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the rest on this one
    }
  }
  if (!pictures.empty()) encode(0);
  for (std::size_t i = started; i < pictures.size(); ++i) encode(i);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
  return out;
}

}  // namespace ui
