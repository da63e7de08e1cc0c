#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <variant>

#include "ui/svg/svg_renderer.hpp"
#include "widget_test_support.hpp"

namespace {

// One element of the document with its attributes and the href of the innermost <a> around it.
struct Element {
  std::string name, link;
  std::map<std::string, std::string> attributes;
};

// The elements in document order, or the parser's error.
std::variant<std::vector<Element>, std::string> parse(const std::string& svg) {
  struct State {
    std::vector<Element> elements;
    std::vector<std::string> links{""};
  } state;
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
      XML_ParserCreate("UTF-8"), XML_ParserFree);
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(
      parser.get(),
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        auto& s = *static_cast<State*>(data);
        Element element{name, s.links.back(), {}};
        for (int i = 0; attributes[i] != nullptr; i += 2) {
          element.attributes[attributes[i]] = attributes[i + 1];
        }
        if (element.name == "a") s.links.push_back(element.attributes["href"]);
        s.elements.push_back(std::move(element));
      },
      [](void* data, const XML_Char* name) {
        if (std::string(name) == "a") static_cast<State*>(data)->links.pop_back();
      });
  if (XML_Parse(parser.get(), svg.data(), static_cast<int>(svg.size()), 1) != XML_STATUS_OK) {
    return XML_ErrorString(XML_GetErrorCode(parser.get()));
  }
  return state.elements;
}

TEST(RenderSvg, isWellFormedWithBothLinksAroundTheirAmountsAndTapTargets) {
  const ui::View tree = pocketta::testing::widget(277, 30.5, 16);
  for (foundation::Size size :
       {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
    const ui::WidgetCanvas canvas{size};
    const std::string svg = ui::renderSvg(
        pocketta::testing::displayList(tree, pocketta::testing::environment("de_DE", canvas)),
        canvas);
    const auto parsed = parse(svg);
    ASSERT_TRUE(parsed.index() == 0) << std::get<1>(parsed) << "\n" << svg;
    std::map<std::string, std::string> linkedText;      // by href
    std::map<std::string, std::vector<double>> target;  // x, width of the first rect, by href
    std::set<std::string> defined, used;
    int texts = 0, glyphs = 0;
    for (const Element& e : std::get<0>(parsed)) {
      const auto& a = e.attributes;
      if (e.name == "rect" && !e.link.empty() && !target.contains(e.link)) {
        target[e.link] = {std::stod(a.at("x")), std::stod(a.at("width"))};
      }
      if (e.name == "g" && a.contains("aria-label")) {
        ++texts;
        linkedText[e.link] += a.at("aria-label");
      }
      if (a.contains("id")) defined.insert(a.at("id"));
      if (e.name == "use") used.insert(a.at("href").substr(1)), ++glyphs;
    }
    EXPECT_EQ(linkedText["pocketta://add-income"], "30,5");
    EXPECT_EQ(linkedText["pocketta://add-expense"], "16");
    EXPECT_EQ(texts, 5);
    // Each whole link is a tap target, from the leading margin and to the trailing one.
    EXPECT_EQ(target["pocketta://add-income"].at(0), 16);
    const std::vector<double> expense = target["pocketta://add-expense"];
    EXPECT_NEAR(expense.at(0) + expense.at(1), size.width - 16, 1e-3);
    // Every glyph is drawn from an outline the document defines.
    EXPECT_GE(glyphs, 20);
    for (const std::string& id : used) EXPECT_EQ(defined.count(id), 1u) << id;
  }
}

TEST(RenderSvg, escapesTextAndSurvivesMalformedUtf8) {
  const auto url = *foundation::URL::string("pocketta://x?a=1&b=2");
  const ui::DisplayList list = {
      ui::LinkRegion{{{0, 0}, {10, 10}}, url, 1},
      ui::TextRun{"<b>&\"'\x01 \xC3\x28 \xE2\x82", {}, {1, 1, 1, 1}, {{0, 0}, {10, 10}}, 8, {}},
  };
  const auto parsed = parse(ui::renderSvg(list, ui::WidgetCanvas{{10, 10}}));
  ASSERT_TRUE(parsed.index() == 0) << std::get<1>(parsed);
  const auto& elements = std::get<0>(parsed);
  const auto text = std::find_if(elements.begin(), elements.end(), [](const Element& e) {
    return e.attributes.contains("aria-label");
  });
  ASSERT_NE(text, elements.end());
  EXPECT_EQ(text->link, "pocketta://x?a=1&b=2");
  EXPECT_EQ(text->attributes.at("aria-label"), "<b>&\"' \xEF\xBF\xBD( \xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
