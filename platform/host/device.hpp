#pragma once

#include <span>
#include <string>
#include <string_view>

#include "foundation/geometry.hpp"
#include "host/timeline_provider_context.hpp"
#include "ui/environment/widget_canvas.hpp"

namespace host {

// A phone as the widget sees it: the sizes the platform publishes for its widgets, by screen size
// in points, and the pixels per point of its screen. One entry per published row and scale,
// named after the models that use it.
struct Device {
  std::string_view name;    // as --device takes it
  std::string_view models;  // the phones that show widgets at these sizes
  foundation::Size screen;  // portrait, in points
  foundation::Size small;
  foundation::Size medium;
  int scale = 3;  // pixels per point

  foundation::Size size(WidgetFamily family) const {
    return family == WidgetFamily::systemMedium ? medium : small;
  }
  // The family's canvas on this phone. The platform publishes no per-phone content margins or
  // corner radius for widgets: both are one value for every phone (16 and 21.7 points), an
  // estimate.
  ui::WidgetCanvas canvas(WidgetFamily family) const { return ui::WidgetCanvas{size(family)}; }

  friend bool operator==(const Device&, const Device&) = default;
};

// Every phone of the platform's published widget size table, largest screen first.
std::span<const Device> devices();
// The phone the host shows the widget on unless told otherwise: the largest sizes.
const Device& defaultDevice();
// The phone named `name`, or none.
const Device* deviceNamed(std::string_view name);
// What a phone's name is expected to be, and the phone `typed` may mean: "a phone that 'devices'
// lists (did you mean 'iphone-16'?)".
std::string expectedDevice(std::string_view typed);

}  // namespace host
