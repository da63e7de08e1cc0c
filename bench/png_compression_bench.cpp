// How the PNG's image data is best compressed, measured on the widget's own pictures: both
// families at @1, @2 and @3, light and dark (twelve pictures per iteration). Each option is a
// row filter and a compressor; the time covers filtering, compressing and the checksum, on one
// thread. The counters give the bytes of all twelve and of the two @3x light pictures.
#include <benchmark/benchmark.h>
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "host/renderer.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/raster/raster.hpp"

namespace {

struct Picture {
  ui::detail::RgbaImage image;
  bool counted3x = false;
};

const std::vector<Picture>& pictures() {
  static const std::vector<Picture> all = [] {
    const host::Renderer renderer;
    const pocketta::MoneyEntry entry{foundation::Date{bench::kUpdatedAt}, bench::kBalance,
                                     static_cast<double>(bench::kIncome), bench::kExpense};
    const ui::View view = pocketta::PockettaWidgetView{entry}.body();
    std::vector<Picture> out;
    for (const foundation::Size size :
         {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
      for (const double scale : {1.0, 2.0, 3.0}) {
        for (const ui::ColorScheme scheme : {ui::ColorScheme::light, ui::ColorScheme::dark}) {
          ui::RenderEnvironment environment;
          environment.canvas = ui::WidgetCanvas{size};
          environment.colorScheme = scheme;
          out.push_back({ui::detail::rasterize(renderer.displayList(view, environment),
                                               environment.canvas, scale),
                         scale == 3 && scheme == ui::ColorScheme::light});
        }
      }
    }
    return out;
  }();
  return all;
}

enum class Filter : std::uint8_t { none, sub, up, paeth, adaptive };

std::uint8_t paethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One row behind its filter byte; `prev` is the row above (zeros for the first).
void filterRow(Filter filter, const std::uint8_t* row, const std::uint8_t* prev, std::size_t n,
               std::uint8_t* out) {
  auto left = [&](std::size_t i) { return i >= 4 ? row[i - 4] : 0; };
  auto upLeft = [&](std::size_t i) { return i >= 4 ? prev[i - 4] : 0; };
  switch (filter) {
    case Filter::none:
      out[0] = 0;
      std::memcpy(out + 1, row, n);
      return;
    case Filter::sub:
      out[0] = 1;
      for (std::size_t i = 0; i < n; ++i) out[i + 1] = static_cast<std::uint8_t>(row[i] - left(i));
      return;
    case Filter::up:
      out[0] = 2;
      for (std::size_t i = 0; i < n; ++i) out[i + 1] = static_cast<std::uint8_t>(row[i] - prev[i]);
      return;
    case Filter::paeth:
      out[0] = 4;
      for (std::size_t i = 0; i < n; ++i) {
        out[i + 1] =
            static_cast<std::uint8_t>(row[i] - paethPredictor(left(i), prev[i], upLeft(i)));
      }
      return;
    case Filter::adaptive: {
      // The filter whose bytes, read as signed, sum to the least: libpng's heuristic.
      thread_local std::vector<std::uint8_t> trial;
      trial.resize(n + 1);
      std::uint64_t best = UINT64_MAX;
      for (const Filter f : {Filter::none, Filter::sub, Filter::up, Filter::paeth}) {
        filterRow(f, row, prev, n, trial.data());
        std::uint64_t sum = 0;
        for (std::size_t i = 1; i <= n; ++i) sum += std::abs(static_cast<std::int8_t>(trial[i]));
        if (sum < best) {
          best = sum;
          std::memcpy(out, trial.data(), n + 1);
        }
      }
      return;
    }
  }
}

std::vector<std::uint8_t> filtered(const ui::detail::RgbaImage& image, Filter filter) {
  const std::size_t n = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> out((n + 1) * static_cast<std::size_t>(image.height));
  const std::vector<std::uint8_t> zeros(n, 0);
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
    const std::uint8_t* row = image.pixels.data() + y * n;
    filterRow(filter, row, y == 0 ? zeros.data() : row - n, n, out.data() + y * (n + 1));
  }
  return out;
}

// A zlib stream of the filtered rows; with `bandRows`, bands compressed apart and joined as the
// encoder joins them (sync flush, checksums combined), else one stream.
std::size_t zlibCompress(const std::vector<std::uint8_t>& data, std::size_t rowBytes, int bandRows,
                         int level, int strategy, bool fastChecksum) {
  z_stream stream{};
  deflateInit2(&stream, level, Z_DEFLATED, bandRows > 0 ? -15 : 15, 8, strategy);
  std::vector<std::uint8_t> out(deflateBound(&stream, data.size()) + 64);
  std::size_t total = 0;
  if (bandRows == 0) {
    stream.next_in = const_cast<std::uint8_t*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    total = stream.total_out;
  } else {
    const std::size_t band = rowBytes * static_cast<std::size_t>(bandRows);
    uLong adler = 1;
    for (std::size_t at = 0; at < data.size(); at += band) {
      const std::size_t length = std::min(band, data.size() - at);
      const uLong bandAdler = fastChecksum
                                  ? libdeflate_adler32(1, data.data() + at, length)
                                  : adler32(1, data.data() + at, static_cast<uInt>(length));
      adler = adler32_combine(adler, bandAdler, static_cast<z_off_t>(length));
      deflateReset(&stream);
      stream.next_in = const_cast<std::uint8_t*>(data.data() + at);
      stream.avail_in = static_cast<uInt>(length);
      stream.next_out = out.data() + total;
      stream.avail_out = static_cast<uInt>(out.size() - total);
      deflate(&stream, Z_SYNC_FLUSH);
      total = out.size() - stream.avail_out;
    }
    benchmark::DoNotOptimize(adler);
    total += 2 + 2 + 4;  // header, empty final block, checksum
  }
  deflateEnd(&stream);
  return total;
}

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

std::size_t libdeflateCompress(const std::vector<std::uint8_t>& data, int level) {
  thread_local std::array<std::unique_ptr<libdeflate_compressor, CompressorFree>, 13> compressors;
  auto& compressor = compressors[static_cast<std::size_t>(level)];
  if (!compressor) compressor.reset(libdeflate_alloc_compressor(level));
  thread_local std::vector<std::uint8_t> out;
  out.resize(libdeflate_zlib_compress_bound(compressor.get(), data.size()));
  return libdeflate_zlib_compress(compressor.get(), data.data(), data.size(), out.data(),
                                  out.size());
}

// Bands compressed apart with ISA-L's one-shot compressor and joined, as the encoder does.
std::size_t isalCompress(const std::vector<std::uint8_t>& data, std::size_t rowBytes, int bandRows,
                         int level) {
  static const std::size_t kLevelBuffer[] = {ISAL_DEF_LVL0_DEFAULT, ISAL_DEF_LVL1_SMALL,
                                             ISAL_DEF_LVL2_SMALL, ISAL_DEF_LVL3_SMALL};
  thread_local std::vector<std::uint8_t> levelBuffer, out;
  thread_local auto stream = std::make_unique<isal_zstream>();
  levelBuffer.resize(kLevelBuffer[level]);
  const std::size_t band = rowBytes * static_cast<std::size_t>(bandRows);
  std::size_t total = 2 + 2 + 4;  // header, empty final block, checksum
  for (std::size_t at = 0; at < data.size(); at += band) {
    const std::size_t length = std::min(band, data.size() - at);
    benchmark::DoNotOptimize(isal_adler32(1, data.data() + at, length));
    out.resize(length + length / 8 + 1024);
    isal_deflate_stateless_init(stream.get());
    stream->level = static_cast<std::uint32_t>(level);
    stream->level_buf = levelBuffer.data();
    stream->level_buf_size = static_cast<std::uint32_t>(levelBuffer.size());
    stream->flush = FULL_FLUSH;
    stream->next_in = const_cast<std::uint8_t*>(data.data() + at);
    stream->avail_in = static_cast<std::uint32_t>(length);
    stream->next_out = out.data();
    stream->avail_out = static_cast<std::uint32_t>(out.size());
    isal_deflate_stateless(stream.get());
    total += static_cast<std::size_t>(stream->next_out - out.data());
  }
  return total;
}

struct Compressor {
  std::string name;
  int library = 0;  // 0: zlib, 1: libdeflate, 2: ISA-L (bands)
  int level = 1;
  int strategy = Z_DEFAULT_STRATEGY;
  int bandRows = 0;
  bool fastChecksum = false;  // libdeflate's Adler-32 for the bands
};

void compressAll(benchmark::State& state, Filter filter, Compressor c) {
  const std::vector<Picture>& all = pictures();
  std::size_t bytes = 0, bytes3x = 0;
  for (auto _ : state) {
    bytes = bytes3x = 0;
    for (const Picture& picture : all) {
      const std::vector<std::uint8_t> data = filtered(picture.image, filter);
      const std::size_t rowBytes = static_cast<std::size_t>(picture.image.width) * 4 + 1;
      const std::size_t size = c.library == 0   ? zlibCompress(data, rowBytes, c.bandRows, c.level,
                                                               c.strategy, c.fastChecksum)
                               : c.library == 1 ? libdeflateCompress(data, c.level)
                                                : isalCompress(data, rowBytes, c.bandRows, c.level);
      bytes += size;
      if (picture.counted3x) bytes3x += size;
    }
  }
  state.counters["kB"] = static_cast<double>(bytes) / 1000;
  state.counters["kB_3x"] = static_cast<double>(bytes3x) / 1000;
}

const bool registered = [] {
  std::vector<Compressor> compressors = {
      {"isal1_band32", 2, 1, 0, 32},  // the encoder
      {"isal1_band16", 2, 1, 0, 16},
      {"isal0_band16", 2, 0, 0, 16},
      {"isal2_band16", 2, 2, 0, 16},
      {"zlib1_band16", 0, 1, Z_DEFAULT_STRATEGY, 16},  // the encoder as it was
      {"zlib1_band16_fast_adler", 0, 1, Z_DEFAULT_STRATEGY, 16, true},
      {"zlib1_band64", 0, 1, Z_DEFAULT_STRATEGY, 64},
      {"zlib1", 0, 1, Z_DEFAULT_STRATEGY, 0},
      {"zlib3", 0, 3, Z_DEFAULT_STRATEGY, 0},
      {"zlib6", 0, 6, Z_DEFAULT_STRATEGY, 0},
      {"zlib6_filtered", 0, 6, Z_FILTERED, 0},
      {"zlib_rle", 0, 1, Z_RLE, 0},
      {"zlib_rle_band16", 0, 1, Z_RLE, 16},
  };
  for (int level = 1; level <= 6; ++level) {
    compressors.push_back({"libdeflate" + std::to_string(level), 1, level, 0, 0});
  }
  const std::pair<Filter, const char*> filters[] = {{Filter::none, "none"},
                                                    {Filter::sub, "sub"},
                                                    {Filter::up, "up"},
                                                    {Filter::paeth, "paeth"},
                                                    {Filter::adaptive, "adaptive"}};
  for (const auto& named : filters) {
    const Filter filter = named.first;
    for (const Compressor& c : compressors) {
      benchmark::RegisterBenchmark(
          ("BM_PngCompression/" + std::string(named.second) + "/" + c.name).c_str(),
          [filter, c](benchmark::State& state) { compressAll(state, filter, c); })
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace
