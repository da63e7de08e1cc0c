#include "extension/pocketta_widget_bundle.hpp"
#include "host/widget_bundle.hpp"

int main() {
  host::WidgetBundle::main<pocketta::PockettaWidgetBundle>();
  return 0;
}
