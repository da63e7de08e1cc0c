#pragma once

#include <string_view>

namespace pocketta {

// The App Group shared with the containing app, whose preferences suite is the shared store;
// chosen by the deployment at build time.
extern const std::string_view kAppGroup;

}  // namespace pocketta
