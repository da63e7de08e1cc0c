// The option table: every option's spellings, the commands that take it, its help and how its
// value is read. The command table is in command_table.cpp.
#include <algorithm>
#include <charconv>
#include <vector>

#include "host/command_table.hpp"
#include "host/commands.hpp"
#include "host/suggestion.hpp"

namespace host {
namespace {

std::optional<long long> parseCount(std::string_view text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// The commands that lay the widget out on a phone, and those that draw it in a context.
constexpr Commands kDeviceCommands{Command::render, Command::gallery, Command::tap,  Command::fit,
                                   Command::run,    Command::preview, Command::check};
constexpr Commands kContextCommands{Command::render, Command::tap, Command::run, Command::preview};

// Each item of a comma-separated list, read by `one` (nothing: not an item), or every one of `all`
// for "all".
template <class Item, class One>
std::optional<std::vector<Item>> listOf(std::string_view value, const std::vector<Item>& all,
                                        One one) {
  if (value == "all") return all;
  std::vector<Item> items;
  for (std::size_t start = 0; start <= value.size();) {
    const std::size_t end = std::min(value.find(',', start), value.size());
    const std::optional<Item> item = one(value.substr(start, end - start));
    if (!item) return std::nullopt;
    items.push_back(*item);
    start = end + 1;
  }
  return items;
}

std::vector<const Device*> allDevices() {
  std::vector<const Device*> all;
  for (const Device& device : devices()) all.push_back(&device);
  return all;
}

const OptionSpec kOptions[] = {
    {"--family",
     "",
     "FAMILY",
     {Command::render, Command::run, Command::fit, Command::check, Command::snapshot},
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
    {"--scale",
     "",
     "N",
     {Command::snapshot},
     "snapshot record: pixels per point of every picture, 1, 2 or 3 (default: each phone's)",
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
    {"--device", "", "NAME", kDeviceCommands,
     "the phone, whose widget sizes and pixels per point the pictures take: one of "
     "'devices' (default iphone-16-plus: 170 x 170 and 364 x 170 points)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.device = deviceNamed(value);
       if (line.device != nullptr) return std::nullopt;
       return expectedDevice(value);
     }},
    {"--context", "", "WHERE", kContextCommands,
     "where the phone shows the widget: home (default), home-tinted (the tinted home "
     "screen), standby or standby-night (the small family only)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.renderingContext = renderingContextNamed(value);
       if (!line.renderingContext) return std::string(renderingContextNames());
       return std::nullopt;
     }},
    {"--tint",
     "",
     "COLOR",
     {Command::render, Command::run, Command::preview, Command::check, Command::snapshot},
     "the tint of the tinted home screen, #RRGGBB or #RRGGBBAA (default #E5C07B)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.tint = hexColor(value);
       if (!line.tint) return "a colour such as #E5C07B";
       return std::nullopt;
     }},
    {"--quiet",
     "-q",
     "",
     {Command::render, Command::gallery},
     "no line on standard error for each file written",
     &CommandLine::quiet},
    {"--placeholder",
     "",
     "",
     {Command::render},
     "render the placeholder entry, redacted, as while loading",
     &CommandLine::placeholder},
    {"--snapshot",
     "",
     "",
     {Command::render},
     "render a snapshot, as the gallery asks for one",
     &CommandLine::snapshot},
    {"--json",
     "",
     "",
     {Command::timeline},
     "print JSON for scripts, on one line:\n"
     "{\"entries\":[{\"date\",\"secondsSinceReferenceDate\",<fields>}],\n"
     " \"policy\":{\"kind\":\"after\"|\"atEnd\"|\"never\",\"date\"}}\n"
     "dates ISO 8601 UTC with milliseconds or null; numbers shortest "
     "round-trip; NaN and infinities as \"nan\", \"inf\", \"-inf\"",
     &CommandLine::json},
    {"--json",
     "",
     "",
     {Command::fit},
     "print JSON for scripts, on one line: {\"truncated\":bool,\"results\":[{\"device\",\"locale\","
     "\"family\",\"textSize\",\"texts\":[{\"text\",\"scale\",\"lines\",\"truncated\"}]}]}",
     &CommandLine::json},
    {"--json",
     "",
     "",
     {Command::check},
     "print JSON for scripts, on one line: {\"rules\":[{\"name\",\"severity\",\"checked\"}],"
     "\"findings\":[{\"cell\",\"device\",\"family\",\"context\",\"appearance\",\"locale\","
     "\"textSize\",\"entry\",\"rule\",\"severity\",\"subject\",\"frame\",\"figure\",\"detail\"}],"
     "\"summary\":{\"cells\",\"errors\",\"warnings\",\"cellsWithErrors\",\"cellsWithWarnings\","
     "\"rules\"}}",
     &CommandLine::json},
    {"--skip",
     "",
     "RULES",
     {Command::check},
     "rules not to apply, joined by commas: truncated, wrapped, shrunk, missing-glyph, "
     "contrast, small-text, tap-target, ignored-link, corners, margins",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       std::vector<std::string> names;
       for (const CheckRuleInfo& info : checkRules()) names.emplace_back(info.name);
       for (std::size_t start = 0; start <= value.size();) {
         const std::size_t end = std::min(value.find(',', start), value.size());
         const std::string_view name = value.substr(start, end - start);
         const auto rule = checkRuleNamed(name);
         if (!rule) return "rules of 'check --help' joined by commas" + didYouMean(name, names);
         line.skippedRules.push_back(*rule);
         start = end + 1;
       }
       return std::nullopt;
     }},
    {"--devices", "", "LIST", kMatrixCommands,
     "all, or phones that 'devices' lists joined by commas (default: --device's)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       auto devices = listOf(value, allDevices(), [](std::string_view name) {
         const Device* device = deviceNamed(name);
         return device != nullptr ? std::optional(device) : std::nullopt;
       });
       if (!devices) return "all, or phones that 'devices' lists, such as iphone-16,iphone-se";
       line.devices = std::move(*devices);
       return std::nullopt;
     }},
    {"--contexts", "", "LIST", kMatrixCommands,
     "all, or places joined by commas: home, home-tinted, standby, standby-night (default "
     "home)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       auto contexts =
           listOf(value,
                  std::vector{RenderingContext::home, RenderingContext::homeTinted,
                              RenderingContext::standby, RenderingContext::standbyNight},
                  renderingContextNamed);
       if (!contexts)
         return "all, or " + std::string(renderingContextNames()) + " joined by commas";
       line.contexts = std::move(*contexts);
       return std::nullopt;
     }},
    {"--appearances", "", "LIST", kMatrixCommands, "all, or light,dark (default light)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       auto appearances = listOf(value, std::vector{Appearance::light, Appearance::dark},
                                 [](std::string_view name) -> std::optional<Appearance> {
                                   if (name == "light") return Appearance::light;
                                   if (name == "dark") return Appearance::dark;
                                   return std::nullopt;
                                 });
       if (!appearances) return "all, or light and dark joined by commas";
       line.appearances = std::move(*appearances);
       return std::nullopt;
     }},
    {"--entry", "", "ENTRY", kMatrixCommands,
     "an entry to draw, again for each: current (the store's, the default), placeholder, or "
     "NAME:FIELD=X,... (the current entry with those of its fields given, under that name)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty() || value.size() > 1000) return "current, placeholder or NAME:FIELD=X";
       line.entries.emplace_back(value);
       return std::nullopt;
     }},
    {"--locales", "", "LIST", kMatrixCommands,
     "all (every locale ICU has), or identifiers joined by commas (default: the user's locale)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty() || value.size() > 20000) return "all, or locales such as en_US,de_DE";
       line.locales = std::string(value);
       return std::nullopt;
     }},
    {"--text-sizes", "", "LIST", kMatrixCommands,
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
    {"--report",
     "",
     "DIR",
     {Command::snapshot},
     "snapshot verify: the folder of the report, replaced whole (default DIR/report)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       if (value.empty()) return "a folder";
       line.report = std::string(value);
       return std::nullopt;
     }},
    {"--threshold",
     "",
     "X",
     {Command::snapshot},
     "snapshot verify: how much a pixel's channel may change before the pixel differs, from 0 "
     "to 1 of its range (default 0.1: more than anti-aliasing moves)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       double threshold = 0;
       const auto [end, error] =
           std::from_chars(value.data(), value.data() + value.size(), threshold);
       if (error != std::errc() || end != value.data() + value.size() || !(threshold >= 0) ||
           threshold > 1) {
         return "a number from 0 to 1";
       }
       line.threshold = threshold;
       return std::nullopt;
     }},
    {"--allowed-pixels",
     "",
     "N",
     {Command::snapshot},
     "snapshot verify: how many pixels of a picture may differ and it still match (default 0)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       const auto count = parseCount(value);
       if (!count || *count < 0) return "a whole number from 0";
       line.allowedPixels = *count;
       return std::nullopt;
     }},
    {"--update",
     "",
     "",
     {Command::snapshot},
     "snapshot verify: rewrite the goldens of the cells that fail (and the manifest), so that "
     "the next verify passes",
     &CommandLine::update},
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
     &CommandLine::links},
    {"--store",
     "",
     "",
     {Command::describe},
     "each key the widget reads: its stored type and value, and what the widget makes of it",
     &CommandLine::store},
    {"--print", "", "", {Command::tap}, "print the URL instead of opening it", &CommandLine::print},
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
     &CommandLine::phone},
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
    {"--force",
     "",
     "",
     {Command::defaults},
     "replace a store that cannot be read (damaged, not a dictionary, over the size cap) "
     "rather than leave it as it is",
     &CommandLine::force},
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
     &CommandLine::strict},
    {"--kind",
     "",
     "KIND",
     {},
     "the widget of the bundle to use (default: the first)",
     [](CommandLine& line, std::string_view value) -> std::optional<std::string> {
       line.kind = std::string(value);
       return std::nullopt;
     }},
    {"--help", "-h", "", {}, "this help, for the command given; runs nothing", {}},
    {"--version", "", "", {}, "the version; runs nothing", {}},
};

}  // namespace

std::span<const OptionSpec> optionSpecs() {
  return kOptions;
}

}  // namespace host
