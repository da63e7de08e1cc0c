#include "ui/raster/png_encoder.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "ui/raster/background_cache.hpp"
#include "ui/raster/banded_png.hpp"
#include "ui/raster/helper_thread.hpp"
#include "ui/raster/raster.hpp"
#include "ui/raster/scratch_pool.hpp"

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

// Draws and compresses the pictures band by band: every band is a task of its own, taken in
// turn by a few threads, so the work spreads evenly whatever the pictures' sizes, and no thread
// holds more than a band of rows. Bands are drawn and compressed independently of each other,
// so the bytes do not depend on which thread did what.
std::vector<std::vector<std::uint8_t>> encodeAll(std::span<const PngPicture> pictures,
                                                 BackgroundCache& backgrounds,
                                                 ScratchPool& scratchPool, unsigned maxThreads) {
  std::vector<PictureFrame> frames;
  std::vector<BandedPng> jobs;
  jobs.reserve(pictures.size());
  struct Task {
    std::size_t picture;
    int first;
    int last;
  };
  std::vector<Task> tasks;
  std::size_t freshBands = 0;
  for (std::size_t p = 0; p < pictures.size(); ++p) {
    const PngPicture& picture = pictures[p];
    const PictureFrame frame = pictureFrame(picture.canvas, picture.scale);
    frames.push_back(frame);
    jobs.emplace_back(frame.width, frame.height,
                      pictureBackground(picture.list, picture.canvas, frame, &backgrounds));
    for (int first = 0; first < frame.height; first += kDrawRows) {
      tasks.push_back({p, first, std::min(frame.height, first + kDrawRows)});
    }
    if (jobs.back().background().kept == nullptr) {
      freshBands += static_cast<std::size_t>((frame.height + kBandRows - 1) / kBandRows);
    }
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
        if (!scratch) scratch = scratchPool.take();
        BandedPng& job = jobs[task.picture];
        const PngPicture& picture = pictures[task.picture];
        rasterizeRows(picture.list, picture.canvas, frames[task.picture], task.first, task.last,
                      job.background(), scratch->rows, /*pngRows=*/true);
        job.compress(scratch->rows, scratch->deflater);
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
      scratchPool.give(std::move(scratch));
    }
  };

  // Helpers only where there is work enough for them: several pictures, or many bands to
  // compress from scratch.
  unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
  if (maxThreads > 0) threads = std::min(threads, maxThreads);
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
  for (BandedPng& job : jobs) out.push_back(job.file());
  return out;
}

}  // namespace

std::vector<std::uint8_t> encodeRgba(const RgbaImage& image) {
  BandedPng png(image.width, image.height,
                {image.firstRow == 0 ? image.background : nullptr, nullptr});
  BandDeflater deflater;
  png.compress(image, deflater);
  return png.file();
}

}  // namespace ui::detail

namespace ui {

PngEncoder::PngEncoder()
    : backgrounds_(std::make_unique<detail::BackgroundCache>()),
      scratch_(std::make_unique<detail::ScratchPool>()) {}

PngEncoder::~PngEncoder() = default;

std::vector<std::uint8_t> PngEncoder::encode(const PngPicture& picture, unsigned maxThreads) {
  return std::move(detail::encodeAll({&picture, 1}, *backgrounds_, *scratch_, maxThreads).front());
}

std::vector<std::vector<std::uint8_t>> PngEncoder::encode(std::span<const PngPicture> pictures,
                                                          unsigned maxThreads) {
  return detail::encodeAll(pictures, *backgrounds_, *scratch_, maxThreads);
}

std::vector<std::uint8_t> encodePixels(const DecodedPng& picture) {
  detail::RgbaImage image;
  image.width = picture.width;
  image.height = picture.height;
  image.pixels = picture.rgba;
  return detail::encodeRgba(image);
}

}  // namespace ui
