#include "host/command_line.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>

#include "host/commands.hpp"

namespace host {
namespace {

struct CommandSpec {
  Command command;
  CommandResult (*run)(const CommandContext& context);
  std::string_view name;
  std::string_view arguments;  // in the usage line, between the name and [options]
  std::string_view summary;
  std::string_view description;
};

// Rows in the order of Command's values, so that a command's row is found by its value. Adding
// a command is a value of Command, a row here and the function it runs.
constexpr CommandSpec kCommands[] = {
    {Command::render, renderCommand, "render", "",
     "render the widget as PNG, SVG, a terminal preview or a tree",
     "Asks the provider for a timeline and renders the entry that shows now."},
    {Command::timeline, timelineCommand, "timeline", "",
     "ask the provider for a timeline and print it (--json)",
     "Asks the provider for a timeline and prints its entries and reload policy."},
    {Command::gallery, galleryCommand, "gallery", "",
     "the widget as the gallery shows it: name, description, sizes",
     "One picture of the widget as the gallery shows it: its display name and\n"
     "description in the user's language, and a snapshot in each supported size."},
    {Command::describe, describeCommand, "describe", "",
     "the widget's configuration and the store it reads",
     "Prints the widget's configuration: kind, display name, description, sizes, the\n"
     "App Group, its containers root and the setting that chose it, the store file and\n"
     "its status (ok, missing, unreadable, not a property list, damaged, over the size\n"
     "cap, not a dictionary)."},
    {Command::tap, tapCommand, "tap", " X Y", "tap the widget at X Y and open the link there",
     "Lays the widget out, finds the link under the point X Y (in points, from the\n"
     "widget's top-left corner) and opens its URL. Where there is no link, a tap opens\n"
     "the containing app: that is said on standard error, with exit status 1, so that a\n"
     "script can tell it from a URL. 'describe --links' shows where the links are.\n\n"
     "On the phone a small widget is one tap target: its links do not open their own\n"
     "URLs, a tap anywhere opens the containing app. --phone follows that rule."},
    {Command::run, runCommand, "run", "",
     "the live host: render, wait for the reload policy, repeat",
     "The live host: asks for a timeline, renders every family, waits until the reload\n"
     "policy says to ask again (after a date: no earlier than that date; at end: after\n"
     "the last entry's date; never: never), and repeats. One line on standard error per\n"
     "request. Ctrl-C (SIGINT) stops it with exit status 130, SIGTERM with 143; a SIGHUP\n"
     "that was ignored when it started (nohup) stays ignored. It also watches the store\n"
     "and asks again when it changes; SIGUSR1 asks it to reload now."},
    {Command::preview, previewCommand, "preview", "",
     "a live preview in the browser, following the store",
     "A local web page that shows the widget as the phone does: both sizes, light and\n"
     "dark, the placeholder, the timeline and the store, updated as the store changes.\n"
     "Prints its URL as the first line of standard output; stops on Ctrl-C or SIGTERM."},
    {Command::fit, fitCommand, "fit", "",
     "which texts shrink, wrap or are truncated, in each locale",
     "Lays the widget out in each locale and family, with the store's values or the\n"
     "given ones, and lists every text that shrank (to what scale), wrapped (to how\n"
     "many lines) or was truncated. Exit status 1 when any text is truncated."},
};

static_assert([] {
  for (std::size_t i = 0; i < std::size(kCommands); ++i) {
    if (static_cast<std::size_t>(kCommands[i].command) != i) return false;
  }
  return true;
}());

constexpr std::string_view kPurpose = "Runs the widget extension as the phone's widget host does.";

using Commands = std::initializer_list<Command>;
constexpr Commands kPictureCommands{Command::render, Command::gallery, Command::run};

// Sets an option's value in the line; what was expected when the value is not one of them.
using Apply = std::optional<std::string> (*)(CommandLine& line, std::string_view value);

// One option: its spellings, the commands that take it, its help and how it is read. An
// option may have a row per set of commands when it means something else for them.
struct OptionSpec {
  std::string_view name;
  std::string_view alias;      // another spelling ("-h"), or empty
  std::string_view valueName;  // empty: a flag
  Commands commands;           // empty: every command
  std::string_view help;       // "{variable}" stands for the containers variable's clause
  Apply apply;
};

std::optional<long long> parseCount(std::string_view text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<double> parseNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<WidgetFamily> familyNamed(std::string_view value) {
  if (value == "small" || value == "systemSmall") return WidgetFamily::systemSmall;
  if (value == "medium" || value == "systemMedium") return WidgetFamily::systemMedium;
  return std::nullopt;
}

// fit's values for the entry's fields, in place of the store's.
std::optional<std::string> fieldValue(CommandLine& line, std::string name, std::string_view value) {
  const auto number = parseNumber(value);
  if (!number) return "a number";
  line.fieldValues.emplace_back(std::move(name), *number);
  return std::nullopt;
}

const OptionSpec kOptions[] = {
    {"--family",
     "",
     "FAMILY",
     {Command::render, Command::run, Command::fit},
     "small, medium or all (default all)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value == "all") {
         line.families = {WidgetFamily::systemSmall, WidgetFamily::systemMedium};
       } else if (const auto family = familyNamed(value)) {
         line.families = {*family};
       } else {
         return "small, medium or all";
       }
       return std::nullopt;
     }},
    {"--family",
     "",
     "FAMILY",
     {Command::tap},
     "small or medium (default medium)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       const auto family = familyNamed(value);
       if (!family) return "small or medium";
       line.families = {*family};
       return std::nullopt;
     }},
    {"--format", "", "FORMAT", kPictureCommands,
     "one of the formats below (default: from the --out file's extension, png for a "
     "folder, terminal otherwise)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.format = formatNamed(value);
       if (!line.format) return formatNames();
       return std::nullopt;
     }},
    {"--scale", "", "N", kPictureCommands, "pixels per point for png: 1, 2 or 3 (default 1)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value != "1" && value != "2" && value != "3") return "1, 2 or 3";
       line.scale = value[0] - '0';
       return std::nullopt;
     }},
    {"--out", "", "PATH", kPictureCommands,
     "a file, a folder (one that exists, or a path ending in / or without an extension), a "
     "device such as /dev/null, or - for standard output. Files are written whole or not at "
     "all, one line each on standard error. Several pictures and a file name: one file each, "
     "the family before the extension (w.svg: w-small.svg and w-medium.svg)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty()) return "a file, a folder or -";
       line.out = std::string(value);
       return std::nullopt;
     }},
    {"--name", "", "TEMPLATE", kPictureCommands,
     "the file names in an --out folder, before the extension: {kind}, {family}, {locale}, "
     "{appearance}, {textSize} and {scale} stand for their values (default {kind}-{family})",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty() || value.find('/') != std::string_view::npos) {
         return "a file name without /";
       }
       line.name = std::string(value);
       return std::nullopt;
     }},
    {"--appearance", "", "MODE", kPictureCommands, "light or dark (default light)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value == "light") {
         line.appearance = Appearance::light;
       } else if (value == "dark") {
         line.appearance = Appearance::dark;
       } else {
         return "light or dark";
       }
       return std::nullopt;
     }},
    {"--dark", "", "", kPictureCommands, "short for --appearance dark",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.appearance = Appearance::dark;
       return std::nullopt;
     }},
    {"--text-size",
     "",
     "SIZE",
     {Command::render, Command::gallery, Command::run, Command::preview},
     "the user's text size, which the text styles follow: xSmall, small, medium, large, "
     "xLarge, xxLarge, xxxLarge, accessibility1 to accessibility5 (default large)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.textSize = ui::parseDynamicTypeSize(value);
       if (!line.textSize) return "a text size from xSmall to accessibility5, such as large";
       return std::nullopt;
     }},
    {"--quiet",
     "-q",
     "",
     {Command::render, Command::gallery},
     "no line on standard error for each file written",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.quiet = true;
       return std::nullopt;
     }},
    {"--placeholder",
     "",
     "",
     {Command::render},
     "render the placeholder entry, redacted, as while loading",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.placeholder = true;
       return std::nullopt;
     }},
    {"--snapshot",
     "",
     "",
     {Command::render},
     "render a snapshot, as the gallery asks for one",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.snapshot = true;
       return std::nullopt;
     }},
    {"--json",
     "",
     "",
     {Command::timeline},
     "print JSON for scripts, on one line:\n"
     "{\"entries\": [{\"date\", \"secondsSinceReferenceDate\", <fields>}],\n"
     " \"policy\": {\"kind\": \"after\"|\"atEnd\"|\"never\", \"date\"}}\n"
     "dates ISO 8601 UTC with milliseconds or null; numbers shortest "
     "round-trip; NaN and infinities as \"nan\", \"inf\", \"-inf\"",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.json = true;
       return std::nullopt;
     }},
    {"--json",
     "",
     "",
     {Command::fit},
     "print JSON for scripts, on one line: {\"truncated\": bool, \"results\": [{\"locale\", "
     "\"family\", \"texts\": [{\"text\", \"scale\", \"lines\", \"truncated\"}]}]}",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.json = true;
       return std::nullopt;
     }},
    {"--locales",
     "",
     "LIST",
     {Command::fit},
     "all (every locale ICU has), or identifiers joined by commas (default: the user's locale)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty() || value.size() > 20000) return "all, or locales such as en_US,de_DE";
       line.locales = std::string(value);
       return std::nullopt;
     }},
    {"--text-sizes",
     "",
     "LIST",
     {Command::fit},
     "all, or text sizes joined by commas, such as xSmall,large,accessibility5 (default "
     "large)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.textSizes.clear();
       if (value == "all") {
         line.textSizes.assign(ui::kAllDynamicTypeSizes.begin(), ui::kAllDynamicTypeSizes.end());
         return std::nullopt;
       }
       for (std::size_t start = 0; start <= value.size();) {
         const std::size_t end = std::min(value.find(',', start), value.size());
         const auto size = ui::parseDynamicTypeSize(value.substr(start, end - start));
         if (!size) return "all, or text sizes from xSmall to accessibility5 joined by commas";
         line.textSizes.push_back(*size);
         start = end + 1;
       }
       return std::nullopt;
     }},
    {"--balance",
     "",
     "X",
     {Command::fit},
     "the entry's balance in place of the store's",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       return fieldValue(line, "balance", value);
     }},
    {"--income",
     "",
     "Y",
     {Command::fit},
     "the entry's income in place of the store's",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       return fieldValue(line, "income", value);
     }},
    {"--expense",
     "",
     "Z",
     {Command::fit},
     "the entry's expense in place of the store's",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       return fieldValue(line, "expense", value);
     }},
    {"--port",
     "",
     "N",
     {Command::preview},
     "the port (default 0: a free one)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       const auto port = parseCount(value);
       if (!port || *port < 0 || *port > 65535) return "a port from 0 (any free one) to 65535";
       line.port = static_cast<int>(*port);
       return std::nullopt;
     }},
    {"--bind",
     "",
     "ADDR",
     {Command::preview},
     "the address (default 127.0.0.1; any other is reachable from other machines, with a "
     "warning)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty() || value.size() > 100) return "an address such as 127.0.0.1";
       line.bind = std::string(value);
       return std::nullopt;
     }},
    {"--open-with",
     "",
     "CMD",
     {Command::preview},
     "also open a tapped link with CMD, as tap does",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty()) return "a command";
       line.openWith = std::string(value);
       return std::nullopt;
     }},
    {"--daily-budget",
     "",
     "N",
     {Command::preview},
     "timeline requests a day the phone grants (default 70, the upper end of the 40 to 70 the "
     "platform's documentation gives)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       const auto budget = parseCount(value);
       if (!budget || *budget < 1 || *budget > 100000) return "a whole number from 1";
       line.dailyBudget = static_cast<int>(*budget);
       return std::nullopt;
     }},
    {"--links",
     "",
     "",
     {Command::describe},
     "each link's destination and frame in points, per family: where to tap",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.links = true;
       return std::nullopt;
     }},
    {"--store",
     "",
     "",
     {Command::describe},
     "each key the widget reads: its stored type and value, and what the widget makes of it",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.store = true;
       return std::nullopt;
     }},
    {"--print",
     "",
     "",
     {Command::tap},
     "print the URL instead of opening it",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.print = true;
       return std::nullopt;
     }},
    {"--open-with",
     "",
     "CMD",
     {Command::tap},
     "open the URL with CMD (run without a shell, the URL as its one argument; default "
     "xdg-open)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty()) return "a command";
       line.openWith = std::string(value);
       return std::nullopt;
     }},
    {"--phone",
     "",
     "",
     {Command::tap},
     "follow the phone's rule for small widgets",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.phone = true;
       return std::nullopt;
     }},
    {"--reloads",
     "",
     "N",
     {Command::run},
     "stop after N timeline requests (default: until stopped)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       const auto count = parseCount(value);
       if (!count || *count < 1) return "a whole number of at least 1";
       line.reloads = *count;
       return std::nullopt;
     }},
    {"--locale",
     "",
     "ID",
     {},
     "the user's locale and language for this run (en_US, de_DE, ar_EG@numbers=latn, "
     "C...); default: from the environment",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty() || value.size() > 100) return "a locale identifier such as en_US";
       line.locale = std::string(value);
       return std::nullopt;
     }},
    {"--containers",
     "",
     "DIR",
     {},
     "the App Group containers root (default: {variable}$XDG_DATA_HOME/group-containers "
     "when absolute, else ~/.local/share/group-containers)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty()) return "a folder";
       line.containers = std::string(value);
       return std::nullopt;
     }},
    {"--strict",
     "",
     "",
     {},
     "a store that is missing or unreadable, where the widget shows defaults, is a failure "
     "(exit 1); without it, one line on standard error says so",
     [](CommandLine& line, std::string_view) -> std::optional<std::string> {
       line.strict = true;
       return std::nullopt;
     }},
    {"--kind",
     "",
     "KIND",
     {},
     "the widget of the bundle to use (default: the first)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.kind = std::string(value);
       return std::nullopt;
     }},
    // Read before everything else, wherever they stand.
    {"--help", "-h", "", {}, "this help, for the command given; runs nothing", nullptr},
    {"--version", "", "", {}, "the version; runs nothing", nullptr},
};

bool takes(const OptionSpec& spec, Command command) {
  return spec.commands.size() == 0 ||
         std::find(spec.commands.begin(), spec.commands.end(), command) != spec.commands.end();
}

bool spelled(const OptionSpec& spec, std::string_view argument) {
  return spec.name == argument || (!spec.alias.empty() && spec.alias == argument);
}

std::string inQuotes(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// Edits (insertions, deletions, substitutions, swaps of neighbours) from one word to another.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// " (did you mean 'x'?)" for the nearest candidate within a typo's reach, else "".
std::string didYouMean(std::string_view typed, const std::vector<std::string_view>& candidates) {
  std::string_view best;
  std::size_t bestDistance = std::min<std::size_t>(2, (typed.size() + 1) / 3) + 1;
  for (const auto candidate : candidates) {
    const std::size_t distance = editDistance(typed, candidate);
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best.empty() ? "" : " (did you mean " + inQuotes(best) + "?)";
}

std::optional<Command> commandNamed(std::string_view name) {
  for (const auto& spec : kCommands) {
    if (spec.name == name) return spec.command;
  }
  if (name == "help") return Command::help;
  if (name == "version") return Command::version;
  return std::nullopt;
}

// An argument that starts with '-' is an option, except a number (a tap at -4 -2).
bool isOption(std::string_view argument) {
  return argument.size() > 1 && argument[0] == '-' && !parseNumber(argument);
}

bool takesValue(std::string_view argument) {
  return std::any_of(std::begin(kOptions), std::end(kOptions), [&](const OptionSpec& spec) {
    return spelled(spec, argument) && !spec.valueName.empty();
  });
}

class Parser {
 public:
  explicit Parser(std::span<const std::string> arguments)
      : arguments_(arguments),
        optionsEnd_(static_cast<std::size_t>(std::find(arguments.begin(), arguments.end(), "--") -
                                             arguments.begin())) {}

  std::variant<CommandLine, UsageError> parse() {
    if (auto early = helpOrVersion()) return *early;
    std::optional<Command> command;
    std::vector<std::string> positionals;
    for (std::size_t i = 0; i < arguments_.size(); ++i) {
      if (i == optionsEnd_) continue;
      const std::string& argument = arguments_[i];
      if (i < optionsEnd_ && isOption(argument)) {
        if (auto error = option(i, command)) return *std::move(error);
      } else if (!command) {
        command = commandNamed(argument);
        if (!command) {
          std::vector<std::string_view> names;
          for (const auto& spec : kCommands) names.push_back(spec.name);
          return UsageError{"unknown command " + inQuotes(argument) + didYouMean(argument, names),
                            std::nullopt};
        }
        line_.command = *command;
      } else {
        positionals.push_back(argument);
      }
    }
    if (!command) {
      return UsageError{
          "missing command (render, timeline, gallery, describe, tap, run, preview or fit)",
          std::nullopt};
    }
    if (command == Command::help) {
      if (!positionals.empty()) line_.helpTopic = commandNamed(positionals.front());
      return line_;
    }
    if (command == Command::version) return line_;
    return finish(*command, positionals);
  }

 private:
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
    bool known = false;
    for (const auto& candidate : kOptions) {
      if (!spelled(candidate, argument)) continue;
      known = true;
      if (!command ? candidate.commands.size() == 0 : takes(candidate, *command)) {
        spec = &candidate;
        break;
      }
    }
    if (!known) {
      std::vector<std::string_view> names;
      for (const auto& candidate : kOptions) {
        if (!command || takes(candidate, *command)) names.push_back(candidate.name);
      }
      return UsageError{"unknown option " + inQuotes(argument) + didYouMean(argument, names),
                        command};
    }
    if (!spec && !command) {
      return UsageError{"option " + inQuotes(argument) + " needs a command before it", command};
    }
    if (!spec) {
      return UsageError{"option " + inQuotes(argument) + " is not an option of " +
                            std::string(toString(*command)),
                        command};
    }
    std::string_view value;
    if (!spec->valueName.empty()) {
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
    if (const auto expected = spec->apply(line_, value)) {
      return UsageError{"invalid value " + inQuotes(value) + " for " + std::string(spec->name) +
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
    } else if (!positionals.empty()) {
      return UsageError{"unexpected argument " + inQuotes(positionals.front()), command};
    }
    if (line_.placeholder && line_.snapshot) {
      return UsageError{"options '--placeholder' and '--snapshot' exclude each other", command};
    }
    return line_;
  }

  std::span<const std::string> arguments_;
  std::size_t optionsEnd_;  // the index of "--", or the size
  CommandLine line_;
};

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
std::string optionRows(const std::optional<Command>& command, std::string_view variable) {
  constexpr std::size_t kColumn = 21;
  std::string rows;
  for (const auto& spec : kOptions) {
    const bool common = spec.commands.size() == 0;
    if (command ? (common || !takes(spec, *command)) : !common) continue;
    std::string head = "  " + std::string(spec.name);
    if (!spec.alias.empty()) head += ", " + std::string(spec.alias);
    if (!spec.valueName.empty()) head += " " + std::string(spec.valueName);
    head += head.size() + 1 < kColumn ? std::string(kColumn - head.size(), ' ')
                                      : "\n" + std::string(kColumn, ' ');
    std::string help(spec.help);
    if (const auto at = help.find("{variable}"); at != std::string::npos) {
      help.replace(at, 10, variable.empty() ? "" : "$" + std::string(variable) + ", else ");
    }
    help = wrapped(help, kColumn);
    rows += head + help + "\n";
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

std::string_view toString(Command command) {
  if (command == Command::help) return "help";
  if (command == Command::version) return "version";
  return kCommands[static_cast<std::size_t>(command)].name;
}

std::string_view toString(Appearance appearance) {
  return appearance == Appearance::dark ? "dark" : "light";
}

CommandResult runCommandOf(const CommandContext& context) {
  const Command command = context.line.command;
  if (command == Command::help || command == Command::version) return CommandResult::ok();
  return kCommands[static_cast<std::size_t>(command)].run(context);
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

std::string helpText(std::string_view program, std::optional<Command> command,
                     std::string_view containersVariable) {
  const std::string p(program);
  std::string text;
  if (command && *command != Command::help && *command != Command::version) {
    const CommandSpec& spec = kCommands[static_cast<std::size_t>(*command)];
    text = "Usage: " + p + " " + std::string(spec.name) + std::string(spec.arguments) +
           " [options]\n\n" + std::string(spec.description) + "\n\n" +
           optionRows(command, containersVariable);
    const bool takesFormat = std::find(kPictureCommands.begin(), kPictureCommands.end(),
                                       *command) != kPictureCommands.end();
    if (takesFormat) text += formatRows();
  } else {
    text = "Usage: " + p + " <command> [options]\n\n" + std::string(kPurpose) + "\n\nCommands:\n";
    for (const auto& spec : kCommands) {
      std::string name(spec.name);
      name.resize(10, ' ');
      text += "  " + name + " " + std::string(spec.summary) + "\n";
    }
    text += "\n'" + p + " <command> --help' describes a command; '--' ends the options.\n";
  }
  text += "\nCommon options:\n" + optionRows(std::nullopt, containersVariable);
  text +=
      "\nExit status: 0 done; 1 failed (unwritable output, no link under a tap, a store\n"
      "read as defaults under --strict); 2 bad command line; 130 and 143: run stopped by\n"
      "SIGINT and SIGTERM.\n";
  return text;
}

}  // namespace host
