#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "host/command_line.hpp"

namespace host {

struct CommandContext;
struct CommandResult;

// A command: what it runs, and how its help introduces it.
struct CommandSpec {
  Command command;
  CommandResult (*run)(const CommandContext& context);
  std::string_view name;
  std::string_view arguments;  // in the usage line, between the name and [options]
  std::string_view summary;
  std::string_view description;
  // The command's first positional word is a verb whose own words follow it: after the verb, a
  // word that spells none of the command's options is one of them even when it starts with '-'
  // (a type such as -int, a value such as -12.5 or -x).
  bool takesVerb = false;
};

// The commands in the order of Command's values (help and version are the parser's own).
std::span<const CommandSpec> commandSpecs();
std::optional<Command> commandNamed(std::string_view name);

using Commands = std::initializer_list<Command>;
// The commands that write pictures, and those that take the entry's values in place of the
// store's (`--<field> X`).
inline constexpr Commands kPictureCommands{Command::render, Command::gallery, Command::run};
inline constexpr Commands kValueCommands{Command::fit, Command::check};
// The commands that draw or check a matrix of cells (see Matrix).
inline constexpr Commands kMatrixCommands{Command::fit, Command::check, Command::snapshot};
bool isOneOf(Command command, Commands commands);

// Reads an option's value into the line; says what was expected when the value is not one of
// them.
using ReadValue = std::optional<std::string> (*)(CommandLine& line, std::string_view value);

// One option: its spellings, the commands that take it, its help and what it does. An option may
// have a row per set of commands when it means something else for them.
struct OptionSpec {
  std::string_view name;
  std::string_view alias;      // another spelling ("-h"), or empty
  std::string_view valueName;  // empty: a flag
  Commands commands;           // empty: every command
  std::string_view help;       // "{variable}" stands for the containers variable's clause
  // A flag sets its member; an option with a value reads it. --help and --version do neither:
  // the parser looks for them before anything else.
  std::variant<std::monostate, bool CommandLine::*, ReadValue> action;

  bool takesValue() const { return !valueName.empty(); }
  bool isCommon() const { return commands.size() == 0; }
  bool takenBy(Command command) const { return isCommon() || isOneOf(command, commands); }
  bool spelled(std::string_view argument) const {
    return name == argument || (!alias.empty() && alias == argument);
  }
};

std::span<const OptionSpec> optionSpecs();

// Runs the command the line names, through its row of the table.
CommandResult runCommandOf(const CommandContext& context);

}  // namespace host
