#include "ui/display/offset.hpp"

#include <variant>

namespace ui {

void offset(DisplayList& list, double dx, double dy) {
  for (auto& item : list) {
    std::visit(
        [&](auto& element) {
          if constexpr (requires { element.rect.origin; }) {
            element.rect.origin.x += dx;
            element.rect.origin.y += dy;
          }
          if constexpr (requires {
                          element.start.x;
                          element.end.x;
                        }) {
            element.start.x += dx;
            element.start.y += dy;
            element.end.x += dx;
            element.end.y += dy;
          }
        },
        item);
  }
}

}  // namespace ui
