#include "ui/view/gradient.hpp"

namespace ui {

void PrintTo(const Gradient& gradient, std::ostream* os) {
  *os << "Gradient(colors: [";
  for (std::size_t i = 0; i < gradient.colors.size(); ++i) {
    *os << (i == 0 ? "" : ", ") << toString(gradient.colors[i]);
  }
  *os << "])";
}

}  // namespace ui
