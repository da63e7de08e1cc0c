#pragma once

#include <string_view>

namespace preview {

// The page the server shows at "/": one HTML document with its script and style, no other file.
// It holds the marker kPageSettingsMarker where the server puts the page's settings.
extern const std::string_view kPreviewPage;
inline constexpr std::string_view kPageSettingsMarker = "/*SETTINGS*/";

}  // namespace preview
