#include "foundation/floating_point_format_style.hpp"

#include "foundation/number_formatter_cache.hpp"

namespace foundation {

std::string FloatingPointFormatStyle<double>::format(double value) const {
  detail::NumberFormatKey key;
  key.kind = detail::NumberFormatKind::decimal;
  if (precision_) {
    key.hasFractionLength = true;
    key.minFractionDigits = precision_->fractionDigits.lowerBound;
    key.maxFractionDigits = precision_->fractionDigits.upperBound;
  }
  // Resolved here, at each format, so an autoupdating locale follows the user's changes.
  key.localeIdentifier = locale.identifier();
  return detail::formatNumber(key, value);
}

std::string FloatingPointFormatStyle<double>::Currency::format(double value) const {
  detail::NumberFormatKey key;
  key.kind = detail::NumberFormatKind::currency;
  key.currencyCode = code;
  key.localeIdentifier = locale.identifier();
  return detail::formatNumber(key, value);
}

}  // namespace foundation
