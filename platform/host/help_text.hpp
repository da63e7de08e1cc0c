#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/command_line.hpp"

namespace host {

// The help for the host as a whole, or for one command, from the same table the parser reads.
// `containersVariable`: the environment variable that may name the containers root, if the
// bundle has one; `entryFields`: the widget's entry fields, each an option of the commands that
// take values.
std::string helpText(std::string_view program, std::optional<Command> command,
                     std::string_view containersVariable = {},
                     std::span<const std::string> entryFields = {});

// "Try '<program> render --help'." and the like.
std::string usageHint(std::string_view program, std::optional<Command> command);

}  // namespace host
