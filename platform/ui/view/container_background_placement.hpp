#pragma once

#include <cstdint>
#include <string_view>

namespace ui {

// Which container a background is declared for; the host draws it behind that container.
enum class ContainerBackgroundPlacement : std::uint8_t { widget };

constexpr std::string_view toString(ContainerBackgroundPlacement placement) {
  switch (placement) {
    case ContainerBackgroundPlacement::widget:
      return "widget";
  }
  return "?";
}

}  // namespace ui
