// A matrix checked on every core finds, cell by cell, what it finds on one thread: each cell is
// laid out and drawn in an environment of its own, and what the renderer and the inspector keep
// between cells (shaped lines, backgrounds, buffers) changes how soon, never what. Run under the
// thread sanitizer too (scripts/test-sanitizers).
#include <gtest/gtest.h>

#include "data/money_entry.hpp"
#include "extension/pocketta_widget.hpp"
#include "host/cell_check.hpp"
#include "host/device.hpp"
#include "host/renderer.hpp"

namespace {

TEST(CheckConcurrency, aMatrixCheckedOnEveryCoreFindsWhatOneThreadFinds) {
  const host::WidgetConfiguration configuration = pocketta::PockettaWidget{}.body();
  const ui::View view = configuration.content(
      host::AnyEntry::make(pocketta::MoneyEntry{foundation::Date{0}, 12840.5, 350, 86.4}));
  host::Matrix matrix;
  matrix.devices = {host::deviceNamed("iphone-se-1st"), host::deviceNamed("iphone-16-plus")};
  matrix.families = {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium};
  matrix.contexts = {host::RenderingContext::home, host::RenderingContext::homeTinted,
                     host::RenderingContext::standbyNight};
  matrix.appearances = {host::Appearance::light, host::Appearance::dark};
  matrix.locales = {"en_US", "ar_EG", "my_MM", "ja_JP"};
  matrix.textSizes = {ui::DynamicTypeSize::large, ui::DynamicTypeSize::accessibility5};
  matrix.entries = {{"current", false, {}}};
  const auto cells = host::cellsOf(matrix);
  const host::Renderer renderer;
  const ui::PictureInspector inspector;
  const ui::RenderEnvironment user;
  auto checkAll = [&](unsigned threads) {
    std::vector<host::CellCheck> checked(cells.size());
    host::forEachCell(cells.size(), threads, [&](std::size_t i) {
      checked[i] = host::checkCell(cells[i], matrix, view, user, renderer, host::CheckRules::all(),
                                   &inspector);
    });
    return checked;
  };
  const auto alone = checkAll(1);
  EXPECT_EQ(checkAll(4), alone);
  // Something to compare: the pixel rules find things in this matrix too.
  std::size_t pixelFindings = 0;
  for (const auto& cell : alone) {
    for (const auto& finding : cell.findings) {
      pixelFindings += finding.rule == host::CheckRule::contrast ||
                       finding.rule == host::CheckRule::margins ||
                       finding.rule == host::CheckRule::corners;
    }
  }
  EXPECT_GT(pixelFindings, 0u);
}

}  // namespace
