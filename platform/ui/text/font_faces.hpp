#pragma once

// Private to the ui library: the renderer's fixed font set, each face opened on first use.

#include <array>
#include <cstddef>
#include <cstdint>

#include "ui/resolved_font.hpp"
#include "ui/text/face_name.hpp"
#include "ui/text/font_face.hpp"

namespace ui::text {

// The faces a font draws from, best first: its own face, then the fallbacks by coverage.
struct FaceChain {
  std::array<FaceName, 5> names;
};

FaceChain faceChain(const ResolvedFont& font);

// The face, opened now if it was not yet. Thread-safe. Throws FontSetError.
const FontFace& face(FaceName name);

}  // namespace ui::text
