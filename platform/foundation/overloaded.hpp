#pragma once

namespace foundation {

// One visitor from several lambdas, for std::visit over a variant's alternatives.
template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace foundation
