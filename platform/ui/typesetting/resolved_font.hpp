#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

namespace ui {

// A font as the renderer draws it: a concrete size in points and the face chosen from the
// renderer's fixed font set. Text styles, bold() and the like are resolved into this during layout.
struct ResolvedFont {
  enum class Weight : std::uint8_t { regular, semibold, bold };
  // proportional draws with the sans face, monospaced with the monospaced face.
  enum class Design : std::uint8_t { proportional, monospaced };

  double pointSize = 17;
  Weight weight = Weight::regular;
  Design design = Design::proportional;
  // Tabular figures of the same face: every digit has one advance, the other glyphs keep theirs.
  bool monospacedDigit = false;

  ResolvedFont scaled(double factor) const {
    ResolvedFont copy = *this;
    copy.pointSize *= factor;
    return copy;
  }

  friend bool operator==(const ResolvedFont&, const ResolvedFont&) = default;
};

constexpr std::string_view toString(ResolvedFont::Weight weight) {
  switch (weight) {
    case ResolvedFont::Weight::regular:
      return "regular";
    case ResolvedFont::Weight::semibold:
      return "semibold";
    case ResolvedFont::Weight::bold:
      return "bold";
  }
  return "?";
}

constexpr std::string_view toString(ResolvedFont::Design design) {
  switch (design) {
    case ResolvedFont::Design::proportional:
      return "proportional";
    case ResolvedFont::Design::monospaced:
      return "monospaced";
  }
  return "?";
}

inline std::ostream& operator<<(std::ostream& os, const ResolvedFont& font) {
  os << font.pointSize << "pt " << toString(font.weight) << ' ' << toString(font.design);
  if (font.monospacedDigit) os << " tnum";
  return os;
}

inline void PrintTo(const ResolvedFont& font, std::ostream* os) {
  *os << font;
}

}  // namespace ui
