#pragma once

#include "foundation/url.hpp"
#include "ui/view/box.hpp"
#include "ui/view/view_modifiers.hpp"

namespace ui {

struct View;

// A tap target: the host opens `destination` when the user taps the label.
struct Link : ViewModifiers<Link> {
  Link(foundation::URL destination, View label);

  foundation::URL destination;
  Box<View> label;

  friend bool operator==(const Link&, const Link&) = default;
};

}  // namespace ui
