#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The shared engine behind the number format styles. Not for use outside platform/foundation:
// the styles are the interface; this keeps ICU's formatters out of their headers and their cost
// out of every build of a style.

namespace foundation::detail {

enum class NumberFormatKind : std::uint8_t { decimal, currency };

const char* toString(NumberFormatKind kind);

// Everything that decides how a number is formatted: the key of one cached ICU formatter.
// `localeIdentifier` is already resolved (never "the user's locale of the moment").
struct NumberFormatKey {
  NumberFormatKind kind = NumberFormatKind::decimal;
  std::string currencyCode;  // currency only: ISO 4217
  bool hasFractionLength = false;
  int minFractionDigits = 0;
  int maxFractionDigits = 0;
  std::string localeIdentifier;

  friend bool operator==(const NumberFormatKey&, const NumberFormatKey&) = default;
  friend auto operator<=>(const NumberFormatKey&, const NumberFormatKey&) = default;
};

// Formats `value` as `key` says, in UTF-8. Thread-safe. The first use of a key builds an ICU
// formatter (costly); later uses with the same key share it. Never fails: what ICU cannot do
// comes back as the plainest form it can do (see the source).
std::string formatNumber(const NumberFormatKey& key, double value);

// Cached formatters right now; the cache is cleared whenever it would grow past
// kMaxCachedNumberFormatters.
inline constexpr std::size_t kMaxCachedNumberFormatters = 64;
std::size_t cachedNumberFormatterCount();

}  // namespace foundation::detail
