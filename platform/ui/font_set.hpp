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

// The font files the renderer draws with, in fallback order: the sans face (Latin, Cyrillic,
// Greek), the monospaced face, then the faces for Arabic, Devanagari, Bengali and CJK signs.
std::vector<std::string> fontSetFiles();

// Opens every face of the font set, once per process; later calls return at once. Throws
// FontSetError naming the first missing or damaged file. Text opens the faces it needs on first
// use, so calling this is only needed to fail early.
void loadFontSet();

// Opens `file` as the renderer opens a face of its set; throws FontSetError naming the file
// when it is missing, unreadable or not a font.
void checkFontFile(const std::string& file);

}  // namespace ui
