#pragma once

#include <optional>
#include <string>

#include "foundation/locale.hpp"
#include "ui/view/modifier.hpp"
#include "ui/view/view.hpp"

namespace ui {

struct DumpOptions {
  // The locale of the render formatted numbers are shown in; nothing: the system's.
  std::optional<foundation::Locale> locale;
};

// A stable text form of the tree, one node a line, each level indented two spaces deeper. A
// node's line holds its properties; its children follow, then its modifiers in the order applied,
// each on its own line starting with ".". Views held in a slot (a label's title and icon) are
// prefixed with the slot's name; a container background's content sits under its modifier.
// A formatted number shows its raw value (shortest round trip) and the text it shows.
std::string dump(const View& view, const DumpOptions& options = {});

// One modifier as its line in the dump, without what it holds (a background's content).
std::string describe(const Modifier& modifier);

}  // namespace ui
