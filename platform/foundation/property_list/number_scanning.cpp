#include "foundation/property_list/number_scanning.hpp"

#include <clocale>
#include <cstdlib>
#include <limits>
#include <string>

#include <locale.h>

#include "foundation/civil_date.hpp"

namespace foundation {
namespace {

// A "C" locale object for strtod_l, made once; the process locale is never consulted.
locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// How many bytes of white space, by the store's own set, start `text`: every character below
// U+0021 (controls and NUL included), U+007F to U+00A0, U+2000 to U+200B and U+3000. Nothing
// else: not U+1680 nor U+205F, which Unicode calls space.
std::size_t leadingSpaceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t at = 0;
  while (at < text.size()) {
    const unsigned char lead = byte(at);
    const std::size_t left = text.size() - at;
    if (lead < 0x21 || lead == 0x7F) {
      at += 1;
    } else if (lead == 0xC2 && left >= 2 && byte(at + 1) >= 0x80 && byte(at + 1) <= 0xA0) {
      at += 2;  // U+0080..U+00A0
    } else if (lead == 0xE2 && left >= 3 && byte(at + 1) == 0x80 && byte(at + 2) >= 0x80 &&
               byte(at + 2) <= 0x8B) {
      at += 3;  // U+2000..U+200B
    } else if (lead == 0xE3 && left >= 3 && byte(at + 1) == 0x80 && byte(at + 2) == 0x80) {
      at += 3;  // U+3000
    } else {
      break;
    }
  }
  return at;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isNumberChar(char c) {
  return isDigit(c) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// strtod in the C locale on a copy of `text`; `consumed` is how many characters it read.
double cStrtod(std::string_view text, std::size_t& consumed) {
  const std::string copy(text);
  char* end = nullptr;
  const locale_t locale = cLocale();
  const double value = locale != static_cast<locale_t>(nullptr)
                           ? strtod_l(copy.c_str(), &end, locale)
                           : std::strtod(copy.c_str(), &end);
  consumed = static_cast<std::size_t>(end - copy.c_str());
  return value;
}

int parseDigits(std::string_view text, std::size_t pos, std::size_t count) {
  int value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (!isDigit(text[i])) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

double scanDoubleValue(std::string_view text) {
  const std::size_t begin = leadingSpaceLength(text);
  std::size_t end = begin;
  while (end < text.size() && isNumberChar(text[end])) ++end;
  if (end == begin) return 0.0;
  // The prefix holds no letters but e/E, so strtod cannot wander into hex, inf or nan.
  std::size_t consumed = 0;
  const double value = cStrtod(text.substr(begin, end - begin), consumed);
  return consumed == 0 ? 0.0 : value;
}

std::optional<double> parseWholeReal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string_view magnitude = text;
  if (magnitude.front() == '+' || magnitude.front() == '-') magnitude.remove_prefix(1);
  if (magnitude.empty()) return std::nullopt;
  const bool isWord = equalsIgnoringCase(magnitude, "inf") ||
                      equalsIgnoringCase(magnitude, "infinity") ||
                      equalsIgnoringCase(magnitude, "nan");
  if (!isWord) {
    for (const char c : magnitude) {
      if (!isNumberChar(c)) return std::nullopt;
    }
  }
  std::size_t consumed = 0;
  const double value = cStrtod(text, consumed);
  if (consumed != text.size()) return std::nullopt;
  return value;
}

std::optional<std::variant<std::int64_t, std::uint64_t>> parseWholeInteger(std::string_view text) {
  if (text.empty()) return std::nullopt;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  for (const char c : text) {
    unsigned digit = 0;
    if (isDigit(c)) {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && lower(c) >= 'a' && lower(c) <= 'f') {
      digit = static_cast<unsigned>(lower(c) - 'a' + 10);
    } else {
      return std::nullopt;
    }
    if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / base) {
      return std::nullopt;
    }
    magnitude = magnitude * base + digit;
  }
  constexpr auto kInt64Max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (negative) {
    if (magnitude > kInt64Max + 1) return std::nullopt;
    if (magnitude == kInt64Max + 1) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude <= kInt64Max) return static_cast<std::int64_t>(magnitude);
  return magnitude;
}

std::optional<double> parseIso8601Date(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SS then optional .fraction, then Z.
  if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text.back() != 'Z') {
    return std::nullopt;
  }
  const int year = parseDigits(text, 0, 4);
  const int month = parseDigits(text, 5, 2);
  const int day = parseDigits(text, 8, 2);
  const int hour = parseDigits(text, 11, 2);
  const int minute = parseDigits(text, 14, 2);
  const int second = parseDigits(text, 17, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  const CivilDate date{year, static_cast<unsigned>(month), static_cast<unsigned>(day)};
  if (!date.isValid()) return std::nullopt;

  double fraction = 0.0;
  const std::string_view rest = text.substr(19, text.size() - 20);
  if (!rest.empty()) {
    if (rest.size() < 2 || rest.front() != '.') return std::nullopt;
    for (const char c : rest.substr(1)) {
      if (!isDigit(c)) return std::nullopt;
    }
    std::size_t consumed = 0;
    fraction = cStrtod(std::string("0").append(rest), consumed);
  }
  constexpr std::int64_t kReferenceDay = CivilDate{2001, 1, 1}.daysSinceUnixEpoch();
  const std::int64_t days = date.daysSinceUnixEpoch() - kReferenceDay;
  const std::int64_t seconds =
      days * 86400 + static_cast<std::int64_t>(hour) * 3600 + minute * 60 + second;
  return static_cast<double>(seconds) + fraction;
}

}  // namespace foundation
