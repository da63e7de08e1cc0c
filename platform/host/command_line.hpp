#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "foundation/geometry.hpp"
#include "host/check_rule.hpp"
#include "host/defaults_request.hpp"
#include "host/device.hpp"
#include "host/output_format.hpp"
#include "host/rendering_context.hpp"
#include "host/snapshot_request.hpp"
#include "host/timeline_provider_context.hpp"
#include "ui/environment/dynamic_type_size.hpp"
#include "ui/environment/widget_family.hpp"

namespace host {

enum class Command : std::uint8_t {
  render,
  timeline,
  gallery,
  describe,
  tap,
  run,
  preview,
  fit,
  devices,
  defaults,
  check,
  snapshot,
  help,
  version
};
std::string_view toString(Command command);

enum class Appearance : std::uint8_t { light, dark };
std::string_view toString(Appearance appearance);

// One invocation of the host, as typed. Options a command does not take are refused while
// parsing, so each command reads only its own.
struct CommandLine {
  Command command = Command::help;
  // The command whose help was asked for (`render --help`), for Command::help.
  std::optional<Command> helpTopic;

  // Shared by the commands that show the widget. Empty: the command's own default.
  std::vector<WidgetFamily> families;
  std::optional<OutputFormat> format;
  std::optional<int> scale;              // pixels per point; none given: 1
  std::optional<std::string> out;        // a file, a folder, a device, or "-" for standard output
  std::optional<std::string> name;       // file names in a folder, with {kind}, {family}...
  std::optional<Appearance> appearance;  // none given: light
  std::optional<ui::DynamicTypeSize> textSize;       // the user's text size; none given: large
  const Device* device = nullptr;                    // the phone; none given: defaultDevice()
  std::optional<RenderingContext> renderingContext;  // none given: home
  std::optional<ui::RGBA> tint;                      // of the tinted home screen
  bool placeholder = false;
  bool snapshot = false;
  bool quiet = false;  // no line per written file

  bool json = false;  // timeline, fit, check

  std::optional<foundation::Point> tapPoint;  // tap: in points, in the widget
  bool print = false;
  bool phone = false;
  std::optional<std::string> openWith;

  bool links = false;  // describe: each link's frame
  bool store = false;  // describe: each key of the store

  std::optional<long long> reloads;  // run: how many timeline requests; none: until stopped

  // preview: where the server listens (none: 127.0.0.1, a free port), and the reload budget.
  std::optional<std::string> bind;
  std::optional<int> port;
  std::optional<int> dailyBudget;

  // fit: "all" or identifiers joined by commas (none: the user's locale), and the entry's values
  // by field name in place of the store's.
  std::optional<std::string> locales;
  std::vector<ui::DynamicTypeSize> textSizes;  // fit: none given: large
  // The axes of a matrix (see Matrix): none given, the single values above.
  std::vector<const Device*> devices;
  std::vector<RenderingContext> contexts;
  std::vector<Appearance> appearances;
  std::vector<std::string> entries;  // --entry, each as given
  std::vector<std::pair<std::string, double>> fieldValues;
  std::vector<CheckRule> skippedRules;  // check: --skip

  // defaults: what to do to the App Group's suite, read from the words after the command, and
  // whether a store that cannot be read may be replaced.
  std::optional<DefaultsRequest> defaults;
  bool force = false;

  // snapshot: record or verify, and the folder; verify's report folder, its tolerance (see
  // ui::PictureTolerance) and whether it rewrites the goldens of the cells that fail.
  std::optional<SnapshotRequest> snapshotRequest;
  std::optional<std::string> report;
  std::optional<double> threshold;
  std::optional<long long> allowedPixels;
  bool update = false;

  std::optional<std::string> locale;
  std::optional<std::string> containers;
  std::optional<std::string> kind;
  bool strict = false;  // a store that reads as defaults is a failure

  // Pixels per point: as given, else the phone's when one is named, else 1.
  int scaleOrDefault() const { return scale.value_or(device != nullptr ? device->scale : 1); }
  const Device& deviceOrDefault() const { return device != nullptr ? *device : defaultDevice(); }
  RenderingContext renderingContextOrDefault() const {
    return renderingContext.value_or(RenderingContext::home);
  }
  Appearance appearanceOrDefault() const { return appearance.value_or(Appearance::light); }
  ui::DynamicTypeSize textSizeOrDefault() const {
    return textSize.value_or(ui::DynamicTypeSize::large);
  }
  friend bool operator==(const CommandLine&, const CommandLine&) = default;
};

// What was wrong with the command line: one line naming the option or value.
struct UsageError {
  std::string message;
  std::optional<Command> command;  // for the usage hint
  friend bool operator==(const UsageError&, const UsageError&) = default;
};

// Parses the arguments after the program name. --help, -h and --version anywhere before "--"
// win over everything else; "--" ends the options. `entryFields` are the names of the widget's
// entry fields, each an option `--<name> X` of the commands that take values of their own.
std::variant<CommandLine, UsageError> parseCommandLine(
    std::span<const std::string> arguments, std::span<const std::string> entryFields = {});

}  // namespace host
