#pragma once

#include <optional>
#include <string>
#include <utility>

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
    // At least lowerBound and at most upperBound fraction digits. Bounds outside 0...999 are
    // brought into it, and an upper bound below the lower one is raised to it.
    static Precision fractionLength(ClosedRange<int> digits) { return Precision{digits}; }
    ClosedRange<int> fractionDigits;
    friend bool operator==(const Precision&, const Precision&) = default;
  };
};

template <class Value>
struct FloatingPointFormatStyle;

// Formats a double as a decimal number in a locale, on ICU's number formatter: the locale's
// separators, grouping and digits, half-even rounding, and as many fraction digits as ICU's
// default unless `precision` bounds them. Only negative values carry a sign; zero, and a value
// that rounds to zero, shows none ("0", never "-0"). NaN and infinities show as ICU writes them.
//
// A style is a cheap value: the ICU formatter behind it is shared by every equal style in the
// same resolved locale and built on first use.
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

// Formats a double as an amount of a currency (ISO 4217 code) in a locale: the locale's standard
// currency pattern and its symbol for the currency, and exactly the currency's minor-unit digits
// (2 for "CNY"). Signs as for the decimal style: zero is never negative. A code that is not three
// ASCII letters shows as ISO 4217's "no currency" (the generic sign ¤).
struct FloatingPointFormatStyle<double>::Currency {
  Currency(std::string code, Locale locale) : code(std::move(code)), locale(std::move(locale)) {}

  std::string format(double value) const;

  std::string code;
  Locale locale;

  friend bool operator==(const Currency&, const Currency&) = default;
};

}  // namespace foundation
