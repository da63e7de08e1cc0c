#include "ui/typesetting/font_library.hpp"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/typesetting/font_set.hpp"

namespace ui {

std::vector<std::string> fontSetFiles() {
  return {
      "/usr/share/fonts/opentype/inter/Inter-Regular.otf",
      "/usr/share/fonts/opentype/inter/Inter-SemiBold.otf",
      "/usr/share/fonts/opentype/inter/Inter-Bold.otf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
      "/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf",
      "/usr/share/fonts/truetype/lohit-bengali/Lohit-Bengali.ttf",
      "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
      "/usr/share/fonts/truetype/noto/NotoSansMyanmar-Regular.ttf",
      "/usr/share/fonts/truetype/noto/NotoSerifTibetan-Regular.ttf",
      "/usr/share/fonts/truetype/noto/NotoSansChakma-Regular.ttf",
      "/usr/share/fonts/truetype/noto/NotoSansAdlam-Regular.ttf",
      "/usr/share/fonts/truetype/noto/NotoSansOlChiki-Regular.ttf",
  };
}

void checkFontFile(const std::string& file) {
  typesetting::FreeTypeLibrary library;
  if (FT_Init_FreeType(&library.library) != 0) throw FontSetError("cannot start FreeType");
  try {
    typesetting::FontFace face(library, file, false);
  } catch (...) {
    FT_Done_FreeType(library.library);
    throw;
  }
  FT_Done_FreeType(library.library);
}

void loadFontSet() {
  for (std::size_t i = 0; i < typesetting::kFaceCount; ++i)
    typesetting::face(static_cast<typesetting::FaceName>(i));
}

namespace typesetting {

namespace {

class FaceTable {
 public:
  FaceTable() {
    if (FT_Init_FreeType(&library_.library) != 0) throw FontSetError("cannot start FreeType");
  }
  // Faces live as long as the process: glyph runs and Cairo's font caches point into them.
  FaceTable(const FaceTable&) = delete;
  FaceTable& operator=(const FaceTable&) = delete;

  // Not std::call_once: an exception (a missing file) thrown through it aborts the process with
  // the statically linked runtime.
  const FontFace& get(FaceName name) {
    const auto index = static_cast<std::size_t>(name);
    if (const FontFace* opened = faces_[index].load(std::memory_order_acquire)) return *opened;
    std::lock_guard lock(opening_);
    if (const FontFace* opened = faces_[index].load(std::memory_order_relaxed)) return *opened;
    const bool bold = name == FaceName::sansSemibold || name == FaceName::sansBold ||
                      name == FaceName::monoBold || name == FaceName::wideBold;
    auto* face = new FontFace(library_, fontSetFiles()[index], bold);
    faces_[index].store(face, std::memory_order_release);
    return *face;
  }

 private:
  FreeTypeLibrary library_;
  std::mutex opening_;
  std::array<std::atomic<const FontFace*>, kFaceCount> faces_{};
};

FaceTable& table() {
  static FaceTable* faces = new FaceTable;  // never destroyed: see FaceTable
  return *faces;
}

}  // namespace

FaceChain faceChain(const ResolvedFont& font) {
  const bool regular = font.weight == ResolvedFont::Weight::regular;
  FaceName own;
  if (font.design == ResolvedFont::Design::monospaced) {
    own = regular ? FaceName::monoRegular : FaceName::monoBold;
  } else {
    own = regular                                         ? FaceName::sansRegular
          : font.weight == ResolvedFont::Weight::semibold ? FaceName::sansSemibold
                                                          : FaceName::sansBold;
  }
  return {{own, regular ? FaceName::wideRegular : FaceName::wideBold, FaceName::devanagari,
           FaceName::bengali, FaceName::cjk}};
}

std::optional<FaceName> scriptFace(std::string_view script) {
  if (script == "Deva") return FaceName::devanagari;
  if (script == "Beng") return FaceName::bengali;
  if (script == "Mymr") return FaceName::myanmar;
  if (script == "Tibt") return FaceName::tibetan;
  if (script == "Cakm") return FaceName::chakma;
  if (script == "Adlm") return FaceName::adlam;
  if (script == "Olck") return FaceName::olChiki;
  if (script == "Hani" || script == "Hira" || script == "Kana" || script == "Bopo" ||
      script == "Hang") {
    return FaceName::cjk;
  }
  return std::nullopt;
}

const FontFace& face(FaceName name) {
  return table().get(name);
}

}  // namespace typesetting
}  // namespace ui
