#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "foundation/property_list/binary_property_list_writer.hpp"
#include "foundation/property_list/iso8601_date_text.hpp"
#include "foundation/property_list/number_scanning.hpp"
#include "foundation/property_list/property_list_document.hpp"
#include "foundation/property_list/xml_property_list_writer.hpp"
#include "store_fixture.hpp"
#include "support/python_plistlib.hpp"
#include "support/temporary_containers.hpp"

namespace foundation {
namespace {

using support::Bytes;
using Dictionary = PropertyListValue::Dictionary;
using Array = PropertyListValue::Array;
using Data = PropertyListValue::Data;
using testing::fixture;
constexpr double kInf = std::numeric_limits<double>::infinity();

PropertyListValue v(auto value) {
  return PropertyListValue{value};
}
PropertyListValue i(std::int64_t value) {
  return PropertyListValue{value};
}
PropertyListValue s(std::string value) {
  return PropertyListValue{std::move(value)};
}

enum class Format { binary, xml };
constexpr Format kFormats[] = {Format::binary, Format::xml};
const char* name(Format format) {
  return format == Format::binary ? "binary" : "xml";
}
WrittenPropertyList write(Format format, const PropertyListValue& value) {
  return format == Format::binary ? writeBinaryPropertyList(value) : writeXmlPropertyList(value);
}
Bytes bytesOf(Format format, const PropertyListValue& value) {
  auto written = write(format, value);
  if (const auto* refused = std::get_if<UnwritableValue>(&written)) {
    ADD_FAILURE() << "refused: " << refused->why;
    return {};
  }
  return std::get<Bytes>(std::move(written));
}

// Values compared bit for bit, NaN and the sign of zero included: through their binary form,
// which keeps every double's bits and every type apart.
void expectSameBits(const std::optional<PropertyListValue>& actual,
                    const PropertyListValue& expected) {
  ASSERT_TRUE(actual.has_value()) << "the reader refused the file";
  EXPECT_EQ(bytesOf(Format::binary, *actual), bytesOf(Format::binary, expected))
      << ::testing::PrintToString(*actual) << "\n  expected\n"
      << ::testing::PrintToString(expected);
}

// Every type the reader reads, at the edges of each encoding: integer widths, both signs and the
// unsigned range, special reals, strings ASCII and not (a pair of UTF-16 surrogates, characters
// XML must escape, counts past the inline 15), dates from year 1 to 9999 and between seconds,
// data across base64 lines, nesting and empty containers.
Dictionary everyType() {
  Data bytes(1000);
  for (std::size_t n = 0; n < bytes.size(); ++n) bytes[n] = static_cast<std::uint8_t>(n * 7);
  return {
      {"true", v(true)},
      {"false", v(false)},
      {"zero", i(0)},
      {"oneByte", i(255)},
      {"twoBytes", i(256)},
      {"fourBytes", i(65536)},
      {"eightBytes", i(std::int64_t{1} << 32)},
      {"int64Max", i(INT64_MAX)},
      {"minusOne", i(-1)},
      {"int64Min", i(INT64_MIN)},
      {"twoTo63", v(std::uint64_t{1} << 63)},
      {"uint64Max", v(UINT64_MAX)},
      {"tenth", v(0.1)},
      {"balance", v(12840.5)},
      {"negativeZero", v(-0.0)},
      {"huge", v(1e300)},
      {"smallest", v(5e-324)},
      {"infinity", v(kInf)},
      {"negativeInfinity", v(-kInf)},
      {"nan", v(std::numeric_limits<double>::quiet_NaN())},
      {"empty", s("")},
      {"ascii", s("Pocketta")},
      {"fifteenAndMore", s("exactly fifteen")},
      {"accents", s("café crème")},
      {"ключ", s("значение")},
      {"cjk", s("你好，世界")},
      {"emoji \U0001F4B0", s("\U0001F4B0 money")},
      {"markup", s("a\r\nb\rc\td <&> ]]> \"q\" 'a' &amp;")},
      {"  spaced  ", s("  leading and trailing  ")},
      {"long", s(std::string(70000, 'x'))},
      {"longWide", s(std::string(20000, 'x') + "é")},
      {"reference", v(Date{0.0})},
      {"updatedAt", v(Date{818238600.0})},
      {"beforeReference", v(Date{-992490140.0})},
      {"yearOne", v(Date{-63113904000.0})},
      {"lastSecond", v(Date{252423993599.0})},
      {"data", v(Data{0x00, 0x01, 0xFF})},
      {"emptyData", v(Data{})},
      {"longData", v(bytes)},
      {"emptyArray", v(Array{})},
      {"emptyDictionary", v(Dictionary{})},
      {"nested", v(Array{i(1), s("two"), v(Array{v(3.0), v(Dictionary{{"four", v(true)}})}),
                         v(Dictionary{{"inner", v(Dictionary{{"deeper", v(Array{s("x")})}})}})})},
  };
}

// Dates between whole seconds, which only the binary format holds.
Dictionary subsecondDates() {
  return {{"quarter", v(Date{818238600.25})},
          {"fullPrecision", v(Date{818238600.123456789})},
          {"beforeReferenceFraction", v(Date{-992490140.75})},
          {"tiny", v(Date{5e-324})}};
}

TEST(PropertyListWriter, everyTypeReadsBackBitForBitInBothFormats) {
  for (const Format format : kFormats) {
    SCOPED_TRACE(name(format));
    Dictionary all = everyType();
    if (format == Format::binary) {
      for (auto& entry : subsecondDates()) all.push_back(entry);
    }
    // 300 more keys: more than 256 objects, so references take two bytes.
    for (int n = 0; n < 300; ++n) all.emplace_back("key" + std::to_string(n), i(n));
    const Bytes bytes = bytesOf(format, v(all));
    expectSameBits(readPropertyList(bytes), v(all));
    // The store's own lookups find each key's value in the written file.
    const auto document = PropertyListDocument::parse(bytes);
    ASSERT_TRUE(document.has_value());
    for (const auto& [key, value] : all) {
      const auto found = document->valueForKey(key);
      ASSERT_TRUE(found.has_value()) << key;
      expectSameBits(found, value);
    }
    // Any top object, not only a dictionary; an empty one too.
    for (const auto& top : {v(Array{}), v(Dictionary{}), s("alone"), v(Date{-1.0}), v(-0.0)}) {
      expectSameBits(readPropertyList(bytesOf(format, top)), top);
    }
  }
}

TEST(PropertyListWriter, pythonsPlistlibReadsTheSameValues) {
  support::TemporaryContainers folder;
  for (const Format format : kFormats) {
    SCOPED_TRACE(name(format));
    Dictionary value = everyType();
    if (format == Format::binary) {
      for (auto& entry : subsecondDates()) value.push_back(entry);
      value.emplace_back("control", s(std::string("a\x01z\x1f", 4)));
    }
    const auto file = folder.root() / (std::string(name(format)) + ".plist");
    support::writeFile(file, bytesOf(format, v(value)));
    const auto verdict = support::checkWithPlistlib(file, support::pythonLiteral(v(value)));
    if (!verdict) GTEST_SKIP() << "no python3 here";
    EXPECT_EQ(*verdict, "ok");
  }
}

TEST(PropertyListWriter, xmlIsLaidOutAsThePlatformLaysItOut) {
  // Files Python's plistlib wrote: read and written again, byte for byte the same.
  for (const char* shape : {"full", "only_balance", "empty", "top_array", "dates"}) {
    SCOPED_TRACE(shape);
    const Bytes original = fixture(std::string(shape) + ".xml.plist");
    const auto value = readPropertyList(original);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(bytesOf(Format::xml, *value), original);
  }
  // The sample store, as the containing app wrote it.
  const Bytes sample =
      support::readFile(std::filesystem::path(POCKETTA_SOURCE_DIR) /
                        "samples/group-containers/group.pocketta.shared/Library/Preferences/"
                        "group.pocketta.shared.plist");
  EXPECT_EQ(bytesOf(Format::xml, *readPropertyList(sample)), sample);
}

TEST(PropertyListWriter, refusesWhatAFormatCannotHoldSayingWhere) {
  const std::string notUtf8("caf\xC3", 4);
  const auto deep = [](int depth) {
    PropertyListValue value = Array{};
    for (int n = 1; n < depth; ++n) value = Array{std::move(value)};
    return value;
  };
  struct Case {
    Format format;
    PropertyListValue value;
    std::string why;  // empty: written
  };
  const Case cases[] = {
      {Format::binary, v(Dictionary{{"note", s(notUtf8)}}), "'note': a string that is not UTF-8"},
      {Format::xml, v(Dictionary{{"note", s(notUtf8)}}), "'note': a string that is not UTF-8"},
      {Format::binary, v(Dictionary{{notUtf8, i(1)}}),
       "'caf\uFFFD': a string that is not UTF-8 (in its key)"},
      {Format::xml, v(Dictionary{{"list", v(Array{i(1), s("a\x01")})}}),
       "'list'[1]: a string with U+0001, which an XML property list cannot hold"},
      {Format::xml, v(Dictionary{{"a", v(Dictionary{{"b\x1b", i(1)}})}}),
       "'a'['b\\u001B']: a string with U+001B, which an XML property list cannot hold (in its "
       "key)"},
      {Format::xml, s("\xEF\xBF\xBF"),
       "the top object: a string with U+FFFF, which an XML property list cannot hold"},
      {Format::binary, s("a\x01\xEF\xBF\xBF"), ""},
      {Format::xml, v(Dictionary{{"at", v(Date{818238600.25})}}),
       "'at': a date (2026-12-06T08:30:00.25Z) between whole seconds, which an XML property list "
       "holds only to the second"},
      {Format::binary, v(Dictionary{{"at", v(Date{818238600.25})}}), ""},
      {Format::xml, v(Dictionary{{"at", v(Date{std::nan("")})}}),
       "'at': a date (nan seconds from 2001-01-01) that an XML property list cannot hold"},
      {Format::xml, v(Date{252423993600.0}),
       "the top object: a date (252423993600 seconds from 2001-01-01) that an XML property list "
       "cannot hold"},
      {Format::binary, v(Date{252423993600.0}), ""},
      {Format::binary, deep(128), ""},
      {Format::xml, deep(128), ""},
  };
  for (const auto& [format, value, why] : cases) {
    SCOPED_TRACE(std::string(name(format)) + ": " + ::testing::PrintToString(value).substr(0, 60));
    const auto written = write(format, value);
    if (why.empty()) {
      ASSERT_TRUE(std::holds_alternative<Bytes>(written));
      expectSameBits(readPropertyList(std::get<Bytes>(written)), value);
    } else {
      EXPECT_EQ(written, WrittenPropertyList{UnwritableValue{why}});
    }
  }
  // The 129th container, inside 128 arrays, is one more than the reader takes.
  std::string innermost;
  for (int n = 0; n < 128; ++n) innermost += "[0]";
  for (const Format format : kFormats) {
    EXPECT_EQ(write(format, deep(129)),
              WrittenPropertyList{
                  UnwritableValue{innermost + ": containers nested deeper than 128 levels"}});
  }
}

TEST(Iso8601DateText, writesWhatTheReaderReadsBackToTheSameDate) {
  const std::pair<double, const char*> known[] = {
      {0.0, "2001-01-01T00:00:00Z"},
      {818238600.0, "2026-12-06T08:30:00Z"},
      {818238600.25, "2026-12-06T08:30:00.25Z"},
      {-1.0, "2000-12-31T23:59:59Z"},
      {-992490140.75, "1969-07-20T20:17:39.25Z"},
      {-63113904000.0, "0001-01-01T00:00:00Z"},
      {-63145526400.0, "0000-01-01T00:00:00Z"},
      {252423993599.5, "9999-12-31T23:59:59.5Z"},
      {-0.0, "2001-01-01T00:00:00Z"},
  };
  for (const auto& [seconds, text] : known) {
    EXPECT_EQ(iso8601DateText(seconds), std::optional<std::string>(text)) << seconds;
  }
  for (const double seconds : {kInf, -kInf, std::nan(""), 252423993600.0, -63145526401.0}) {
    EXPECT_EQ(iso8601DateText(seconds), std::nullopt) << seconds;
  }
  // A sweep of dates with every bit of their fraction set, either side of 2001: each written and
  // read back exactly, except within the second before 2001, where it is refused when it cannot.
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int n = 0; n < 20000; ++n) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    const double magnitude = std::ldexp(static_cast<double>(state >> 11), -53 + n % 36);
    const double seconds = n % 2 == 0 ? magnitude : -magnitude;
    const auto text = iso8601DateText(seconds);
    if (!text) {
      EXPECT_TRUE(seconds > -1 && seconds < 0) << seconds;
      continue;
    }
    EXPECT_EQ(parseIso8601Date(*text), seconds) << *text;
  }
}

}  // namespace
}  // namespace foundation
