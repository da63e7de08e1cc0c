#include "host/fit_result.hpp"

#include <algorithm>
#include <cmath>

#include "foundation/shortest_decimal.hpp"
#include "host/cell_check.hpp"
#include "host/commands.hpp"
#include "host/device.hpp"
#include "host/timeline_json.hpp"

namespace host {

namespace {

// The cell as a fit line names it: its locale and family, then what is not the default.
std::string where(const Matrix& matrix, const MatrixCell& cell) {
  std::string out = cell.device == &defaultDevice() ? "" : std::string(cell.device->name) + " ";
  out += cell.locale + " " + std::string(shortName(cell.family));
  if (cell.textSize != ui::DynamicTypeSize::large)
    out += " " + std::string(ui::toString(cell.textSize));
  if (cell.context != RenderingContext::home) out += " " + std::string(toString(cell.context));
  if (cell.appearance != Appearance::light) out += " " + std::string(toString(cell.appearance));
  const std::string& entry = matrix.entries.at(cell.entry).name;
  if (entry != "current") out += " " + entry;
  return out;
}

}  // namespace

bool FitResult::truncated() const {
  return std::any_of(findings.begin(), findings.end(), [](const CheckFinding& finding) {
    return finding.rule == CheckRule::truncated;
  });
}

std::vector<FitResult> checkFit(const CommandContext& context, const Matrix& matrix,
                                const std::vector<AnyEntry>& entries) {
  // One tree an entry: its numbers are formatted in each layout's own locale.
  std::vector<ui::View> views;
  for (const AnyEntry& entry : entries) views.push_back(context.configuration.content(entry));
  const std::vector<MatrixCell> cells = cellsOf(matrix);
  std::vector<FitResult> results(cells.size());
  forEachCell(cells.size(), 0, [&](std::size_t i) {
    const MatrixCell& cell = cells[i];
    CellCheck checked = checkCell(cell, matrix, views[cell.entry], context.userEnvironment,
                                  context.renderer, CheckRules::fitting(), nullptr, true);
    results[i] = {cell, std::move(checked.texts), std::move(checked.findings)};
  });
  return results;
}

std::string fitJson(const Matrix& matrix, const std::vector<FitResult>& results) {
  Json shown = Json::array();
  bool truncated = false;
  for (const auto& result : results) {
    Json texts = Json::array();
    for (const auto& text : result.texts) {
      texts.push_back({{"text", text.text},
                       {"scale", jsonNumber(text.fit.scale)},
                       {"lines", text.fit.lineCount},
                       {"truncated", text.fit.truncated}});
    }
    truncated = truncated || result.truncated();
    const MatrixCell& cell = result.cell;
    shown.push_back({{"device", cell.device->name},
                     {"family", shortName(cell.family)},
                     {"context", toString(cell.context)},
                     {"appearance", toString(cell.appearance)},
                     {"locale", cell.locale},
                     {"textSize", ui::toString(cell.textSize)},
                     {"entry", matrix.entries.at(cell.entry).name},
                     {"texts", std::move(texts)}});
  }
  return oneLine({{"truncated", truncated}, {"results", std::move(shown)}});
}

std::string fitText(const Matrix& matrix, const std::vector<FitResult>& results) {
  std::string out;
  std::size_t changed = 0;
  std::size_t truncated = 0;
  for (const auto& result : results) {
    for (const auto& text : result.texts) {
      std::string shown = text.text;
      std::replace(shown.begin(), shown.end(), '\n', '/');
      // The rules' findings about this text, in the rules' order: truncated, wrapped, shrunk.
      std::string how;
      bool cut = false;
      std::string shrank;
      for (const CheckFinding& finding : result.findings) {
        if (finding.frame != text.frame || finding.subject != shown) continue;
        if (finding.rule == CheckRule::shrunk) {
          shrank = "shrank to " +
                   foundation::shortestDecimal(std::round(finding.figure * 10) / 10) + " %";
        } else if (finding.rule == CheckRule::wrapped) {
          how += (how.empty() ? "" : ", ") +
                 ("wrapped to " + std::to_string(text.fit.lineCount) + " lines");
        } else if (finding.rule == CheckRule::truncated) {
          cut = true;
        }
      }
      if (!shrank.empty()) how = shrank + (how.empty() ? "" : ", ") + how;
      if (cut) {
        how += how.empty() ? "truncated" : ", truncated";
        if (text.text == "\u2026") how += " to nothing but \"\u2026\"";
      }
      if (how.empty()) continue;
      ++changed;
      truncated += cut ? 1 : 0;
      out += where(matrix, result.cell) + ": \"" + shown + "\" " + how + "\n";
    }
  }
  out += std::to_string(results.size()) + " layouts: " + std::to_string(changed) +
         " texts shrank, wrapped or were truncated; " + std::to_string(truncated) + " truncated\n";
  return out;
}

}  // namespace host
