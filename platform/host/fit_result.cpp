#include "host/fit_result.hpp"

#include <algorithm>
#include <cmath>

#include "foundation/shortest_decimal.hpp"
#include "host/commands.hpp"
#include "host/device.hpp"
#include "host/timeline_json.hpp"

namespace host {

bool FitResult::truncated() const {
  return std::any_of(texts.begin(), texts.end(),
                     [](const ui::PlacedText& text) { return text.fit.truncated; });
}

std::vector<FitResult> checkFit(const CommandContext& context, const AnyEntry& entry,
                                const std::vector<std::string>& locales,
                                const std::vector<WidgetFamily>& families,
                                const std::vector<ui::DynamicTypeSize>& textSizes) {
  // One tree serves every locale: its numbers are formatted in each layout's own.
  const ui::View view = context.configuration.content(entry);
  std::vector<FitResult> results;
  for (const auto& locale : locales) {
    for (const auto textSize : textSizes) {
      for (const auto family : families) {
        ui::RenderEnvironment environment = inLocale(context.renderEnvironment(family), locale);
        environment.dynamicTypeSize = textSize;
        results.push_back({std::string(context.device().name), locale, family, textSize,
                           ui::placedTexts(context.renderer.layout(view, environment).content)});
      }
    }
  }
  return results;
}

std::string fitJson(const std::vector<FitResult>& results) {
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
    shown.push_back({{"device", result.device},
                     {"locale", result.locale},
                     {"family", shortName(result.family)},
                     {"textSize", ui::toString(result.textSize)},
                     {"texts", std::move(texts)}});
  }
  return oneLine({{"truncated", truncated}, {"results", std::move(shown)}});
}

std::string fitText(const std::vector<FitResult>& results) {
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
      out += (result.device == defaultDevice().name ? "" : result.device + " ") + result.locale +
             " " + std::string(shortName(result.family)) +
             (result.textSize == ui::DynamicTypeSize::large
                  ? ""
                  : " " + std::string(ui::toString(result.textSize))) +
             ": \"" + shown + "\" " + how + "\n";
    }
  }
  out += std::to_string(results.size()) + " layouts: " + std::to_string(changed) +
         " texts shrank, wrapped or were truncated; " + std::to_string(truncated) + " truncated\n";
  return out;
}

}  // namespace host
