#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation/property_list/property_list_document.hpp"
#include "store_fixture.hpp"
#include "support/property_list_writer.hpp"

namespace foundation {
namespace {

using support::BinaryPlistBuilder;
using B = BinaryPlistBuilder;
using support::Bytes;
using support::bytesOf;
using Dictionary = PropertyListValue::Dictionary;
using Array = PropertyListValue::Array;
using Optional = std::optional<PropertyListValue>;
constexpr double kInf = std::numeric_limits<double>::infinity();

PropertyListValue v(auto value) {
  return PropertyListValue{value};
}
PropertyListValue i(std::int64_t value) {
  return PropertyListValue{value};
}
using testing::fixture;
Optional readXml(std::string_view body) {
  return readPropertyList(bytesOf(support::xmlPlistDocument(body)));
}
std::string nestedXml(int depth) {
  std::string text;
  for (int n = 0; n < 2 * depth; ++n) text += n < depth ? "<array>" : "</array>";
  return text;
}
// Arrays nested `depth` deep, innermost empty.
Bytes nestedBinary(std::uint64_t depth) {
  BinaryPlistBuilder builder;
  builder.refSize = builder.offsetSize = 4;
  for (std::uint64_t n = 1; n < depth; ++n) builder.add(builder.array({n}));
  builder.add(builder.array({}));
  return builder.build();
}

// The document's lookups agree with the whole tree, key by key, and a scalar lookup with the
// value of every key that holds no container.
void expectLookupsMatchTree(const Bytes& bytes) {
  const auto tree = readPropertyList(bytes);
  const auto document = PropertyListDocument::parse(bytes);
  ASSERT_TRUE(tree && document);
  for (const auto& [key, value] : std::get<Dictionary>(tree->value)) {
    EXPECT_EQ(document->valueForKey(key), value) << key;
    if (!std::holds_alternative<Dictionary>(value.value) &&
        !std::holds_alternative<Array>(value.value)) {
      EXPECT_EQ(document->scalarForKey(key), value) << key;
    }
  }
  EXPECT_EQ(document->valueForKey("no such key"), std::nullopt);
}

TEST(PropertyListReader, readsFilesOfThePlatformsWriterAlikeInBothFormats) {
  const Dictionary full{{"updatedAt", v(Date{817806600.0})},
                        {"balance", v(1234.56)},
                        {"todayIncome", i(30)},
                        {"todayExpense", v(16.5)}};
  const Dictionary dates{{"first", v(Date{-63113904000.0})},
                         {"last", v(Date{252423993599.0})},
                         {"before_reference", v(Date{-992490140.0})},
                         {"leap_day", v(Date{730900800.0})}};
  const Dictionary nested{
      {"list",
       v(Array{i(1), v(std::string("two")), v(Array{v(3.0), v(Dictionary{{"four", v(true)}})}),
               v(PropertyListValue::Data{0xFF})})},
      {"map", v(Dictionary{{"inner", v(Dictionary{{"deeper", v(Array{v(std::string("x"))})}})}})},
      {"ключ", v(std::string("значение"))},
      {"emoji \U0001F4B0", v(std::string("\U0001F4B0 money"))},
      {"Balance", i(1)},
      {"balance", i(2)}};
  const std::pair<std::string, PropertyListValue> shapes[] = {
      {"full", v(full)},          {"only_balance", v(Dictionary{{"balance", v(-42.25)}})},
      {"empty", v(Dictionary{})}, {"top_array", v(Array{i(1), i(2), i(3)})},
      {"dates", v(dates)},        {"nested", v(nested)}};
  for (const auto& [shape, expected] : shapes) {
    for (const std::string format : {"xml", "binary"}) {
      SCOPED_TRACE(shape + "." + format);
      const Bytes bytes = fixture(shape + "." + format + ".plist");
      EXPECT_EQ(readPropertyList(bytes), expected);
      const bool dictionary = std::holds_alternative<Dictionary>(expected.value);
      EXPECT_EQ(PropertyListDocument::parse(bytes).has_value(), dictionary);
      if (dictionary) expectLookupsMatchTree(bytes);
    }
  }
  EXPECT_EQ(readPropertyList(fixture("subsecond.binary.plist")),
            v(Dictionary{{"at", v(Date{817806600.25})}}));
  const auto conversions = PropertyListDocument::parse(fixture("conversions.binary.plist"));
  EXPECT_EQ(conversions->valueForKey("uint_max"), v(std::numeric_limits<std::uint64_t>::max()));
}

TEST(XmlPropertyListReader, readsIntegerRealAndDateTextExactly) {
  const std::pair<const char*, std::int64_t> integers[] = {
      {"010", 10}, {" \n 42\t", 42}, {"+7", 7}, {"-0", 0}, {"0XfF", 255}, {"-0x10", -16}};
  const std::pair<const char*, PropertyListValue> limits[] = {
      {"9223372036854775807", i(INT64_MAX)},
      {"-9223372036854775808", i(INT64_MIN)},
      {"9223372036854775808", v(std::uint64_t{1} << 63)},
      {"18446744073709551615", v(UINT64_MAX)},
      {"0xFFFFFFFFFFFFFFFF", v(UINT64_MAX)}};
  const std::pair<const char*, double> reals[] = {{"1234.56", 1234.56}, {" -2.5e3 ", -2500.0},
                                                  {"+.5", 0.5},         {"1e999", kInf},
                                                  {"INF", kInf},        {"-Infinity", -kInf}};
  const std::pair<const char*, double> dates[] = {{"2001-01-01T00:00:00Z", 0.0},
                                                  {"0001-01-01T00:00:00Z", -63113904000.0},
                                                  {"9999-12-31T23:59:59Z", 252423993599.0},
                                                  {"2000-02-29T00:00:00Z", -26524800.0},
                                                  {"2026-12-01T08:30:00.25Z", 817806600.25}};
  const auto element = [](const char* name, const std::string& text) {
    return readXml(std::string("<") + name + ">" + text + "</" + name + ">");
  };
  for (const auto& [text, value] : integers) EXPECT_EQ(element("integer", text), i(value)) << text;
  for (const auto& [text, value] : limits) EXPECT_EQ(element("integer", text), value) << text;
  for (const auto& [text, value] : reals) EXPECT_EQ(element("real", text), v(value)) << text;
  for (const auto& [text, value] : dates) EXPECT_EQ(element("date", text), v(Date{value})) << text;
  EXPECT_TRUE(std::isnan(std::get<double>(readXml("<real>NaN</real>")->value)));
  const std::pair<std::string, std::vector<std::string>> refused[] = {
      {"integer",
       {"18446744073709551616", "-9223372036854775809", "0x10000000000000000", "", "0x", "1.5",
        "1 2", "--1"}},
      {"real", {"1,5", "0x1p3", "nan(1)", "1.5x", "infinit", ""}},
      {"date",
       {"1900-02-29T00:00:00Z", "2026-13-01T00:00:00Z", "2026-12-01T24:00:00Z",
        "2026-12-01T08:30:00", "2026-12-01 08:30:00Z", "2026-12-01T08:30:00+01:00"}}};
  for (const auto& [name, texts] : refused) {
    for (const auto& text : texts) EXPECT_EQ(element(name.c_str(), text), std::nullopt) << text;
  }
}

TEST(XmlPropertyListReader, followsTheDocumentRulesAndNeverExpandsADoctypesEntities) {
  const std::pair<std::string, PropertyListValue> read[] = {
      {"<string>a &amp; b &lt;c&gt; &quot;&apos; &#x41;&#66;</string>",
       v(std::string("a & b <c> \"' AB"))},
      {"<string><![CDATA[<raw>]]><!-- note --><?pi x?></string>", v(std::string("<raw>"))},
      {"<dict><key>k</key><integer>1</integer><key>k</key><integer>2</integer></dict>",
       v(Dictionary{{"k", i(2)}})},
      {"<dict>\n  <key>a</key>\n  <true/>\n</dict>", v(Dictionary{{"a", v(true)}})},
      {"<data> AAEC\n /w== </data>", v(PropertyListValue::Data{0, 1, 2, 0xFF})},
      {"<data>AAE</data>", v(PropertyListValue::Data{0, 1})},
      {"<data></data>", v(PropertyListValue::Data{})},
      {"<array><false></false><string/></array>", v(Array{v(false), v(std::string())})}};
  for (const auto& [body, expected] : read) EXPECT_EQ(readXml(body), expected) << body;
  for (const char* body :
       {"<data>A</data>", "<data>AA=A</data>", "<data>AA*A</data>", "<string>&nbsp;</string>",
        "<dict><key>a</key></dict>", "<dict><string>a</string><true/></dict>",
        "<dict>text<key>a</key><true/></dict>", "<dict><key>a</key><key>b</key></dict>",
        "<array><key>a</key></array>", "<array><null/></array>", "<string><b>x</b></string>",
        "<true>yes</true>", "<true/><true/>", "", "<plist><true/></plist>", "<array><true/>"}) {
    EXPECT_EQ(readXml(body), std::nullopt) << body;
  }
  // Whole documents: a bare object is read, text that is no XML is not, and any entity declared
  // (used or not) or from an external DTD refuses the file.
  EXPECT_EQ(readPropertyList(bytesOf("<dict><key>k</key><real>1</real></dict>")),
            v(Dictionary{{"k", v(1.0)}}));
  EXPECT_EQ(readPropertyList(bytesOf("<!DOCTYPE plist SYSTEM \"plist.dtd\"><true/>")), v(true));
  for (const char* text :
       {"balance = 5;",
        "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
        "<plist><dict><key>balance</key><string>&b;</string></dict></plist>",
        "<!DOCTYPE plist [<!ENTITY x \"1\">]><dict/>",
        "<!DOCTYPE plist SYSTEM \"file:///etc/passwd\">"
        "<dict><key>k</key><string>&x;</string></dict>"}) {
    EXPECT_EQ(readPropertyList(bytesOf(text)), std::nullopt) << text;
    EXPECT_EQ(PropertyListDocument::parse(bytesOf(text)), std::nullopt) << text;
  }
}

TEST(PropertyListDocument, looksUpTopLevelKeysInEveryEncodingAndSize) {
  auto body = [](const std::string& cafe, int padding = 0, const std::string& extra = "") {
    std::string text = "<plist><dict><key>k</key><integer>1</integer>" + extra;
    for (int n = 0; n < padding; ++n) text += "<key>pad" + std::to_string(n) + "</key><true/>";
    return text + "<key>" + cafe +
           "</key>\n<dict> <key>a</key><array><string>&lt;&amp;&gt;</string><true/>"
           "</array></dict><key>k</key><integer>2</integer><key>empty</key><true/></dict></plist>";
  };
  Bytes utf16{0xFF, 0xFE};  // UTF-16LE with a byte-order mark, the ASCII body widened
  for (const char c : body("caf&#233;"))
    utf16.insert(utf16.end(), {static_cast<std::uint8_t>(c), 0});
  const std::pair<const char*, Bytes> cases[] = {
      {"UTF-8 without a declaration", bytesOf(body("caf\xC3\xA9"))},
      {"UTF-8 with a byte-order mark",
       bytesOf("\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?>" + body("caf&#xE9;"))},
      {"Latin-1", bytesOf("<?xml version='1.0' encoding='ISO-8859-1'?>" + body("caf\xE9"))},
      {"UTF-16", utf16},
      {"more keys than are indexed", bytesOf(body("caf\xC3\xA9", 5000))},
      // A key that only begins like a wanted one, too long to index.
      {"a key of 300,000 characters",
       bytesOf(body("caf\xC3\xA9", 0,
                    "<key>k" + std::string(300000, 'x') + "</key><integer>9</integer>"))}};
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const auto document = PropertyListDocument::parse(bytes);
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->valueForKey("k"), i(2));  // the last of two
    EXPECT_EQ(document->valueForKey("caf\xC3\xA9"),
              v(Dictionary{{"a", v(Array{v(std::string("<&>")), v(true)})}}));
    EXPECT_EQ(document->scalarForKey("caf\xC3\xA9"), v(Dictionary{}));
    EXPECT_EQ(document->valueForKey("empty"), v(true));
    EXPECT_EQ(document->valueForKey("K"), std::nullopt);
    EXPECT_EQ(document->valueForKey("a"), std::nullopt);  // not at the top
  }
}

// Short top-level scalars are answered from what the validating pass kept, longer ones by
// parsing their element again; either way a lookup reads what the tree holds.
TEST(PropertyListDocument, keptScalarsReadAsTheirElementsDo) {
  std::string dict =
      "<key>i</key><integer>18446744073709551615</integer><key>n</key><integer>-3</integer>"
      "<key>r</key><real>86.4</real><key>d</key><date>2026-12-06T22:00:00Z</date><key>t</key><true/"
      ">"
      "<key>b</key><data>AAEC</data><key>k</key><string>a</string><key>k</key><array/>"
      "<key>c</key><array/><key>c</key><string> x &amp; y\r\n<![CDATA[<z>]]></string>"
      "<key>long</key><string>" +
      std::string(1000, 'y') + "</string>";
  // More short strings than are kept.
  for (int n = 0; n < 300; ++n)
    dict += "<key>s" + std::to_string(n) + "</key><string>" + std::string(256, 'x') + "</string>";
  expectLookupsMatchTree(bytesOf(support::xmlPlistDocument("<dict>" + dict + "</dict>")));
}

TEST(PropertyListReader, limitsNestingTo128InBothFormatsOnASmallStack) {
  testing::onSmallStack([] {
    for (const int depth : {1, 128, 129, 100000}) {
      EXPECT_EQ(readXml(nestedXml(depth)).has_value(), depth <= 128) << depth;
      EXPECT_EQ(readPropertyList(nestedBinary(depth)).has_value(), depth <= 128) << depth;
    }
    const Bytes deep =
        bytesOf(support::xmlPlistDocument("<dict><key>a</key>" + nestedXml(100000) + "</dict>"));
    EXPECT_EQ(PropertyListDocument::parse(deep), std::nullopt);
  });
  // A shared chain 127 deep is fine at the top, but one level further down it is too deep, even
  // though it was already checked once at the shallower place.
  BinaryPlistBuilder builder;
  builder.add({}), builder.add({});  // 0: the top, 1: a wrapper around the chain at 2
  for (std::uint64_t n = 0; n < 127; ++n)
    builder.add(n < 126 ? builder.array({3 + n}) : builder.array({}));
  builder.objects[1] = builder.array({2});
  for (const auto& [top, valid] :
       {std::pair{std::vector<std::uint64_t>{2, 1}, false}, {{1, 2}, false}, {{2, 2}, true}}) {
    builder.objects[0] = builder.array(top);
    EXPECT_EQ(readPropertyList(builder.build()).has_value(), valid);
  }
}

TEST(BinaryPropertyListReader, refusesMalformedObjects) {
  // Each is the value of a dictionary {"k": <object>}, in hexadecimal.
  const auto hex = [](std::string_view text) {
    Bytes out;
    for (std::size_t at = 0; at + 1 < text.size(); at += 3) {
      out.push_back(
          static_cast<std::uint8_t>(std::stoi(std::string(text.substr(at, 2)), nullptr, 16)));
    }
    return out;
  };
  const auto document = [&](const std::string& object) {
    BinaryPlistBuilder builder;
    builder.add(builder.dictionary({1}, {2})), builder.add(B::ascii("k")), builder.add(hex(object));
    EXPECT_EQ(readPropertyList(builder.build()).has_value(),
              PropertyListDocument::parse(builder.build()).has_value())
        << object;
    return PropertyListDocument::parse(builder.build());
  };
  const std::string ff = " FF FF FF FF FF FF FF FF";
  // A 16-byte integer is unsigned: only its low 64 bits count.
  const std::pair<std::string, PropertyListValue> valid[] = {
      {"10 FF", i(255)},
      {"14 00 00 00 00 00 00 00 00" + ff, v(UINT64_MAX)},
      {"14" + ff + ff, v(UINT64_MAX)},
      {"14 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 07", i(7)},
      {"22 3F C0 00 00", v(1.5)},
      {"62 D8 3D DC B0", v(std::string("\U0001F4B0"))}};
  for (const auto& [object, value] : valid) {
    const auto read = document(object);
    EXPECT_EQ(read ? read->valueForKey("k") : std::nullopt, value) << object;
  }
  // An integer of 32 bytes; a real and a date of odd widths; null, fill, uid, set; ASCII with a
  // high byte; lone, unpaired and reversed surrogates; a string past the end; counts of 2^40, of
  // 2^62 arrays, of 2^63-1 and 2^63 dictionaries, of 2^63 UTF-16 units; a negative count, one that
  // is a real, one of 16 bytes; a reference out of range.
  const char* invalid[] = {"15 00",
                           "21 00 00",
                           "32 00 00 00 00",
                           "00",
                           "0F",
                           "80 01",
                           "C0",
                           "52 61 C3",
                           "61 D8 3D",
                           "61 DC B0",
                           "62 DC B0 D8 3D",
                           "62 D8 3D 00 41",
                           "5E 61",
                           "A1 63",
                           "4F 13 00 00 01 00 00 00 00 00",
                           "AF 13 00 00 01 00 00 00 00 00",
                           "AF 13 40 00 00 00 00 00 00 00",
                           "DF 13 7F FF FF FF FF FF FF FF",
                           "DF 13 80 00 00 00 00 00 00 00",
                           "6F 13 80 00 00 00 00 00 00 00",
                           "4F 13 FF FF FF FF FF FF FF FF",
                           "4F 23 00 00 00 00 00 00 00 00",
                           "4F 14 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00"};
  for (const char* object : invalid) EXPECT_EQ(document(object), std::nullopt) << object;
}

TEST(BinaryPropertyListReader, refusesCyclesLyingTrailersAndEveryTruncation) {
  BinaryPlistBuilder good;  // 0: {"k": 2}, 2: [4, 4], 4: [], and an integer at 3
  good.add(good.dictionary({1}, {2})), good.add(B::ascii("k")), good.add(good.array({4, 4}));
  good.add(B::integer(5)), good.add(good.array({}));
  ASSERT_TRUE(readPropertyList(good.build()).has_value()) << "shared objects are fine";
  const std::pair<std::size_t, Bytes> damages[] = {
      {4, good.array({2})},
      {4, good.array({0})},
      {2, good.array({2})},            // cycles
      {0, good.dictionary({3}, {2})},  // a key that is no string
  };
  for (const auto& [index, object] : damages) {
    auto damaged = good;
    damaged.objects[index] = object;
    EXPECT_EQ(readPropertyList(damaged.build()), std::nullopt) << index;
    EXPECT_EQ(PropertyListDocument::parse(damaged.build()), std::nullopt) << index;
  }
  using Trailer = BinaryPlistBuilder::Trailer;
  const std::function<void(Bytes&, Trailer&)> tampers[] = {
      [](Bytes&, Trailer& t) { t.top = t.numObjects; },
      [](Bytes&, Trailer& t) { t.numObjects = 0; },
      [](Bytes&, Trailer& t) { t.numObjects += 1; },
      [](Bytes&, Trailer& t) { t.numObjects = ~std::uint64_t{0}; },
      [](Bytes&, Trailer& t) { t.offsetTableOffset = 3; },  // in the header
      [](Bytes&, Trailer& t) { t.offsetTableOffset = ~std::uint64_t{0} - 5; },
      [](Bytes& b, Trailer& t) { b[t.offsetTableOffset] = 2; },         // an offset into the header
      [](Bytes& b, Trailer& t) { b[t.offsetTableOffset + 2] = 0xF0; },  // into the table
  };
  for (std::size_t n = 0; n < std::size(tampers); ++n) {
    EXPECT_EQ(readPropertyList(good.build(tampers[n])), std::nullopt) << "tamper " << n;
  }
  for (const std::uint8_t size : {0, 9}) {
    auto sized = good;
    sized.refSize = size;
    EXPECT_EQ(readPropertyList(sized.build()), std::nullopt) << int{size};
  }
  const Bytes file = fixture("nested.binary.plist");
  for (std::size_t length = 0; length < file.size(); ++length) {
    EXPECT_EQ(
        readPropertyList(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length))),
        std::nullopt)
        << length;
  }
}

TEST(BinaryPropertyListReader, boundsTheCostOfSharedObjects) {
  // Each level an array holding the next twice: a few kilobytes describe 2^100 leaves. Building
  // the top gives up; a lookup of a small key beside it still works.
  BinaryPlistBuilder bomb;
  bomb.refSize = 2;
  bomb.add(bomb.dictionary({1, 2}, {3, 4})), bomb.add(B::ascii("bomb")),
      bomb.add(B::ascii("balance"));
  bomb.add(bomb.array({5, 5})), bomb.add(B::integer(7));
  for (std::uint64_t n = 5; n < 105; ++n)
    bomb.add(n < 104 ? bomb.array({n + 1, n + 1}) : bomb.array({}));
  EXPECT_EQ(readPropertyList(bomb.build()), std::nullopt);
  const auto document = PropertyListDocument::parse(bomb.build());
  ASSERT_TRUE(document.has_value());
  EXPECT_EQ(document->valueForKey("balance"), i(7));
  EXPECT_EQ(document->valueForKey("bomb"), std::nullopt);
  EXPECT_EQ(document->scalarForKey("bomb"), v(Array{}));
  // Sharing as writers do it (one number in every slot) still builds whole.
  BinaryPlistBuilder shared;
  shared.refSize = 2;
  shared.add(shared.array(std::vector<std::uint64_t>(20000, 1))), shared.add(B::integer(0));
  EXPECT_EQ(std::get<Array>(readPropertyList(shared.build())->value).size(), 20000u);
}

}  // namespace
}  // namespace foundation
