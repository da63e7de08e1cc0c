#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ui {

// The sizes a widget comes in on the home screen, and in StandBy the small one.
enum class WidgetFamily : std::uint8_t { systemSmall, systemMedium };

constexpr std::string_view toString(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::systemSmall:
      return "systemSmall";
    case WidgetFamily::systemMedium:
      return "systemMedium";
  }
  return "?";
}

// "small", "medium": the names the command line and the preview use.
constexpr std::string_view shortName(WidgetFamily family) {
  return family == WidgetFamily::systemMedium ? "medium" : "small";
}

// A family by its short name or its own.
constexpr std::optional<WidgetFamily> familyNamed(std::string_view name) {
  if (name == "small" || name == "systemSmall") return WidgetFamily::systemSmall;
  if (name == "medium" || name == "systemMedium") return WidgetFamily::systemMedium;
  return std::nullopt;
}

}  // namespace ui
