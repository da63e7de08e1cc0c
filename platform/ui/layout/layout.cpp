#include "ui/layout/layout.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>
#include <tuple>

#include "foundation/overloaded.hpp"
#include "ui/graphics/paths.hpp"
#include "ui/layout/text_style_table.hpp"
#include "ui/typesetting/text_block.hpp"
#include "ui/view/view.hpp"

namespace ui {

namespace {

constexpr double kUnbounded = std::numeric_limits<double>::infinity();

using foundation::Overloaded;

// The platform's spacings where a view sets none, in points.
constexpr double kDefaultStackSpacing = 8;
constexpr double kDefaultSpacerMinLength = 8;
constexpr double kLabelIconSpacing = 6;

enum class Axis : std::uint8_t { horizontal, vertical };

// What modifiers pass down to the views inside them.
struct Inherited {
  std::optional<Font> font;
  Color foreground = Color::primary;
  double minimumScaleFactor = 1;
  std::optional<int> lineLimit;
};

Inherited applyModifiers(const View& view, Inherited inherited) {
  // The last modifier wraps the others, so apply from the outside in: inner settings win.
  for (auto it = view.modifiers.rbegin(); it != view.modifiers.rend(); ++it) {
    std::visit(Overloaded{
                   [&](const FontModifier& m) { inherited.font = m.font; },
                   [&](const ForegroundStyleModifier& m) { inherited.foreground = m.color; },
                   [&](const MinimumScaleFactorModifier& m) {
                     // Outside 0...1 (or NaN) would grow text or make it vanish; ignore it.
                     if (m.factor > 0 && m.factor <= 1) inherited.minimumScaleFactor = m.factor;
                   },
                   [&](const LineLimitModifier& m) { inherited.lineLimit = m.limit; },
                   [&](const ContainerBackgroundModifier&) {},
               },
               *it);
  }
  return inherited;
}

double main(foundation::Size size, Axis axis) {
  return axis == Axis::horizontal ? size.width : size.height;
}
double cross(foundation::Size size, Axis axis) {
  return axis == Axis::horizontal ? size.height : size.width;
}
foundation::Size makeSize(double mainLength, double crossLength, Axis axis) {
  return axis == Axis::horizontal ? foundation::Size{mainLength, crossLength}
                                  : foundation::Size{crossLength, mainLength};
}

struct StackChild {
  const View* view;
  bool isSpacer;
  double spacerMinLength;
};

class Engine {
 public:
  Engine(const RenderEnvironment& env, const TextMeasurer& measurer)
      : env_(env), measurer_(measurer) {}

  // A view is reached by one path only, so its inherited settings are fixed within a layout and
  // its answer depends on the proposal alone. Remembering answers keeps nested stacks, which ask
  // each child several times, from asking exponentially often.
  foundation::Size sizeThatFits(const View& view, foundation::Size proposal,
                                const Inherited& outer) {
    if (std::isnan(proposal.width) || std::isnan(proposal.height)) {
      return computeSize(view, proposal, outer);
    }
    const auto key = std::make_tuple(&view, proposal.width, proposal.height);
    const auto found = sizes_.find(key);
    if (found != sizes_.end()) return found->second;
    const foundation::Size size = computeSize(view, proposal, outer);
    sizes_.emplace(key, size);
    return size;
  }

  foundation::Size computeSize(const View& view, foundation::Size proposal,
                               const Inherited& outer) {
    const Inherited inherited = applyModifiers(view, outer);
    return std::visit(
        Overloaded{
            [&](const VStack& stack) {
              return stackSize(children(stack.children), Axis::vertical, spacing(stack.spacing),
                               proposal, inherited)
                  .size;
            },
            [&](const HStack& stack) {
              return stackSize(children(stack.children), Axis::horizontal, spacing(stack.spacing),
                               proposal, inherited)
                  .size;
            },
            [&](const Spacer& spacer) {
              // Outside a stack a spacer has no axis to grow along; it takes its minimum.
              const double length = spacerMinLength(spacer);
              return foundation::Size{length, length};
            },
            [&](const Text& text) {
              const typesetting::TextBlock& fitted = typeset(text, proposal, inherited);
              return foundation::Size{fitted.width, fitted.height()};
            },
            [&](const Image& image) { return symbolSize(image, inherited); },
            [&](const Label& label) {
              const LabelParts& parts = labelParts(label);
              return stackSize({{&parts.icon, false, 0}, {&parts.title, false, 0}},
                               Axis::horizontal, kLabelIconSpacing, proposal, inherited)
                  .size;
            },
            [&](const Link& link) { return sizeThatFits(*link.label, proposal, inherited); },
            [&](const LinearGradient&) {
              // Takes whatever it is offered; asked for its ideal size, a small square.
              return foundation::Size{std::isfinite(proposal.width) ? proposal.width : 10,
                                      std::isfinite(proposal.height) ? proposal.height : 10};
            },
        },
        view.node);
  }

  // `proposal` is what the parent offered when the view answered with the frame's size: a stack
  // that overflowed its proposal shares out the proposal again, not its larger frame.
  LayoutNode place(const View& view, foundation::Rect frame, foundation::Size proposal,
                   const Inherited& outer) {
    const Inherited inherited = applyModifiers(view, outer);
    return std::visit(
        Overloaded{
            [&](const VStack& stack) {
              return placeStack(children(stack.children), Axis::vertical, spacing(stack.spacing),
                                alignmentFactor(stack.alignment), frame, proposal, inherited,
                                StackLayout{});
            },
            [&](const HStack& stack) {
              return placeStack(children(stack.children), Axis::horizontal, spacing(stack.spacing),
                                alignmentFactor(stack.alignment), frame, proposal, inherited,
                                StackLayout{});
            },
            [&](const Spacer&) {
              return LayoutNode{SpacerLayout{}, frame, {}};
            },
            [&](const Text& text) {
              const typesetting::TextBlock& fitted = placedText(text, frame.size, inherited);
              TextLayout shown{{},
                               fitted.font,
                               resolve(inherited.foreground, env_.colorScheme),
                               fitted.ascent,
                               fitted.lineHeight(),
                               fitted.lines,
                               fitted.fit};
              for (const typesetting::TextLine& line : fitted.lines) {
                if (&line != &fitted.lines.front()) shown.text += '\n';
                shown.text += line.text;
              }
              return LayoutNode{std::move(shown), frame, {}};
            },
            [&](const Image& image) {
              return LayoutNode{
                  SymbolLayout{image.systemName, resolve(inherited.foreground, env_.colorScheme)},
                  frame,
                  {}};
            },
            [&](const Label& label) {
              const LabelParts& parts = labelParts(label);
              return placeStack({{&parts.icon, false, 0}, {&parts.title, false, 0}},
                                Axis::horizontal, kLabelIconSpacing, 0.5, frame, proposal,
                                inherited, LabelLayout{});
            },
            [&](const Link& link) {
              return LayoutNode{LinkLayout{link.destination},
                                frame,
                                {place(*link.label, frame, proposal, inherited)}};
            },
            [&](const LinearGradient& gradient) {
              std::vector<RGBA> colors;
              for (const Color& color : gradient.gradient.colors) {
                colors.push_back(resolve(color, env_.colorScheme));
              }
              return LayoutNode{
                  GradientLayout{std::move(colors), gradient.startPoint, gradient.endPoint},
                  frame,
                  {}};
            },
        },
        view.node);
  }

 private:
  struct LabelParts {
    View icon;
    View title;
  };

  struct StackSizes {
    foundation::Size size;
    std::vector<foundation::Size> children;
    // What each child was offered for its size.
    std::vector<foundation::Size> proposals;
  };

  // Kept for the engine's lifetime, so that the views made for a label keep their addresses.
  const LabelParts& labelParts(const Label& label) {
    auto found = labelParts_.find(&label);
    if (found == labelParts_.end())
      found = labelParts_.emplace(&label, makeLabelParts(label)).first;
    return found->second;
  }

  static LabelParts makeLabelParts(const Label& label) {
    return std::visit(
        Overloaded{
            [](const TitleKeyAndSystemImage& parts) {
              return LabelParts{View(Image(parts.systemImage)), View(Text(parts.title))};
            },
            [](const TitleAndIcon& parts) {
              return LabelParts{*parts.icon, *parts.title};
            },
        },
        label.content);
  }

  std::vector<StackChild> children(const std::vector<View>& views) const {
    std::vector<StackChild> out;
    out.reserve(views.size());
    for (const View& view : views) {
      const auto* spacer = view.as<Spacer>();
      out.push_back({&view, spacer != nullptr, spacer ? spacerMinLength(*spacer) : 0});
    }
    return out;
  }

  double spacing(std::optional<double> spacing) const {
    return spacing && std::isfinite(*spacing) && *spacing >= 0 ? *spacing : kDefaultStackSpacing;
  }

  double spacerMinLength(const Spacer& spacer) const {
    return spacer.minLength && std::isfinite(*spacer.minLength) && *spacer.minLength >= 0
               ? *spacer.minLength
               : kDefaultSpacerMinLength;
  }

  // Sizes of a stack and of each child for a proposal. Children that are not spacers are
  // offered, least flexible first, an equal share of the length still free (less the spacers'
  // minimums); the spacers then share what is left. With an unbounded proposal every child
  // takes its ideal length and spacers their minimum.
  StackSizes stackSize(const std::vector<StackChild>& items, Axis axis, double gap,
                       foundation::Size proposal, const Inherited& inherited) {
    StackSizes result;
    result.children.resize(items.size());
    result.proposals.resize(items.size());
    if (items.empty()) return result;
    const double proposedMain = std::max(0.0, main(proposal, axis));
    const double proposedCross = std::max(0.0, cross(proposal, axis));
    double remaining = proposedMain - gap * static_cast<double>(items.size() - 1);

    std::vector<std::size_t> order;
    std::vector<double> flexibility(items.size(), 0);
    std::size_t spacers = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].isSpacer) {
        ++spacers;
        remaining -= items[i].spacerMinLength;
        continue;
      }
      order.push_back(i);
      if (std::isfinite(proposedMain)) {
        const double smallest =
            main(sizeThatFits(*items[i].view, makeSize(0, proposedCross, axis), inherited), axis);
        const double largest =
            main(sizeThatFits(*items[i].view, makeSize(kUnbounded, proposedCross, axis), inherited),
                 axis);
        flexibility[i] = largest - smallest;
      }
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return flexibility[a] < flexibility[b]; });

    std::size_t left = order.size();
    for (std::size_t i : order) {
      const double share = std::max(0.0, remaining / static_cast<double>(left--));
      result.proposals[i] = makeSize(share, proposedCross, axis);
      const foundation::Size size = sizeThatFits(*items[i].view, result.proposals[i], inherited);
      result.children[i] = size;
      remaining -= main(size, axis);
    }
    const double leftover = std::isfinite(remaining) && spacers > 0
                                ? std::max(0.0, remaining) / static_cast<double>(spacers)
                                : 0;
    double mainTotal = gap * static_cast<double>(items.size() - 1);
    double crossMax = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].isSpacer) {
        result.children[i] = makeSize(items[i].spacerMinLength + leftover, 0, axis);
        result.proposals[i] = result.children[i];
      }
      mainTotal += main(result.children[i], axis);
      crossMax = std::max(crossMax, cross(result.children[i], axis));
    }
    result.size = makeSize(mainTotal, crossMax, axis);
    return result;
  }

  LayoutNode placeStack(const std::vector<StackChild>& items, Axis axis, double gap,
                        double crossFactor, foundation::Rect frame, foundation::Size proposal,
                        const Inherited& inherited, LayoutContent content) {
    const StackSizes sizes = stackSize(items, axis, gap, proposal, inherited);
    LayoutNode node{std::move(content), frame, {}};
    node.children.reserve(items.size());
    double cursor = axis == Axis::horizontal ? frame.minX() : frame.minY();
    for (std::size_t i = 0; i < items.size(); ++i) {
      const foundation::Size size = sizes.children[i];
      const double crossOffset = (cross(frame.size, axis) - cross(size, axis)) * crossFactor;
      const foundation::Point origin = axis == Axis::horizontal
                                           ? foundation::Point{cursor, frame.minY() + crossOffset}
                                           : foundation::Point{frame.minX() + crossOffset, cursor};
      node.children.push_back(place(*items[i].view, {origin, size}, sizes.proposals[i], inherited));
      cursor += main(size, axis) + gap;
    }
    return node;
  }

  ResolvedFont fontFor(const std::optional<Font>& own, const Inherited& inherited) const {
    const DynamicTypeSize size = env_.dynamicTypeSize;
    if (own) return resolveFont(*own, size);
    if (inherited.font) return resolveFont(*inherited.font, size);
    return resolveFont(Font::body, size);
  }

  foundation::Size symbolSize(const Image& image, const Inherited& inherited) const {
    if (detail::findSymbol(image.systemName) == nullptr) return {0, 0};
    const double side = fontFor(std::nullopt, inherited).pointSize;
    return {side, side};
  }

  // The text for its frame: the answer it gave to a proposal whose size the frame has, so that a
  // text shrunk and wrapped for a proposal is not fitted afresh into its own answer.
  const typesetting::TextBlock& placedText(const Text& text, foundation::Size size,
                                           const Inherited& inherited) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (auto it = fitted_.lower_bound(std::make_tuple(&text, -kInf, -kInf));
         it != fitted_.end() && std::get<0>(it->first) == &text; ++it) {
      // An answer wider than its proposal overflowed it and is not what the text chose.
      const double proposedWidth = std::get<1>(it->first);
      if (std::abs(it->second.width - size.width) < 1e-9 &&
          std::abs(it->second.height() - size.height) < 1e-9 &&
          !(proposedWidth + 1e-9 < it->second.width)) {
        return it->second;
      }
    }
    return typeset(text, size, inherited);
  }

  // Formatting a number costs more than measuring it, and a stack asks its children several
  // times; the tree outlives the engine, so its nodes' addresses are stable keys.
  const std::string& shown(const Text& text) {
    auto found = shown_.find(&text);
    if (found == shown_.end()) found = shown_.emplace(&text, resolvedString(text, env_)).first;
    return found->second;
  }

  // The text as it will be drawn in `proposal`. A stack asks a text several times for the same
  // proposal, so answers are kept.
  const typesetting::TextBlock& typeset(const Text& text, foundation::Size proposal,
                                        const Inherited& inherited) {
    auto key = std::make_tuple(&text, proposal.width, proposal.height);
    auto found = fitted_.find(key);
    if (found == fitted_.end()) {
      const typesetting::TextConstraints constraints{proposal, inherited.lineLimit,
                                                     inherited.minimumScaleFactor};
      found = fitted_
                  .emplace(std::move(key),
                           typesetting::typeset(shown(text), fontFor(text.ownFont, inherited),
                                                constraints, measurer_))
                  .first;
    }
    return found->second;
  }

  const RenderEnvironment& env_;
  const TextMeasurer& measurer_;
  std::map<std::tuple<const Text*, double, double>, typesetting::TextBlock> fitted_;
  std::map<const Text*, std::string> shown_;
  std::map<const Label*, LabelParts> labelParts_;
  std::map<std::tuple<const View*, double, double>, foundation::Size> sizes_;
};

void dump(const LayoutNode& node, int depth, std::ostringstream& out) {
  out << std::string(static_cast<std::size_t>(depth) * 2, ' ');
  std::visit(Overloaded{
                 [&](const StackLayout&) { out << "Stack"; },
                 [&](const SpacerLayout&) { out << "Spacer"; },
                 [&](const LabelLayout&) { out << "Label"; },
                 [&](const TextLayout& t) { out << "Text \"" << t.text << "\" " << t.font; },
                 [&](const SymbolLayout& s) { out << "Symbol " << s.name; },
                 [&](const LinkLayout& l) { out << "Link " << l.destination.absoluteString(); },
                 [&](const GradientLayout&) { out << "Gradient"; },
             },
             node.content);
  const foundation::Rect& f = node.frame;
  out << " (" << f.minX() << ", " << f.minY() << ", " << f.size.width << " x " << f.size.height
      << ")\n";
  for (const LayoutNode& child : node.children) dump(child, depth + 1, out);
}

}  // namespace

LayoutNode layout(const View& view, foundation::Size proposal, const RenderEnvironment& environment,
                  const TextMeasurer& measurer) {
  Engine engine(environment, measurer);
  const foundation::Size size = engine.sizeThatFits(view, proposal, {});
  LayoutNode root = engine.place(view, {{0, 0}, size}, proposal, {});
  if (environment.layoutDirection == LayoutDirection::rightToLeft) {
    mirrorHorizontally(root, size.width);
  }
  return root;
}

void mirrorHorizontally(LayoutNode& node, double width) {
  node.frame.origin.x = width - node.frame.maxX();
  if (auto* gradient = std::get_if<GradientLayout>(&node.content)) {
    gradient->startPoint.x = 1 - gradient->startPoint.x;
    gradient->endPoint.x = 1 - gradient->endPoint.x;
  }
  for (LayoutNode& child : node.children) mirrorHorizontally(child, width);
}

void translate(LayoutNode& node, double dx, double dy) {
  node.frame.origin.x += dx;
  node.frame.origin.y += dy;
  for (LayoutNode& child : node.children) translate(child, dx, dy);
}

namespace {

void collectFits(const LayoutNode& node, std::vector<PlacedText>& out) {
  if (const auto* text = std::get_if<TextLayout>(&node.content)) {
    out.push_back({text->text, node.frame, text->font, text->fit});
  }
  for (const LayoutNode& child : node.children) collectFits(child, out);
}

}  // namespace

std::vector<PlacedText> placedTexts(const LayoutNode& node) {
  std::vector<PlacedText> out;
  collectFits(node, out);
  return out;
}

std::string dump(const LayoutNode& node) {
  std::ostringstream out;
  dump(node, 0, out);
  return out.str();
}

void PrintTo(const LayoutNode& node, std::ostream* os) {
  *os << '\n' << dump(node);
}

}  // namespace ui
