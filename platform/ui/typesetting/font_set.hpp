#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace ui {

// Raised when a file of the renderer's fixed font set cannot be loaded. The renderer never falls
// back to the machine's own fonts, because then the same input would draw different pixels on
// different machines.
class FontSetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The font files the renderer draws with: the sans face (Latin, Cyrillic, Greek) in regular,
// semibold and bold, the monospaced face in regular and bold, a wide face in regular and bold
// (Arabic, Hebrew and what else the first two lack), then Devanagari, Bengali and CJK, then the
// scripts only some locales' digits need: Myanmar, Tibetan, Chakma, Adlam and Ol Chiki.
std::vector<std::string> fontSetFiles();

// Opens every face of the font set, once per process; later calls return at once. Throws
// FontSetError naming the first missing or damaged file. Text opens the faces it needs on first
// use, so calling this is only needed to fail early.
void loadFontSet();

// Opens `file` as the renderer opens a face of its set; throws FontSetError naming the file
// when it is missing, unreadable or not a font.
void checkFontFile(const std::string& file);

}  // namespace ui
