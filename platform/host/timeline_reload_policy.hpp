#pragma once

#include <variant>

#include "foundation/date.hpp"

namespace host {

// When the host should ask the provider for the next timeline.
struct TimelineReloadPolicy {
  struct AtEnd {
    friend bool operator==(AtEnd, AtEnd) = default;
  };
  struct Never {
    friend bool operator==(Never, Never) = default;
  };
  struct After {
    foundation::Date date;
    friend bool operator==(After, After) = default;
  };

  static TimelineReloadPolicy atEnd() { return {AtEnd{}}; }
  static TimelineReloadPolicy never() { return {Never{}}; }
  static TimelineReloadPolicy after(foundation::Date date) { return {After{date}}; }

  std::variant<AtEnd, Never, After> kind;
  friend bool operator==(const TimelineReloadPolicy&, const TimelineReloadPolicy&) = default;
};

}  // namespace host
