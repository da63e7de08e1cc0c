#pragma once

// Private to the ui library: one UTF-8 decoding step, shared by the backends that must pass
// text through byte by byte and replace what is malformed, and by truncation, which cuts only
// between code points.

#include <cstddef>
#include <string_view>

namespace ui::detail {

struct Utf8Step {
  char32_t codePoint = 0;
  std::size_t length = 1;  // bytes consumed; 1 for a malformed byte
  bool valid = false;
};

// Decodes the code point that starts at `at` (< text.size()). A bad lead byte, a truncated or
// broken sequence is reported invalid with length 1, so the caller skips exactly that byte.
inline Utf8Step decodeUtf8(std::string_view text, std::size_t at) {
  const auto c = static_cast<unsigned char>(text[at]);
  const std::size_t length = c < 0x80           ? 1
                             : (c >> 5) == 0x6  ? 2
                             : (c >> 4) == 0xE  ? 3
                             : (c >> 3) == 0x1E ? 4
                                                : 0;
  if (length == 0 || at + length > text.size()) return {};
  char32_t cp = length == 1 ? c : c & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (next & 0x3F);
  }
  return {cp, length, true};
}

}  // namespace ui::detail
