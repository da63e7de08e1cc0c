#include "foundation/number_formatter_cache.hpp"

#include <unicode/currunit.h>
#include <unicode/locid.h>
#include <unicode/numberformatter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>

#include "foundation/precondition.hpp"

namespace foundation::detail {
namespace {

namespace number = icu::number;

// ICU's own limit on fraction digits.
constexpr int kMaxFractionDigits = 999;

// ISO 4217's code for "no currency": ICU shows it as the generic currency sign, which keeps an
// unusable code visible as a currency amount rather than passing it off as a plain number.
constexpr char kNoCurrencyCode[] = "XXX";

icu::Locale icuLocale(const std::string& identifier) {
  // Canonicalizing accepts both "de_DE" and "de-DE".
  icu::Locale locale = icu::Locale::createCanonical(identifier.c_str());
  return locale.isBogus() ? icu::Locale::getRoot() : locale;
}

number::UnlocalizedNumberFormatter settings(const NumberFormatKey& key) {
  // Zero, and whatever rounds to zero, carries no sign: "-0" and "-CN¥0.00" are not amounts
  // anyone writes. Every other sign stays as the locale writes it.
  // A formatter here is kept and used again, so it is compiled on its first use: by default ICU
  // builds the whole pipeline from the locale's data afresh for each of the first two calls.
  auto formatter = number::NumberFormatter::with().sign(UNUM_SIGN_NEGATIVE).threshold(1);
  if (key.kind == NumberFormatKind::currency) {
    UErrorCode status = U_ZERO_ERROR;
    icu::CurrencyUnit unit(icu::StringPiece(key.currencyCode), status);
    if (U_FAILURE(status)) {
      status = U_ZERO_ERROR;
      unit = icu::CurrencyUnit(icu::StringPiece(kNoCurrencyCode), status);
    }
    // The unit alone brings the currency's standard minor-unit digits and the locale's
    // currency pattern and symbol.
    formatter = formatter.unit(unit);
  }
  if (key.hasFractionLength) {
    const int lower = std::clamp(key.minFractionDigits, 0, kMaxFractionDigits);
    const int upper = std::clamp(key.maxFractionDigits, lower, kMaxFractionDigits);
    formatter = formatter.precision(number::Precision::minMaxFraction(lower, upper));
  }
  return formatter;
}

using SharedFormatter = std::shared_ptr<const number::LocalizedNumberFormatter>;

struct Cache {
  std::mutex mutex;
  std::map<NumberFormatKey, SharedFormatter> formatters;
};

Cache& cache() {
  static Cache instance;
  return instance;
}

SharedFormatter formatterFor(const NumberFormatKey& key) {
  auto& shared = cache();
  {
    std::lock_guard lock(shared.mutex);
    if (auto found = shared.formatters.find(key); found != shared.formatters.end()) {
      return found->second;
    }
  }
  // Built outside the lock: building costs far more than formatting, and other keys need not
  // wait for it. Two threads may build the same key at once; the first one stored wins.
  auto built = std::make_shared<const number::LocalizedNumberFormatter>(
      settings(key).locale(icuLocale(key.localeIdentifier)));
  std::lock_guard lock(shared.mutex);
  if (shared.formatters.size() >= kMaxCachedNumberFormatters && !shared.formatters.contains(key)) {
    shared.formatters.clear();
  }
  return shared.formatters.try_emplace(key, std::move(built)).first->second;
}

// The last resort when ICU reports an error: digits with "." and no grouping, never empty.
std::string plainDigits(const NumberFormatKey& key, double value) {
  const int digits = key.hasFractionLength ? std::clamp(key.maxFractionDigits, 0, 17) : 2;
  char buffer[512];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  if (error != std::errc()) return "?";
  return std::string(buffer, end);
}

}  // namespace

const char* toString(NumberFormatKind kind) {
  switch (kind) {
    case NumberFormatKind::decimal:
      return "decimal";
    case NumberFormatKind::currency:
      return "currency";
  }
  FOUNDATION_UNREACHABLE("a NumberFormatKind outside its enum");
}

std::string formatNumber(const NumberFormatKey& key, double value) {
  const SharedFormatter formatter = formatterFor(key);
  UErrorCode status = U_ZERO_ERROR;
  const number::FormattedNumber formatted = formatter->formatDouble(value, status);
  icu::UnicodeString text = formatted.toString(status);
  if (U_FAILURE(status)) return plainDigits(key, value);
  std::string utf8;
  text.toUTF8String(utf8);
  return utf8;
}

std::size_t cachedNumberFormatterCount() {
  auto& shared = cache();
  std::lock_guard lock(shared.mutex);
  return shared.formatters.size();
}

}  // namespace foundation::detail
