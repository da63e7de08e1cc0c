#include "host/snapshot_comparison.hpp"

#include <algorithm>

#include "ui/raster/png_decoder.hpp"
#include "ui/raster/png_encoder.hpp"

namespace host {

SnapshotComparison compareSnapshot(std::span<const std::uint8_t> golden,
                                   std::span<const std::uint8_t> actual,
                                   const ui::PictureTolerance& tolerance) {
  SnapshotComparison comparison;
  if (std::equal(golden.begin(), golden.end(), actual.begin(), actual.end())) return comparison;
  const auto expected = ui::decodePng(golden);
  const auto drawn = ui::decodePng(actual);
  if (!expected || !drawn) {
    comparison.outcome = SnapshotOutcome::unreadable;
    comparison.detail = expected ? "the picture drawn is not a PNG" : "not a PNG, or a damaged one";
    return comparison;
  }
  comparison.difference = ui::comparePictures(*expected, *drawn, tolerance.threshold);
  if (comparison.difference.within(tolerance)) {
    comparison.outcome = SnapshotOutcome::close;
    return comparison;
  }
  if (comparison.difference.sizesDiffer) {
    comparison.outcome = SnapshotOutcome::sizeDiffers;
    comparison.detail = "expected " + std::to_string(expected->width) + " x " +
                        std::to_string(expected->height) + " px, drawn " +
                        std::to_string(drawn->width) + " x " + std::to_string(drawn->height) +
                        " px";
  } else {
    comparison.outcome = SnapshotOutcome::differs;
  }
  comparison.diff = ui::encodePixels(ui::differencePicture(*expected, *drawn, tolerance.threshold));
  return comparison;
}

}  // namespace host
