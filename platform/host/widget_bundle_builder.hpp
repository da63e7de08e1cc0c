#pragma once

#include <vector>

#include "host/widget.hpp"

namespace host {

// The widgets a bundle offers, in order.
struct WidgetBundleContent {
  std::vector<AnyWidget> widgets;
};

struct WidgetBundleBuilder {
  template <Widget... Widgets>
  static WidgetBundleContent buildBlock(Widgets... widgets) {
    return WidgetBundleContent{{AnyWidget(std::move(widgets))...}};
  }
};

}  // namespace host
