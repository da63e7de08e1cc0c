#include "host/command_line.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "host/command_table.hpp"
#include "host/suggestion.hpp"

namespace host {
namespace {

std::optional<double> parseNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string inQuotes(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// An argument that starts with '-' is an option, except a number (a tap at -4 -2).
bool isOption(std::string_view argument) {
  return argument.size() > 1 && argument[0] == '-' && !parseNumber(argument);
}

class Parser {
 public:
  Parser(std::span<const std::string> arguments, std::span<const std::string> entryFields)
      : arguments_(arguments),
        entryFields_(entryFields),
        optionsEnd_(static_cast<std::size_t>(std::find(arguments.begin(), arguments.end(), "--") -
                                             arguments.begin())) {}

  std::variant<CommandLine, UsageError> parse() {
    if (auto early = helpOrVersion()) return *early;
    std::optional<Command> command;
    std::vector<std::string> positionals;
    for (std::size_t i = 0; i < arguments_.size(); ++i) {
      if (i == optionsEnd_) continue;
      const std::string& argument = arguments_[i];
      if (i < optionsEnd_ && isOption(argument) && !isVerbWord(command, positionals, argument)) {
        if (auto error = option(i, command)) return *std::move(error);
      } else if (!command) {
        command = commandNamed(argument);
        if (!command) {
          std::vector<std::string> names;
          for (const auto& spec : commandSpecs()) names.emplace_back(spec.name);
          return UsageError{"unknown command " + inQuotes(argument) + didYouMean(argument, names),
                            std::nullopt};
        }
        line_.command = *command;
      } else {
        positionals.push_back(argument);
      }
    }
    if (!command) {
      const auto specs = commandSpecs();
      std::string names;
      for (std::size_t i = 0; i < specs.size(); ++i) {
        if (i > 0) names += i + 1 == specs.size() ? " or " : ", ";
        names += specs[i].name;
      }
      return UsageError{"missing command (" + names + ")", std::nullopt};
    }
    if (command == Command::help) {
      if (!positionals.empty()) line_.helpTopic = commandNamed(positionals.front());
      return line_;
    }
    if (command == Command::version) return line_;
    return finish(*command, positionals);
  }

 private:
  bool takesValue(std::string_view argument) const {
    return isField(argument) ||
           std::any_of(optionSpecs().begin(), optionSpecs().end(), [&](const OptionSpec& spec) {
             return spec.spelled(argument) && spec.takesValue();
           });
  }

  // A word of the command's verb that starts with '-': after the verb, whatever spells none of
  // the command's options (see CommandSpec::takesVerb).
  static bool isVerbWord(std::optional<Command> command,
                         const std::vector<std::string>& positionals, std::string_view argument) {
    if (!command || positionals.empty() || *command == Command::help ||
        *command == Command::version ||
        !commandSpecs()[static_cast<std::size_t>(*command)].takesVerb) {
      return false;
    }
    const std::string_view name = argument.substr(0, argument.find('='));
    return std::none_of(optionSpecs().begin(), optionSpecs().end(), [&](const OptionSpec& spec) {
      return spec.spelled(name) && spec.takenBy(*command);
    });
  }

  // `--<name>` of one of the entry's fields.
  bool isField(std::string_view argument) const {
    return argument.starts_with("--") && std::find(entryFields_.begin(), entryFields_.end(),
                                                   argument.substr(2)) != entryFields_.end();
  }

  // --help, -h and --version before "--", whatever else is there: the help of the command
  // named, or the version; nothing runs.
  std::optional<CommandLine> helpOrVersion() const {
    bool help = false;
    bool version = false;
    std::optional<Command> command;
    for (std::size_t i = 0; i < optionsEnd_; ++i) {
      const std::string_view argument = arguments_[i];
      if (argument == "--help" || argument == "-h") {
        help = true;
      } else if (argument == "--version") {
        version = true;
      } else if (isOption(argument)) {
        if (argument.find('=') == std::string_view::npos && takesValue(argument)) ++i;
      } else if (!command) {
        command = commandNamed(argument);
        if (command == Command::help && i + 1 < optionsEnd_) {
          help = true;
          command = commandNamed(arguments_[i + 1]);
        }
      }
    }
    if (!help && !version) return std::nullopt;
    CommandLine line;
    line.command = help ? Command::help : Command::version;
    if (help && command && command != Command::help && command != Command::version) {
      line.helpTopic = command;
    }
    return line;
  }

  std::optional<UsageError> option(std::size_t& i, std::optional<Command> command) {
    std::string_view argument = arguments_[i];
    std::optional<std::string_view> inlineValue;
    if (const auto equals = argument.find('='); equals != std::string_view::npos) {
      inlineValue = argument.substr(equals + 1);
      argument = argument.substr(0, equals);
    }
    const OptionSpec* spec = nullptr;
    bool known = isField(argument);
    for (const auto& candidate : optionSpecs()) {
      if (!candidate.spelled(argument)) continue;
      known = true;
      if (!command ? candidate.isCommon() : candidate.takenBy(*command)) {
        spec = &candidate;
        break;
      }
    }
    const bool field = isField(argument) && command && isOneOf(*command, kValueCommands);
    if (!known) {
      std::vector<std::string> names;
      for (const auto& candidate : optionSpecs()) {
        if (!command || candidate.takenBy(*command)) names.emplace_back(candidate.name);
      }
      if (command && isOneOf(*command, kValueCommands)) {
        for (const auto& name : entryFields_) names.push_back("--" + name);
      }
      return UsageError{"unknown option " + inQuotes(argument) + didYouMean(argument, names),
                        command};
    }
    if (!spec && !field && !command) {
      return UsageError{"option " + inQuotes(argument) + " needs a command before it", command};
    }
    if (!spec && !field) {
      return UsageError{"option " + inQuotes(argument) + " is not an option of " +
                            std::string(toString(*command)),
                        command};
    }
    std::string_view value;
    if (field || spec->takesValue()) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < optionsEnd_) {
        value = arguments_[++i];
      } else {
        return UsageError{"option " + inQuotes(argument) + " needs a value", command};
      }
    } else if (inlineValue) {
      return UsageError{"option " + inQuotes(argument) + " takes no value", command};
    }
    std::optional<std::string> expected;
    if (field) {
      const auto number = parseNumber(value);
      if (number) line_.fieldValues.emplace_back(std::string(argument.substr(2)), *number);
      if (!number) expected = "a number";
    } else if (const auto* flag = std::get_if<bool CommandLine::*>(&spec->action)) {
      line_.*(*flag) = true;
    } else if (const auto* read = std::get_if<ReadValue>(&spec->action)) {
      expected = (*read)(line_, value);
    }
    if (expected) {
      const std::string_view name = field ? argument : spec->name;
      return UsageError{"invalid value " + inQuotes(value) + " for " + std::string(name) +
                            " (expected " + *expected + ")",
                        command};
    }
    return std::nullopt;
  }

  std::variant<CommandLine, UsageError> finish(Command command,
                                               const std::vector<std::string>& positionals) {
    if (command == Command::tap) {
      if (positionals.size() != 2) {
        return UsageError{"tap needs two numbers, X and Y, in points", command};
      }
      const auto x = parseNumber(positionals[0]);
      const auto y = parseNumber(positionals[1]);
      if (!x) {
        return UsageError{"invalid X " + inQuotes(positionals[0]) + " (expected a number)",
                          command};
      }
      if (!y) {
        return UsageError{"invalid Y " + inQuotes(positionals[1]) + " (expected a number)",
                          command};
      }
      line_.tapPoint = foundation::Point{*x, *y};
      if (line_.print && line_.openWith) {
        return UsageError{"options '--print' and '--open-with' exclude each other", command};
      }
    } else if (command == Command::defaults) {
      auto request = parseDefaultsRequest(positionals);
      if (const auto* error = std::get_if<DefaultsUsageError>(&request)) {
        return UsageError{error->message, command};
      }
      line_.defaults = std::get<DefaultsRequest>(std::move(request));
      line_.defaults->force = line_.force;
    } else if (command == Command::snapshot) {
      if (auto error = snapshotRequest(positionals)) return UsageError{*error, command};
    } else if (!positionals.empty()) {
      return UsageError{"unexpected argument " + inQuotes(positionals.front()), command};
    }
    if (line_.placeholder && line_.snapshot) {
      return UsageError{"options '--placeholder' and '--snapshot' exclude each other", command};
    }
    if (line_.tint) {
      // A matrix tints its home-tinted cells; a single picture must be one.
      if (isOneOf(command, kMatrixCommands)) {
        if (!std::ranges::count(line_.contexts, RenderingContext::homeTinted)) {
          return UsageError{
              "--tint colours the tinted home screen: give --contexts with home-tinted", command};
        }
      } else if (line_.renderingContext != RenderingContext::homeTinted) {
        return UsageError{"--tint colours the tinted home screen: give --context home-tinted",
                          command};
      }
    }
    return line_;
  }

  // snapshot's verb and folder, and the options only one of the verbs takes.
  std::optional<std::string> snapshotRequest(const std::vector<std::string>& positionals) {
    const auto verb = positionals.empty() ? std::nullopt : snapshotVerbNamed(positionals[0]);
    if (!verb || positionals.size() != 2 || positionals[1].empty()) {
      if (positionals.size() > 2) return "unexpected argument " + inQuotes(positionals[2]);
      return "snapshot needs record or verify, then a folder";
    }
    line_.snapshotRequest = SnapshotRequest{*verb, positionals[1]};
    if (*verb == SnapshotVerb::record) {
      for (const auto& [given, name] : {std::pair{line_.report.has_value(), "--report"},
                                        {line_.threshold.has_value(), "--threshold"},
                                        {line_.allowedPixels.has_value(), "--allowed-pixels"},
                                        {line_.update, "--update"}}) {
        if (given) return "option '" + std::string(name) + "' is an option of snapshot verify";
      }
    } else if (line_.scale) {
      return "snapshot verify draws each cell at the scale it was recorded at: leave --scale out";
    } else if (line_.tint) {
      return "snapshot verify draws each cell in the tint it was recorded with: leave --tint out";
    }
    return std::nullopt;
  }

  std::span<const std::string> arguments_;
  std::span<const std::string> entryFields_;
  std::size_t optionsEnd_;  // the index of "--", or the size
  CommandLine line_;
};

}  // namespace

std::variant<CommandLine, UsageError> parseCommandLine(std::span<const std::string> arguments,
                                                       std::span<const std::string> entryFields) {
  return Parser(arguments, entryFields).parse();
}

}  // namespace host
