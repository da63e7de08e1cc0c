#include "ui/detail/pango_fonts.hpp"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>

#include <mutex>
#include <string>

#include "ui/detail/font_cache.hpp"
#include "ui/font_set.hpp"

namespace ui {

std::vector<std::string> fontSetFiles() {
  return {
      "/usr/share/fonts/opentype/inter/Inter-Regular.otf",
      "/usr/share/fonts/opentype/inter/Inter-SemiBold.otf",
      "/usr/share/fonts/opentype/inter/Inter-Bold.otf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
      "/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf",
      "/usr/share/fonts/truetype/lohit-bengali/Lohit-Bengali.ttf",
      "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
  };
}

namespace {

struct FontMapState {
  PangoFontMap* map = nullptr;  // lives as long as the process
  std::string error;
};

FontMapState makeFontMap() {
  FontMapState state;
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) {
    state.error = "cannot create a font configuration";
    return state;
  }
  if (const std::optional<std::string> missing =
          detail::addFontFiles(config, fontSetFiles(), detail::defaultFontCacheFile())) {
    state.error = "font file missing or unreadable: " + *missing +
                  " (install the packages listed in scripts/bootstrap)";
    FcConfigDestroy(config);
    return state;
  }
  // Made current before Pango or Cairo look at fonts, so that neither loads the machine's own
  // configuration behind our back.
  FcConfigSetCurrent(config);
  PangoFontMap* map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (map == nullptr) {
    state.error = "Pango has no FreeType font map";
    return state;
  }
  pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map), config);
  pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(map), 72);
  state.map = map;
  return state;
}

const FontMapState& fontMapState() {
  static const FontMapState state = makeFontMap();  // thread-safe lazy initialisation
  return state;
}

}  // namespace

void loadFontSet() {
  detail::fontMap();
}

namespace detail {

PangoFontMap* fontMap() {
  const FontMapState& state = fontMapState();
  if (state.map == nullptr) throw FontSetError(state.error);
  return state.map;
}

PangoContextPtr newContext() {
  PangoContextPtr context{pango_font_map_create_context(fontMap())};
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context.get(), options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context.get(), FALSE);
  return context;
}

namespace {

// Each family list ends in the fallbacks for the scripts that number formats produce.
constexpr const char* kSansFamilies =
    "Inter,DejaVu Sans,Lohit Devanagari,Lohit Bengali,WenQuanYi Micro Hei";
constexpr const char* kMonoFamilies =
    "DejaVu Sans Mono,DejaVu Sans,Lohit Devanagari,Lohit Bengali,WenQuanYi Micro Hei";

PangoWeight pangoWeight(ResolvedFont::Weight weight) {
  switch (weight) {
    case ResolvedFont::Weight::regular:
      return PANGO_WEIGHT_NORMAL;
    case ResolvedFont::Weight::semibold:
      return PANGO_WEIGHT_SEMIBOLD;
    case ResolvedFont::Weight::bold:
      return PANGO_WEIGHT_BOLD;
  }
  return PANGO_WEIGHT_NORMAL;
}

}  // namespace

PangoLayoutPtr newLayout(PangoContext* context, std::string_view text, const ResolvedFont& font) {
  PangoLayoutPtr layout{pango_layout_new(context)};
  std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> description{
      pango_font_description_new()};
  pango_font_description_set_family_static(
      description.get(),
      font.design == ResolvedFont::Design::monospaced ? kMonoFamilies : kSansFamilies);
  pango_font_description_set_weight(description.get(), pangoWeight(font.weight));
  // One point is one user-space unit; the backends scale the whole surface.
  pango_font_description_set_absolute_size(description.get(), font.pointSize * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), description.get());
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  if (font.monospacedDigit) {
    std::unique_ptr<PangoAttrList, AttrListDeleter> attributes{pango_attr_list_new()};
    pango_attr_list_insert(attributes.get(), pango_attr_font_features_new("tnum 1"));
    pango_layout_set_attributes(layout.get(), attributes.get());
  }
  // Pango rejects malformed UTF-8 with a warning and drops the text; show replacement marks.
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  pango_layout_set_text(layout.get(), valid, -1);
  g_free(valid);
  return layout;
}

}  // namespace detail
}  // namespace ui
