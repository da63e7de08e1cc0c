#include "host/fit_result.hpp"

#include <algorithm>
#include <cmath>

#include "foundation/locale.hpp"
#include "foundation/shortest_decimal.hpp"
#include "host/commands.hpp"
#include "host/timeline_json.hpp"
#include "ui/layout/widget_layout.hpp"

namespace host {

bool FitResult::truncated() const {
  return std::any_of(texts.begin(), texts.end(), [](const auto& text) { return text.truncated; });
}

std::vector<FitResult> checkFit(const CommandContext& context, const AnyEntry& entry,
                                const std::vector<std::string>& locales,
                                const std::vector<WidgetFamily>& families,
                                const std::vector<ui::DynamicTypeSize>& textSizes) {
  const std::string user = foundation::Locale::current().identifier();
  std::vector<FitResult> results;
  for (const auto& locale : locales) {
    foundation::Locale::setUserPreferredIdentifier(locale);
    const ui::View view = context.configuration.content(entry);
    for (const auto textSize : textSizes) {
      ui::RenderOptions options = context.renderOptions(false);
      options.dynamicTypeSize = textSize;
      for (const auto family : families) {
        const auto layout = ui::layoutWidget(view, canvasFor(family), options);
        FitResult result{locale, family, textSize, {}};
        for (const auto& text : ui::textFits(layout.content)) {
          result.texts.push_back(
              {text.text, text.fit.scale, text.fit.lineCount, text.fit.truncated});
        }
        results.push_back(std::move(result));
      }
    }
  }
  foundation::Locale::setUserPreferredIdentifier(user);
  return results;
}

std::string fitJson(const std::vector<FitResult>& results) {
  const bool truncated =
      std::any_of(results.begin(), results.end(), [](const auto& r) { return r.truncated(); });
  std::string out =
      "{\"truncated\": " + std::string(truncated ? "true" : "false") + ", \"results\": [";
  for (std::size_t i = 0; i < results.size(); ++i) {
    const auto& result = results[i];
    out += (i ? ", " : "") + std::string("{\"locale\": ") + jsonString(result.locale) +
           ", \"family\": " + jsonString(shortName(result.family)) +
           ", \"textSize\": " + jsonString(ui::toString(result.textSize)) + ", \"texts\": [";
    for (std::size_t j = 0; j < result.texts.size(); ++j) {
      const auto& text = result.texts[j];
      out += (j ? ", " : "") + std::string("{\"text\": ") + jsonString(text.text) +
             ", \"scale\": " + jsonNumber(text.scale) +
             ", \"lines\": " + std::to_string(text.lines) +
             ", \"truncated\": " + (text.truncated ? "true" : "false") + "}";
    }
    out += "]}";
  }
  return out + "]}";
}

std::string fitText(const std::vector<FitResult>& results) {
  std::string out;
  std::size_t changed = 0;
  std::size_t truncated = 0;
  for (const auto& result : results) {
    for (const auto& text : result.texts) {
      if (!text.changed()) continue;
      ++changed;
      truncated += text.truncated ? 1 : 0;
      std::string shown = text.text;
      std::replace(shown.begin(), shown.end(), '\n', '/');
      std::string how;
      if (text.scale < 1)
        how = "shrank to " + foundation::shortestDecimal(std::round(text.scale * 1000) / 10) + " %";
      if (text.lines > 1)
        how += (how.empty() ? "" : ", ") + ("wrapped to " + std::to_string(text.lines) + " lines");
      if (text.truncated) how += how.empty() ? "truncated" : ", truncated";
      out += result.locale + " " + std::string(shortName(result.family)) +
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
