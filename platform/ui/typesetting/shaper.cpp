#include "ui/typesetting/shaper.hpp"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <vector>

#include "ui/typesetting/font_library.hpp"

namespace ui::typesetting {

namespace {

std::u16string toUtf16(std::string_view text) {
  std::u16string out(text.size() + 1, u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                       &length, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                       &status);
  if (U_FAILURE(status)) return u"\uFFFD";
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::string toUtf8(std::u16string_view text) {
  std::string out(text.size() * 3 + 1, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                     0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return "\xEF\xBF\xBD";
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// Marks, joiners and selectors belong to the character before them and stay in its face.
bool attaches(UChar32 c) {
  const auto type = static_cast<UCharCategory>(u_charType(c));
  return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK ||
         type == U_COMBINING_SPACING_MARK || c == 0x200C || c == 0x200D ||
         (c >= 0xFE00 && c <= 0xFE0F);
}

struct Segment {
  int32_t start;
  int32_t length;
  FaceName face;
  UScriptCode script;
};

// Splits [start, start + length) into runs of one face and one script. Characters common to
// all scripts (digits, spaces, punctuation) join the run around them while its face has them.
std::vector<Segment> segments(const std::u16string& text, int32_t start, int32_t length,
                              const FaceChain& chain) {
  std::vector<Segment> out;
  const int32_t end = start + length;
  int32_t i = start;
  while (i < end) {
    const int32_t at = i;
    UChar32 c;
    U16_NEXT(text.data(), i, end, c);
    UErrorCode status = U_ZERO_ERROR;
    UScriptCode script = uscript_getScript(c, &status);
    const bool neutral = script == USCRIPT_COMMON || script == USCRIPT_INHERITED;
    if (!out.empty()) {
      Segment& last = out.back();
      const bool sameScript = neutral || script == last.script || last.script == USCRIPT_COMMON;
      if (attaches(c) || (sameScript && face(last.face).covers(static_cast<char32_t>(c)))) {
        if (last.script == USCRIPT_COMMON && !neutral) last.script = script;
        last.length = i - last.start;
        continue;
      }
    }
    FaceName chosen = chain.names[0];
    if (!face(chosen).covers(static_cast<char32_t>(c))) {
      const std::optional<FaceName> preferred = scriptFace(uscript_getShortName(script));
      if (preferred && face(*preferred).covers(static_cast<char32_t>(c))) {
        chosen = *preferred;
      } else {
        for (FaceName name : chain.names) {
          if (face(name).covers(static_cast<char32_t>(c))) {
            chosen = name;
            break;
          }
        }
      }
    }
    if (neutral) script = USCRIPT_COMMON;
    if (!out.empty() && out.back().face == chosen &&
        (neutral || out.back().script == script || out.back().script == USCRIPT_COMMON)) {
      if (out.back().script == USCRIPT_COMMON) out.back().script = script;
      out.back().length = i - out.back().start;
    } else {
      out.push_back({at, i - at, chosen, script});
    }
  }
  return out;
}

hb_script_t hbScript(UScriptCode script) {
  if (script == USCRIPT_COMMON || script == USCRIPT_INHERITED) return HB_SCRIPT_COMMON;
  return hb_script_from_string(uscript_getShortName(script), -1);
}

void shapeSegment(const std::u16string& text, const Segment& segment, bool rightToLeft,
                  const ResolvedFont& font, ShapedLine& line, double& pen) {
  const FontFace& f = face(segment.face);
  const bool embolden = font.weight != ResolvedFont::Weight::regular && !f.realBold();
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()),
                      static_cast<int>(text.size()), static_cast<unsigned>(segment.start),
                      segment.length);
  hb_buffer_set_direction(buffer, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buffer, hbScript(segment.script));
  hb_buffer_guess_segment_properties(buffer);
  const hb_feature_t tabular{HB_TAG('t', 'n', 'u', 'm'), 1, HB_FEATURE_GLOBAL_START,
                             HB_FEATURE_GLOBAL_END};
  {
    std::lock_guard lock(f.mutex());
    hb_shape(f.shapingFont(), buffer, &tabular, font.monospacedDigit ? 1 : 0);
  }
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  const double unit = 1.0 / (64.0 * f.unitsPerEm());
  // FreeType's emboldening widens a glyph by 1/24 em; the pen moves on by as much.
  const double extra = embolden ? 1.0 / 24 : 0;
  GlyphRun run{segment.face, embolden, {}};
  run.glyphs.reserve(count);
  for (unsigned k = 0; k < count; ++k) {
    run.glyphs.push_back(
        {infos[k].codepoint, pen + positions[k].x_offset * unit, -positions[k].y_offset * unit});
    pen += positions[k].x_advance * unit + (positions[k].x_advance != 0 ? extra : 0);
  }
  hb_buffer_destroy(buffer);
  line.ascent = std::max(line.ascent, f.ascender());
  line.descent = std::max(line.descent, f.descender());
  if (!run.glyphs.empty()) line.runs.push_back(std::move(run));
}

}  // namespace

ShapedLine shapeLine(std::string_view utf8, const ResolvedFont& font) {
  std::u16string text = toUtf16(utf8);
  if (text.size() > kMaxShapedUnits) {
    std::size_t cut = kMaxShapedUnits;
    if (U16_IS_TRAIL(text[cut]) && U16_IS_LEAD(text[cut - 1])) --cut;
    text.resize(cut);
  }
  const FaceChain chain = faceChain(font);
  ShapedLine line;
  const FontFace& primary = face(chain.names[0]);
  line.ascent = primary.ascender();
  line.descent = primary.descender();
  if (text.empty()) return line;

  UErrorCode status = U_ZERO_ERROR;
  UBiDi* bidi = ubidi_open();
  ubidi_setPara(bidi, reinterpret_cast<const UChar*>(text.data()),
                static_cast<int32_t>(text.size()), UBIDI_DEFAULT_LTR, nullptr, &status);
  const int32_t runs = U_SUCCESS(status) ? ubidi_countRuns(bidi, &status) : 0;
  line.rightToLeft = U_SUCCESS(status) && (ubidi_getParaLevel(bidi) & 1) != 0;
  double pen = 0;
  for (int32_t r = 0; U_SUCCESS(status) && r < runs; ++r) {
    int32_t start = 0, length = 0;
    const bool rtl = ubidi_getVisualRun(bidi, r, &start, &length) == UBIDI_RTL;
    std::vector<Segment> parts = segments(text, start, length, chain);
    // Within a right-to-left run the later segments stand further left.
    if (rtl) std::reverse(parts.begin(), parts.end());
    for (const Segment& part : parts) shapeSegment(text, part, rtl, font, line, pen);
  }
  ubidi_close(bidi);
  line.width = pen;
  return line;
}

std::string validUtf8(std::string_view text) {
  return toUtf8(toUtf16(text));
}

}  // namespace ui::typesetting
