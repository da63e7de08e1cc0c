#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/staging_folder.hpp"
#include "ui/raster/picture_difference.hpp"

namespace host {

// What comparing one cell with its golden found. The failures come first, in the order the
// report lists them.
enum class SnapshotOutcome : std::uint8_t {
  differs,      // pixels differ past the tolerance
  sizeDiffers,  // the picture is another size
  missing,      // no golden picture
  unreadable,   // the golden is not a PNG
  notRecorded,  // a cell asked for that the manifest does not hold
  cannotDraw,   // recorded, but its phone, locale or family can no longer be drawn
  unlisted,     // a picture in the folder that the manifest does not list
  stale,        // the golden is what is drawn, but not the picture the manifest's hash names
  close,        // differs within the tolerance
  same,         // byte for byte
};
bool passed(SnapshotOutcome outcome);
// "pixels differ", "golden missing", "matches"...
std::string_view describe(SnapshotOutcome outcome);

// One input of a cell: its value on one axis ("locale", "de_DE").
struct SnapshotInput {
  std::string axis;
  std::string value;
  friend bool operator==(const SnapshotInput&, const SnapshotInput&) = default;
};

struct SnapshotCellReport {
  std::size_t order = 0;  // the cell's place in the run; the report lists cells in this order
  std::string id;
  std::vector<SnapshotInput> inputs;
  SnapshotOutcome outcome = SnapshotOutcome::same;
  ui::PictureDifference difference;  // for differs and close
  std::string detail;                // a line more, where the outcome needs one
};

// A failing cell's pictures, as PNG files; empty where there is none (a missing golden).
struct SnapshotPictures {
  std::span<const std::uint8_t> expected;
  std::span<const std::uint8_t> actual;
  std::span<const std::uint8_t> diff;
};

struct SnapshotSummary {
  std::string title;               // what was verified, for both files' headings
  std::filesystem::path goldens;   // the goldens' folder, which passing cells link to
  ui::PictureTolerance tolerance;  // as used
  double seconds = 0;
  std::size_t updated = 0;  // goldens rewritten by --update
};

// The report of a verification, in one folder: index.html (self-contained: its style and script
// inline, nothing fetched, opens from the disk), junit.xml for CI systems, and each failing
// cell's expected, actual and diff pictures, written as the cells are compared. The folder is
// replaced whole when the report is done; until then the earlier report stays. Only a folder
// that is absent, empty or holds an earlier report is replaced.
//
// It keeps a failing cell's inputs and figures and a passing cell's id; no picture.
class SnapshotReport {
 public:
  static std::variant<std::unique_ptr<SnapshotReport>, std::string> open(
      const std::filesystem::path& folder);

  // Safe to call from several threads at once. Returns nothing, else one line (a picture
  // that could not be written).
  std::optional<std::string> add(SnapshotCellReport cell, const SnapshotPictures& pictures = {});
  // Writes the two files and puts the report in its folder.
  std::optional<std::string> finish(const SnapshotSummary& summary);

  const std::filesystem::path& folder() const { return folder_; }
  std::size_t failures() const;
  // The file of a failing cell's picture in the report: "<id>.expected.png", ".actual", ".diff".
  static std::string pictureName(std::string_view id, std::string_view which);

 private:
  SnapshotReport(std::filesystem::path folder, std::unique_ptr<StagingFolder> staging)
      : folder_(std::move(folder)), staging_(std::move(staging)) {}

  struct Passed {
    std::size_t order;
    std::string id;
    SnapshotOutcome outcome;
  };
  struct Failed {
    SnapshotCellReport cell;
    // The pixel widths of its expected, actual and diff pictures; 0 where it has none.
    std::array<int, 3> widths;
  };
  // Every value each axis takes over all the cells, axes in the order the cells give them.
  struct Axis {
    std::string name;
    std::set<std::string> values;
  };

  std::filesystem::path folder_;
  std::unique_ptr<StagingFolder> staging_;
  mutable std::mutex mutex_;
  std::vector<Passed> passed_;
  std::vector<Failed> failed_;
  std::vector<Axis> axes_;
};

}  // namespace host
