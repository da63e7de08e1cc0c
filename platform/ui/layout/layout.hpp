#pragma once

// Layout turns a view tree into frames, kept apart from the tree so the tree stays a pure
// description. The protocol, for every node:
//
//  1. The parent proposes a size to the child (a width and height it may take; a stack proposes
//     along its axis a share of what its other children leave).
//  2. The child answers with the size it wants, which may be smaller or, where it cannot shrink
//     further, larger than the proposal. Modifiers first settle the environment the child sees:
//     inherited font, foreground colour, scale factor and line limit, innermost winning. A text
//     answers with its wrapped size: as many lines as its line limit and the proposed height
//     allow, shrunk to its minimum scale factor before it is cut with "…".
//  3. The parent fixes its own size from the answers (stacks: sum along the axis plus spacing,
//     maximum across it; a stack with a spacer takes all of the proposal along its axis).
//  4. The parent places each child at an origin inside its own frame (stacks: one after another
//     with the spacing, aligned across the axis) and the child places its own children there.
//  5. In a right-to-left layout the finished frames are mirrored horizontally; text and symbols
//     keep their own drawing direction.
//
// Measuring a child twice for the same proposal gives the same answer, so a parent may ask
// several times (stacks ask once at zero and once unbounded to rank their children's
// flexibility).

#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "foundation/geometry.hpp"
#include "foundation/url.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/typesetting/resolved_font.hpp"
#include "ui/typesetting/text_block.hpp"
#include "ui/typesetting/text_fit.hpp"
#include "ui/typesetting/text_measurer.hpp"
#include "ui/view/color.hpp"
#include "ui/view/font.hpp"
#include "ui/view/unit_point.hpp"

namespace ui {

struct View;

// What a laid-out node is, with what the renderer needs to draw it.
struct StackLayout {
  friend bool operator==(const StackLayout&, const StackLayout&) = default;
};
struct SpacerLayout {
  friend bool operator==(const SpacerLayout&, const SpacerLayout&) = default;
};
struct LabelLayout {
  friend bool operator==(const LabelLayout&, const LabelLayout&) = default;
};
// The text as shown (localised or formatted, wrapped, then truncated) in the font it is drawn
// with, after any shrinking. Line i's baseline lies ascent + i * lineHeight below the frame's top.
// `text` is the lines joined by "\n"; `fit` tells how it was made to fit.
struct TextLayout {
  std::string text;
  ResolvedFont font;
  RGBA color;
  double ascent = 0;
  double lineHeight = 0;
  std::vector<typesetting::TextLine> lines;
  TextFit fit;
  friend bool operator==(const TextLayout&, const TextLayout&) = default;
};
struct SymbolLayout {
  std::string name;
  RGBA color;
  friend bool operator==(const SymbolLayout&, const SymbolLayout&) = default;
};
struct LinkLayout {
  foundation::URL destination;
  friend bool operator==(const LinkLayout&, const LinkLayout&) = default;
};
// Start and end in the frame's unit square, already mirrored for right-to-left.
struct GradientLayout {
  std::vector<RGBA> colors;
  UnitPoint startPoint;
  UnitPoint endPoint;
  friend bool operator==(const GradientLayout&, const GradientLayout&) = default;
};

using LayoutContent = std::variant<StackLayout, SpacerLayout, LabelLayout, TextLayout, SymbolLayout,
                                   LinkLayout, GradientLayout>;

// A laid-out node. Frames are in the coordinate space of the root (the root's origin is 0, 0),
// not relative to the parent.
struct LayoutNode {
  LayoutContent content;
  foundation::Rect frame;
  std::vector<LayoutNode> children;
  friend bool operator==(const LayoutNode&, const LayoutNode&) = default;
};

// Lays `view` out in `proposal` for the render `environment`, measuring text with `measurer`.
// The root takes the size it answers, at origin (0, 0). A containerBackground modifier does not
// take part: its content is the host's to lay out (see layoutWidget).
LayoutNode layout(const View& view, foundation::Size proposal, const RenderEnvironment& environment,
                  const TextMeasurer& measurer);

// Reflects every frame about the vertical line x = width / 2, and gradients with them.
void mirrorHorizontally(LayoutNode& node, double width);

// Moves every frame of the tree by (dx, dy).
void translate(LayoutNode& node, double dx, double dy);

// A text of a laid-out tree: what it shows, where, in which font, and how it was made to fit:
// what a person checking a translation wants to see (which texts shrank, wrapped or were cut).
struct PlacedText {
  std::string text;
  foundation::Rect frame;
  ResolvedFont font;
  TextFit fit;
  friend bool operator==(const PlacedText&, const PlacedText&) = default;
};
// Every text of the tree, in order.
std::vector<PlacedText> placedTexts(const LayoutNode& node);

// One line a node, two-space indent: kind, frame, and what is drawn. For failed comparisons.
std::string dump(const LayoutNode& node);
void PrintTo(const LayoutNode& node, std::ostream* os);

}  // namespace ui
