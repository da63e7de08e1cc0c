#pragma once

// Private to the ui library: the renderer's fixed font set, each face opened on first use.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "ui/typesetting/face_name.hpp"
#include "ui/typesetting/font_face.hpp"
#include "ui/typesetting/resolved_font.hpp"

namespace ui::typesetting {

// The faces a font draws from, best first: its own face, then the fallbacks by coverage.
struct FaceChain {
  std::array<FaceName, 5> names;
};

FaceChain faceChain(const ResolvedFont& font);

// The fallback face made for a script, tried right after the font's own face, so that a
// character finds its face without opening the others; none for scripts the wide face serves.
std::optional<FaceName> scriptFace(std::string_view iso15924);

// The face, opened now if it was not yet. Thread-safe. Throws FontSetError.
const FontFace& face(FaceName name);

}  // namespace ui::typesetting
