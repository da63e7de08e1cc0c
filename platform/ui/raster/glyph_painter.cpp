#include "ui/raster/glyph_painter.hpp"

#include <vector>

#include "ui/typesetting/font_library.hpp"
#include "ui/typesetting/shaper.hpp"

namespace ui::typesetting {

void paintTextRun(cairo_t* cr, const TextRun& run) {
  const std::shared_ptr<const ShapedLine> line =
      run.shaped.line ? run.shaped.line
                      : std::make_shared<const ShapedLine>(shapeLine(run.text, run.font));
  const double size = run.font.pointSize;
  const double originX = run.rect.minX();
  const double baseline = run.rect.minY() + run.ascent;
  cairo_save(cr);
  cairo_set_source_rgba(cr, run.color.red, run.color.green, run.color.blue, run.color.opacity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  std::vector<cairo_glyph_t> glyphs;
  for (const GlyphRun& glyphRun : line->runs) {
    const FontFace::CairoFace cairoFace = face(glyphRun.face).cairoFace(glyphRun.embolden);
    cairo_set_font_face(cr, cairoFace.get());
    cairo_set_font_size(cr, size);
    glyphs.clear();
    for (const PositionedGlyph& g : glyphRun.glyphs) {
      glyphs.push_back({g.id, originX + g.x * size, baseline + g.y * size});
    }
    cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  }
  cairo_restore(cr);
}

}  // namespace ui::typesetting
