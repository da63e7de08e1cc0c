#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

#include "host/snapshot_report.hpp"
#include "support/temporary_containers.hpp"

namespace {

namespace fs = std::filesystem;
using host::SnapshotCellReport;
using host::SnapshotOutcome;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A picture file's first bytes as far as the report reads them: the header and its width.
std::vector<std::uint8_t> pngOfWidth(int width) {
  std::vector<std::uint8_t> png(24, 0);
  png[19] = static_cast<std::uint8_t>(width);
  return png;
}

SnapshotCellReport cell(std::size_t order, const std::string& locale, const std::string& family,
                        SnapshotOutcome outcome) {
  const std::string id = "phone." + family + ".home.light." + locale + ".large.current";
  return {order,   id, {{"family", family}, {"locale", locale}, {"entry", "current"}},
          outcome, {}, {}};
}

class SnapshotReportTest : public testing::Test {
 protected:
  const support::TemporaryContainers temporary_;
  const fs::path folder_ = temporary_.root() / "report";
};

// Cells of three locales and two families in which German changed: its cells come first,
// grouped under the locale, with their three pictures; the file for CI names each cell once.
TEST_F(SnapshotReportTest, listsFailuresFirstGroupedByTheAxisThatSetsThemApart) {
  auto opened = host::SnapshotReport::open(folder_);
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<host::SnapshotReport>>(opened));
  auto& report = *std::get<std::unique_ptr<host::SnapshotReport>>(opened);
  const auto png = pngOfWidth(100);
  std::vector<std::thread> threads;
  std::size_t order = 0;
  for (const char* locale : {"en_US", "de_DE", "fr_FR"}) {
    for (const char* family : {"small", "medium"}) {
      const bool german = std::string(locale) == "de_DE";
      auto c =
          cell(order++, locale, family, german ? SnapshotOutcome::differs : SnapshotOutcome::same);
      c.difference.differingPixels = 40;
      threads.emplace_back([&report, c, &png, german] {
        EXPECT_EQ(report.add(
                      c, german ? host::SnapshotPictures{png, png, png} : host::SnapshotPictures{}),
                  std::nullopt);
      });
    }
  }
  for (auto& thread : threads) thread.join();
  auto missing = cell(order++, "en_US", "small", SnapshotOutcome::missing);
  missing.id = "another";
  ASSERT_EQ(report.add(missing, {{}, png, {}}), std::nullopt);
  EXPECT_EQ(report.failures(), 3u);
  // Until it is finished, the folder is not there.
  EXPECT_FALSE(fs::exists(folder_));
  ASSERT_EQ(report.finish({"snapshots shots", temporary_.root() / "shots", {}, 1.5, 0}),
            std::nullopt);

  const std::string html = readText(folder_ / "index.html");
  EXPECT_NE(html.find("3 of 7 cells fail"), std::string::npos);
  const auto german = html.find("<h2>Pixels differ: locale de_DE (2 cells)</h2>");
  const auto missingAt = html.find("<h2>Golden missing (1 cell)</h2>");
  const auto passed = html.find("4 cells match");
  ASSERT_NE(german, std::string::npos) << html;
  EXPECT_LT(german, missingAt);
  EXPECT_LT(missingAt, passed);
  EXPECT_LT(html.find("phone.small.home.light.de_DE"), html.find("phone.medium.home.light.de_DE"));
  EXPECT_NE(html.find("href=\"../shots/phone.small.home.light.en_US.large.current.png\""),
            std::string::npos);
  // Nothing the page shows comes from elsewhere than its folder.
  EXPECT_FALSE(std::regex_search(html, std::regex("(src|href)=\"[a-z]+:")));
  for (const char* which : {"expected", "actual", "diff"}) {
    EXPECT_TRUE(fs::exists(
        folder_ / ("phone.medium.home.light.de_DE.large.current." + std::string(which) + ".png")));
  }
  EXPECT_TRUE(fs::exists(folder_ / "another.actual.png"));
  EXPECT_FALSE(fs::exists(folder_ / "another.expected.png"));

  const std::string junit = readText(folder_ / "junit.xml");
  EXPECT_NE(junit.find("tests=\"7\" failures=\"3\""), std::string::npos);
  std::size_t cases = 0;
  for (auto at = junit.find("<testcase"); at != std::string::npos;
       at = junit.find("<testcase", at + 1)) {
    ++cases;
  }
  EXPECT_EQ(cases, 7u);
  EXPECT_NE(junit.find("name=\"phone.small.home.light.de_DE.large.current\">\n<failure "
                       "type=\"pixels differ\""),
            std::string::npos);
  EXPECT_NE(junit.find("<testcase classname=\"snapshots\" name=\"phone.small.home.light.en_US."
                       "large.current\"/>"),
            std::string::npos);
}

TEST_F(SnapshotReportTest, replacesItsOwnEarlierReportWholeAndNothingElse) {
  for (int run = 0; run < 2; ++run) {
    auto opened = host::SnapshotReport::open(folder_);
    auto& report = *std::get<std::unique_ptr<host::SnapshotReport>>(opened);
    const auto png = pngOfWidth(10);
    const auto outcome = run == 0 ? SnapshotOutcome::differs : SnapshotOutcome::same;
    ASSERT_EQ(report.add(cell(0, "en_US", "small", outcome), {png, png, png}), std::nullopt);
    ASSERT_EQ(report.finish({"t", temporary_.root(), {}, 0, 0}), std::nullopt);
  }
  // The second report has no failure: the first one's pictures went with it.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"index.html", "junit.xml"}));
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(temporary_.root())) {
    beside.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(beside, std::vector<std::string>{"report"});

  // A folder of other files is never replaced.
  const fs::path other = temporary_.root() / "other";
  fs::create_directories(other);
  std::ofstream(other / "notes.txt") << "mine";
  const auto refused = host::SnapshotReport::open(other);
  ASSERT_TRUE(std::holds_alternative<std::string>(refused));
  EXPECT_NE(std::get<std::string>(refused).find("holds other files"), std::string::npos);
  EXPECT_EQ(readText(other / "notes.txt"), "mine");
}

}  // namespace
