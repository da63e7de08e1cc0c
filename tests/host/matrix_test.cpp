#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <stdexcept>
#include <vector>

#include "host/matrix.hpp"

namespace {

using host::Matrix;
using host::MatrixEntry;

TEST(Matrix, entriesAreCurrentPlaceholderOrNamedValuesOfTheEntrysOwnFields) {
  const std::vector<std::string> fields{"balance", "income"};
  EXPECT_EQ(std::get<MatrixEntry>(host::parseMatrixEntry("current", fields)),
            (MatrixEntry{"current", false, {}}));
  EXPECT_EQ(std::get<MatrixEntry>(host::parseMatrixEntry("placeholder", fields)),
            (MatrixEntry{"placeholder", true, {}}));
  EXPECT_EQ(std::get<MatrixEntry>(host::parseMatrixEntry("neg:balance=-1.5,income=0", fields)),
            (MatrixEntry{"neg", false, {{"balance", -1.5}, {"income", 0}}}));
  for (const char* bad : {"", "neg", "neg:", ":balance=1", "neg:expense=1", "neg:balance=x",
                          "neg:balance=inf", "a/b:balance=1", "current:balance=1"}) {
    EXPECT_TRUE(std::holds_alternative<std::string>(host::parseMatrixEntry(bad, fields))) << bad;
  }
}

TEST(Matrix, cellsCoverEveryAxisLeaveOutWhatAPlaceDoesNotShowAndHaveUniqueIds) {
  Matrix matrix;
  matrix.devices = {host::deviceNamed("iphone-16"), host::deviceNamed("iphone-se")};
  matrix.families = {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium};
  matrix.contexts = {host::RenderingContext::home, host::RenderingContext::standby};
  matrix.appearances = {host::Appearance::light, host::Appearance::dark};
  matrix.locales = {"en_US", "ar_EG"};
  matrix.textSizes = {ui::DynamicTypeSize::large};
  matrix.entries = {{"current", false, {}}, {"placeholder", true, {}}};
  const auto cells = host::cellsOf(matrix);
  // 2 phones x (small home, medium home, small standby) x 2 x 2 x 1 x 2.
  EXPECT_EQ(cells.size(), 2u * 3 * 2 * 2 * 2);
  std::set<std::string> ids;
  for (const auto& cell : cells) {
    EXPECT_TRUE(ids.insert(cell.id(matrix)).second) << cell.id(matrix);
    EXPECT_FALSE(cell.context == host::RenderingContext::standby &&
                 cell.family == host::WidgetFamily::systemMedium);
  }
  EXPECT_EQ(cells.front().id(matrix), "iphone-16.small.home.light.en_US.large.current");
  // In slices, the same cells in the same order, whatever the slice's length.
  EXPECT_EQ(host::cellCount(matrix), cells.size());
  for (const std::size_t length : {1u, 7u, 48u, 100u}) {
    std::vector<host::MatrixCell> joined;
    for (std::size_t first = 0; first < cells.size(); first += length) {
      const auto slice = host::cellsOf(matrix, first, length);
      EXPECT_EQ(slice.size(), std::min(length, cells.size() - first));
      joined.insert(joined.end(), slice.begin(), slice.end());
    }
    EXPECT_EQ(joined, cells) << length;
  }
  EXPECT_TRUE(host::cellsOf(matrix, cells.size(), 10).empty());

  // The cell's environment: its phone's canvas and scale, its locale's direction, redacted for
  // the placeholder, dark where asked.
  const auto standby = std::find_if(cells.begin(), cells.end(), [&](const auto& cell) {
    return cell.id(matrix) == "iphone-se.small.standby.dark.ar_EG.large.placeholder";
  });
  ASSERT_NE(standby, cells.end());
  const ui::RenderEnvironment environment = host::environmentOf(*standby, matrix, {});
  EXPECT_EQ(environment.layoutDirection, ui::LayoutDirection::rightToLeft);
  EXPECT_TRUE(environment.redacted);
  EXPECT_EQ(environment.colorScheme, ui::ColorScheme::dark);
  EXPECT_FALSE(environment.showsWidgetContainerBackground);
  EXPECT_EQ(environment.canvas.size, (foundation::Size{148, 148}));
}

TEST(Matrix, eachCellIsWorkedOnceAndAFailureStopsTheRestAndIsThrownAgain) {
  std::vector<std::atomic<int>> seen(500);
  host::forEachCell(seen.size(), 4, [&](std::size_t i) { seen[i]++; });
  for (const auto& count : seen) EXPECT_EQ(count.load(), 1);
  std::atomic<int> done{0};
  EXPECT_THROW(host::forEachCell(10000, 3,
                                 [&](std::size_t i) {
                                   if (i == 10) throw std::runtime_error("cell 10");
                                   ++done;
                                 }),
               std::runtime_error);
  EXPECT_LT(done.load(), 10000);
  host::forEachCell(0, 4, [](std::size_t) { FAIL(); });
}

}  // namespace
