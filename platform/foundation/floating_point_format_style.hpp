#pragma once

#include <optional>
#include <string>

#include "foundation/locale.hpp"

namespace foundation {

// A closed range lower...upper (both bounds included).
template <class Bound>
struct ClosedRange {
  Bound lowerBound;
  Bound upperBound;
  friend bool operator==(const ClosedRange&, const ClosedRange&) = default;
};

struct NumberFormatStyleConfiguration {
  struct Precision {
    // At least lowerBound and at most upperBound fraction digits.
    static Precision fractionLength(ClosedRange<int> digits) { return Precision{digits}; }
    ClosedRange<int> fractionDigits;
    friend bool operator==(const Precision&, const Precision&) = default;
  };
};

template <class Value>
struct FloatingPointFormatStyle;

// Formats a double as a decimal number in a locale, on ICU's number formatter.
template <>
struct FloatingPointFormatStyle<double> {
  struct Currency;

  explicit FloatingPointFormatStyle(Locale locale) : locale(std::move(locale)) {}
  FloatingPointFormatStyle precision(NumberFormatStyleConfiguration::Precision p) const {
    auto copy = *this;
    copy.precision_ = p;
    return copy;
  }

  std::string format(double value) const;

  Locale locale;
  std::optional<NumberFormatStyleConfiguration::Precision> precision_;

  friend bool operator==(const FloatingPointFormatStyle&,
                         const FloatingPointFormatStyle&) = default;
};

// Formats a double as an amount of a currency (ISO 4217 code) in a locale.
struct FloatingPointFormatStyle<double>::Currency {
  Currency(std::string code, Locale locale) : code(std::move(code)), locale(std::move(locale)) {}

  std::string format(double value) const;

  std::string code;
  Locale locale;

  friend bool operator==(const Currency&, const Currency&) = default;
};

}  // namespace foundation
