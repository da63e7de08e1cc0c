#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/command_context.hpp"
#include "host/command_result.hpp"
#include "host/output_plan.hpp"

namespace host {

// The commands, one function each, as the command table runs them.
CommandResult renderCommand(const CommandContext& context);
CommandResult timelineCommand(const CommandContext& context);
CommandResult galleryCommand(const CommandContext& context);
CommandResult describeCommand(const CommandContext& context);
CommandResult tapCommand(const CommandContext& context);
CommandResult runCommand(const CommandContext& context);
CommandResult previewCommand(const CommandContext& context);
CommandResult fitCommand(const CommandContext& context);
CommandResult devicesCommand(const CommandContext& context);
CommandResult defaultsCommand(const CommandContext& context);
CommandResult checkCommand(const CommandContext& context);
CommandResult snapshotCommand(const CommandContext& context);

// fit's --locales: "all", identifiers joined by commas, or none for the user's locale.
std::variant<std::vector<std::string>, CommandResult> fitLocales(
    const std::optional<std::string>& list, const foundation::Locale& userLocale);

// The executable that serves `preview`, beside this one.
inline constexpr const char* kPreviewExecutableSuffix = "-preview";

}  // namespace host
