#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// One step of strict UTF-8 decoding: overlong forms, surrogates, values above U+10FFFF and
// truncated sequences are not valid, and take the length of the maximal ill-formed part, as
// ICU and the Unicode standard count them.
struct Utf8Step {
  char32_t codePoint = 0xFFFD;  // U+FFFD where not valid
  std::size_t length = 1;       // bytes taken, at least one
  bool valid = false;
};
Utf8Step decodeUtf8(std::string_view text, std::size_t at);

// Appends the UTF-8 form of a code point; a surrogate or a value above U+10FFFF becomes U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

// The code point of a UTF-16 surrogate pair; nothing when the two do not make one.
std::optional<char32_t> surrogatePair(char16_t lead, char16_t trail);
bool isLeadSurrogate(char32_t unit);

// Columns a code point takes in a terminal: 2 for East Asian wide and fullwidth, 0 for
// combining marks, format controls and zero-width characters, else 1.
int terminalWidth(char32_t codePoint);

// A line of text in display order: right-to-left runs reversed (and their brackets mirrored)
// by the Unicode bidirectional algorithm, the paragraph's direction taken from its first
// strong character. Ill-formed UTF-8 comes out as U+FFFD.
std::string visualOrder(std::string_view text);

}  // namespace foundation
