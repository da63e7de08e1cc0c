#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/store_diagnosis.hpp"
#include "host/any_entry.hpp"
#include "host/command_line.hpp"
#include "host/command_result.hpp"
#include "host/host_io.hpp"
#include "host/provider_contract.hpp"
#include "host/renderer.hpp"
#include "host/timeline_provider_context.hpp"
#include "host/widget_configuration.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/terminal/terminal_renderer.hpp"

namespace host {

// Everything a command works with, and what the commands ask of it alike. Built by the host once
// the command line is read.
struct CommandContext {
  const WidgetConfiguration& configuration;
  const CommandLine& line;
  HostIO& io;
  const BundleInfo& bundle;
  // The user's side of every picture: locale, languages and their string tables, text size,
  // appearance and scale, as the command line and the process's environment give them. A
  // picture adds its family's canvas (renderEnvironment) and a command its own choices.
  const ui::RenderEnvironment& userEnvironment;
  Renderer& renderer;
  // Where the App Group containers are, and which setting chose it. The host binds it for the
  // widget's provider (ContainersRoot::Binding) on the threads that call it.
  const foundation::ContainersRoot& containersRoot;
  // What a look at the App Group's store found; nothing when the bundle has no App Group.
  const std::optional<foundation::StoreDiagnosis>& store;

  std::string program() const { return bundle.executableName; }
  // Reports breaches of the provider contract on standard error.
  ContractReporter reporter() const;
  // The key's text in the user's language, or the key.
  std::string localized(std::string_view key) const { return userEnvironment.localized(key); }
  // The phone the widget is shown on (--device), and where on it (--context).
  const Device& device() const { return line.deviceOrDefault(); }
  RenderingContext renderingContext() const { return line.renderingContextOrDefault(); }
  // The environment of a picture of `family` as the phone shows it in the context: the user's,
  // with the family's canvas on the phone and the context's look, the placeholder's if
  // `redacted`.
  ui::RenderEnvironment renderEnvironment(WidgetFamily family, bool redacted = false) const;
  // What the host tells the provider of a request for `family`.
  TimelineProviderContext providerContext(WidgetFamily family, bool isPreview = false) const;
  // The terminal preview's width (COLUMNS, else the terminal's, else 80), whether it has
  // colour (not under NO_COLOR or TERM=dumb), and the terminal's cell size in pixels if it says.
  ui::TerminalOptions terminalOptions() const;

  // The file of the store the widget's provider reads: the first App Group's suite.
  std::filesystem::path storeFile() const;
  // Called by a command once its own arguments are found good, just before the provider reads
  // the store: a store that reads as defaults is one line on standard error, or under --strict
  // the failure returned.
  std::optional<CommandResult> checkStore() const;
  // The families a command shows: those asked for, else all the widget supports that the
  // context shows. A family the widget does not support, or the context does not show, is a
  // usage error.
  std::variant<std::vector<WidgetFamily>, CommandResult> familiesToShow() const;
  // The entry that shows now from one timeline request, or the placeholder when the provider
  // gave none (the breach is reported).
  AnyEntry currentEntry(const TimelineProviderContext& request) const;
};

// `environment` in the locale `identifier`: its numbers, its direction and, for texts, its
// language alone.
ui::RenderEnvironment inLocale(ui::RenderEnvironment environment, const std::string& identifier);

}  // namespace host
