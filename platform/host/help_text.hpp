#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/command_line.hpp"
#include "host/command_table.hpp"

namespace host {

// The help for the host as a whole, or for one command, from the same table the parser reads.
// `containersVariable`: the environment variable that may name the containers root, if the
// bundle has one; `entryFields`: the widget's entry fields, each an option of the commands that
// take values.
std::string helpText(std::string_view program, std::optional<Command> command,
                     std::string_view containersVariable = {},
                     std::span<const std::string> entryFields = {});

// An option's help with the containers variable's clause filled in.
std::string optionHelp(const OptionSpec& option, std::string_view containersVariable);

// The purpose of the host as a whole, and its exit statuses, as the help says them.
std::string_view hostPurpose();
std::string_view exitStatusText();

// "Try '<program> render --help'." and the like.
std::string usageHint(std::string_view program, std::optional<Command> command);

}  // namespace host
