#include "preview/store_report.hpp"

#include "foundation/containers_root.hpp"
#include "foundation/store_diagnosis.hpp"
#include "foundation/user_defaults.hpp"

namespace preview {

StoreReport storeReport(const host::BundleInfo& bundle, const foundation::ContainersRoot& root) {
  if (bundle.applicationGroups.empty()) {
    return {"", "unknown", "none", "the widget has no App Group"};
  }
  const auto diagnosis = foundation::UserDefaults::diagnose(bundle.applicationGroups.front(), root);
  namespace status = foundation::store_status;
  auto [name, detail] = std::visit(
      [](const auto& found) -> std::pair<std::string, std::string> {
        using Found = std::decay_t<decltype(found)>;
        if constexpr (std::is_same_v<Found, status::Ok>) return {"ok", ""};
        if constexpr (std::is_same_v<Found, status::Missing>) return {"missing", found.what};
        if constexpr (std::is_same_v<Found, status::Unreadable>) return {"unreadable", found.why};
        if constexpr (std::is_same_v<Found, status::NotPropertyList>) {
          return {"not a property list", found.why};
        }
        if constexpr (std::is_same_v<Found, status::Damaged>) return {"damaged", found.where};
        if constexpr (std::is_same_v<Found, status::OverSizeCap>) {
          return {"too large", std::to_string(found.size) + " bytes"};
        }
        if constexpr (std::is_same_v<Found, status::NotDictionary>) {
          return {"not a dictionary", "the top object is " + found.top};
        }
        return {"?", ""};
      },
      diagnosis.status);
  return {diagnosis.file.string(), std::string(foundation::toString(diagnosis.format)),
          std::move(name), std::move(detail)};
}

}  // namespace preview
