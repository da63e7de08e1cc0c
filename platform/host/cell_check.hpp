#pragma once

#include <vector>

#include "host/check_finding.hpp"
#include "host/check_rule.hpp"
#include "host/matrix.hpp"
#include "ui/display/display_list.hpp"
#include "ui/inspection/picture_inspection.hpp"
#include "ui/layout/layout.hpp"
#include "ui/layout/widget_layout.hpp"

namespace host {

class Renderer;

// How the phone shows one picture, as the rules need it.
struct PictureShown {
  const ui::RenderEnvironment& environment;
  // The phone's points one widget point covers: StandBy enlarges the widget, elsewhere 1.
  double enlargement = 1;
};

// What the `rules` find in a laid-out widget and its display list: the text rules from the
// layout's texts, the glyphs from the list, the tap targets from its links, and, when
// `inspector` is given, contrast, corners and margins from the drawn pixels. In the order of the
// rules, each rule's findings in the order of the list.
std::vector<CheckFinding> checkPicture(const ui::WidgetLayout& layout, const ui::DisplayList& list,
                                       const PictureShown& shown, const CheckRules& rules,
                                       const ui::PictureInspector* inspector);

// One cell of a matrix, checked.
struct CellCheck {
  MatrixCell cell;
  std::vector<ui::PlacedText> texts;  // kept only when asked for (fit lists them)
  std::vector<CheckFinding> findings;
  friend bool operator==(const CellCheck&, const CellCheck&) = default;
};

// Lays out, draws and checks `view` in the cell's environment (environmentOf `user`).
CellCheck checkCell(const MatrixCell& cell, const Matrix& matrix, const ui::View& view,
                    const ui::RenderEnvironment& user, const Renderer& renderer,
                    const CheckRules& rules, const ui::PictureInspector* inspector,
                    bool keepTexts = false);

}  // namespace host
