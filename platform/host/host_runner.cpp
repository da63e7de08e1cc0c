#include "host/host_runner.hpp"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>

#include "foundation/containers_root.hpp"
#include "foundation/locale.hpp"
#include "foundation/user_defaults.hpp"
#include "host/commands.hpp"
#include "host/signals.hpp"

namespace host {
namespace {

// The containers root: --containers, else the bundle's variable, else the platform's default.
foundation::ContainersRoot containersRoot(const CommandLine& line, const BundleInfo& info) {
  if (line.containers) return {*line.containers, "--containers"};
  if (!info.containersVariable.empty()) {
    const char* value = std::getenv(info.containersVariable.c_str());
    if (value != nullptr && *value != '\0') return {value, "$" + info.containersVariable};
  }
  return foundation::ContainersRoot::platformDefault();
}

}  // namespace

int runHost(const WidgetBundleContent& bundle, const BundleInfo& info,
            std::span<const std::string> arguments, HostEnvironment& environment) {
  const std::string& program = info.executableName;
  auto usageFailure = [&](const std::string& message, std::optional<Command> command) {
    environment.err << program << ": " << message << "\n"
                    << usageHint(program, command) << std::endl;
    return 2;
  };

  const auto parsed = parseCommandLine(arguments);
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    return usageFailure(error->message, error->command);
  }
  const CommandLine& line = std::get<CommandLine>(parsed);
  if (line.command == Command::help) {
    environment.out << helpText(program, line.helpTopic, info.containersVariable);
    environment.out.flush();
    return 0;
  }
  if (line.command == Command::version) {
    environment.out << program << " " << info.version << std::endl;
    return 0;
  }

  // A language ICU does not know is taken as the environment's would be: said, not refused.
  if (line.locale) foundation::Locale::setUserPreferredIdentifier(*line.locale);
  if (const auto user = foundation::Locale::current(); !user.hasKnownLanguage()) {
    environment.err << program << ": the locale " << user.identifier() << " (from "
                    << (line.locale ? "--locale" : "the environment")
                    << ") has a language this host does not know: numbers as in no locale in "
                       "particular, texts in the development language"
                    << std::endl;
  }
  const foundation::ContainersRoot root = containersRoot(line, info);
  foundation::ContainersRoot::setHostSetting(root);

  if (bundle.widgets.empty()) {
    environment.err << program << ": the bundle offers no widget" << std::endl;
    return 1;
  }
  std::optional<WidgetConfiguration> configuration;
  std::string kinds;
  for (const auto& widget : bundle.widgets) {
    WidgetConfiguration candidate = widget.body();
    if (!line.kind || candidate.kind == *line.kind) {
      configuration = std::move(candidate);
      break;
    }
    kinds += (kinds.empty() ? "" : ", ") + candidate.kind;
  }
  if (!configuration) {
    return usageFailure("no widget of kind '" + *line.kind + "' (the bundle has " + kinds + ")",
                        line.command);
  }

  const LocalizedStrings strings = LocalizedStrings::load(info.stringsFolder);
  std::optional<foundation::StoreDiagnosis> store;
  if (!info.applicationGroups.empty()) {
    store = foundation::UserDefaults::diagnose(info.applicationGroups.front(), root);
  }
  const CommandContext context{*configuration, line, environment, info, strings, store};
  CommandResult result;
  try {
    result = runCommandOf(context);
  } catch (const std::exception& error) {
    result = CommandResult::failure(error.what());
  }
  if (result.status == 2) return usageFailure(result.message, line.command);
  if (result.status != 0 && !result.message.empty()) {
    environment.err << program << ": " << result.message << std::endl;
  }
  return result.status;
}

std::vector<std::string> processArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  std::size_t start = 0;
  while (start < raw.size()) {
    auto end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    arguments.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

std::filesystem::path bundleResourcesFolder() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return executable.parent_path() / "resources";
}

int runHostProcess(const WidgetBundleContent& bundle, BundleInfo info,
                   CommandHandler previewServer) {
  // The locale data the build extracted beside the strings, read before the data linked in.
  if (std::error_code error;
      std::filesystem::is_directory(bundleResourcesFolder() / "icu", error)) {
    foundation::Locale::preferDataFiles(bundleResourcesFolder() / "icu");
  }
  // An extension process is held to a small memory budget. Threads that compress or draw would
  // otherwise each get a malloc arena of their own; picture-sized and
  // compression buffers are given back to the system when freed rather than kept in the heap.
  // Measured on a render of both families at @3x: about 0.6 MB less peak memory.
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 32 * 1024);
  installSignalHandlers();
  const auto arguments = processArguments();
  if (info.version.empty()) info.version = POCKETTA_VERSION;
  if (info.executableName.empty() && !arguments.empty()) {
    info.executableName = std::filesystem::path(arguments.front()).filename().string();
  }
  if (info.stringsFolder.empty()) info.stringsFolder = bundleResourcesFolder() / "strings";
  HostEnvironment environment{std::cout, std::cerr};
  environment.outIsTerminal = isatty(STDOUT_FILENO) == 1;
  environment.previewServer = std::move(previewServer);
  const std::span<const std::string> rest =
      arguments.empty() ? std::span<const std::string>() : std::span(arguments).subspan(1);
  const int status = runHost(bundle, info, rest, environment);
  std::cout.flush();
  return status;
}

}  // namespace host
