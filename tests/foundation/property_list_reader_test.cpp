#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation/property_list/property_list_document.hpp"
#include "support/property_list_writer.hpp"
#include "support/temporary_containers.hpp"

namespace foundation {
namespace {

using support::BinaryPlistBuilder;
using support::Bytes;
using support::bytesOf;
using Dictionary = PropertyListValue::Dictionary;
using Array = PropertyListValue::Array;

Bytes readFixture(const std::string& name) {
  return support::readFile(std::filesystem::path(POCKETTA_TEST_DATA_DIR) / name);
}

PropertyListValue v(auto value) {
  return PropertyListValue{value};
}

std::string xmlDocument(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + std::string(body) +
         "</plist>";
}

std::optional<PropertyListValue> readXml(std::string_view body) {
  return readPropertyList(bytesOf(xmlDocument(body)));
}

// The lookups of a document agree with the whole tree, key by key.
void expectLookupsMatchTree(const Bytes& bytes) {
  const auto tree = readPropertyList(bytes);
  ASSERT_TRUE(tree.has_value());
  const auto document = PropertyListDocument::parse(bytes);
  ASSERT_TRUE(document.has_value());
  for (const auto& [key, value] : std::get<Dictionary>(tree->value)) {
    EXPECT_EQ(document->valueForKey(key), value) << key;
  }
  EXPECT_EQ(document->valueForKey("no such key"), std::nullopt);
}

TEST(PropertyListReader, readsEveryShapeAlikeInBothFormats) {
  const Dictionary full{{"updatedAt", v(Date{817806600.0})},
                        {"balance", v(1234.56)},
                        {"todayIncome", v(std::int64_t{30})},
                        {"todayExpense", v(16.5)}};
  const Dictionary dates{{"first", v(Date{-63113904000.0})},
                         {"last", v(Date{252423993599.0})},
                         {"before_reference", v(Date{-992490140.0})},
                         {"leap_day", v(Date{730900800.0})}};
  const Dictionary nested{
      {"list", v(Array{v(std::int64_t{1}), v(std::string("two")),
                       v(Array{v(3.0), v(Dictionary{{"four", v(true)}})}),
                       v(PropertyListValue::Data{0xFF})})},
      {"map", v(Dictionary{{"inner", v(Dictionary{{"deeper", v(Array{v(std::string("x"))})}})}})},
      {"ключ", v(std::string("значение"))},
      {"emoji \U0001F4B0", v(std::string("\U0001F4B0 money"))},
      {"Balance", v(std::int64_t{1})},
      {"balance", v(std::int64_t{2})}};
  const struct {
    std::string shape;
    PropertyListValue expected;
  } cases[] = {
      {"full", v(full)},
      {"only_balance", v(Dictionary{{"balance", v(-42.25)}})},
      {"empty", v(Dictionary{})},
      {"top_array", v(Array{v(std::int64_t{1}), v(std::int64_t{2}), v(std::int64_t{3})})},
      {"dates", v(dates)},
      {"nested", v(nested)},
  };
  for (const auto& [shape, expected] : cases) {
    for (const std::string format : {"xml", "binary"}) {
      SCOPED_TRACE(shape + "." + format);
      const Bytes bytes = readFixture(shape + "." + format + ".plist");
      EXPECT_EQ(readPropertyList(bytes), expected);
      const bool isDictionary = std::holds_alternative<Dictionary>(expected.value);
      EXPECT_EQ(PropertyListDocument::parse(bytes).has_value(), isDictionary);
      if (isDictionary) expectLookupsMatchTree(bytes);
    }
  }
  EXPECT_EQ(readPropertyList(readFixture("subsecond.binary.plist")),
            v(Dictionary{{"at", v(Date{817806600.25})}}));
}

TEST(PropertyListReader, keepsIntegerRangesAndSpecialRealsApart) {
  for (const std::string format : {"xml", "binary"}) {
    SCOPED_TRACE(format);
    const auto document =
        PropertyListDocument::parse(readFixture("conversions." + format + ".plist"));
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->valueForKey("int_max"), v(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(document->valueForKey("uint_max"), v(std::numeric_limits<std::uint64_t>::max()));
    EXPECT_EQ(document->valueForKey("minus_one"), v(std::int64_t{-1}));
    EXPECT_TRUE(std::isnan(std::get<double>(document->valueForKey("nan")->value)));
    EXPECT_EQ(document->valueForKey("neg_inf"), v(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(document->valueForKey("dict"), v(Dictionary{{"balance", v(std::int64_t{3})}}));
  }
}

TEST(XmlPropertyListReader, readsIntegerRealAndDateTextExactly) {
  const struct {
    std::string element;
    std::string text;
    std::optional<PropertyListValue> expected;
  } cases[] = {
      {"integer", "010", v(std::int64_t{10})},
      {"integer", " \n 42\t", v(std::int64_t{42})},
      {"integer", "+7", v(std::int64_t{7})},
      {"integer", "-0", v(std::int64_t{0})},
      {"integer", "0XfF", v(std::int64_t{255})},
      {"integer", "-0x10", v(std::int64_t{-16})},
      {"integer", "9223372036854775807", v(std::numeric_limits<std::int64_t>::max())},
      {"integer", "9223372036854775808", v(std::uint64_t{9223372036854775808u})},
      {"integer", "18446744073709551615", v(std::numeric_limits<std::uint64_t>::max())},
      {"integer", "0xFFFFFFFFFFFFFFFF", v(std::numeric_limits<std::uint64_t>::max())},
      {"integer", "-9223372036854775808", v(std::numeric_limits<std::int64_t>::min())},
      {"integer", "18446744073709551616", std::nullopt},
      {"integer", "-9223372036854775809", std::nullopt},
      {"integer", "0x10000000000000000", std::nullopt},
      {"integer", "", std::nullopt},
      {"integer", "0x", std::nullopt},
      {"integer", "1.5", std::nullopt},
      {"integer", "1 2", std::nullopt},
      {"integer", "--1", std::nullopt},
      {"real", "1234.56", v(1234.56)},
      {"real", " -2.5e3 ", v(-2500.0)},
      {"real", "+.5", v(0.5)},
      {"real", "1e999", v(std::numeric_limits<double>::infinity())},
      {"real", "INF", v(std::numeric_limits<double>::infinity())},
      {"real", "-Infinity", v(-std::numeric_limits<double>::infinity())},
      {"real", "1,5", std::nullopt},
      {"real", "0x1p3", std::nullopt},
      {"real", "nan(1)", std::nullopt},
      {"real", "1.5x", std::nullopt},
      {"real", "infinit", std::nullopt},
      {"real", "", std::nullopt},
      {"date", "2001-01-01T00:00:00Z", v(Date{0.0})},
      {"date", "0001-01-01T00:00:00Z", v(Date{-63113904000.0})},
      {"date", "9999-12-31T23:59:59Z", v(Date{252423993599.0})},
      {"date", "2000-02-29T00:00:00Z", v(Date{-26524800.0})},
      {"date", "2026-12-01T08:30:00.25Z", v(Date{817806600.25})},
      {"date", "1900-02-29T00:00:00Z", std::nullopt},
      {"date", "2026-13-01T00:00:00Z", std::nullopt},
      {"date", "2026-12-01T24:00:00Z", std::nullopt},
      {"date", "2026-12-01T08:30:00", std::nullopt},
      {"date", "2026-12-01 08:30:00Z", std::nullopt},
      {"date", "2026-12-01T08:30:00+01:00", std::nullopt},
  };
  for (const auto& [element, text, expected] : cases) {
    SCOPED_TRACE(element + " '" + text + "'");
    EXPECT_EQ(readXml("<" + element + ">" + text + "</" + element + ">"), expected);
  }
  const auto nan = readXml("<real>NaN</real>");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(std::get<double>(nan->value)));
}

TEST(XmlPropertyListReader, followsTheDocumentRules) {
  const struct {
    std::string body;
    std::optional<PropertyListValue> expected;
  } cases[] = {
      {"<string>a &amp; b &lt;c&gt; &quot;&apos; &#x41;&#66;</string>",
       v(std::string("a & b <c> \"' AB"))},
      {"<string><![CDATA[<raw>]]><!-- note --><?pi x?></string>", v(std::string("<raw>"))},
      {"<dict><key>k</key><integer>1</integer><key>k</key><integer>2</integer></dict>",
       v(Dictionary{{"k", v(std::int64_t{2})}})},
      {"<dict>\n  <key>a</key>\n  <true/>\n</dict>", v(Dictionary{{"a", v(true)}})},
      {"<data> AAEC\n /w== </data>", v(PropertyListValue::Data{0, 1, 2, 0xFF})},
      {"<data>AAE</data>", v(PropertyListValue::Data{0, 1})},
      {"<data></data>", v(PropertyListValue::Data{})},
      {"<array><false></false><string/></array>", v(Array{v(false), v(std::string())})},
      {"<data>A</data>", std::nullopt},
      {"<data>AA=A</data>", std::nullopt},
      {"<data>AA*A</data>", std::nullopt},
      {"<string>&nbsp;</string>", std::nullopt},
      {"<dict><key>a</key></dict>", std::nullopt},
      {"<dict><string>a</string><true/></dict>", std::nullopt},
      {"<dict>text<key>a</key><true/></dict>", std::nullopt},
      {"<dict><key>a</key><key>b</key></dict>", std::nullopt},
      {"<array><key>a</key></array>", std::nullopt},
      {"<array><null/></array>", std::nullopt},
      {"<string><b>x</b></string>", std::nullopt},
      {"<true>yes</true>", std::nullopt},
      {"<true/><true/>", std::nullopt},
      {"", std::nullopt},
      {"<plist><true/></plist>", std::nullopt},
      {"<array><true/>", std::nullopt},
  };
  for (const auto& [body, expected] : cases) {
    SCOPED_TRACE(body);
    EXPECT_EQ(readXml(body), expected);
  }
  // A bare object with no <plist> around it is read too; text that is no XML is not.
  EXPECT_EQ(readPropertyList(bytesOf("<dict><key>k</key><real>1</real></dict>")),
            v(Dictionary{{"k", v(1.0)}}));
  EXPECT_EQ(readPropertyList(bytesOf("balance = 5;")), std::nullopt);
}

TEST(XmlPropertyListReader, neverExpandsEntitiesFromADoctype) {
  const std::string laughs =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n <!ENTITY a \"aaaaaaaaaa\">\n"
      " <!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
      " <!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
      " <!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">\n"
      " <!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">\n"
      " <!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">\n"
      " <!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">\n"
      " <!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">\n"
      " <!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">\n]>\n"
      "<plist><dict><key>balance</key><string>&i;</string></dict></plist>";
  EXPECT_EQ(readPropertyList(bytesOf(laughs)), std::nullopt);
  EXPECT_EQ(PropertyListDocument::parse(bytesOf(laughs)), std::nullopt);

  // A declared entity that is never used still refuses the file; an external DTD is
  // never fetched, so its entities are unknown and refused as well.
  EXPECT_EQ(readPropertyList(bytesOf("<!DOCTYPE plist [<!ENTITY x \"1\">]><true/>")), std::nullopt);
  EXPECT_EQ(readPropertyList(bytesOf("<!DOCTYPE plist SYSTEM \"file:///etc/passwd\">"
                                     "<string>&x;</string>")),
            std::nullopt);
  EXPECT_EQ(readPropertyList(bytesOf("<!DOCTYPE plist SYSTEM \"plist.dtd\"><true/>")), v(true));
}

TEST(PropertyListDocument, looksUpTopLevelKeysInEveryEncodingAndSize) {
  const PropertyListValue nested{Dictionary{{"a", v(Array{v(std::string("<&>")), v(true)})}}};
  auto expectLookups = [&](const Bytes& bytes, const std::string& what) {
    SCOPED_TRACE(what);
    const auto document = PropertyListDocument::parse(bytes);
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->valueForKey("k"), v(std::int64_t{2}));  // the last of two
    EXPECT_EQ(document->valueForKey("caf\xC3\xA9"), nested);
    EXPECT_EQ(document->scalarForKey("caf\xC3\xA9"), v(Dictionary{}));
    EXPECT_EQ(document->valueForKey("empty"), v(true));
    EXPECT_EQ(document->valueForKey("K"), std::nullopt);
    EXPECT_EQ(document->valueForKey("a"), std::nullopt);  // not at the top
  };
  auto body = [](const std::string& cafe, int padding, const std::string& extra = "") {
    std::string text = "<plist><dict><key>k</key><integer>1</integer>" + extra;
    for (int i = 0; i < padding; ++i) {
      text += "<key>pad" + std::to_string(i) + "</key><integer>" + std::to_string(i) + "</integer>";
    }
    return text + "<key>" + cafe +
           "</key>\n<dict> <key>a</key><array><string>&lt;&amp;&gt;</string><true/></array>"
           "</dict><key>k</key><integer>2</integer><key>empty</key><true/></dict></plist>";
  };
  expectLookups(bytesOf(body("caf\xC3\xA9", 0)), "UTF-8 without a declaration");
  expectLookups(
      bytesOf("\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?>" + body("caf&#xE9;", 0)),
      "UTF-8 with a byte-order mark");
  expectLookups(bytesOf("<?xml version='1.0' encoding='ISO-8859-1'?>" + body("caf\xE9", 0)),
                "Latin-1");
  expectLookups(bytesOf(body("caf\xC3\xA9", 5000)), "more keys than are indexed");
  // A key that only begins like a wanted one, too long to index.
  const std::string longKey = "<key>k" + std::string(300000, 'x') + "</key><integer>9</integer>";
  expectLookups(bytesOf(body("caf\xC3\xA9", 0, longKey)), "a key of 300,000 characters");
  // UTF-16LE with a byte-order mark, every character of the ASCII body widened.
  Bytes utf16{0xFF, 0xFE};
  for (const char c : body("caf&#233;", 0)) {
    utf16.push_back(static_cast<std::uint8_t>(c));
    utf16.push_back(0);
  }
  expectLookups(utf16, "UTF-16");
}

// Short top-level scalars are answered from what the validating pass kept; longer ones, data
// and containers by parsing their element again. Either way a lookup reads what the tree holds.
TEST(PropertyListDocument, keptScalarsReadAsTheirElementsDo) {
  auto repeated = [](int count, std::size_t length) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text +=
          "<key>s" + std::to_string(i) + "</key><string>" + std::string(length, 'x') + "</string>";
    }
    return text;
  };
  const struct {
    const char* what;
    std::string dict;
  } kCases[] = {
      {"every scalar kind",
       "<key>i</key><integer>18446744073709551615</integer><key>n</key><integer>-3</integer>"
       "<key>r</key><real>86.4</real><key>d</key><date>2026-12-06T22:00:00Z</date>"
       "<key>t</key><true/><key>f</key><false/><key>b</key><data>AAEC</data>"},
      {"a scalar then a container under one key",
       "<key>k</key><string>a</string><key>k</key><dict><key>x</key><real>1</real></dict>"},
      {"a container then a scalar under one key",
       "<key>k</key><array><true/></array><key>k</key><string> x &amp; y\r\n<![CDATA[<z>]]>"
       "</string>"},
      {"strings either side of the kept length",
       repeated(1, 256) + "<key>long</key><string>" + std::string(1000, 'y') + "</string>"},
      {"more short strings than are kept", repeated(300, 256)},
  };
  for (const auto& [what, dict] : kCases) {
    SCOPED_TRACE(what);
    const Bytes bytes = bytesOf(xmlDocument("<dict>" + dict + "</dict>"));
    expectLookupsMatchTree(bytes);
    const auto tree = readPropertyList(bytes);
    const auto document = PropertyListDocument::parse(bytes);
    ASSERT_TRUE(tree && document);
    for (const auto& [key, value] : std::get<Dictionary>(tree->value)) {
      const bool container = std::holds_alternative<Dictionary>(value.value) ||
                             std::holds_alternative<Array>(value.value);
      if (!container) {
        EXPECT_EQ(document->scalarForKey(key), value) << key;
      }
    }
  }
}

std::string nestedXml(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<array>";
  for (int i = 0; i < depth; ++i) text += "</array>";
  return text;
}

// Arrays nested `depth` deep, innermost empty, written as a binary property list.
Bytes nestedBinary(std::uint64_t depth) {
  BinaryPlistBuilder builder;
  builder.refSize = 4;
  builder.offsetSize = 4;
  for (std::uint64_t i = 0; i + 1 < depth; ++i) builder.add(builder.array({i + 1}));
  builder.add(builder.array({}));
  return builder.build();
}

TEST(PropertyListReader, limitsNestingTo128InBothFormats) {
  for (const int depth : {1, 127, 128}) {
    EXPECT_TRUE(readXml(nestedXml(depth)).has_value()) << depth;
    EXPECT_TRUE(readPropertyList(nestedBinary(depth)).has_value()) << depth;
  }
  for (const int depth : {129, 1000}) {
    EXPECT_EQ(readXml(nestedXml(depth)), std::nullopt) << depth;
    EXPECT_EQ(readPropertyList(nestedBinary(depth)), std::nullopt) << depth;
  }
  // A shared chain 128 deep is fine at the top, but one level further down it is too deep,
  // even though it was already checked once at the shallower place.
  BinaryPlistBuilder builder;
  const std::uint64_t chainDepth = 127;
  builder.add({});  // 0: the top, written below
  builder.add({});  // 1: a wrapper around the chain
  for (std::uint64_t i = 0; i < chainDepth; ++i) {
    builder.add(i + 1 < chainDepth ? builder.array({2 + i + 1}) : builder.array({}));
  }
  builder.objects[1] = builder.array({2});
  builder.objects[0] = builder.array({2, 1});
  EXPECT_EQ(readPropertyList(builder.build()), std::nullopt);
  builder.objects[0] = builder.array({1, 2});
  EXPECT_EQ(readPropertyList(builder.build()), std::nullopt);
  builder.objects[0] = builder.array({2, 2});
  EXPECT_TRUE(readPropertyList(builder.build()).has_value());
}

TEST(BinaryPropertyListReader, refusesMalformedObjects) {
  using B = BinaryPlistBuilder;
  // Each case builds a dictionary {"k": <object>} and tampers with one thing.
  const struct {
    std::string what;
    Bytes value;
    bool valid;
    std::optional<PropertyListValue> reads = std::nullopt;
  } objects[] = {
      {"int 1 byte", {0x10, 0xFF}, true, std::int64_t{255}},
      // A 16-byte integer is unsigned: only its low 64 bits count.
      {"int 16 bytes 2^64-1",
       Bytes{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true,
       std::numeric_limits<std::uint64_t>::max()},
      {"int 16 bytes all ones",
       Bytes{0x14, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
             0xFF, 0xFF, 0xFF},
       true, std::numeric_limits<std::uint64_t>::max()},
      {"int 16 bytes high half set", Bytes{0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 7},
       true, std::int64_t{7}},
      {"int 32 bytes", {0x15, 0}, false},
      {"real 4 bytes", {0x22, 0x3F, 0xC0, 0, 0}, true},
      {"real 2 bytes", {0x21, 0, 0}, false},
      {"date 4 bytes", {0x32, 0, 0, 0, 0}, false},
      {"null", {0x00}, false},
      {"fill", {0x0F}, false},
      {"uid", {0x80, 1}, false},
      {"set", {0xC0}, false},
      {"ascii with high byte", {0x52, 'a', 0xC3}, false},
      {"utf16 pair", {0x62, 0xD8, 0x3D, 0xDC, 0xB0}, true},
      {"utf16 lone high", {0x61, 0xD8, 0x3D}, false},
      {"utf16 lone low", {0x61, 0xDC, 0xB0}, false},
      {"utf16 reversed pair", {0x62, 0xDC, 0xB0, 0xD8, 0x3D}, false},
      {"string past end", {0x5E, 'a'}, false},
      {"data count lies", B::header(0x4, std::uint64_t{1} << 40), false},
      {"array count lies", B::header(0xA, std::uint64_t{1} << 40), false},
      {"array count wraps", B::header(0xA, std::uint64_t{1} << 62), false},
      {"dict count lies", B::header(0xD, 0x7FFFFFFFFFFFFFFF), false},
      {"negative count", {0x4F, 0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"count not an int", {0x4F, 0x23, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {"count of 16 bytes", {0x4F, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, false},
      {"array of out-of-range ref", {0xA1, 0x63}, false},
  };
  for (const auto& [what, value, valid, reads] : objects) {
    SCOPED_TRACE(what);
    BinaryPlistBuilder builder;
    builder.add({});
    const auto key = builder.add(B::ascii("k"));
    const auto object = builder.add(value);
    builder.objects[0] = builder.dictionary({key}, {object});
    EXPECT_EQ(readPropertyList(builder.build()).has_value(), valid);
    const auto document = PropertyListDocument::parse(builder.build());
    EXPECT_EQ(document.has_value(), valid);
    if (reads && document) {
      EXPECT_EQ(document->valueForKey("k"), reads);
    }
  }
}

TEST(BinaryPropertyListReader, refusesCyclesAndLyingTrailers) {
  using B = BinaryPlistBuilder;
  BinaryPlistBuilder builder;
  builder.add({});                                 // 0: {"k": 2, 3: 4}
  const auto k = builder.add(B::ascii("k"));       // 1
  const auto list = builder.add({});               // 2: [4, 4]
  const auto number = builder.add(B::integer(5));  // 3
  const auto inner = builder.add({});              // 4: []
  builder.objects[0] = builder.dictionary({k}, {list});
  builder.objects[list] = builder.array({inner, inner});
  builder.objects[inner] = builder.array({});
  // Shared objects are fine.
  ASSERT_TRUE(readPropertyList(builder.build()).has_value());

  auto withCycle = builder;
  withCycle.objects[inner] = withCycle.array({list});  // 2 -> 4 -> 2
  EXPECT_EQ(readPropertyList(withCycle.build()), std::nullopt);
  withCycle.objects[inner] = withCycle.array({0});  // back to the top
  EXPECT_EQ(readPropertyList(withCycle.build()), std::nullopt);
  withCycle.objects[list] = withCycle.array({list});  // itself
  EXPECT_EQ(readPropertyList(withCycle.build()), std::nullopt);

  auto badKey = builder;
  badKey.objects[0] = badKey.dictionary({number}, {list});
  EXPECT_EQ(readPropertyList(badKey.build()), std::nullopt);

  const Bytes good = builder.build();
  using Trailer = BinaryPlistBuilder::Trailer;
  const struct {
    std::string what;
    std::function<void(Bytes&, Trailer&)> tamper;
  } tampers[] = {
      {"top out of range", [](Bytes&, Trailer& t) { t.top = t.numObjects; }},
      {"no objects", [](Bytes&, Trailer& t) { t.numObjects = 0; }},
      {"too many objects", [](Bytes&, Trailer& t) { t.numObjects += 1; }},
      {"huge object count", [](Bytes&, Trailer& t) { t.numObjects = ~std::uint64_t{0}; }},
      {"table in the header", [](Bytes&, Trailer& t) { t.offsetTableOffset = 3; }},
      {"table past the end",
       [](Bytes&, Trailer& t) { t.offsetTableOffset = ~std::uint64_t{0} - 5; }},
      {"offset into the header",
       [](Bytes& b, Trailer& t) { b[static_cast<std::size_t>(t.offsetTableOffset)] = 2; }},
      {"offset into the table",
       [](Bytes& b, Trailer& t) { b[static_cast<std::size_t>(t.offsetTableOffset) + 2] = 0xF0; }},
  };
  for (const auto& [what, tamper] : tampers) {
    EXPECT_EQ(readPropertyList(builder.build(tamper)), std::nullopt) << what;
  }
  auto sizes = builder;
  for (const std::uint8_t size : {0, 9}) {
    sizes.refSize = size;
    EXPECT_EQ(readPropertyList(sizes.build()), std::nullopt) << int{size};
  }

  // Every truncation of a real file is refused without reading past the end.
  const Bytes file = readFixture("nested.binary.plist");
  for (std::size_t length = 0; length < file.size(); ++length) {
    const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(readPropertyList(prefix), std::nullopt) << length;
  }
}

TEST(BinaryPropertyListReader, boundsTheCostOfSharedObjects) {
  // Each level is an array holding the next level twice: a few kilobytes describe 2^100
  // leaves. Validation visits each object once; building the top gives up, while a
  // lookup of a small key next to it still works.
  BinaryPlistBuilder builder;
  builder.refSize = 2;
  builder.add({});  // 0: the top dictionary
  const auto bomb = builder.add({});
  const auto balanceKey = builder.add(BinaryPlistBuilder::ascii("balance"));
  const auto bombKey = builder.add(BinaryPlistBuilder::ascii("bomb"));
  const auto balance = builder.add(BinaryPlistBuilder::integer(7));
  std::uint64_t level = bomb;
  for (int i = 0; i < 100; ++i) {
    const auto next = builder.add({});
    builder.objects[level] = builder.array({next, next});
    level = next;
  }
  builder.objects[level] = builder.array({});
  builder.objects[0] = builder.dictionary({bombKey, balanceKey}, {bomb, balance});
  const Bytes bytes = builder.build();
  EXPECT_EQ(readPropertyList(bytes), std::nullopt);
  const auto document = PropertyListDocument::parse(bytes);
  ASSERT_TRUE(document.has_value());
  EXPECT_EQ(document->valueForKey("balance"), v(std::int64_t{7}));
  EXPECT_EQ(document->valueForKey("bomb"), std::nullopt);
  EXPECT_EQ(document->scalarForKey("bomb"), v(Array{}));

  // Sharing as writers do it (one number referenced by every slot) still builds whole.
  BinaryPlistBuilder shared;
  shared.refSize = 2;
  shared.add({});
  const auto zero = shared.add(BinaryPlistBuilder::integer(0));
  shared.objects[0] = shared.array(std::vector<std::uint64_t>(20000, zero));
  const auto built = readPropertyList(shared.build());
  ASSERT_TRUE(built.has_value());
  EXPECT_EQ(std::get<Array>(built->value).size(), 20000u);
}

// Runs `body` on a thread with a 512 KiB stack, as small as the widget's own threads.
void onSmallStack(void (*body)()) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 512 * 1024), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attributes,
                [](void* argument) -> void* {
                  reinterpret_cast<void (*)()>(argument)();
                  return nullptr;
                },
                reinterpret_cast<void*>(body)),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(PropertyListReader, refusesDeepNestingOnASmallStack) {
  onSmallStack([] {
    const Bytes binary = nestedBinary(100000);
    EXPECT_GT(binary.size(), 700000u);
    EXPECT_EQ(readPropertyList(binary), std::nullopt);
    EXPECT_EQ(PropertyListDocument::parse(binary), std::nullopt);
    const std::string xml = xmlDocument(nestedXml(100000));
    EXPECT_EQ(readPropertyList(bytesOf(xml)), std::nullopt);
    EXPECT_EQ(PropertyListDocument::parse(bytesOf(xml)), std::nullopt);
    // The deepest allowed file builds whole on this stack as well.
    EXPECT_TRUE(readPropertyList(nestedBinary(128)).has_value());
    EXPECT_TRUE(readXml(nestedXml(128)).has_value());
  });
}

}  // namespace
}  // namespace foundation
