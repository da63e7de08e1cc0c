#include "extension/pocketta_widget_bundle.hpp"

#include <string>

#include "data/app_group.hpp"
#include "extension/pocketta_widget.hpp"

namespace pocketta {

host::WidgetBundleContent PockettaWidgetBundle::body() const {
  return host::WidgetBundleBuilder::buildBlock(PockettaWidget{});
}

host::Entitlements PockettaWidgetBundle::entitlements() {
  return host::Entitlements{{std::string(kAppGroup)}};
}

}  // namespace pocketta
