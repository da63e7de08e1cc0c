#include "ui/raster/png_encoder.hpp"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "ui/raster/background_cache.hpp"
#include "ui/raster/band_deflater.hpp"
#include "ui/raster/helper_thread.hpp"
#include "ui/raster/raster.hpp"

namespace ui::detail {

namespace {

// Rows drawn at a time: one compressed band, so that its pixels are still in the cache when it is
// compressed, and a thread holds a band of rows instead of a whole picture. (Measured at @3x:
// drawing two or four bands at a time was no faster and held more memory.)
constexpr int kDrawRows = kBandRows;

// Compressed bands from which a second thread pays for itself: about a third of a picture at
// @3x. With a kept background a render compresses just the bands its content touches, and a
// thread and its compressor cost more than they save.
constexpr std::size_t kParallelBands = 12;

// Threads at most for one call: each holds a band of rows and a compressor.
constexpr unsigned kMaxThreads = 4;

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

// What a thread needs to draw and compress bands: a band of rows and a compressor. Kept from one
// render to the next in a pool rather than per thread, since the threads live for one render.
struct Scratch {
  RgbaImage rows;
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

// One picture on its way to a PNG file: its compressed bands, filled in any order.
struct Job {
  int width = 0;
  int height = 0;
  PictureBackground background;
  std::vector<std::optional<DeflatedBand>> made;
  // Per band: whether its rows are the background's, so the kept band may stand for it.
  std::unique_ptr<bool[]> untouched;

  Job(int width, int height, PictureBackground drawnOn)
      : width(width), height(height), background(std::move(drawnOn)) {
    const EncodedBackground* kept = background.kept.get();
    if (kept != nullptr && (kept->width != width || kept->height != height)) {
      background.kept = nullptr;
    }
    const auto bands = static_cast<std::size_t>((height + kBandRows - 1) / kBandRows);
    made.resize(bands);
    untouched = std::make_unique<bool[]>(bands);
  }
};

// Compresses the bands of `rows` (whole bands of the job's picture), except those the kept
// background already holds.
void compressRows(const RgbaImage& rows, Job& job, BandDeflater& deflater) {
  EncodedBackground* kept = job.background.kept.get();
  const bool compare =
      kept != nullptr && rows.backgroundRows.size() == static_cast<std::size_t>(rows.height);
  for (int first = 0; first < rows.height; first += kBandRows) {
    const int last = std::min(rows.height, first + kBandRows);
    const auto index = static_cast<std::size_t>((rows.firstRow + first) / kBandRows);
    const bool untouched =
        compare && std::all_of(rows.backgroundRows.begin() + first,
                               rows.backgroundRows.begin() + last, [](bool row) { return row; });
    job.untouched[index] = untouched;
    if (untouched) {
      std::lock_guard lock(kept->mutex);
      if (kept->bands[index]) continue;
    }
    job.made[index] = deflater.band(rows, first, last);
  }
}

// The PNG file of a job whose bands are all made.
std::vector<std::uint8_t> pngFile(int width, int height,
                                  const std::vector<const DeflatedBand*>& bands,
                                  std::size_t idatLength, std::span<const std::uint8_t> header,
                                  std::span<const std::uint8_t> trailer);

std::vector<std::uint8_t> assemble(Job& job) {
  // The image data: a zlib stream of the bands, each taken from the background where the
  // content left it untouched (compressing a band again would give the same bytes). A kept band
  // is never replaced, so it can be read after its lock is let go.
  std::vector<const DeflatedBand*> bands;
  std::size_t idatLength = 2 + 2 + 4;  // zlib header, empty final block, checksum
  uLong adler = 1;                     // of all the bands, from theirs (zlib's arithmetic)
  for (std::size_t index = 0; index < job.made.size(); ++index) {
    std::optional<DeflatedBand>& fresh = job.made[index];
    const DeflatedBand* band = fresh ? &*fresh : nullptr;
    if (job.untouched[index]) {
      // The band's pixels are the background's, so its bytes are too: kept for later renders.
      std::lock_guard lock(job.background.kept->mutex);
      std::optional<DeflatedBand>& kept = job.background.kept->bands[index];
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

  return pngFile(job.width, job.height, bands, idatLength, header, trailer);
}

// The file: signature, header, the image data (one chunk, written band by band), end; written
// straight into a buffer of its exact size. Apart from assemble() so that no variable of the
// function calling setjmp changes after it.
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

struct PictureRef {
  const DisplayList* list;
  const WidgetCanvas* canvas;
  double scale;
};

// Draws and compresses the pictures band by band: every band is a task of its own, taken in
// turn by a few threads, so the work spreads evenly whatever the pictures' sizes, and no thread
// holds more than a band of rows. Bands are drawn and compressed independently of each other,
// so the bytes do not depend on which thread did what.
std::vector<std::vector<std::uint8_t>> encodeAll(const std::vector<PictureRef>& pictures) {
  std::vector<PictureFrame> frames;
  std::vector<Job> jobs;
  struct Task {
    std::size_t picture;
    int first;
    int last;
  };
  std::vector<Task> tasks;
  std::size_t freshBands = 0;
  for (std::size_t p = 0; p < pictures.size(); ++p) {
    const PictureRef& picture = pictures[p];
    const PictureFrame frame = pictureFrame(*picture.canvas, picture.scale);
    frames.push_back(frame);
    jobs.emplace_back(frame.width, frame.height,
                      pictureBackground(*picture.list, *picture.canvas, frame));
    for (int first = 0; first < frame.height; first += kDrawRows) {
      tasks.push_back({p, first, std::min(frame.height, first + kDrawRows)});
    }
    if (jobs.back().background.kept == nullptr) freshBands += jobs.back().made.size();
  }

  std::atomic<std::size_t> next = 0;
  std::mutex errorMutex;
  std::exception_ptr error;  // of the first task in order that failed
  std::size_t errorTask = tasks.size();
  auto work = [&] {
    std::unique_ptr<Scratch> scratch;
    for (std::size_t t = next++; t < tasks.size(); t = next++) {
      const Task& task = tasks[t];
      try {
        if (!scratch) scratch = scratchPool().take();
        Job& job = jobs[task.picture];
        const PictureRef& picture = pictures[task.picture];
        rasterizeRows(*picture.list, *picture.canvas, frames[task.picture], task.first, task.last,
                      job.background, scratch->rows, /*pngRows=*/true);
        compressRows(scratch->rows, job, scratch->deflater);
      } catch (...) {
        std::lock_guard lock(errorMutex);
        if (t < errorTask) {
          errorTask = t;
          error = std::current_exception();
        }
      }
    }
    if (scratch) {
      scratch->rows.background = nullptr;  // the cache decides how long a background lives
      scratchPool().give(std::move(scratch));
    }
  };

  // Helpers only where there is work enough for them: several pictures, or many bands to
  // compress from scratch.
  unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
  if (pictures.size() < 2 && freshBands < kParallelBands) threads = 1;
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, tasks.size()));
  std::vector<std::unique_ptr<HelperThread>> helpers;
  for (unsigned i = 1; i < threads; ++i) {
    try {
      helpers.push_back(std::make_unique<HelperThread>(work));
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the rest on this one
    }
  }
  work();
  helpers.clear();  // joined
  if (error) std::rethrow_exception(error);

  std::vector<std::vector<std::uint8_t>> out;
  for (Job& job : jobs) out.push_back(assemble(job));
  return out;
}

}  // namespace

std::vector<std::uint8_t> encodeRgba(const RgbaImage& image) {
  Job job(image.width, image.height, {image.firstRow == 0 ? image.background : nullptr, nullptr});
  std::unique_ptr<Scratch> scratch = scratchPool().take();
  compressRows(image, job, scratch->deflater);
  scratchPool().give(std::move(scratch));
  return assemble(job);
}

}  // namespace ui::detail

namespace ui {

std::vector<std::uint8_t> encodePng(const DisplayList& list, const WidgetCanvas& canvas,
                                    double scale) {
  return std::move(detail::encodeAll({{&list, &canvas, scale}}).front());
}

std::vector<std::vector<std::uint8_t>> encodePngs(const std::vector<PngPicture>& pictures) {
  std::vector<detail::PictureRef> refs;
  for (const PngPicture& picture : pictures) {
    refs.push_back({&picture.list, &picture.canvas, picture.scale});
  }
  return detail::encodeAll(refs);
}

}  // namespace ui
