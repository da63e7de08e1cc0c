#pragma once

// A picture checked against its kept golden as a picture: pixels compared with a tolerance, the
// actual picture written beside the golden when they differ. Header only: the test support
// library itself does not link the renderer.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/raster/png_decoder.hpp"

namespace support {

// Anti-aliased edges may move a few levels between FreeType and Cairo versions; a changed glyph,
// digit or icon moves several pixels by far more, so it is caught.
inline constexpr int kGoldenChannelTolerance = 40;
inline constexpr std::size_t kGoldenMaxDifferingPixels = 3;

// Checks `png` against `<folder>/golden_<name>.png`, or writes it there under
// POCKETTA_UPDATE_GOLDENS. On a mismatch, writes golden_<name>.actual.png beside it.
inline void expectMatchesGolden(const std::vector<std::uint8_t>& png, const std::string& folder,
                                const std::string& name) {
  const std::string base = folder + "/golden_" + name;
  auto write = [&](const std::string& path) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  };
  if (std::getenv("POCKETTA_UPDATE_GOLDENS") != nullptr) {
    write(base + ".png");
    return;
  }
  std::ifstream in(base + ".png", std::ios::binary);
  const std::vector<std::uint8_t> kept{std::istreambuf_iterator<char>(in), {}};
  const auto expected = ui::decodePng(kept);
  const auto actual = ui::decodePng(png);
  ASSERT_TRUE(actual.has_value()) << name << ": not a PNG";
  const std::vector<std::uint8_t>& a = actual->rgba;
  std::size_t differing =
      expected && expected->width == actual->width && expected->height == actual->height ? 0
                                                                                         : a.size();
  for (std::size_t i = 0; differing < a.size() && i < a.size(); i += 4) {
    auto far = [&](std::size_t c) {
      return std::abs(a[c] - expected->rgba[c]) > kGoldenChannelTolerance;
    };
    differing += far(i) || far(i + 1) || far(i + 2) || far(i + 3) ? 1 : 0;
  }
  if (differing > kGoldenMaxDifferingPixels) write(base + ".actual.png");
  EXPECT_LE(differing, kGoldenMaxDifferingPixels)
      << name << ": pixels differ; wrote " << base << ".actual.png";
}

}  // namespace support
