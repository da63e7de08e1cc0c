#pragma once

#include <concepts>
#include <functional>
#include <string>

#include "host/widget_configuration.hpp"

namespace host {

// A widget: a value whose body is its configuration, evaluated afresh whenever the host asks.
template <class W>
concept Widget = std::copy_constructible<W> && requires(const W& widget) {
  { widget.body() } -> std::convertible_to<WidgetConfiguration>;
};

// A widget as a bundle holds it, whatever its type.
class AnyWidget {
 public:
  // AnyWidget itself is excluded first: asking whether it is a Widget would ask whether it is
  // copyable, which would consider this constructor again.
  template <class W>
  requires(!std::same_as<W, AnyWidget>) && Widget<W> explicit AnyWidget(W widget)
      : body_([widget = std::move(widget)] { return WidgetConfiguration(widget.body()); }) {}

  // Evaluates the widget's body: a new configuration, with a new provider, each time.
  WidgetConfiguration body() const { return body_(); }

 private:
  std::function<WidgetConfiguration()> body_;
};

}  // namespace host
