#include "host/fit_result.hpp"

#include <algorithm>
#include <cmath>

#include "foundation/shortest_decimal.hpp"
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
  return std::any_of(texts.begin(), texts.end(),
                     [](const ui::PlacedText& text) { return text.fit.truncated; });
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
    const ui::RenderEnvironment environment = environmentOf(cell, matrix, context.userEnvironment);
    results[i] = {cell,
                  ui::placedTexts(context.renderer.layout(views[cell.entry], environment).content)};
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
      const ui::TextFit& fit = text.fit;
      if (!fit.shrank() && !fit.wrapped() && !fit.truncated) continue;
      ++changed;
      truncated += fit.truncated ? 1 : 0;
      std::string shown = text.text;
      std::replace(shown.begin(), shown.end(), '\n', '/');
      std::string how;
      if (fit.shrank()) {
        how = "shrank to " + foundation::shortestDecimal(std::round(fit.scale * 1000) / 10) + " %";
      }
      if (fit.wrapped()) {
        how +=
            (how.empty() ? "" : ", ") + ("wrapped to " + std::to_string(fit.lineCount) + " lines");
      }
      if (fit.truncated) how += how.empty() ? "truncated" : ", truncated";
      out += where(matrix, result.cell) + ": \"" + shown + "\" " + how + "\n";
    }
  }
  out += std::to_string(results.size()) + " layouts: " + std::to_string(changed) +
         " texts shrank, wrapped or were truncated; " + std::to_string(truncated) + " truncated\n";
  return out;
}

}  // namespace host
