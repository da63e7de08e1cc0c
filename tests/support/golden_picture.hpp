#pragma once

// The tests' golden pictures, checked as `snapshot verify` checks a cell (host::compareSnapshot:
// the bytes, then the pixels within the snapshots' default tolerance). Every picture a test
// checks goes into one report, as verify writes it: index.html, junit.xml and each failing
// golden's expected, actual and diff pictures, so that a failing golden leaves the report a
// failing snapshot does. Header only: the test support library itself links no renderer.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/snapshot_comparison.hpp"
#include "host/snapshot_report.hpp"

namespace support {

class GoldenPictures {
 public:
  // Goldens in `folder` as golden_<name>.png; the report in `reportFolder`, replaced whole.
  GoldenPictures(std::filesystem::path folder, std::filesystem::path reportFolder)
      : folder_(std::move(folder)), reportFolder_(std::move(reportFolder)) {
    auto opened = host::SnapshotReport::open(reportFolder_);
    if (auto* report = std::get_if<std::unique_ptr<host::SnapshotReport>>(&opened)) {
      report_ = std::move(*report);
    } else {
      ADD_FAILURE() << std::get<std::string>(opened);
    }
  }
  ~GoldenPictures() {
    if (!report_) return;
    if (auto failed = report_->finish({"goldens " + folder_.string(), folder_, {}, 0, updated_})) {
      ADD_FAILURE() << *failed;
    }
  }
  GoldenPictures(const GoldenPictures&) = delete;
  GoldenPictures& operator=(const GoldenPictures&) = delete;

  // Checks `png` against golden_<name>.png, or writes it there under POCKETTA_UPDATE_GOLDENS.
  void expectMatches(const std::vector<std::uint8_t>& png, const std::string& name,
                     std::vector<host::SnapshotInput> inputs = {}) {
    const std::filesystem::path golden = folder_ / ("golden_" + name + ".png");
    if (std::getenv("POCKETTA_UPDATE_GOLDENS") != nullptr) {
      std::ofstream(golden, std::ios::binary)
          .write(reinterpret_cast<const char*>(png.data()),
                 static_cast<std::streamsize>(png.size()));
      ++updated_;
    }
    std::ifstream in(golden, std::ios::binary);
    const std::vector<std::uint8_t> kept{std::istreambuf_iterator<char>(in), {}};
    host::SnapshotCellReport cell{
        order_++, "golden_" + name, std::move(inputs), host::SnapshotOutcome::missing, {}, {}};
    host::SnapshotPictures pictures{{}, png, {}};
    host::SnapshotComparison comparison;
    if (in.is_open()) {
      comparison = host::compareSnapshot(kept, png, {});
      cell.outcome = comparison.outcome;
      cell.difference = comparison.difference;
      cell.detail = comparison.detail;
      pictures = {kept, png, comparison.diff};
    }
    const bool passed = host::passed(cell.outcome);
    const std::string outcome(host::describe(cell.outcome));
    const std::size_t differing = cell.difference.differingPixels;
    if (report_) {
      if (auto failed =
              report_->add(std::move(cell), passed ? host::SnapshotPictures{} : pictures)) {
        ADD_FAILURE() << *failed;
      }
    }
    EXPECT_TRUE(passed) << name << ": " << outcome << " (" << differing << " pixels); see "
                        << (reportFolder_ / "index.html").string();
  }

 private:
  std::filesystem::path folder_;
  std::filesystem::path reportFolder_;
  std::unique_ptr<host::SnapshotReport> report_;
  std::size_t order_ = 0;
  std::size_t updated_ = 0;
};

// The report folder of the running test: <the suite's build folder>/golden-report/<test>.
inline std::filesystem::path goldenReportFolder() {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  return std::filesystem::path(POCKETTA_TEST_REPORT_DIR) /
         (std::string(test->test_suite_name()) + "." + test->name());
}

}  // namespace support
