#pragma once

#include <cstdint>
#include <string_view>

namespace host {

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

}  // namespace host
