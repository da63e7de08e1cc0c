#pragma once

#include <string>
#include <vector>

#include "host/widget_family.hpp"
#include "ui/environment/dynamic_type_size.hpp"
#include "ui/layout/layout.hpp"

namespace host {

struct CommandContext;
struct AnyEntry;

// Every text of the widget laid out in one locale, family and text size on one phone, with how it
// was made to fit.
struct FitResult {
  std::string device;
  std::string locale;
  WidgetFamily family = WidgetFamily::systemSmall;
  ui::DynamicTypeSize textSize = ui::DynamicTypeSize::large;
  std::vector<ui::PlacedText> texts;
  bool truncated() const;
  friend bool operator==(const FitResult&, const FitResult&) = default;
};

// Lays the widget out for `entry` in each locale, text size and family, as the renderer would
// draw it, each in an environment of its own: the user's settings otherwise.
std::vector<FitResult> checkFit(const CommandContext& context, const AnyEntry& entry,
                                const std::vector<std::string>& locales,
                                const std::vector<WidgetFamily>& families,
                                const std::vector<ui::DynamicTypeSize>& textSizes);

// {"truncated": bool, "results": [{"device", "locale", "family", "textSize", "texts": [{"text",
// "scale", "lines", "truncated"}]}]}, on one line.
std::string fitJson(const std::vector<FitResult>& results);
// One line per text that shrank, wrapped or was truncated, then a summary.
std::string fitText(const std::vector<FitResult>& results);

}  // namespace host
