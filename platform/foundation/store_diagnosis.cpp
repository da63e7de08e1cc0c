#include "foundation/store_diagnosis.hpp"

namespace foundation {

std::string_view toString(StoreFormat format) {
  switch (format) {
    case StoreFormat::xml:
      return "XML property list";
    case StoreFormat::binary:
      return "binary property list";
    case StoreFormat::unknown:
      break;
  }
  return "unknown format";
}

std::string describe(const StoreStatus& status) {
  using namespace store_status;
  return std::visit(
      [](const auto& s) -> std::string {
        using T = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<T, Ok>) {
          return "ok";
        } else if constexpr (std::is_same_v<T, Missing>) {
          return "missing (" + s.what + ")";
        } else if constexpr (std::is_same_v<T, Unreadable>) {
          return "unreadable (" + s.why + ")";
        } else if constexpr (std::is_same_v<T, NotPropertyList>) {
          return "not a property list (" + s.why + ")";
        } else if constexpr (std::is_same_v<T, Damaged>) {
          return "damaged at " + s.where;
        } else if constexpr (std::is_same_v<T, OverSizeCap>) {
          return "over the size cap (" + std::to_string(s.size) + " bytes)";
        } else {
          return "not a dictionary at the top (" + s.top + ")";
        }
      },
      status);
}

std::string StoreDiagnosis::describe() const {
  std::string text = file.string() + ": " + foundation::describe(status);
  if (format != StoreFormat::unknown) text += ", " + std::string(toString(format));
  return text + "; containers root chosen by " + root.chosenBy;
}

}  // namespace foundation
