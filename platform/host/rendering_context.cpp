#include "host/rendering_context.hpp"

#include <algorithm>
#include <cmath>

namespace host {
namespace {

struct ContextName {
  RenderingContext context;
  std::string_view name;
};

constexpr ContextName kNames[] = {
    {RenderingContext::home, "home"},
    {RenderingContext::homeTinted, "home-tinted"},
    {RenderingContext::standby, "standby"},
    {RenderingContext::standbyNight, "standby-night"},
};

// The backdrop of the tinted home screen: the wallpaper blurred behind a dark neutral glass.
constexpr ui::RGBA kTintedBackdrop{0.137, 0.137, 0.149, 1};
// StandBy at night: the red every view is a shade of.
constexpr ui::RGBA kNightRed{1, 0.176, 0.129, 1};
// How tall StandBy shows a small widget, against the short side of the screen.
constexpr double kStandByHeight = 0.85;

}  // namespace

std::string_view toString(RenderingContext context) {
  return kNames[static_cast<std::size_t>(context)].name;
}

std::optional<RenderingContext> renderingContextNamed(std::string_view name) {
  for (const auto& entry : kNames) {
    if (entry.name == name) return entry.context;
  }
  return std::nullopt;
}

std::string_view renderingContextNames() {
  return "home, home-tinted, standby or standby-night";
}

std::optional<ui::RGBA> hexColor(std::string_view text) {
  if (!text.starts_with('#') || (text.size() != 7 && text.size() != 9)) return std::nullopt;
  double channels[4] = {0, 0, 0, 255};
  for (std::size_t i = 1; i < text.size(); i += 2) {
    int value = 0;
    for (const char c : text.substr(i, 2)) {
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    channels[i / 2] = value;
  }
  return ui::RGBA{channels[0] / 255, channels[1] / 255, channels[2] / 255, channels[3] / 255};
}

bool shows(RenderingContext context, WidgetFamily family) {
  const bool standby =
      context == RenderingContext::standby || context == RenderingContext::standbyNight;
  return !standby || family == WidgetFamily::systemSmall;
}

ui::RenderEnvironment inContext(ui::RenderEnvironment environment, RenderingContext context,
                                const Device& device, ui::RGBA tint) {
  environment.canvas = device.canvas(environment.widgetFamily);
  switch (context) {
    case RenderingContext::home:
      break;
    case RenderingContext::homeTinted:
      environment.widgetRenderingMode = ui::WidgetRenderingMode::accented;
      environment.showsWidgetContainerBackground = false;
      environment.contentTint = tint;
      environment.backdrop = kTintedBackdrop;
      break;
    case RenderingContext::standby:
    case RenderingContext::standbyNight: {
      environment.showsWidgetContainerBackground = false;
      environment.backdrop = ui::RGBA{0, 0, 0, 1};
      environment.canvas.cornerRadius = 0;
      // A whole number of pixels, so that the black reaches every edge.
      const double shortSide = std::min(device.screen.width, device.screen.height);
      const double pixels = std::round(kStandByHeight * shortSide * environment.displayScale);
      environment.displayScale = pixels / environment.canvas.size.height;
      if (context == RenderingContext::standbyNight) {
        environment.widgetRenderingMode = ui::WidgetRenderingMode::vibrant;
        environment.contentTint = kNightRed;
      }
      break;
    }
  }
  return environment;
}

}  // namespace host
