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

// Loads the font set into a private font configuration, once per process; later calls return at
// once. Throws FontSetError naming the missing file. Every text measurement and drawing loads it
// on first use, so calling this is only needed to fail early.
void loadFontSet();

}  // namespace ui
