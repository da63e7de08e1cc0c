#include "host/help_text.hpp"

#include <algorithm>

#include "host/command_table.hpp"

namespace host {
namespace {

constexpr std::string_view kPurpose = "Runs the widget extension as the phone's widget host does.";
constexpr std::string_view kExitStatus =
    "0 done; 1 failed (unwritable output, no link under a tap, a store read as defaults under "
    "--strict); 2 bad command line; 130 and 143: run stopped by SIGINT and SIGTERM.";

// The text in lines of at most 79 columns, the first starting at `indent` and the others
// indented to it; a "\n" in the text is kept as a break.
std::string wrapped(std::string_view text, std::size_t indent) {
  constexpr std::size_t kWidth = 79;
  std::string out;
  std::size_t column = indent;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '\n') {
      out += "\n" + std::string(indent, ' ');
      column = indent;
      ++at;
      continue;
    }
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
    const std::string_view word = text.substr(at, end - at);
    const bool lineStart = column == indent;
    if (!lineStart && column + 1 + word.size() > kWidth) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (!lineStart) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    at = end;
  }
  return out;
}

// "  --family FAMILY    small, medium or all", continuation lines under the text.
std::string optionRow(std::string head, std::string_view help) {
  constexpr std::size_t kColumn = 21;
  head = "  " + head;
  head += head.size() + 1 < kColumn ? std::string(kColumn - head.size(), ' ')
                                    : "\n" + std::string(kColumn, ' ');
  return head + wrapped(help, kColumn) + "\n";
}

std::string optionRows(const std::optional<Command>& command, std::string_view variable,
                       std::span<const std::string> entryFields) {
  std::string rows;
  for (const auto& spec : optionSpecs()) {
    if (command ? (spec.isCommon() || !spec.takenBy(*command)) : !spec.isCommon()) continue;
    std::string head(spec.name);
    if (!spec.alias.empty()) head += ", " + std::string(spec.alias);
    if (spec.takesValue()) head += " " + std::string(spec.valueName);
    rows += optionRow(head, optionHelp(spec, variable));
  }
  if (command && isOneOf(*command, kValueCommands)) {
    for (const auto& field : entryFields) {
      rows += optionRow("--" + field + " X", "the entry's " + field + " in place of the store's");
    }
  }
  return rows;
}

std::string formatRows() {
  std::string rows = "\nFormats:\n";
  for (const auto& spec : outputFormats()) {
    std::string name(spec.name);
    name.resize(10, ' ');
    std::string extension(spec.extension);
    extension.resize(6, ' ');
    rows += "  " + name + extension + std::string(spec.help) + "\n";
  }
  return rows;
}

}  // namespace

std::string optionHelp(const OptionSpec& option, std::string_view containersVariable) {
  std::string help(option.help);
  if (const auto at = help.find("{variable}"); at != std::string::npos) {
    help.replace(
        at, 10,
        containersVariable.empty() ? "" : "$" + std::string(containersVariable) + ", else ");
  }
  return help;
}

std::string_view hostPurpose() {
  return kPurpose;
}

std::string_view exitStatusText() {
  return kExitStatus;
}

std::string usageHint(std::string_view program, std::optional<Command> command) {
  std::string hint = "Try '" + std::string(program);
  if (command && *command != Command::help && *command != Command::version) {
    hint += " " + std::string(toString(*command));
  }
  return hint + " --help'.";
}

std::string helpText(std::string_view program, std::optional<Command> command,
                     std::string_view containersVariable,
                     std::span<const std::string> entryFields) {
  const std::string p(program);
  std::string text;
  if (command && *command != Command::help && *command != Command::version) {
    const CommandSpec& spec = commandSpecs()[static_cast<std::size_t>(*command)];
    text = "Usage: " + p + " " + std::string(spec.name) + std::string(spec.arguments) +
           " [options]\n\n" + std::string(spec.description) + "\n\n" +
           optionRows(command, containersVariable, entryFields);
    if (isOneOf(*command, kPictureCommands)) text += formatRows();
  } else {
    text = "Usage: " + p + " <command> [options]\n\n" + std::string(kPurpose) + "\n\nCommands:\n";
    for (const auto& spec : commandSpecs()) {
      std::string name(spec.name);
      name.resize(10, ' ');
      text += "  " + name + " " + std::string(spec.summary) + "\n";
    }
    text += "\n'" + p + " <command> --help' describes a command; '--' ends the options.\n";
  }
  text += "\nCommon options:\n" + optionRows(std::nullopt, containersVariable, entryFields);
  text += "\n" + wrapped("Exit status: " + std::string(kExitStatus), 0) + "\n";
  return text;
}

}  // namespace host
