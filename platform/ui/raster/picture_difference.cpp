#include "ui/raster/picture_difference.hpp"

#include <algorithm>
#include <cstdlib>

namespace ui {
namespace {

// The largest change of a channel between two straight RGBA pixels, premultiplied (so that the
// colour of a pixel nobody sees, alpha 0, does not count), in levels of 0 to 255.
int change(const std::uint8_t* a, const std::uint8_t* b) {
  int largest = std::abs(a[3] - b[3]);
  for (int c = 0; c < 3; ++c) {
    const int pa = (a[c] * a[3] + 127) / 255;
    const int pb = (b[c] * b[3] + 127) / 255;
    largest = std::max(largest, std::abs(pa - pb));
  }
  return largest;
}

// The threshold in levels: a change of more than this many levels differs.
int thresholdLevels(double threshold) {
  return static_cast<int>(std::clamp(threshold, 0.0, 1.0) * 255);
}

}  // namespace

PictureDifference comparePictures(const DecodedPng& expected, const DecodedPng& actual,
                                  double threshold) {
  PictureDifference difference;
  if (expected.width != actual.width || expected.height != actual.height) {
    difference.sizesDiffer = true;
    const int width = std::max(expected.width, actual.width);
    const int height = std::max(expected.height, actual.height);
    difference.differingPixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    difference.largestChange = 1;
    difference.bounds = {0, 0, width, height};
    return difference;
  }
  const int levels = thresholdLevels(threshold);
  int largest = 0;
  int minX = actual.width, minY = actual.height, maxX = -1, maxY = -1;
  for (int y = 0; y < actual.height; ++y) {
    const std::uint8_t* a = expected.pixel(0, y);
    const std::uint8_t* b = actual.pixel(0, y);
    for (int x = 0; x < actual.width; ++x, a += 4, b += 4) {
      if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3]) continue;
      const int changed = change(a, b);
      largest = std::max(largest, changed);
      if (changed <= levels) continue;
      ++difference.differingPixels;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
  }
  difference.largestChange = largest / 255.0;
  if (maxX >= 0) difference.bounds = {minX, minY, maxX - minX + 1, maxY - minY + 1};
  return difference;
}

DecodedPng differencePicture(const DecodedPng& expected, const DecodedPng& actual,
                             double threshold) {
  const int levels = thresholdLevels(threshold);
  DecodedPng picture;
  picture.width = std::max(expected.width, actual.width);
  picture.height = std::max(expected.height, actual.height);
  picture.rgba.resize(static_cast<std::size_t>(picture.width) *
                      static_cast<std::size_t>(picture.height) * 4);
  auto inside = [](const DecodedPng& p, int x, int y) { return x < p.width && y < p.height; };
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      std::uint8_t* out = picture.rgba.data() +
                          (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                           static_cast<std::size_t>(x)) *
                              4;
      const bool inExpected = inside(expected, x, y);
      const bool inActual = inside(actual, x, y);
      std::uint8_t colour[4] = {255, 0, 255, 255};  // only one picture covers it
      if (inExpected && inActual) {
        const std::uint8_t* a = expected.pixel(x, y);
        const std::uint8_t* b = actual.pixel(x, y);
        const int changed = change(a, b);
        if (changed > levels) {
          colour[0] = 255, colour[1] = 0, colour[2] = 0;
        } else if (changed > 0) {
          colour[0] = 255, colour[1] = 200, colour[2] = 0;
        } else {
          // The expected pixel over white, its brightness pressed into the top quarter: the
          // picture stays recognisable and every mark stands out against it.
          const int luma = (a[0] * 54 + a[1] * 183 + a[2] * 19) >> 8;
          const int over = (luma * a[3] + 255 * (255 - a[3])) / 255;
          const auto grey = static_cast<std::uint8_t>(192 + over / 4);
          colour[0] = colour[1] = colour[2] = grey;
        }
      } else if (!inExpected && !inActual) {
        colour[3] = 0;
      }
      std::copy(colour, colour + 4, out);
    }
  }
  return picture;
}

}  // namespace ui
