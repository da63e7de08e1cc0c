#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "host/defaults_request.hpp"
#include "host/defaults_text.hpp"

namespace {

using foundation::Date;
using foundation::PropertyListValue;
using host::DefaultsRequest;
using host::DefaultsUsageError;

std::variant<DefaultsRequest, DefaultsUsageError> parse(std::vector<std::string> words) {
  return host::parseDefaultsRequest(words);
}
DefaultsRequest write(std::string key, PropertyListValue value) {
  return DefaultsRequest{DefaultsRequest::Write{std::move(key), std::move(value)}};
}

TEST(DefaultsRequest, readsEachVerbAndEachTypedValue) {
  using Words = std::vector<std::string>;
  const std::pair<Words, DefaultsRequest> cases[] = {
      {{"read"}, {DefaultsRequest::Read{}}},
      {{"read", "balance"}, {DefaultsRequest::Read{"balance"}}},
      {{"delete", "balance"}, {DefaultsRequest::Delete{"balance"}}},
      {{"import", "-"}, {DefaultsRequest::Import{"-"}}},
      {{"import", "store.plist"}, {DefaultsRequest::Import{"store.plist"}}},
      // No type: a string, whatever it looks like.
      {{"write", "note", "12.5"}, write("note", std::string("12.5"))},
      {{"write", "note", "-5"}, write("note", std::string("-5"))},
      {{"write", "note", ""}, write("note", std::string(""))},
      {{"write", "note", "-string", "-int"}, write("note", std::string("-int"))},
      {{"write", "ключ", "-string", "значение\n"}, write("ключ", std::string("значение\n"))},
      {{"write", "n", "-int", "-42"}, write("n", std::int64_t{-42})},
      {{"write", "n", "-integer", "0x10"}, write("n", std::int64_t{16})},
      {{"write", "n", "-int", "010"}, write("n", std::int64_t{10})},
      {{"write", "n", "-int", "18446744073709551615"}, write("n", UINT64_MAX)},
      {{"write", "n", "-int", "-9223372036854775808"}, write("n", INT64_MIN)},
      {{"write", "x", "-float", "12840.5"}, write("x", 12840.5)},
      {{"write", "x", "-float", "-2e3"}, write("x", -2000.0)},
      {{"write", "x", "-float", "-inf"}, write("x", -std::numeric_limits<double>::infinity())},
      {{"write", "b", "-bool", "YES"}, write("b", true)},
      {{"write", "b", "-boolean", "False"}, write("b", false)},
      {{"write", "b", "-bool", "1"}, write("b", true)},
      {{"write", "b", "-bool", "no"}, write("b", false)},
      {{"write", "d", "-date", "2026-12-06T08:30:00Z"}, write("d", Date{818238600.0})},
      {{"write", "d", "-date", "2026-12-06T08:30:00.25Z"}, write("d", Date{818238600.25})},
      {{"write", "d", "-date", "2026-12-06 08:30:00 +0000"}, write("d", Date{818238600.0})},
      {{"write", "d", "-date", "2026-12-06 16:30:00.5 +0800"}, write("d", Date{818238600.5})},
      {{"write", "d", "-date", "2026-12-05 21:00:00 -1130"}, write("d", Date{818238600.0})},
      {{"write", "d", "-date", "0000-01-01T00:00:00Z"}, write("d", Date{-63145526400.0})},
  };
  for (const auto& [words, expected] : cases) {
    EXPECT_EQ(parse(words), (std::variant<DefaultsRequest, DefaultsUsageError>{expected}))
        << testing::PrintToString(words);
  }
  // NaN is equal to nothing, so it is checked apart.
  const auto nan = std::get<DefaultsRequest>(parse({"write", "x", "-float", "nan"}));
  EXPECT_TRUE(std::isnan(std::get<double>(std::get<DefaultsRequest::Write>(nan.verb).value.value)));
}

TEST(DefaultsRequest, refusesWithOneLineNamingTheWord) {
  using Words = std::vector<std::string>;
  const std::pair<Words, std::string> cases[] = {
      {{}, "defaults needs a verb: read, write, delete or import"},
      {{"frob"}, "unknown verb 'frob' (expected read, write, delete or import)"},
      {{"read", "a", "b"}, "read takes at most one key; 'b' is more"},
      {{"write", "k"}, "write needs a key and a value"},
      {{"write", "k", "-int"}, "write 'k' -int needs a value"},
      {{"write", "k", "-int", "1", "2"},
       "write takes a key, a type and a value; '2' is one too many"},
      {{"write", "k", "-double", "1.5"},
       "unknown type '-double' (expected -string, -int, -float, -bool or -date)"},
      {{"write", "k", "-data", "00ff"},
       "unknown type '-data' (expected -string, -int, -float, -bool or -date)"},
      {{"write", "k", "-int", "12x"}, "'12x' is not an integer (from -2^63 to 2^64-1)"},
      {{"write", "k", "-int", "1.5"}, "'1.5' is not an integer (from -2^63 to 2^64-1)"},
      {{"write", "k", "-int", "18446744073709551616"},
       "'18446744073709551616' is not an integer (from -2^63 to 2^64-1)"},
      {{"write", "k", "-int", ""}, "'' is not an integer (from -2^63 to 2^64-1)"},
      {{"write", "k", "-float", "1,5"}, "'1,5' is not a number (with '.' for the decimal point)"},
      {{"write", "k", "-float", "0x1p3"},
       "'0x1p3' is not a number (with '.' for the decimal point)"},
      {{"write", "k", "-float", " 1"}, "' 1' is not a number (with '.' for the decimal point)"},
      {{"write", "k", "-bool", "maybe"}, "'maybe' is not a boolean (true, false, yes, no, 1 or 0)"},
      {{"write", "k", "-date", "2026-13-01T00:00:00Z"},
       "'2026-13-01T00:00:00Z' is not a date (YYYY-MM-DDTHH:MM:SSZ or YYYY-MM-DD HH:MM:SS +HHMM, "
       "in the years 0000 to 9999)"},
      {{"write", "k", "-date", "2026-12-06 08:30:00"}, "is not a date"},
      {{"write", "k", "-date", "2026-12-06 08:30:00 +2400"}, "is not a date"},
      {{"write", "k", "-date", "2026-12-06T08:30:00+01:00"}, "is not a date"},
      {{"write", "k", "-date", "yesterday"}, "is not a date"},
      {{"write", "", "1"}, "a key cannot be empty"},
      {{"write", "a\nb", "1"}, "the key 'a\\u000Ab' holds a control character (U+000A)"},
      {{"read", "\x1b[31m"}, "the key '\\u001B[31m' holds a control character (U+001B)"},
      {{"delete", "a\xC2\x85"}, "the key 'a\\u0085' holds a control character (U+0085)"},
      {{"write", "caf\xC3", "1"}, "the key 'caf\xEF\xBF\xBD' is not UTF-8"},
      {{"write", "k", "\xFF"}, "the value '\xEF\xBF\xBD' is not UTF-8"},
      {{"delete"}, "delete needs a key"},
      {{"delete", "a", "b"}, "delete takes one key; 'b' is more"},
      {{"import"}, "import needs a file, or - for standard input"},
      {{"import", "a", "b"}, "import takes one file; 'b' is more"},
  };
  for (const auto& [words, expected] : cases) {
    const auto result = parse(words);
    const auto* error = std::get_if<DefaultsUsageError>(&result);
    ASSERT_NE(error, nullptr) << testing::PrintToString(words);
    EXPECT_NE(error->message.find(expected), std::string::npos)
        << testing::PrintToString(words) << " gave: " << error->message;
    EXPECT_EQ(error->message.find('\n'), std::string::npos) << error->message;
  }
}

TEST(DefaultsRequest, aDateAsReadPrintsItIsWrittenBackToTheSameBits) {
  // Dates either side of 2001 with every bit of their fraction in use, down to tiny fractions.
  std::uint64_t state = 0x2545F4914F6CDD1Du;
  for (int n = 0; n < 5000; ++n) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    const double magnitude = std::ldexp(static_cast<double>(state >> 11), -53 + n % 36);
    const Date date{n % 2 == 0 ? magnitude : -magnitude - 1};
    const std::string shown = host::defaultsValueText(date);
    const auto parsed = parse({"write", "d", "-date", shown});
    ASSERT_TRUE(std::holds_alternative<DefaultsRequest>(parsed)) << shown;
    const auto& value = std::get<DefaultsRequest::Write>(std::get<DefaultsRequest>(parsed).verb);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(std::get<Date>(value.value.value)),
              std::bit_cast<std::uint64_t>(date))
        << shown;
  }
}

}  // namespace
