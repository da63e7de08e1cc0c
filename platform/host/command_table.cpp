#include "host/command_table.hpp"

#include <algorithm>
#include <iterator>

#include "host/commands.hpp"

namespace host {
namespace {

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
    {Command::devices, devicesCommand, "devices", "",
     "the phones --device knows, with their widget sizes",
     "Lists the phones of the platform's published widget size table: the name --device\n"
     "takes, the screen and the small and medium sizes in points, the pixels per point,\n"
     "and the models. Phones whose sizes are not published are not listed."},
    {Command::defaults, defaultsCommand, "defaults",
     " read [KEY] | write KEY [-TYPE] VALUE | delete KEY | import FILE",
     "read and change the App Group's store, as the containing app does",
     "Reads and changes the App Group's preferences suite as the containing app does\n"
     "(the widget itself never writes it), with the familiar defaults syntax:\n"
     "  read             the whole suite\n"
     "  read KEY         one value\n"
     "  write KEY VALUE  a string; -string, -int, -float, -bool or -date\n"
     "                   before the value give its type\n"
     "                   (-date 2026-12-06T08:30:00Z)\n"
     "  delete KEY       one key\n"
     "  import FILE      a property list whose top is a dictionary becomes\n"
     "                   the whole suite (-: standard input)\n"
     "A change is written whole (a new file beside the store, flushed, renamed over\n"
     "it), keeps every other key, and keeps the store's format (binary for a new\n"
     "store). After the verb, a word that is not an option of defaults is the verb's,\n"
     "so values may start with '-'; put '--' before a value that looks like an option\n"
     "of defaults.",
     true},
    {Command::check, checkCommand, "check", "",
     "what the phone would cut, hide or make hard to read, over a matrix",
     "Lays out and draws the widget in every cell of the matrix (phones, families,\n"
     "places, appearances, locales, text sizes, entries) on every core, and reports\n"
     "each finding with its rule, the text or link, its frame in points and what was\n"
     "measured, then a summary by rule and by cell. Rules (error or warning):\n"
     "  truncated      error    a text cut with \"…\"\n"
     "  wrapped        warning  a text wrapped onto more lines\n"
     "  shrunk         warning  a text drawn smaller than its style, to fit\n"
     "  missing-glyph  error    characters no font has, drawn as boxes\n"
     "  contrast       error    text below 4.5:1 (3:1 from 18 pt) against the\n"
     "                          pixels drawn behind its glyphs\n"
     "  small-text     warning  text drawn under 11 pt, as the phone shows it\n"
     "  tap-target     warning  a link smaller than 44 x 44 pt\n"
     "  ignored-link   warning  a link of a small widget: a tap opens the app\n"
     "  corners        error    content the rounded corners cut away\n"
     "  margins        error    content drawn outside the content margins\n"
     "Exit status 1 when any rule that is not skipped finds an error."},
    {Command::snapshot, snapshotCommand, "snapshot", " record DIR | verify DIR",
     "record the widget's pictures over a matrix, or verify them",
     "record draws every cell of the matrix (phones, families, places, appearances,\n"
     "locales, text sizes and entries) on every core into DIR: one PNG per cell, named\n"
     "after the cell, and manifest.json with each cell's inputs, its entry's values and\n"
     "the picture's SHA-256. verify draws the recorded cells again from the manifest\n"
     "(never from the store) and compares them with their pictures: bytes first, then\n"
     "pixels (--threshold, --allowed-pixels). It writes a report to --report: index.html,\n"
     "junit.xml and each failing cell's expected, actual and diff pictures. Matrix\n"
     "options given to verify choose the recorded cells to verify (an option left out\n"
     "stands for every value recorded); a cell they name that is not recorded fails.\n"
     "Exit status 0 when every cell matches, 1 when one differs or is missing."},
};

static_assert([] {
  for (std::size_t i = 0; i < std::size(kCommands); ++i) {
    if (static_cast<std::size_t>(kCommands[i].command) != i) return false;
  }
  return true;
}());

}  // namespace

std::span<const CommandSpec> commandSpecs() {
  return kCommands;
}

std::optional<Command> commandNamed(std::string_view name) {
  for (const auto& spec : kCommands) {
    if (spec.name == name) return spec.command;
  }
  if (name == "help") return Command::help;
  if (name == "version") return Command::version;
  return std::nullopt;
}

bool isOneOf(Command command, Commands commands) {
  return std::find(commands.begin(), commands.end(), command) != commands.end();
}

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

}  // namespace host
