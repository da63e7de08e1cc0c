#pragma once

#include <string>
#include <variant>

#include "ui/view/box.hpp"
#include "ui/view/localized_string_key.hpp"
#include "ui/view/view_modifiers.hpp"

namespace ui {

struct View;

// The platform's default label: the icon followed by the title.
struct TitleKeyAndSystemImage {
  LocalizedStringKey title;
  std::string systemImage;

  friend bool operator==(const TitleKeyAndSystemImage&, const TitleKeyAndSystemImage&) = default;
};

struct TitleAndIcon {
  Box<View> title;
  Box<View> icon;

  friend bool operator==(const TitleAndIcon&, const TitleAndIcon&) = default;
};

struct Label : ViewModifiers<Label> {
  using Content = std::variant<TitleKeyAndSystemImage, TitleAndIcon>;

  Label(LocalizedStringKey title, std::string systemImage);
  Label(View title, View icon);

  Content content;

  friend bool operator==(const Label&, const Label&) = default;
};

}  // namespace ui
