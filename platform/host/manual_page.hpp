#pragma once

#include <span>
#include <string>

#include "host/bundle_info.hpp"

namespace host {

// The host's manual page (man(7) macros), from the same tables as its --help: every command
// with its description and options, the common options, the formats, then the environment,
// files, exit status and examples. `entryFields`: as for helpText.
std::string manualPage(const BundleInfo& info, std::span<const std::string> entryFields = {});

}  // namespace host
