#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

namespace foundation {

// Text-to-number conversions of the store. None of them looks at the process locale: the
// decimal separator is always '.'.

// A string's value as doubleForKey reads it: leading white space skipped (by the store's own
// set, neither ASCII's nor Unicode's: below U+0021, U+007F-U+00A0, U+2000-U+200B, U+3000), then
// the longest
// prefix of [0-9+-.eE] read as a C-locale number (its longest readable prefix), else 0.
double scanDoubleValue(std::string_view text);

// The C-locale reading of the whole of `text`: an optional sign, then a decimal number or
// inf/infinity/nan in any case. Nothing when any character is left over; hexadecimal floats
// are refused. Out-of-range magnitudes become infinities or zero.
std::optional<double> parseWholeReal(std::string_view text);

// The whole of `text` as an integer: an optional sign, then decimal digits (leading zeros
// stay decimal) or 0x and hexadecimal digits. Values that fit int64 are int64, larger ones up
// to 2^64-1 are uint64; nothing on overflow or any stray character.
std::optional<std::variant<std::int64_t, std::uint64_t>> parseWholeInteger(std::string_view text);

// Seconds since 2001-01-01T00:00:00Z of a proleptic-Gregorian UTC time stamp written
// "YYYY-MM-DDTHH:MM:SSZ", optionally with fractional seconds before the Z.
std::optional<double> parseIso8601Date(std::string_view text);

}  // namespace foundation
