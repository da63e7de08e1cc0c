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
  template <Widget W>
  explicit AnyWidget(W widget)
      : body_([widget = std::move(widget)] { return WidgetConfiguration(widget.body()); }) {}

  // Evaluates the widget's body: a new configuration, with a new provider, each time.
  WidgetConfiguration body() const { return body_(); }

 private:
  std::function<WidgetConfiguration()> body_;
};

}  // namespace host
