#pragma once

#include <ostream>
#include <type_traits>
#include <variant>
#include <vector>

#include "ui/view/image.hpp"
#include "ui/view/label.hpp"
#include "ui/view/linear_gradient.hpp"
#include "ui/view/link.hpp"
#include "ui/view/modifier.hpp"
#include "ui/view/spacer.hpp"
#include "ui/view/stacks.hpp"
#include "ui/view/text.hpp"
#include "ui/view/view_modifiers.hpp"

namespace ui {

using Node = std::variant<VStack, HStack, Spacer, Text, Image, Label, Link, LinearGradient>;

template <class T, class Variant>
struct IsAlternativeOf;
template <class T, class... Ts>
struct IsAlternativeOf<T, std::variant<Ts...>>
    : std::bool_constant<(std::is_same_v<T, Ts> || ...)> {};

template <class T>
concept NodeType = IsAlternativeOf<std::remove_cvref_t<T>, Node>::value;

// One node of the declarative tree with the modifiers that wrap it. modifiers[0] is the innermost
// (applied first); each later one wraps everything before it.
struct View : ViewModifiers<View> {
  template <NodeType N>
  View(N node) : node(std::move(node)) {}
  View(Node node, std::vector<Modifier> modifiers)
      : node(std::move(node)), modifiers(std::move(modifiers)) {}

  template <NodeType N>
  const N* as() const {
    return std::get_if<N>(&node);
  }

  Node node;
  std::vector<Modifier> modifiers;

  friend bool operator==(const View&, const View&) = default;
};

// Print the dump of the tree (ui/view_dump.hpp), so failed comparisons are readable.
void PrintTo(const View& view, std::ostream* os);
void PrintTo(const VStack& node, std::ostream* os);
void PrintTo(const HStack& node, std::ostream* os);
void PrintTo(const Spacer& node, std::ostream* os);
void PrintTo(const Text& node, std::ostream* os);
void PrintTo(const Image& node, std::ostream* os);
void PrintTo(const Label& node, std::ostream* os);
void PrintTo(const Link& node, std::ostream* os);
void PrintTo(const LinearGradient& node, std::ostream* os);
void PrintTo(const Modifier& modifier, std::ostream* os);

}  // namespace ui
