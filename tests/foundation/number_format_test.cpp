#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "foundation/floating_point_format_style.hpp"
#include "foundation/locale.hpp"
#include "foundation/number_formatter_cache.hpp"

namespace foundation {
namespace {

using Precision = NumberFormatStyleConfiguration::Precision;

std::string balance(const char* locale, double value) {
  return FloatingPointFormatStyle<double>::Currency("CNY", Locale(locale)).format(value);
}

std::string amount(const char* locale, double value) {
  return FloatingPointFormatStyle<double>(Locale(locale))
      .precision(Precision::fractionLength(ClosedRange<int>{0, 2}))
      .format(value);
}

struct Case {
  const char* locale;
  double value;
  const char* balance;  // CNY currency style
  const char* amount;   // decimal, 0...2 fraction digits
};

// Each locale's standard forms as its CLDR data (ICU 72) writes them. U+00A0 and U+202F are the
// no-break spaces of fr/ru/de; ar_EG writes Arabic-Indic digits, U+066B/U+066C as separators,
// and marks its currency amounts with RLM (U+200F) and its minus with ALM (U+061C).
const Case kCases[] = {
    {"en_US", 277, "CN\u00A5277.00", "277"},
    {"en_US", 2.675, "CN\u00A52.68", "2.68"},  // from "2.675", the double's shortest decimal
    {"en_US", 0.125, "CN\u00A50.12", "0.12"},  // ties go to the even digit
    {"en_US", 999.999, "CN\u00A51,000.00", "1,000"},
    {"en_US", -0.001, "CN\u00A50.00", "0"},  // zero is never negative
    {"en_US", -0.006, "-CN\u00A50.01", "-0.01"},
    {"de_DE", 1234567.891, "1.234.567,89\u00A0CN\u00A5", "1.234.567,89"},
    {"fr_FR", 1234567.891, "1\u202F234\u202F567,89\u00A0CNY", "1\u202F234\u202F567,89"},
    {"hi_IN", 1234567.891, "CN\u00A512,34,567.89", "12,34,567.89"},
    {"ar_EG", -12.5, "\u061C-\u200F\u0661\u0662\u066B\u0665\u0660\u00A0CN\u00A5",
     "\u061C-\u0661\u0662\u066B\u0665"},
    {"en_US_POSIX", 1234567.891, "CN\u00A5\u00A01234567.89", "1234567.89"},  // no grouping
    {"de-DE", 1234.5, "1.234,50\u00A0CN\u00A5", "1.234,5"}};                 // a BCP 47 spelling

TEST(NumberFormat, balanceAndAmountInNamedLocales) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.locale) + " " + std::to_string(c.value));
    EXPECT_EQ(balance(c.locale, c.value), c.balance);
    EXPECT_EQ(amount(c.locale, c.value), c.amount);
  }
}

TEST(NumberFormat, precisionBoundsTheFractionDigits) {
  const auto style = [](int lower, int upper) {
    return FloatingPointFormatStyle<double>(Locale("en_US"))
        .precision(Precision::fractionLength(ClosedRange<int>{lower, upper}));
  };
  EXPECT_EQ(style(2, 4).format(1.5), "1.50");
  EXPECT_EQ(style(2, 4).format(1.23456), "1.2346");
  // Bounds out of order or out of range are brought into 0...999 rather than failing.
  EXPECT_EQ(style(3, 1).format(1.5), "1.500");
  EXPECT_EQ(style(-4, -1).format(1.5), "2");
  EXPECT_EQ(style(0, 5000).format(0.25), "0.25");
}

TEST(NumberFormat, nonFiniteValuesAndOddCodesStillFormat) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(balance("en_US", nan), "CN\u00A5NaN");
  EXPECT_EQ(balance("en_US", inf), "CN\u00A5\u221E");
  // 309 digits in 103 groups: every separator is there, no exponent.
  const std::string largest = amount("de_DE", std::numeric_limits<double>::max());
  EXPECT_EQ(largest.substr(0, 12), "179.769.313.");
  EXPECT_EQ(largest.size(), 309u + 102u);
  EXPECT_EQ(amount("en_US", std::numeric_limits<double>::denorm_min()), "0");

  // An unusable code is shown as "no currency", never as a plain number or an error.
  for (const char* code : {"", "toolong", "C\u00A5", "12"}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(FloatingPointFormatStyle<double>::Currency(code, Locale("en_US")).format(1),
              "\u00A41.00");
  }
  // Another currency brings its own minor unit.
  EXPECT_EQ(FloatingPointFormatStyle<double>::Currency("JPY", Locale("en_US")).format(1234.5),
            "\u00A51,234");
}

TEST(NumberFormat, sharedFormattersStayBoundedAndSafeAcrossThreads) {
  // More distinct styles than the cache holds, from two threads at once: every text is right and
  // the cache never grows past its bound.
  const auto work = [] {
    for (int round = 0; round < 3; ++round) {
      for (int digits = 0; digits < 100; ++digits) {
        const auto style =
            FloatingPointFormatStyle<double>(Locale("en_US"))
                .precision(Precision::fractionLength(ClosedRange<int>{digits, digits}));
        const std::string text = style.format(1);
        ASSERT_EQ(text,
                  digits == 0 ? "1" : "1." + std::string(static_cast<std::size_t>(digits), '0'));
        ASSERT_EQ(balance("de_DE", 277), "277,00\u00A0CN\u00A5");
      }
    }
  };
  std::thread other(work);
  work();
  other.join();
  EXPECT_LE(detail::cachedNumberFormatterCount(), detail::kMaxCachedNumberFormatters);
}

}  // namespace
}  // namespace foundation
