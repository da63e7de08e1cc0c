#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/locale.hpp"
#include "foundation/localized_strings.hpp"
#include "ui/environment/color_scheme.hpp"
#include "ui/environment/dynamic_type_size.hpp"
#include "ui/environment/layout_direction.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/environment/widget_family.hpp"
#include "ui/environment/widget_rendering_mode.hpp"
#include "ui/view/color.hpp"

namespace ui {

// Everything a render depends on besides the view: built by the host once per picture and handed
// down through layout, text and the backends, which read nothing else. Equal views in equal
// environments draw the same bytes, whichever thread draws them and whatever was drawn before,
// so pictures of different locales, sizes and appearances can be drawn side by side.
struct RenderEnvironment {
  // How numbers are written. A view's `Locale::autoupdatingCurrent()` is this locale.
  foundation::Locale locale{foundation::Locale::kFallbackIdentifier};
  // Right to left mirrors the layout: leading is the right edge. The locale's own direction
  // (directionOf) unless the host chooses otherwise.
  LayoutDirection layoutDirection = LayoutDirection::leftToRight;
  // The user's languages for texts, most wanted first, and the tables their keys are looked up
  // in; without tables a key shows as it is.
  std::vector<std::string> languages;
  std::shared_ptr<const foundation::LocalizedStrings> strings;
  // The user's text size: every text style resolves to its point size at it.
  DynamicTypeSize dynamicTypeSize = DynamicTypeSize::large;
  ColorScheme colorScheme = ColorScheme::light;
  // Device pixels per point, for the backends that draw pixels.
  double displayScale = 1;
  // The placeholder look: every text drawn as a rounded bar of its width.
  bool redacted = false;
  // The surface the widget is drawn on: its size, content margins and corner radius.
  WidgetCanvas canvas;
  WidgetFamily widgetFamily = WidgetFamily::systemSmall;

  // How the system shows the widget where it is (the home screen, tinted or not, StandBy). In
  // the accented and vibrant modes every view is drawn in `contentTint` (see
  // WidgetRenderingMode). Where the container background is not shown the system draws
  // `backdrop`, if any, over the canvas's shape instead.
  WidgetRenderingMode widgetRenderingMode = WidgetRenderingMode::fullColor;
  bool showsWidgetContainerBackground = true;
  RGBA contentTint{1, 1, 1, 1};
  std::optional<RGBA> backdrop;

  // Right to left where the locale's language is written so.
  static LayoutDirection directionOf(const foundation::Locale& locale) {
    return locale.isRightToLeft() ? LayoutDirection::rightToLeft : LayoutDirection::leftToRight;
  }
  // What shows for a localizable key: its translation in the first of the languages that has
  // one, else in the development language, else the key.
  std::string localized(std::string_view key) const {
    return strings ? strings->localized(key, languages) : std::string(key);
  }

  friend bool operator==(const RenderEnvironment&, const RenderEnvironment&) = default;
};

}  // namespace ui
