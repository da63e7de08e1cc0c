#pragma once

#include <filesystem>

#include "host/command_context.hpp"
#include "host/command_result.hpp"

namespace host {

// snapshot verify: draws the recorded cells of `folder` again, from its manifest, and compares
// them with their pictures; writes the report; with --update, records what now differs.
CommandResult verifySnapshots(const CommandContext& context, const std::filesystem::path& folder);

}  // namespace host
