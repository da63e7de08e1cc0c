#include "extension/pocketta_widget_bundle.hpp"

#include <string>

#include "data/app_group.hpp"
#include "data/store_keys.hpp"
#include "extension/pocketta_widget.hpp"

namespace pocketta {

host::WidgetBundleContent PockettaWidgetBundle::body() const {
  return host::WidgetBundleBuilder::buildBlock(PockettaWidget{});
}

host::BundleInfo PockettaWidgetBundle::info() {
  host::BundleInfo info;
  info.executableName = "pocketta-widget";
  info.containersVariable = "POCKETTA_GROUP_CONTAINERS";
  using Reading = host::StoreKey::Reading;
  info.storeKeys = {{std::string(kUpdatedAtKey), Reading::date},
                    {std::string(kBalanceKey), Reading::number},
                    {std::string(kTodayIncomeKey), Reading::number},
                    {std::string(kTodayExpenseKey), Reading::number}};
  return info;
}

host::Entitlements PockettaWidgetBundle::entitlements() {
  return host::Entitlements{{std::string(kAppGroup)}};
}

}  // namespace pocketta
