#pragma once

#include <string>
#include <vector>

#include "host/widget_family.hpp"
#include "ui/environment/dynamic_type_size.hpp"

namespace host {

struct CommandContext;
struct AnyEntry;

// How one text of the widget was made to fit its room: shrunk to `scale` of its font size,
// wrapped onto `lines` lines, truncated.
struct TextFitResult {
  std::string text;
  double scale = 1;
  int lines = 1;
  bool truncated = false;
  bool changed() const { return scale < 1 || lines > 1 || truncated; }
  friend bool operator==(const TextFitResult&, const TextFitResult&) = default;
};

// Every text of the widget laid out in one locale, family and text size.
struct FitResult {
  std::string locale;
  WidgetFamily family = WidgetFamily::systemSmall;
  ui::DynamicTypeSize textSize = ui::DynamicTypeSize::large;
  std::vector<TextFitResult> texts;
  bool truncated() const;
  friend bool operator==(const FitResult&, const FitResult&) = default;
};

// Lays the widget out for `entry` in each locale, text size and family, as the renderer would
// draw it.
// Leaves the user's locale as it found it.
std::vector<FitResult> checkFit(const CommandContext& context, const AnyEntry& entry,
                                const std::vector<std::string>& locales,
                                const std::vector<WidgetFamily>& families,
                                const std::vector<ui::DynamicTypeSize>& textSizes);

// {"truncated": bool, "results": [{"locale", "family", "textSize", "texts": [{"text", "scale",
// "lines", "truncated"}]}]}
std::string fitJson(const std::vector<FitResult>& results);
// One line per text that shrank, wrapped or was truncated, then a summary.
std::string fitText(const std::vector<FitResult>& results);

}  // namespace host
