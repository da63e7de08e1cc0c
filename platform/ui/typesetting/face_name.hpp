#pragma once

#include <cstddef>
#include <cstdint>

namespace ui::typesetting {

// A face of the renderer's font set, in the order of fontSetFiles().
enum class FaceName : std::uint8_t {
  sansRegular,
  sansSemibold,
  sansBold,
  monoRegular,
  monoBold,
  wideRegular,  // Arabic, Hebrew, and what else the primary faces lack
  wideBold,
  devanagari,
  bengali,
  cjk,
  // Scripts whose digits or letters some locale writes the widget's numbers in, each face
  // opened only when a character of its script is drawn.
  myanmar,
  tibetan,
  chakma,
  adlam,
  olChiki,
};
inline constexpr std::size_t kFaceCount = 15;

}  // namespace ui::typesetting
