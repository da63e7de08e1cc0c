#pragma once

#include <concepts>
#include <cstdio>
#include <cstdlib>

#include "host/bundle_info.hpp"
#include "host/host_runner.hpp"
#include "host/widget_bundle_builder.hpp"

namespace host {

// A bundle: a value whose body gathers the extension's widgets. It may declare its
// entitlements with a static `entitlements()` and what it says of itself with a static
// `info()` (a BundleInfo).
template <class B>
concept WidgetBundleType = std::default_initializable<B> && requires(const B& bundle) {
  { bundle.body() } -> std::convertible_to<WidgetBundleContent>;
};

struct WidgetBundle {
  // Runs the extension: the host reads its own command line and serves the bundle's widgets.
  // Returns when the host is done with a success; any other outcome ends the process with its
  // exit status, as the platform's host would.
  // `previewServer`: see HostEnvironment.
  template <WidgetBundleType Bundle>
  static void main(CommandHandler previewServer = {}) {
    int status = 0;
    {
      const Bundle bundle{};
      BundleInfo info;
      if constexpr (requires { Bundle::info(); }) info = Bundle::info();
      if constexpr (requires { Bundle::entitlements(); }) {
        info.applicationGroups = Entitlements(Bundle::entitlements()).applicationGroups;
      }
      status = runHostProcess(WidgetBundleContent(bundle.body()), std::move(info),
                              std::move(previewServer));
    }
    if (status != 0) {
      std::fflush(nullptr);
      std::exit(status);
    }
  }
};

}  // namespace host
