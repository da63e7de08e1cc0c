#include "host/command_line.hpp"

#include <charconv>
#include <cmath>
#include <initializer_list>

namespace host {
namespace {

struct CommandName {
  std::string_view name;
  Command command;
  std::string_view summary;
};

constexpr CommandName kCommands[] = {
    {"render", Command::render, "render the widget as PNG, SVG, a terminal preview or a tree"},
    {"timeline", Command::timeline, "ask the provider for a timeline and print it (--json)"},
    {"gallery", Command::gallery, "the widget as the gallery shows it: name, description, sizes"},
    {"describe", Command::describe, "the widget's configuration and the store it reads"},
    {"tap", Command::tap, "tap the widget at X Y and open the link there"},
    {"run", Command::run, "the live host: render, wait for the reload policy, repeat"},
};

// Which commands take an option. The common options (--locale, --containers, --kind, --help,
// --version) are taken by all.
struct OptionSpec {
  std::string_view name;
  bool takesValue;
  std::initializer_list<Command> commands;
};

const OptionSpec kOptions[] = {
    {"--family", true, {Command::render, Command::tap, Command::run}},
    {"--format", true, {Command::render, Command::gallery, Command::run}},
    {"--scale", true, {Command::render, Command::gallery, Command::run}},
    {"--out", true, {Command::render, Command::gallery, Command::run}},
    {"--appearance", true, {Command::render, Command::gallery, Command::run}},
    {"--dark", false, {Command::render, Command::gallery, Command::run}},
    {"--placeholder", false, {Command::render}},
    {"--snapshot", false, {Command::render}},
    {"--json", false, {Command::timeline}},
    {"--print", false, {Command::tap}},
    {"--phone", false, {Command::tap}},
    {"--open-with", true, {Command::tap}},
    {"--reloads", true, {Command::run}},
    {"--locale", true, {}},
    {"--containers", true, {}},
    {"--kind", true, {}},
    {"--strict", false, {}},
    {"--help", false, {}},
    {"--version", false, {}},
};

bool takesOption(const OptionSpec& spec, Command command) {
  if (spec.commands.size() == 0) return true;
  for (const Command c : spec.commands) {
    if (c == command) return true;
  }
  return false;
}

std::optional<double> parseNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<long long> parseCount(std::string_view text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

class Parser {
 public:
  explicit Parser(std::span<const std::string> arguments) : arguments_(arguments) {}

  std::variant<CommandLine, UsageError> parse() {
    // Options before the command are the common ones (or --help / --version alone).
    std::size_t i = 0;
    std::optional<Command> command;
    std::vector<std::string> positionals;
    for (; i < arguments_.size(); ++i) {
      const std::string& argument = arguments_[i];
      if (!command && !isOption(argument)) {
        command = commandNamed(argument);
        if (!command) return UsageError{"unknown command " + quoted(argument), std::nullopt};
        line_.command = *command;
        continue;
      }
      if (isOption(argument)) {
        if (auto error = option(i, command)) return *std::move(error);
      } else {
        positionals.push_back(argument);
      }
    }
    if (command == Command::help && !positionals.empty()) {
      line_.helpTopic = commandNamed(positionals.front());
    }
    if (!command && !helpAsked_ && line_.command != Command::version) {
      return UsageError{"missing command (render, timeline, gallery, describe, tap or run)",
                        std::nullopt};
    }
    if (line_.command == Command::help || line_.command == Command::version) return line_;
    return finish(*command, positionals);
  }

 private:
  // An argument that starts with '-' is an option, except a number (a tap at -4 -2).
  static bool isOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-' && !parseNumber(argument);
  }

  static std::optional<Command> commandNamed(std::string_view name) {
    for (const auto& entry : kCommands) {
      if (entry.name == name) return entry.command;
    }
    if (name == "help") return Command::help;
    if (name == "version") return Command::version;
    return std::nullopt;
  }

  std::optional<UsageError> option(std::size_t& i, std::optional<Command> command) {
    std::string_view argument = arguments_[i];
    std::optional<std::string> inlineValue;
    if (const auto equals = argument.find('='); equals != std::string_view::npos) {
      inlineValue = std::string(argument.substr(equals + 1));
      argument = argument.substr(0, equals);
    }
    const OptionSpec* spec = nullptr;
    for (const auto& candidate : kOptions) {
      if (candidate.name == argument) spec = &candidate;
    }
    if (!spec) return UsageError{"unknown option " + quoted(argument), command};
    const Command forCommand = command.value_or(Command::help);
    if (!command && spec->commands.size() != 0) {
      return UsageError{"option " + quoted(argument) + " needs a command before it", command};
    }
    if (command && !takesOption(*spec, forCommand)) {
      return UsageError{"option " + quoted(argument) + " is not an option of " +
                            std::string(toString(forCommand)),
                        command};
    }
    std::string value;
    if (spec->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < arguments_.size()) {
        value = arguments_[++i];
      } else {
        return UsageError{"option " + quoted(argument) + " needs a value", command};
      }
    } else if (inlineValue) {
      return UsageError{"option " + quoted(argument) + " takes no value", command};
    }
    return apply(argument, value, command);
  }

  std::optional<UsageError> apply(std::string_view name, const std::string& value,
                                  std::optional<Command> command) {
    auto bad = [&](std::string_view expected) {
      return UsageError{"invalid value " + quoted(value) + " for " + std::string(name) +
                            " (expected " + std::string(expected) + ")",
                        command};
    };
    if (name == "--help") {
      line_.helpTopic = command;
      line_.command = Command::help;
      helpAsked_ = true;
    } else if (name == "--version") {
      if (!helpAsked_) line_.command = Command::version;
    } else if (name == "--family") {
      if (value == "small" || value == "systemSmall") {
        line_.families = {WidgetFamily::systemSmall};
      } else if (value == "medium" || value == "systemMedium") {
        line_.families = {WidgetFamily::systemMedium};
      } else if (value == "all" && command != Command::tap) {
        line_.families = {WidgetFamily::systemSmall, WidgetFamily::systemMedium};
      } else {
        return bad(command == Command::tap ? "small or medium" : "small, medium or all");
      }
    } else if (name == "--format") {
      if (value == "png") {
        line_.format = OutputFormat::png;
      } else if (value == "svg") {
        line_.format = OutputFormat::svg;
      } else if (value == "terminal") {
        line_.format = OutputFormat::terminal;
      } else if (value == "tree") {
        line_.format = OutputFormat::tree;
      } else {
        return bad("png, svg, terminal or tree");
      }
    } else if (name == "--scale") {
      if (value != "1" && value != "2" && value != "3") return bad("1, 2 or 3");
      line_.scale = value[0] - '0';
    } else if (name == "--out") {
      if (value.empty()) return bad("a file, a folder or -");
      line_.out = value;
    } else if (name == "--appearance") {
      if (value == "light") {
        line_.appearance = Appearance::light;
      } else if (value == "dark") {
        line_.appearance = Appearance::dark;
      } else {
        return bad("light or dark");
      }
    } else if (name == "--dark") {
      line_.appearance = Appearance::dark;
    } else if (name == "--placeholder") {
      line_.placeholder = true;
    } else if (name == "--snapshot") {
      line_.snapshot = true;
    } else if (name == "--json") {
      line_.json = true;
    } else if (name == "--print") {
      line_.print = true;
    } else if (name == "--phone") {
      line_.phone = true;
    } else if (name == "--open-with") {
      if (value.empty()) return bad("a command");
      line_.openWith = value;
    } else if (name == "--reloads") {
      const auto count = parseCount(value);
      if (!count || *count < 1) return bad("a whole number of at least 1");
      line_.reloads = *count;
    } else if (name == "--locale") {
      if (value.empty() || value.size() > 100) return bad("a locale identifier such as en_US");
      line_.locale = value;
    } else if (name == "--containers") {
      if (value.empty()) return bad("a folder");
      line_.containers = value;
    } else if (name == "--kind") {
      line_.kind = value;
    } else if (name == "--strict") {
      line_.strict = true;
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
      if (!x)
        return UsageError{"invalid X " + quoted(positionals[0]) + " (expected a number)", command};
      if (!y)
        return UsageError{"invalid Y " + quoted(positionals[1]) + " (expected a number)", command};
      line_.tapPoint = foundation::Point{*x, *y};
      if (line_.print && line_.openWith) {
        return UsageError{"options '--print' and '--open-with' exclude each other", command};
      }
    } else if (!positionals.empty()) {
      return UsageError{"unexpected argument " + quoted(positionals.front()), command};
    }
    if (line_.placeholder && line_.snapshot) {
      return UsageError{"options '--placeholder' and '--snapshot' exclude each other", command};
    }
    return line_;
  }

  std::span<const std::string> arguments_;
  CommandLine line_;
  bool helpAsked_ = false;
};

}  // namespace

std::string_view toString(Command command) {
  switch (command) {
    case Command::render:
      return "render";
    case Command::timeline:
      return "timeline";
    case Command::gallery:
      return "gallery";
    case Command::describe:
      return "describe";
    case Command::tap:
      return "tap";
    case Command::run:
      return "run";
    case Command::help:
      return "help";
    case Command::version:
      return "version";
  }
  return "?";
}

std::string_view toString(OutputFormat format) {
  switch (format) {
    case OutputFormat::png:
      return "png";
    case OutputFormat::svg:
      return "svg";
    case OutputFormat::terminal:
      return "terminal";
    case OutputFormat::tree:
      return "tree";
  }
  return "?";
}

std::string_view toString(Appearance appearance) {
  return appearance == Appearance::dark ? "dark" : "light";
}

std::variant<CommandLine, UsageError> parseCommandLine(std::span<const std::string> arguments) {
  return Parser(arguments).parse();
}

std::string usageHint(std::string_view program, std::optional<Command> command) {
  std::string hint = "Try '" + std::string(program);
  if (command && *command != Command::help && *command != Command::version) {
    hint += " " + std::string(toString(*command));
  }
  return hint + " --help'.";
}

namespace {

std::string commonOptions(std::string_view containersVariable) {
  const std::string variable =
      containersVariable.empty()
          ? ""
          : "$" + std::string(containersVariable) + ",\n" + std::string(21, ' ') + "else ";
  return R"(
Common options:
  --locale ID        the user's locale for this run (en_US, ru_RU, zh_Hans_CN, de_DE...)
  --containers DIR   the App Group containers root (default: )" +
         variable + R"($XDG_DATA_HOME/group-containers
                     when absolute, else ~/.local/share/group-containers)
  --strict           fail (exit 1) when the store is missing or unreadable, where the
                     widget would show defaults; without it, one line on standard error says so
  --kind KIND        the widget of the bundle to use (default: the first)
  --help             this help; --version: the version
)";
}

constexpr std::string_view kPictureOptions =
    R"(  --format FORMAT    png, svg, terminal (a preview in 24-bit colour) or tree (the view tree);
                     default: from the --out file's extension, png for a folder, terminal
                     without --out
  --scale N          pixels per point for png: 1, 2 or 3 (default 1)
  --out PATH         a file, a folder (one that exists, or a path ending in / or without an
                     extension; one file per picture: <kind>-small.png, and .svg, .ans for
                     terminal, .txt for tree), or - for standard output; files are written
                     whole or not at all
  --appearance MODE  light or dark (default light); --dark is short for dark
)";

}  // namespace

std::string helpText(std::string_view program, std::optional<Command> command,
                     std::string_view containersVariable) {
  const std::string p(program);
  std::string text;
  switch (command.value_or(Command::help)) {
    case Command::render:
      text = "Usage: " + p + " render [options]\n\n" +
             "Asks the provider for a timeline and renders the entry that shows now.\n\n"
             "  --family FAMILY    small, medium or all (default all)\n" +
             std::string(kPictureOptions) +
             "  --placeholder      render the placeholder entry, redacted, as while loading\n"
             "  --snapshot         render a snapshot, as the gallery asks for one\n";
      break;
    case Command::timeline:
      text = "Usage: " + p + " timeline [--json] [options]\n\n" +
             "Asks the provider for a timeline and prints its entries and reload policy.\n\n"
             "  --json             print JSON for scripts, on one line:\n"
             "                     {\"entries\": [{\"date\", \"secondsSinceReferenceDate\", "
             "<fields>}],\n"
             "                      \"policy\": {\"kind\": \"after\"|\"atEnd\"|\"never\", "
             "\"date\"}}\n"
             "                     dates ISO 8601 UTC with milliseconds or null; numbers "
             "shortest\n"
             "                     round-trip; NaN and infinities as \"nan\", \"inf\", \"-inf\"\n";
      break;
    case Command::gallery:
      text = "Usage: " + p + " gallery [options]\n\n" +
             "One picture of the widget as the gallery shows it: its display name and\n"
             "description in the user's language, and a snapshot in each supported size.\n\n" +
             std::string(kPictureOptions);
      break;
    case Command::describe:
      text = "Usage: " + p + " describe [options]\n\n" +
             "Prints the widget's configuration: kind, display name, description, sizes, and\n"
             "the App Group suite and store file that its provider reads.\n";
      break;
    case Command::tap:
      text = "Usage: " + p + " tap X Y [options]\n\n" +
             "Lays the widget out, finds the link under the point X Y (in points, from the\n"
             "widget's top-left corner) and opens its URL. Where there is no link, a tap opens\n"
             "the containing app.\n\n"
             "On the phone a small widget is one tap target: its links do not open their own\n"
             "URLs, a tap anywhere opens the containing app. --phone follows that rule.\n\n"
             "  --family FAMILY    small or medium (default medium)\n"
             "  --print            print the URL instead of opening it\n"
             "  --open-with CMD    open the URL with CMD (run without a shell, the URL as its\n"
             "                     one argument; default xdg-open)\n"
             "  --phone            follow the phone's rule for small widgets\n";
      break;
    case Command::run:
      text = "Usage: " + p + " run [options]\n\n" +
             "The live host: asks for a timeline, renders every family, waits until the reload\n"
             "policy says to ask again (after a date: no earlier than that date; at end: after\n"
             "the last entry's date; never: never), and repeats. One line on standard error per\n"
             "request. Stops cleanly on Ctrl-C (SIGINT) or SIGTERM.\n\n"
             "  --family FAMILY    small, medium or all (default all)\n" +
             std::string(kPictureOptions) +
             "  --reloads N        stop after N timeline requests (default: until stopped)\n";
      break;
    case Command::help:
    case Command::version:
      text = "Usage: " + p + " <command> [options]\n\n" +
             "Runs the widget extension as the phone's widget host does.\n\nCommands:\n";
      for (const auto& entry : kCommands) {
        std::string name(entry.name);
        name.resize(10, ' ');
        text += "  " + name + " " + std::string(entry.summary) + "\n";
      }
      text += "\n'" + p + " <command> --help' describes a command.\n";
      break;
  }
  text += commonOptions(containersVariable);
  text += "\nExit status: 0 done, 1 failed (unwritable output, say), 2 bad command line.\n";
  return text;
}

}  // namespace host
