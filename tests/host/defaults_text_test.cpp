#include <gtest/gtest.h>

#include <limits>

#include "host/defaults_text.hpp"

namespace {

using foundation::Date;
using foundation::PropertyListValue;
using Dictionary = PropertyListValue::Dictionary;
using Array = PropertyListValue::Array;
using Data = PropertyListValue::Data;

PropertyListValue s(std::string text) {
  return PropertyListValue{std::move(text)};
}

TEST(DefaultsText, laysOutASuiteAsTheFamiliarToolDoes) {
  Data counted(40);
  for (std::size_t n = 0; n < counted.size(); ++n) counted[n] = static_cast<std::uint8_t>(n);
  const Dictionary suite{
      {"updatedAt", Date{818238600.0}},
      {"balance", 12840.5},
      {"todayIncome", std::int64_t{350}},
      {"debt", std::int64_t{-12}},
      {"flag", true},
      {"name", s("Pocketta_2")},
      {"note", s("say \"hi\"\\\n\tnow\r\x01")},
      {"city", s("北京")},
      {"empty", s("")},
      {"com.example.key", s("with.dots")},
      {"at", Date{818238600.25}},
      {"bytes", Data{0x00, 0x01, 0xFF}},
      {"counted", counted},
      {"list", Array{std::int64_t{1}, s("two words"), Array{}, Dictionary{{"x", false}}}},
      {"nothing", Dictionary{}},
      {"large", UINT64_MAX},
      {"inf", -std::numeric_limits<double>::infinity()},
  };
  EXPECT_EQ(host::defaultsText(PropertyListValue{suite}),
            "{\n"
            "    at = \"2026-12-06 08:30:00.25 +0000\";\n"
            "    balance = \"12840.5\";\n"
            "    bytes = {length = 3, bytes = 0x0001ff};\n"
            "    city = \"北京\";\n"
            "    \"com.example.key\" = \"with.dots\";\n"
            "    counted = {length = 40, bytes = 0x00010203 04050607 08090a0b 0c0d0e0f ... "
            "20212223 24252627 };\n"
            "    debt = \"-12\";\n"
            "    empty = \"\";\n"
            "    flag = 1;\n"
            "    inf = \"-inf\";\n"
            "    large = 18446744073709551615;\n"
            "    list = (\n"
            "        1,\n"
            "        \"two words\",\n"
            "        (\n"
            "        ),\n"
            "        {\n"
            "            x = 0;\n"
            "        }\n"
            "    );\n"
            "    name = Pocketta_2;\n"
            "    note = \"say \\\"hi\\\"\\\\\\n\\tnow\\r\\U0001\";\n"
            "    nothing = {\n"
            "    };\n"
            "    todayIncome = 350;\n"
            "    updatedAt = \"2026-12-06 08:30:00 +0000\";\n"
            "}");
  EXPECT_EQ(host::defaultsText(PropertyListValue{Dictionary{}}), "{\n}");
}

TEST(DefaultsText, aValueReadByKeyIsBare) {
  const std::pair<PropertyListValue, std::string> cases[] = {
      {s("two words\nand a line"), "two words\nand a line"},
      {12840.5, "12840.5"},
      {-0.0, "-0"},
      {std::int64_t{-12}, "-12"},
      {true, "1"},
      {Date{-1.0}, "2000-12-31 23:59:59 +0000"},
      {Date{252423993600.0}, "252423993600 seconds from 2001-01-01"},
      {Data{0xAB}, "{length = 1, bytes = 0xab}"},
      {Array{s("a b")}, "(\n    \"a b\"\n)"},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(host::defaultsValueText(value), expected);
  }
}

}  // namespace
