#pragma once

// Private to the ui library: one face of the font set, opened with FreeType from its file.

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

namespace ui::typesetting {

// FreeType's library object, shared by every face; opening a face needs it alone.
struct FreeTypeLibrary {
  FT_Library library = nullptr;
  std::mutex mutex;
};

// Opened once and kept for the process. Shaping and outline reading share one FreeType face
// under `mutex()`; Cairo draws from a face of its own, which it locks itself, so drawing on one
// thread never waits for shaping on another. Both read the file from one mapping: each opening
// the file itself mapped it twice, and twice the pages were resident.
class FontFace {
 public:
  // Throws FontSetError naming the file when it is missing or not a font.
  FontFace(FreeTypeLibrary& library, std::string file, bool realBold);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const std::string& file() const { return file_; }
  // Whether the file is a bold design; other faces are emboldened for bold text.
  bool realBold() const { return realBold_; }
  bool covers(char32_t codePoint) const;

  // Ascender and descender (positive, below the baseline) in em.
  double ascender() const { return ascender_; }
  double descender() const { return descender_; }
  double unitsPerEm() const { return unitsPerEm_; }

  // A HarfBuzz font whose positions are in 1/64 font units; use under mutex().
  hb_font_t* shapingFont() const { return hbFont_; }
  std::mutex& mutex() const { return mutex_; }

  // The face for cairo_show_glyphs, optionally emboldened as FreeType does.
  cairo_font_face_t* cairoFace(bool embolden) const;

  // The glyph's outline as SVG path data in font units (y up), emboldened by an em/24 stroke
  // as Cairo does it. Kept per glyph.
  const std::string& outlinePath(std::uint32_t glyph, bool embolden) const;

 private:
  // The font file, mapped read-only for the face's life.
  struct MappedFile {
    explicit MappedFile(const std::string& file);  // throws FontSetError
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::span<const std::uint8_t> bytes;
  };

  FreeTypeLibrary& library_;
  std::string file_;
  bool realBold_;
  MappedFile mapped_;
  FT_Face face_ = nullptr;
  hb_font_t* hbFont_ = nullptr;
  double ascender_ = 0;
  double descender_ = 0;
  double unitsPerEm_ = 1000;
  mutable std::mutex mutex_;
  mutable std::mutex cairoMutex_;
  mutable FT_Face cairoFtFace_ = nullptr;
  mutable cairo_font_face_t* cairoFaces_[2] = {nullptr, nullptr};
  mutable std::unordered_map<std::uint64_t, std::string> outlines_;
};

}  // namespace ui::typesetting
