#include "ui/typesetting/font_face.hpp"

#include <cairo-ft.h>
#include FT_OUTLINE_H
#include <hb-ft.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "ui/typesetting/font_set.hpp"

namespace ui::typesetting {

namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

[[noreturn]] void fail(const std::string& file, const char* why) {
  throw FontSetError("font file " + std::string(why) + ": " + file +
                     " (install the packages listed in scripts/bootstrap)");
}

// The face of the file mapped at `bytes`.
FT_Face openFace(FreeTypeLibrary& library, std::span<const std::uint8_t> bytes,
                 const std::string& file) {
  FT_Face face = nullptr;
  std::lock_guard lock(library.mutex);
  const FT_Error error = FT_New_Memory_Face(library.library, bytes.data(),
                                            static_cast<FT_Long>(bytes.size()), 0, &face);
  if (error != 0 || !FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    if (face != nullptr) FT_Done_Face(face);
    fail(file, "damaged");
  }
  return face;
}

void appendNumber(std::string& out, long value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%ld", value);
  out += buffer;
}

struct OutlineWriter {
  std::string* d;
  void point(char command, const FT_Vector* p) {
    *d += command;
    appendNumber(*d, p->x);
    *d += ' ';
    appendNumber(*d, p->y);
  }
  void point(const FT_Vector* p) {
    *d += ' ';
    appendNumber(*d, p->x);
    *d += ' ';
    appendNumber(*d, p->y);
  }
};

int moveTo(const FT_Vector* to, void* user) {
  auto* w = static_cast<OutlineWriter*>(user);
  if (!w->d->empty()) *w->d += 'Z';
  w->point('M', to);
  return 0;
}
int lineTo(const FT_Vector* to, void* user) {
  static_cast<OutlineWriter*>(user)->point('L', to);
  return 0;
}
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* w = static_cast<OutlineWriter*>(user);
  w->point('Q', control);
  w->point(to);
  return 0;
}
int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* w = static_cast<OutlineWriter*>(user);
  w->point('C', c1);
  w->point(c2);
  w->point(to);
  return 0;
}

}  // namespace

FontFace::MappedFile::MappedFile(const std::string& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
    if (fd >= 0) close(fd);
    fail(file, "missing or unreadable");
  }
  void* mapped =
      mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) fail(file, "missing or unreadable");
  bytes =
      std::span(static_cast<const std::uint8_t*>(mapped), static_cast<std::size_t>(status.st_size));
}

FontFace::MappedFile::~MappedFile() {
  munmap(const_cast<std::uint8_t*>(bytes.data()), bytes.size());
}

FontFace::FontFace(FreeTypeLibrary& library, std::string file, bool realBold)
    : library_(library), file_(std::move(file)), realBold_(realBold), mapped_(file_) {
  face_ = openFace(library_, mapped_.bytes, file_);
  unitsPerEm_ = face_->units_per_EM;
  // Positions in 1/64 font units: shaping does not depend on the size, so one shaped string
  // serves every scale a text is tried at.
  FT_Set_Pixel_Sizes(face_, 0, face_->units_per_EM);
  hbFont_ = hb_ft_font_create_referenced(face_);
  hb_ft_font_set_load_flags(hbFont_, kLoadFlags);
  ascender_ = face_->ascender / unitsPerEm_;
  descender_ = -face_->descender / unitsPerEm_;
}

// One FreeType face for Cairo and the two Cairo faces made from it, plain and emboldened. Its
// FreeType face is left open with the process, as Cairo's caches may still refer to it.
struct FontFace::CairoFace::Drawing {
  FT_Face face = nullptr;
  cairo_font_face_t* faces[2] = {nullptr, nullptr};
};

FontFace::CairoFace::~CairoFace() {
  {
    std::lock_guard lock(owner_.cairoMutex_);
    owner_.idle_.push_back(drawing_);
  }
  owner_.cairoReturned_.notify_one();
}

FontFace::~FontFace() {
  for (const auto& drawing : drawing_) {
    for (cairo_font_face_t* face : drawing->faces) {
      if (face != nullptr) cairo_font_face_destroy(face);
    }
  }
  hb_font_destroy(hbFont_);
  FT_Done_Face(face_);
}

bool FontFace::covers(char32_t codePoint) const {
  std::lock_guard lock(mutex_);  // FreeType faces are not to be used by two threads at once
  return FT_Get_Char_Index(face_, codePoint) != 0;
}

FontFace::CairoFace FontFace::cairoFace(bool embolden) const {
  // Waits for a face before another one is made; more than one drawer per core never waits.
  constexpr std::size_t kWaitsForAnotherFace = 1000;
  constexpr std::size_t kMostFaces = 64;
  std::unique_lock lock(cairoMutex_);
  while (idle_.empty()) {
    if (drawing_.size() < drawingAllowed_) {
      auto drawing = std::make_unique<CairoFace::Drawing>();
      drawing->face = openFace(library_, mapped_.bytes, file_);
      idle_.push_back(drawing.get());
      drawing_.push_back(std::move(drawing));
    } else if (++waits_ >= kWaitsForAnotherFace && drawingAllowed_ < kMostFaces) {
      waits_ = 0;
      ++drawingAllowed_;
    } else {
      cairoReturned_.wait(lock);
    }
  }
  CairoFace::Drawing* drawing = idle_.back();
  idle_.pop_back();
  cairo_font_face_t*& slot = drawing->faces[embolden ? 1 : 0];
  if (slot == nullptr) {
    // Made from the FreeType face alone: Cairo never asks fontconfig for anything about it.
    slot = cairo_ft_font_face_create_for_ft_face(drawing->face, kLoadFlags);
    if (embolden) cairo_ft_font_face_set_synthesize(slot, CAIRO_FT_SYNTHESIZE_BOLD);
  }
  return CairoFace(*this, drawing, slot);
}

const std::string& FontFace::outlinePath(std::uint32_t glyph, bool embolden) const {
  std::lock_guard lock(mutex_);
  const std::uint64_t key = (static_cast<std::uint64_t>(glyph) << 1) | (embolden ? 1 : 0);
  auto found = outlines_.find(key);
  if (found != outlines_.end()) return found->second;
  std::string d;
  if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | kLoadFlags) == 0 &&
      face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_Outline& outline = face_->glyph->outline;
    if (embolden) {
      const auto strength = static_cast<FT_Pos>(face_->units_per_EM / 24);
      FT_Outline_EmboldenXY(&outline, strength, strength);
    }
    static const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
    OutlineWriter writer{&d};
    FT_Outline_Decompose(&outline, &funcs, &writer);
    if (!d.empty()) d += 'Z';
  }
  return outlines_.emplace(key, std::move(d)).first->second;
}

}  // namespace ui::typesetting
