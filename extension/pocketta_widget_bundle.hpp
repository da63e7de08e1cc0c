#pragma once

#include "host/bundle_info.hpp"
#include "host/widget_bundle_builder.hpp"

namespace pocketta {

// The widgets the extension offers the host: the one PockettaWidget.
struct PockettaWidgetBundle {
  host::WidgetBundleContent body() const;

  // The executable's name and the variable that may name the containers root.
  static host::BundleInfo info();

  // Access to the shared store: the App Group it lives in.
  static host::Entitlements entitlements();
};

}  // namespace pocketta
