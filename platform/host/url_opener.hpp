#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// Opens a URL with a program: `command` split at spaces, the URL added as one more argument,
// run without a shell. Returns nothing on success, else one line saying what failed.
using URLOpener = std::function<std::optional<std::string>(const std::vector<std::string>& command,
                                                           const std::string& url)>;
std::optional<std::string> spawnURLOpener(const std::vector<std::string>& command,
                                          const std::string& url);

// An opener as --open-with gives it: the program and its arguments, split at spaces.
std::vector<std::string> openerCommand(std::string_view command);

}  // namespace host
