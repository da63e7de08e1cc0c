#include "extension/pocketta_widget_bundle.hpp"
#include "host/widget_bundle.hpp"
#include "preview/preview_server.hpp"

// The host with the preview's web server linked in; `pocketta-widget preview` becomes this.
int main() {
  host::WidgetBundle::main<pocketta::PockettaWidgetBundle>(preview::servePreview);
  return 0;
}
