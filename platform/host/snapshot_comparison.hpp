#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/snapshot_report.hpp"
#include "ui/raster/picture_difference.hpp"

namespace host {

// An actual picture against its golden, as snapshot verify compares every cell: the bytes
// first, which a deterministic renderer gives again on every machine; only where they differ,
// the pixels, within the tolerance.
struct SnapshotComparison {
  SnapshotOutcome outcome = SnapshotOutcome::same;  // same, close, differs, sizeDiffers, unreadable
  ui::PictureDifference difference;
  std::vector<std::uint8_t> diff;  // the picture of the difference (a PNG) when they differ
  std::string detail;              // what a failure needs said beyond its outcome
};

SnapshotComparison compareSnapshot(std::span<const std::uint8_t> golden,
                                   std::span<const std::uint8_t> actual,
                                   const ui::PictureTolerance& tolerance);

}  // namespace host
