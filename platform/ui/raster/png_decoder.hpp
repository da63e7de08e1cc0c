#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ui {

// A PNG read back: straight 8-bit RGBA, rows top to bottom, packed.
struct DecodedPng {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  const std::uint8_t* pixel(int x, int y) const {
    return rgba.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)) *
                             4;
  }
  friend bool operator==(const DecodedPng&, const DecodedPng&) = default;
};

// The picture in `bytes`, whatever its colour type and depth; nothing when they are not a PNG
// or are damaged, or when it is larger than `maxPixels`.
std::optional<DecodedPng> decodePng(std::span<const std::uint8_t> bytes,
                                    std::size_t maxPixels = std::size_t{1} << 26);

}  // namespace ui
