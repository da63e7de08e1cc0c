#include "ui/view/view.hpp"

#include <utility>

namespace ui {

VStack::VStack(std::vector<View> children) : children(std::move(children)) {}
VStack::VStack(HorizontalAlignment alignment, std::vector<View> children)
    : alignment(alignment), children(std::move(children)) {}
VStack::VStack(HorizontalAlignment alignment, std::optional<double> spacing,
               std::vector<View> children)
    : alignment(alignment), spacing(spacing), children(std::move(children)) {}

HStack::HStack(std::vector<View> children) : children(std::move(children)) {}
HStack::HStack(VerticalAlignment alignment, std::vector<View> children)
    : alignment(alignment), children(std::move(children)) {}
HStack::HStack(VerticalAlignment alignment, std::optional<double> spacing,
               std::vector<View> children)
    : alignment(alignment), spacing(spacing), children(std::move(children)) {}

Label::Label(LocalizedStringKey title, std::string systemImage)
    : content(TitleKeyAndSystemImage{std::move(title), std::move(systemImage)}) {}
Label::Label(View title, View icon) : content(TitleAndIcon{std::move(title), std::move(icon)}) {}

Link::Link(foundation::URL destination, View label)
    : destination(std::move(destination)), label(std::move(label)) {}

namespace {

template <class Derived>
View appending(const ViewModifiers<Derived>& receiver, Modifier modifier) {
  View view = static_cast<const Derived&>(receiver);
  view.modifiers.push_back(std::move(modifier));
  return view;
}

}  // namespace

template <class Derived>
View ViewModifiers<Derived>::font(Font font) const {
  return appending(*this, FontModifier{font});
}

template <class Derived>
View ViewModifiers<Derived>::foregroundStyle(Color color) const {
  return appending(*this, ForegroundStyleModifier{color});
}

template <class Derived>
View ViewModifiers<Derived>::minimumScaleFactor(double factor) const {
  return appending(*this, MinimumScaleFactorModifier{factor});
}

template <class Derived>
View ViewModifiers<Derived>::lineLimit(std::optional<int> limit) const {
  return appending(*this, LineLimitModifier{limit});
}

template <class Derived>
View ViewModifiers<Derived>::containerBackground(ContainerBackgroundPlacement placement,
                                                 Alignment alignment, View content) const {
  return appending(*this, ContainerBackgroundModifier{placement, alignment, std::move(content)});
}

template <class Derived>
View ViewModifiers<Derived>::containerBackground(ContainerBackgroundPlacement placement,
                                                 View content) const {
  return containerBackground(placement, Alignment::center, std::move(content));
}

// The closed set of receivers; the definitions above stay out of the headers.
template struct ViewModifiers<View>;
template struct ViewModifiers<VStack>;
template struct ViewModifiers<HStack>;
template struct ViewModifiers<Spacer>;
template struct ViewModifiers<Text>;
template struct ViewModifiers<Image>;
template struct ViewModifiers<Label>;
template struct ViewModifiers<Link>;
template struct ViewModifiers<LinearGradient>;

}  // namespace ui
