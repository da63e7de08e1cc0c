#pragma once

// Private to the ui library: one face of the font set, opened with FreeType from its file.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

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
// under `mutex()`; Cairo draws from faces of its own (see CairoFace), so drawing on one thread
// never waits for shaping on another. All read the file from one mapping: each opening the file
// itself mapped it again, and as many times the pages were resident.
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

  // A face for cairo_show_glyphs, optionally emboldened as FreeType does, lent to one drawer
  // until it goes. Cairo draws a face's glyphs under that face's locks (its FreeType face is
  // not for two threads), so pictures drawn on every core took turns at each text. Each drawer
  // now gets a face no other one draws with at the time; when all are lent it waits for one,
  // and once drawers have waited often enough another face is made. A single picture, whose
  // band threads only now and then want a face at once, keeps the one face it had (a second one
  // cost a cold render 2 ms and 0.2 MB); pictures drawn on every core soon have one a core.
  // Every face draws the same glyphs, so which one a text gets never shows.
  class CairoFace {
   public:
    CairoFace(const CairoFace&) = delete;
    CairoFace& operator=(const CairoFace&) = delete;
    ~CairoFace();
    cairo_font_face_t* get() const { return face_; }

   private:
    friend class FontFace;
    struct Drawing;
    CairoFace(const FontFace& owner, Drawing* drawing, cairo_font_face_t* face)
        : owner_(owner), drawing_(drawing), face_(face) {}
    const FontFace& owner_;
    Drawing* drawing_;
    cairo_font_face_t* face_;
  };
  CairoFace cairoFace(bool embolden) const;

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
  mutable std::mutex cairoMutex_;  // over what follows
  mutable std::condition_variable cairoReturned_;
  mutable std::vector<std::unique_ptr<CairoFace::Drawing>> drawing_;
  mutable std::vector<CairoFace::Drawing*> idle_;
  mutable std::size_t drawingAllowed_ = 1;
  mutable std::size_t waits_ = 0;  // for a face, since the last one was allowed
  mutable std::unordered_map<std::uint64_t, std::string> outlines_;
};

}  // namespace ui::typesetting
