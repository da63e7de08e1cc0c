#include "host/host_runner.hpp"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>

#include "foundation/containers_root.hpp"
#include "foundation/locale.hpp"
#include "foundation/localized_strings.hpp"
#include "foundation/user_defaults.hpp"
#include "host/command_table.hpp"
#include "host/commands.hpp"
#include "host/help_text.hpp"
#include "host/manual_page.hpp"
#include "host/shell_completion.hpp"
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

// The message with its control characters shown as escapes, so that a value holding a newline
// or an escape sequence cannot forge or repaint the lines around it.
std::string printable(std::string_view message) {
  std::string out;
  for (const char c : message) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
      continue;
    }
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
  return out;
}

// The user's side of every picture, from the command line and the process's environment.
ui::RenderEnvironment userEnvironment(const CommandLine& line,
                                      std::shared_ptr<const foundation::LocalizedStrings> strings) {
  ui::RenderEnvironment environment;
  environment.locale =
      line.locale ? foundation::Locale(*line.locale) : foundation::Locale::current();
  environment.layoutDirection = ui::RenderEnvironment::directionOf(environment.locale);
  environment.languages = line.locale ? std::vector{environment.locale.identifier()}
                                      : foundation::Locale::preferredLanguages();
  environment.strings = std::move(strings);
  environment.dynamicTypeSize = line.textSizeOrDefault();
  environment.colorScheme = line.appearanceOrDefault() == Appearance::dark ? ui::ColorScheme::dark
                                                                           : ui::ColorScheme::light;
  environment.displayScale = line.scaleOrDefault();
  return environment;
}

// Every widget's fields that the host may set, each name once.
std::vector<std::string> entryFields(const WidgetBundleContent& bundle) {
  std::vector<std::string> names;
  for (const auto& widget : bundle.widgets) {
    for (auto& name : widget.body().entryFields) {
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  return names;
}

}  // namespace

int runHost(const WidgetBundleContent& bundle, const BundleInfo& info,
            std::span<const std::string> arguments, HostIO& io) {
  const std::string& program = info.executableName;
  auto usageFailure = [&](const std::string& message, std::optional<Command> command) {
    io.err << program << ": " << printable(message) << "\n"
           << usageHint(program, command) << std::endl;
    return 2;
  };

  const std::vector<std::string> fields = entryFields(bundle);
  // The build asks for the manual page and the completion scripts, made from the tables the
  // parser and the help read; not a command of the table, so that neither shows it.
  if (arguments.size() == 2 && arguments[0] == "--generate") {
    if (arguments[1] == "man") {
      io.out << manualPage(info, fields);
    } else if (arguments[1] == "bash") {
      io.out << bashCompletion(info, fields);
    } else if (arguments[1] == "zsh") {
      io.out << zshCompletion(info, fields);
    } else {
      return usageFailure("--generate makes man, bash or zsh", std::nullopt);
    }
    io.out.flush();
    return io.out ? 0 : 1;
  }
  const auto parsed = parseCommandLine(arguments, fields);
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    return usageFailure(error->message, error->command);
  }
  const CommandLine& line = std::get<CommandLine>(parsed);
  if (line.command == Command::help) {
    io.out << helpText(program, line.helpTopic, info.containersVariable, fields);
    io.out.flush();
    return 0;
  }
  if (line.command == Command::version) {
    io.out << program << " " << info.version << std::endl;
    return 0;
  }

  const ui::RenderEnvironment user =
      userEnvironment(line, std::make_shared<const foundation::LocalizedStrings>(
                                foundation::LocalizedStrings::load(info.stringsFolder)));
  // A language ICU does not know is taken as the environment's would be: said, not refused.
  if (!user.locale.hasKnownLanguage()) {
    io.err << program << ": the locale '"
           << printable(line.locale ? *line.locale : foundation::Locale::systemLocaleName())
           << "' (from " << (line.locale ? "--locale" : "the environment")
           << ") has a language this host does not know: numbers as in no locale in "
              "particular, texts in the development language"
           << std::endl;
  }
  const foundation::ContainersRoot root = containersRoot(line, info);
  // What the widget's provider reads on this thread, as the phone's sandbox would give it.
  const foundation::ContainersRoot::Binding binding(root);

  if (bundle.widgets.empty()) {
    io.err << program << ": the bundle offers no widget" << std::endl;
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

  std::optional<foundation::StoreDiagnosis> store;
  if (!info.applicationGroups.empty()) {
    store = foundation::UserDefaults::diagnose(info.applicationGroups.front(), root);
  }
  Renderer renderer;
  const CommandContext context{*configuration, line, io, info, user, renderer, root, store};
  CommandResult result;
  try {
    result = runCommandOf(context);
  } catch (const std::exception& error) {
    result = CommandResult::failure(error.what());
  }
  if (result.status == 2) return usageFailure(result.message, line.command);
  if (result.status != 0 && !result.message.empty()) {
    io.err << program << ": " << printable(result.message) << std::endl;
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
  // Installed, the executable is in <prefix>/bin and its resources in <prefix>/share; in the
  // build tree they are beside it.
  const auto installed = executable.parent_path().parent_path() / "share" / POCKETTA_SHARE_FOLDER;
  if (std::filesystem::is_directory(installed, error)) return installed;
  return executable.parent_path() / "resources";
}

int runHostProcess(const WidgetBundleContent& bundle, BundleInfo info,
                   CommandHandler previewServer) {
  const std::filesystem::path resources = bundleResourcesFolder();
  // The locale data the build extracted beside the strings, read before the data linked in.
  if (std::error_code error; std::filesystem::is_directory(resources / "icu", error)) {
    foundation::Locale::preferDataFiles(resources / "icu");
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
  if (info.stringsFolder.empty()) info.stringsFolder = resources / "strings";
  HostIO io{std::cout, std::cerr};
  io.in = &std::cin;
  io.outIsTerminal = isatty(STDOUT_FILENO) == 1;
  io.errIsTerminal = isatty(STDERR_FILENO) == 1;
  io.previewServer = std::move(previewServer);
  const std::span<const std::string> rest =
      arguments.empty() ? std::span<const std::string>() : std::span(arguments).subspan(1);
  const int status = runHost(bundle, info, rest, io);
  std::cout.flush();
  return status;
}

}  // namespace host
