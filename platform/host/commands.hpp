#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/store_diagnosis.hpp"
#include "host/command_line.hpp"
#include "host/host_environment.hpp"
#include "host/provider_contract.hpp"
#include "host/string_table.hpp"
#include "host/widget_configuration.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/render_options.hpp"

namespace host {

// Everything a command works with. Built by the host once the command line is read.
struct CommandContext {
  const WidgetConfiguration& configuration;
  const CommandLine& line;
  HostEnvironment& environment;
  const BundleInfo& bundle;
  const LocalizedStrings& strings;
  // What a look at the App Group's store found; nothing when the bundle has no App Group.
  const std::optional<foundation::StoreDiagnosis>& store;

  std::string program() const { return bundle.executableName; }
  // Reports breaches of the provider contract on standard error.
  ContractReporter reporter() const;
  // The key's text in the user's language, or the key.
  std::string localized(std::string_view key) const;
  ui::RenderOptions renderOptions(bool redacted) const;
  // The scale, and for the terminal preview its width (COLUMNS, else the terminal's, else 80)
  // and whether it has colour (not under NO_COLOR or TERM=dumb).
  PictureSettings pictureSettings() const;
};

struct CommandResult;
// Called by a command once its own arguments are found good, just before the provider reads the
// store: a store that reads as defaults is one line on standard error, or under --strict the
// failure returned.
std::optional<CommandResult> checkStore(const CommandContext& context);

// A command's outcome: the exit status, and the line that explains a failure.
struct CommandResult {
  int status = 0;
  std::string message;
  static CommandResult ok() { return {}; }
  static CommandResult usage(std::string message) { return {2, std::move(message)}; }
  static CommandResult failure(std::string message) { return {1, std::move(message)}; }
};

CommandResult renderCommand(const CommandContext& context);
CommandResult timelineCommand(const CommandContext& context);
CommandResult galleryCommand(const CommandContext& context);
CommandResult describeCommand(const CommandContext& context);
CommandResult tapCommand(const CommandContext& context);
CommandResult runCommand(const CommandContext& context);
CommandResult previewCommand(const CommandContext& context);
CommandResult fitCommand(const CommandContext& context);
// fit's --locales: "all", identifiers joined by commas, or none for the user's locale.
std::variant<std::vector<std::string>, CommandResult> fitLocales(
    const std::optional<std::string>& list);
// The entry fit lays out: the store's, with the command line's values in place.
std::variant<AnyEntry, CommandResult> fitEntry(const CommandContext& context, WidgetFamily family);

// The executable that serves `preview`, beside this one.
inline constexpr const char* kPreviewExecutableSuffix = "-preview";

// ---- Shared by the commands that show the widget.

// The file of the store the widget's provider reads: the first App Group's suite.
std::filesystem::path storeFile(const CommandContext& context);

ui::WidgetCanvas canvasFor(WidgetFamily family);
TimelineProviderContext providerContext(WidgetFamily family, bool isPreview);
// "small", "medium": the names the command line uses.
std::string_view shortName(WidgetFamily family);

// The families a command shows: those asked for, else all the widget supports. A family the
// widget does not support is a usage error.
std::variant<std::vector<WidgetFamily>, CommandResult> familiesToShow(
    const CommandContext& context);

// The entry that shows now from one timeline request, or the placeholder when the provider gave
// none (the breach is reported).
AnyEntry currentEntry(const CommandContext& context, const TimelineProviderContext& request);

// One family's picture in a format: bytes of a PNG, or text.
std::string renderPicture(const ui::View& view, WidgetFamily family, OutputFormat format,
                          const PictureSettings& settings, const ui::RenderOptions& options);
// The pictures of several families, in order, as renderPicture gives each. PNGs are laid out one
// after the other, then drawn and compressed at the same time.
std::vector<std::string> renderPictures(const std::vector<std::pair<WidgetFamily, ui::View>>& views,
                                        OutputFormat format, const PictureSettings& settings,
                                        const ui::RenderOptions& options);

// Where pictures go, decided from --out, --format and --name before anything is rendered.
struct OutputPlan {
  OutputFormat format = OutputFormat::terminal;
  // One file per picture: <folder>/<name from the template><extension>.
  std::optional<std::filesystem::path> folder;
  std::string nameTemplate;
  std::string extension;
  std::optional<std::filesystem::path> file;    // the one picture
  std::optional<std::filesystem::path> device;  // written directly, as standard output is
  bool toStream() const { return !folder && !file; }
};
// `pictureCount`: how many pictures the command will write.
std::variant<OutputPlan, CommandResult> planOutput(const CommandContext& context,
                                                   std::size_t pictureCount);
// The file of one picture; `name` is what {family} stands for ("small", "gallery").
std::filesystem::path pictureFile(const CommandContext& context, const OutputPlan& plan,
                                  std::string_view name);
// Writes each picture whole, one line per file on standard error unless --quiet or the live
// host; a stream gets them one after another, titled when there are several.
CommandResult writePictures(const CommandContext& context, const OutputPlan& plan,
                            const std::vector<std::pair<std::string, std::string>>& pictures);

}  // namespace host
