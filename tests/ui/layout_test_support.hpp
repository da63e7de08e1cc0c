#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "ui/layout/layout.hpp"
#include "ui/typesetting/text_measurer.hpp"

namespace ui::testing {

// Text of half an em per character, so frames do not depend on the fonts installed: "POCKETTA"
// at 12 pt is 48 wide, "CN¥277.00" at 22 pt 99.
inline const TextMeasurer& measurer() {
  static const FixedAdvanceTextMeasurer fixed(0.5);
  return fixed;
}

// The environment of a test's layout: en_US, light, text size large, on `canvas`.
inline RenderEnvironment environment(WidgetCanvas canvas = {}) {
  RenderEnvironment env;
  env.canvas = canvas;
  return env;
}

// What a node is: "text CNY", "symbol star", "link URL", "stack"...
inline std::string what(const LayoutNode& node) {
  static const char* const kinds[] = {"stack",  "spacer", "label",   "text",
                                      "symbol", "link",   "gradient"};
  std::string name = kinds[node.content.index()];
  if (const auto* text = std::get_if<TextLayout>(&node.content)) name += " " + text->text;
  if (const auto* symbol = std::get_if<SymbolLayout>(&node.content)) name += " " + symbol->name;
  if (const auto* link = std::get_if<LinkLayout>(&node.content)) {
    name += " " + link->destination.absoluteString();
  }
  return name;
}

// Every node in pre-order as "what x y width height", joined by "; "; six significant digits hide
// the rounding noise of summed advances.
inline std::string flatten(const LayoutNode& node) {
  const foundation::Rect& f = node.frame;
  char frame[96];
  std::snprintf(frame, sizeof frame, " %g %g %g %g", f.minX(), f.minY(), f.size.width,
                f.size.height);
  std::string rows = what(node) + frame;
  for (const LayoutNode& child : node.children) rows += "; " + flatten(child);
  return rows;
}

// The first node whose text, symbol name or link destination is `shown`; fails the test (rather
// than crash it) when there is none.
inline const LayoutNode& node(const LayoutNode& root, const std::string& shown) {
  static const LayoutNode none{SpacerLayout{}, {{-1e9, -1e9}, {0, 0}}, {}};
  std::vector<const LayoutNode*> todo{&root};
  while (!todo.empty()) {
    const LayoutNode* next = todo.back();
    todo.pop_back();
    if (what(*next).ends_with(" " + shown)) return *next;
    for (auto it = next->children.rbegin(); it != next->children.rend(); ++it) todo.push_back(&*it);
  }
  ADD_FAILURE() << "no node shows " << shown;
  return none;
}

}  // namespace ui::testing
