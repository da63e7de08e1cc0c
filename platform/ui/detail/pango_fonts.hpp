#pragma once

// Private to the ui library: Pango handles for the measurer and the backends.

#include <memory>
#include <string_view>

#include <pango/pangocairo.h>

#include "ui/detail/cairo_handles.hpp"
#include "ui/resolved_font.hpp"

namespace ui::detail {

struct GObjectDeleter {
  void operator()(void* object) const { g_object_unref(object); }
};
struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct AttrListDeleter {
  void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};

using PangoContextPtr = std::unique_ptr<PangoContext, GObjectDeleter>;
using PangoLayoutPtr = std::unique_ptr<PangoLayout, GObjectDeleter>;

// The process-wide font map over the private font configuration. Throws FontSetError.
PangoFontMap* fontMap();

// A new context on the font map with the renderer's fixed font options (no hinting, grey
// antialiasing, unrounded glyph positions), so that measurements do not depend on the scale.
PangoContextPtr newContext();

// A one-line layout of `text` in `font` on `context`.
PangoLayoutPtr newLayout(PangoContext* context, std::string_view text, const ResolvedFont& font);

}  // namespace ui::detail
