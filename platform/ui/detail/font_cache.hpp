#pragma once

// Private to the ui library: loading the font set's face descriptions into a font configuration.

#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ui::detail {

// Adds every face of `files` to the application fonts of `config`. Describing a face (above all
// the set of characters it covers) means reading the whole font, which costs more than the rest
// of a first render's text; so the descriptions are kept in `cacheFile` and read from there
// while the file's size and modification time are unchanged. An empty path, or a cache that
// cannot be read or written, only means scanning the fonts. Answers the first file that cannot
// be loaded, or nothing.
std::optional<std::string> addFontFiles(FcConfig* config, const std::vector<std::string>& files,
                                        const std::filesystem::path& cacheFile);

// $XDG_CACHE_HOME/pocketta/fonts.cache, else ~/.cache/pocketta/fonts.cache; empty with neither.
std::filesystem::path defaultFontCacheFile();

}  // namespace ui::detail
