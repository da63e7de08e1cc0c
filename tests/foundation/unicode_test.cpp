#include "foundation/unicode.hpp"

#include <gtest/gtest.h>

namespace foundation {
namespace {

TEST(Unicode, decodesStrictlyAndMeasuresTerminalCells) {
  const struct {
    std::string bytes;
    char32_t codePoint;
    std::size_t length;
    int cells;
  } cases[] = {
      {"a", U'a', 1, 1},
      {"\u00e9", U'\u00e9', 2, 1},
      {"\u6F22", U'\u6F22', 3, 2},
      {"\uFF21", U'\uFF21', 3, 2},          // fullwidth A
      {"\u0301", U'\u0301', 2, 0},          // a combining accent
      {"\U0001F4B0", U'\U0001F4B0', 4, 2},  // money bag, wide
      {"\xC0\xAF", 0xFFFD, 1, 1},           // overlong '/'
      {"\xED\xA0\x80", 0xFFFD, 1, 1},       // a surrogate
      {"\xF4\x90\x80\x80", 0xFFFD, 1, 1},   // above U+10FFFF
      {"\xE6\xBC", 0xFFFD, 2, 1},           // cut short: one replacement for both bytes
  };
  for (const auto& c : cases) {
    const auto step = decodeUtf8(c.bytes, 0);
    EXPECT_EQ(step.codePoint, c.codePoint) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(step.length, c.length) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(terminalWidth(step.codePoint), c.cells) << ::testing::PrintToString(c.bytes);
  }
  EXPECT_EQ(surrogatePair(0xD83D, 0xDCB0), U'\U0001F4B0');
  EXPECT_EQ(surrogatePair(0xDCB0, 0xD83D), std::nullopt);
  EXPECT_EQ(visualOrder("abc \u05D0\u05D1 d"), "abc \u05D1\u05D0 d");
  EXPECT_EQ(visualOrder("\u05D0\u05D1 (x"), "x) \u05D1\u05D0");
}

}  // namespace
}  // namespace foundation
