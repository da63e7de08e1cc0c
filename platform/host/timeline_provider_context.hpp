#pragma once

#include "foundation/geometry.hpp"
#include "host/widget_family.hpp"

namespace host {

// What the host tells a provider about the request.
struct TimelineProviderContext {
  WidgetFamily family = WidgetFamily::systemSmall;
  foundation::Size displaySize;
  bool isPreview = false;  // the gallery or a snapshot, not the home screen
  friend bool operator==(const TimelineProviderContext&, const TimelineProviderContext&) = default;
};

}  // namespace host
