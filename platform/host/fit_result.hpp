#pragma once

#include <string>
#include <vector>

#include "host/matrix.hpp"
#include "ui/layout/layout.hpp"

namespace host {

struct CommandContext;

// Every text of the widget laid out in one cell of a matrix, with how it was made to fit.
struct FitResult {
  MatrixCell cell;
  std::vector<ui::PlacedText> texts;
  bool truncated() const;
  friend bool operator==(const FitResult&, const FitResult&) = default;
};

// Lays the widget out in every cell of `matrix`, as the renderer would draw it, each in an
// environment of its own, the cells on every core: `entries` are the matrix's (entriesOf).
std::vector<FitResult> checkFit(const CommandContext& context, const Matrix& matrix,
                                const std::vector<AnyEntry>& entries);

// {"truncated": bool, "results": [{"device", "family", "context", "appearance", "locale",
// "textSize", "entry", "texts": [{"text", "scale", "lines", "truncated"}]}]}, on one line.
std::string fitJson(const Matrix& matrix, const std::vector<FitResult>& results);
// One line per text that shrank, wrapped or was truncated, then a summary.
std::string fitText(const Matrix& matrix, const std::vector<FitResult>& results);

}  // namespace host
