#include <expat.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "ui/render_display_list.hpp"
#include "ui/svg_renderer.hpp"
#include "ui/widget_layout.hpp"
#include "widget_test_support.hpp"

namespace {

struct Parsed {
  bool wellFormed = false;
  std::string error;
  std::vector<std::string> hrefs;
  // The shown text (aria-label) of the drawn lines inside each <a>, by href.
  std::map<std::string, std::string> linkedText;
  std::vector<std::string> texts;
  // Glyph outlines defined, and those used (each use must name a defined one).
  std::set<std::string> defined, used;
  int glyphsDrawn = 0;
};

Parsed parse(const std::string& svg) {
  struct State {
    Parsed parsed;
    std::vector<std::string> openLinks;
  } state;
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
      XML_ParserCreate("UTF-8"), XML_ParserFree);
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(
      parser.get(),
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        auto& s = *static_cast<State*>(data);
        const std::string element = name;
        if (element == "a") {
          std::string href;
          for (int i = 0; attributes[i] != nullptr; i += 2) {
            if (std::string(attributes[i]) == "href") href = attributes[i + 1];
          }
          s.parsed.hrefs.push_back(href);
          s.openLinks.push_back(href);
        } else if (element == "path" || element == "use") {
          for (int i = 0; attributes[i] != nullptr; i += 2) {
            const std::string key = attributes[i];
            if (key == "id") s.parsed.defined.insert(attributes[i + 1]);
            if (key == "href") s.parsed.used.insert(std::string(attributes[i + 1]).substr(1));
          }
          s.parsed.glyphsDrawn += element == "use" ? 1 : 0;
        } else if (element == "g") {
          for (int i = 0; attributes[i] != nullptr; i += 2) {
            if (std::string(attributes[i]) != "aria-label") continue;
            s.parsed.texts.emplace_back(attributes[i + 1]);
            if (!s.openLinks.empty()) s.parsed.linkedText[s.openLinks.back()] += attributes[i + 1];
          }
        }
      },
      [](void* data, const XML_Char* name) {
        if (std::string(name) == "a") static_cast<State*>(data)->openLinks.pop_back();
      });
  const bool ok =
      XML_Parse(parser.get(), svg.data(), static_cast<int>(svg.size()), 1) == XML_STATUS_OK;
  state.parsed.wellFormed = ok;
  if (!ok) state.parsed.error = XML_ErrorString(XML_GetErrorCode(parser.get()));
  return state.parsed;
}

TEST(RenderSvg, isWellFormedWithBothLinksAroundTheirAmounts) {
  pocketta::testing::UserLocale locale("de_DE");
  const ui::View tree = pocketta::testing::widget(277, 30.5, 16);
  for (foundation::Size size :
       {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
    const ui::WidgetCanvas canvas{size};
    const std::string svg = ui::renderSvg(ui::renderDisplayList(tree, canvas, {}), canvas);
    const Parsed parsed = parse(svg);
    ASSERT_TRUE(parsed.wellFormed) << parsed.error << "\n" << svg;
    EXPECT_EQ(parsed.hrefs,
              (std::vector<std::string>{"pocketta://add-income", "pocketta://add-expense"}));
    EXPECT_EQ(parsed.linkedText.at("pocketta://add-income"), "30,5");
    EXPECT_EQ(parsed.linkedText.at("pocketta://add-expense"), "16");
    EXPECT_EQ(parsed.texts.size(), 5u);
    // Every glyph is drawn from an outline the document defines.
    EXPECT_GE(parsed.glyphsDrawn, 20);
    for (const std::string& id : parsed.used) EXPECT_EQ(parsed.defined.count(id), 1u) << id;
  }
}

TEST(RenderSvg, escapesTextAndSurvivesMalformedUtf8) {
  const auto url = *foundation::URL::string("pocketta://x?a=1&b=2");
  const ui::DisplayList list = {
      ui::LinkRegion{{{0, 0}, {10, 10}}, url, 1},
      ui::TextRun{"<b>&\"'\x01 \xC3\x28 \xE2\x82", {}, {1, 1, 1, 1}, {{0, 0}, {10, 10}}, 8, {}},
  };
  const Parsed parsed = parse(ui::renderSvg(list, ui::WidgetCanvas{{10, 10}}));
  ASSERT_TRUE(parsed.wellFormed) << parsed.error;
  EXPECT_EQ(parsed.hrefs, std::vector<std::string>{"pocketta://x?a=1&b=2"});
  EXPECT_EQ(parsed.texts.at(0), "<b>&\"' \xEF\xBF\xBD( \xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
