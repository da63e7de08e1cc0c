#include "foundation/unicode.hpp"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace foundation {

Utf8Step decodeUtf8(std::string_view text, std::size_t at) {
  if (at >= text.size()) return {};
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
  auto offset = static_cast<std::int32_t>(at);
  UChar32 c = 0;
  U8_NEXT(bytes, offset, length, c);
  const auto taken = static_cast<std::size_t>(offset) - at;
  if (c < 0) return {0xFFFD, taken, false};
  return {static_cast<char32_t>(c), taken, true};
}

void appendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint > 0x10FFFF || U_IS_SURROGATE(codePoint)) codePoint = 0xFFFD;
  std::uint8_t buffer[U8_MAX_LENGTH];
  std::int32_t length = 0;
  U8_APPEND_UNSAFE(buffer, length, codePoint);
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

std::optional<char32_t> surrogatePair(char16_t lead, char16_t trail) {
  if (!U16_IS_LEAD(lead) || !U16_IS_TRAIL(trail)) return std::nullopt;
  return static_cast<char32_t>(U16_GET_SUPPLEMENTARY(lead, trail));
}

bool isLeadSurrogate(char32_t unit) {
  return unit <= 0xFFFF && U16_IS_LEAD(unit);
}

int terminalWidth(char32_t codePoint) {
  const auto c = static_cast<UChar32>(codePoint);
  const auto category = u_charType(c);
  if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR ||
      c == 0x200B) {
    return 0;
  }
  const auto width = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
  return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

std::string visualOrder(std::string_view text) {
  // To UTF-16, U+FFFD for what is ill-formed, ICU's own way.
  std::u16string logical;
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Step step = decodeUtf8(text, at);
    UChar units[2];
    std::int32_t length = 0;
    U16_APPEND_UNSAFE(units, length, static_cast<UChar32>(step.codePoint));
    logical.append(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(length));
    at += step.length;
  }
  const std::unique_ptr<UBiDi, decltype(&ubidi_close)> bidi(ubidi_open(), ubidi_close);
  UErrorCode status = U_ZERO_ERROR;
  const auto size = static_cast<std::int32_t>(logical.size());
  ubidi_setPara(bidi.get(), reinterpret_cast<const UChar*>(logical.data()), size, UBIDI_DEFAULT_LTR,
                nullptr, &status);
  std::vector<UChar> visual(logical.size() + 1);
  const std::int32_t written =
      ubidi_writeReordered(bidi.get(), visual.data(), static_cast<std::int32_t>(visual.size()),
                           UBIDI_DO_MIRRORING | UBIDI_REMOVE_BIDI_CONTROLS, &status);
  if (U_FAILURE(status)) return std::string(text);
  std::string out;
  for (std::int32_t i = 0; i < written;) {
    UChar32 c = 0;
    U16_NEXT(visual.data(), i, written, c);
    appendUtf8(out, static_cast<char32_t>(c));
  }
  return out;
}

}  // namespace foundation
