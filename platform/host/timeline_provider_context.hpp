#pragma once

#include "foundation/geometry.hpp"
#include "ui/environment/widget_family.hpp"

namespace host {

// A widget's family is the host's as much as the view system's (its environment carries it): one
// type, the view system's.
using ui::familyNamed;
using ui::shortName;
using ui::toString;
using ui::WidgetFamily;

// What the host tells a provider about the request.
struct TimelineProviderContext {
  WidgetFamily family = WidgetFamily::systemSmall;
  foundation::Size displaySize;
  bool isPreview = false;  // the gallery or a snapshot, not the home screen
  friend bool operator==(const TimelineProviderContext&, const TimelineProviderContext&) = default;
};

}  // namespace host
