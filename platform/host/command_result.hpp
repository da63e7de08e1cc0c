#pragma once

#include <string>
#include <utility>

namespace host {

// A command's outcome: the exit status, and the line that explains a failure.
struct CommandResult {
  int status = 0;
  std::string message;
  static CommandResult ok() { return {}; }
  static CommandResult usage(std::string message) { return {2, std::move(message)}; }
  static CommandResult failure(std::string message) { return {1, std::move(message)}; }
  friend bool operator==(const CommandResult&, const CommandResult&) = default;
};

}  // namespace host
