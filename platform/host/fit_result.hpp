#pragma once

#include <string>
#include <vector>

#include "host/check_finding.hpp"
#include "host/matrix.hpp"
#include "ui/layout/layout.hpp"

namespace host {

struct CommandContext;

// Every text of the widget laid out in one cell of a matrix, with how it was made to fit, and
// what check's text rules (truncated, wrapped, shrunk) find in them.
struct FitResult {
  MatrixCell cell;
  std::vector<ui::PlacedText> texts;
  std::vector<CheckFinding> findings;
  bool truncated() const;
  friend bool operator==(const FitResult&, const FitResult&) = default;
};

// Lays the widget out in every cell of `matrix`, as the renderer would draw it, each in an
// environment of its own, the cells on every core, and checks it with check's text rules (fit is
// that part of check): `entries` are the matrix's (entriesOf).
std::vector<FitResult> checkFit(const CommandContext& context, const Matrix& matrix,
                                const std::vector<AnyEntry>& entries);

// {"truncated": bool, "results": [{"device", "family", "context", "appearance", "locale",
// "textSize", "entry", "texts": [{"text", "scale", "lines", "truncated"}]}]}, on one line.
std::string fitJson(const Matrix& matrix, const std::vector<FitResult>& results);
// One line per text that shrank, wrapped or was truncated (a text cut to nothing but "…" says
// so), then a summary.
std::string fitText(const Matrix& matrix, const std::vector<FitResult>& results);

}  // namespace host
