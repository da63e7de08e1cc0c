#pragma once

#include <span>
#include <string>

#include "host/bundle_info.hpp"

namespace host {

// Completion scripts for bash and zsh, from the same tables as --help: the commands, each
// command's options and the common ones, the values of the options that take a word from a list
// (formats, families, text sizes, appearances), files and folders, and the verbs of a command
// that takes one. `entryFields`: as for helpText.
std::string bashCompletion(const BundleInfo& info, std::span<const std::string> entryFields = {});
std::string zshCompletion(const BundleInfo& info, std::span<const std::string> entryFields = {});

}  // namespace host
