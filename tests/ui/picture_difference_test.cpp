#include <gtest/gtest.h>

#include "ui/raster/picture_difference.hpp"
#include "ui/raster/png_decoder.hpp"
#include "ui/raster/png_encoder.hpp"

namespace {

ui::DecodedPng filled(int width, int height, std::array<std::uint8_t, 4> colour) {
  ui::DecodedPng picture{width, height, {}};
  for (int i = 0; i < width * height; ++i) {
    picture.rgba.insert(picture.rgba.end(), colour.begin(), colour.end());
  }
  return picture;
}

void paint(ui::DecodedPng& picture, int x, int y, std::array<std::uint8_t, 4> colour) {
  std::copy(colour.begin(), colour.end(), picture.rgba.begin() + (y * picture.width + x) * 4);
}

TEST(PictureDifference, countsPixelsPastTheThresholdAndBoundsThem) {
  const auto expected = filled(8, 6, {20, 40, 30, 255});
  EXPECT_EQ(ui::comparePictures(expected, expected, 0.1), ui::PictureDifference{});

  auto actual = expected;
  paint(actual, 2, 1, {40, 40, 30, 255});     // 20 levels: anti-aliasing, under 0.1
  paint(actual, 5, 4, {255, 255, 255, 255});  // a stroke of white text
  paint(actual, 6, 2, {20, 40, 30, 128});     // half transparent: alpha changed by 127
  const auto difference = ui::comparePictures(expected, actual, 0.1);
  EXPECT_FALSE(difference.sizesDiffer);
  EXPECT_EQ(difference.differingPixels, 2u);
  EXPECT_NEAR(difference.largestChange, 235 / 255.0, 1e-9);
  EXPECT_EQ(difference.bounds, (ui::PixelRect{5, 2, 2, 3}));
  EXPECT_FALSE(difference.within({0.1, 1}));
  EXPECT_TRUE(difference.within({0.1, 2}));
  EXPECT_TRUE(ui::comparePictures(expected, actual, 0.95).within({0.95, 0}));
  // A pixel's colour under alpha 0 is seen by nobody.
  auto clear = filled(2, 2, {0, 0, 0, 0});
  auto tinted = clear;
  paint(tinted, 1, 1, {255, 0, 0, 0});
  EXPECT_EQ(ui::comparePictures(clear, tinted, 0).differingPixels, 0u);

  const auto larger = filled(9, 6, {20, 40, 30, 255});
  const auto resized = ui::comparePictures(expected, larger, 0.1);
  EXPECT_TRUE(resized.sizesDiffer);
  EXPECT_FALSE(resized.within({1, 1000}));
  EXPECT_EQ(resized.bounds, (ui::PixelRect{0, 0, 9, 6}));
}

TEST(PictureDifference, picturesDifferencesInRedChangesBelowInYellowAndTheRestInGrey) {
  const auto expected = filled(3, 2, {0, 0, 0, 255});
  auto actual = expected;
  paint(actual, 0, 0, {255, 255, 255, 255});
  paint(actual, 1, 0, {10, 0, 0, 255});
  const auto diff = ui::differencePicture(expected, actual, 0.1);
  ASSERT_EQ(diff.width, 3);
  auto at = [&](int x, int y) {
    const std::uint8_t* p = diff.pixel(x, y);
    return std::array<int, 4>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(at(0, 0), (std::array<int, 4>{255, 0, 0, 255}));
  EXPECT_EQ(at(1, 0), (std::array<int, 4>{255, 200, 0, 255}));
  EXPECT_EQ(at(2, 1), (std::array<int, 4>{192, 192, 192, 255}));  // black, faded
  // What one picture covers and the other does not: magenta; neither: clear.
  const auto wide = ui::differencePicture(expected, filled(4, 1, {0, 0, 0, 255}), 0.1);
  EXPECT_EQ(wide.width, 4);
  EXPECT_EQ(wide.height, 2);
  EXPECT_EQ(wide.pixel(3, 0)[1], 0);
  EXPECT_EQ(wide.pixel(3, 0)[2], 255);
  EXPECT_EQ(wide.pixel(3, 1)[3], 0);
  // And it is a PNG that reads back as itself.
  EXPECT_EQ(ui::decodePng(ui::encodePixels(diff)), diff);
}

}  // namespace
