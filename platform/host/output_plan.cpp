#include "host/output_plan.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <system_error>

#include "foundation/atomic_file.hpp"
#include "host/signals.hpp"
#include "ui/terminal/chafa_library.hpp"

namespace host {
namespace {

// A path written directly rather than replaced: a device, a pipe or a socket, or one of the
// process's own streams (/dev/stdout, /dev/fd/1), whatever it points at. Such a path is never a
// folder or a prefix for new files.
bool isStream(const std::string& path) {
  if (path == "/dev/stdout" || path == "/dev/stderr" || path.starts_with("/dev/fd/")) return true;
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

// The process's environment, "NAME=value" each, where chafa looks for the terminal.
std::vector<std::string> environmentVariables() {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    variables.emplace_back(*variable);
  }
  return variables;
}

// The placeholders --name may hold, and what each stands for.
std::optional<std::string> placeholderValue(const CommandContext& context, std::string_view name,
                                            std::string_view picture) {
  if (name == "kind") return context.configuration.kind;
  if (name == "family") return std::string(picture);
  if (name == "locale") return context.userEnvironment.locale.identifier();
  if (name == "appearance") return std::string(toString(context.line.appearanceOrDefault()));
  if (name == "scale") return std::to_string(context.line.scaleOrDefault());
  if (name == "textSize") return std::string(ui::toString(context.line.textSizeOrDefault()));
  return std::nullopt;
}

// The template with each {placeholder} replaced; nothing when one is unknown.
std::optional<std::string> expandName(const CommandContext& context, std::string_view pattern,
                                      std::string_view picture) {
  std::string name;
  std::size_t at = 0;
  while (at < pattern.size()) {
    const auto open = pattern.find('{', at);
    const auto close = open == std::string_view::npos ? open : pattern.find('}', open);
    if (close == std::string_view::npos) {
      name += pattern.substr(at);
      break;
    }
    const auto value =
        placeholderValue(context, pattern.substr(open + 1, close - open - 1), picture);
    if (!value) return std::nullopt;
    name += std::string(pattern.substr(at, open - at)) + *value;
    at = close + 1;
  }
  return name;
}

}  // namespace

std::variant<OutputPlan, CommandResult> planOutput(const CommandContext& context,
                                                   const std::vector<std::string>& pictureNames) {
  const CommandLine& line = context.line;
  OutputPlan plan;
  bool folderGiven = false;
  const bool stream = !line.out || *line.out == "-" || isStream(*line.out);
  if (stream) {
    if (line.out && *line.out != "-") plan.device = *line.out;
    plan.format = line.format.value_or(OutputFormat::terminal);
  } else {
    const std::filesystem::path out = *line.out;
    std::error_code error;
    // A folder: one that exists, or a path ending in '/' or without an extension ("out").
    const bool isFolder = std::filesystem::is_directory(out, error) || line.out->back() == '/' ||
                          (!std::filesystem::exists(out, error) && !out.has_extension());
    if (isFolder) {
      folderGiven = true;
      plan.format = line.format.value_or(OutputFormat::png);
      plan.folder = out;
      plan.nameTemplate = line.name.value_or("{kind}-{family}");
      plan.extension = specOf(plan.format).extension;
    } else {
      const auto fromExtension = formatForExtension(out);
      if (!line.format && !fromExtension) {
        std::string extensions;
        for (const auto& spec : outputFormats()) extensions += " " + std::string(spec.extension);
        return CommandResult::usage("cannot tell the format of --out " + *line.out +
                                    ": give --format, or end it in one of" + extensions);
      }
      plan.format = line.format.value_or(fromExtension.value_or(OutputFormat::png));
      if (pictureNames.size() > 1) {
        // Several pictures and one file name: a file each, named after it.
        plan.folder = out.parent_path();
        plan.nameTemplate = out.stem().string() + "-{family}";
        plan.extension = out.extension().string();
      } else {
        plan.file = out;
      }
    }
  }

  plan.terminal = context.terminalOptions();
  const bool colourTerminalWithoutFormat =
      stream && !line.format && !plan.device && context.io.outIsTerminal && plan.terminal.color;
  if (colourTerminalWithoutFormat || plan.format == OutputFormat::graphics) {
    auto opened = ui::ChafaLibrary::open();
    if (auto* chafa = std::get_if<std::shared_ptr<const ui::ChafaLibrary>>(&opened)) {
      plan.format = OutputFormat::graphics;
      plan.terminal.protocol = (*chafa)->detect(environmentVariables());
      plan.terminal.pictures = std::move(*chafa);
    } else if (plan.format == OutputFormat::graphics) {
      return CommandResult::failure("cannot draw graphics in the terminal: " +
                                    std::get<std::string>(opened));
    }
  }

  const OutputFormatSpec& spec = specOf(plan.format);
  const std::string format(spec.name);
  if (line.scale && !spec.pixels) {
    return CommandResult::usage("--scale sets pixels per point, and " + format +
                                " has no pixels: leave it out, or use --format png");
  }
  if (line.appearance && !spec.drawn) {
    return CommandResult::usage("--appearance and --dark set the colours, and " + format +
                                " shows the view tree, which has none: leave them out");
  }
  if (line.name && !folderGiven) {
    return CommandResult::usage(
        "--name names the files in an --out folder, and here there is "
        "none: give --out DIR");
  }
  if (line.name && !expandName(context, *line.name, "small")) {
    return CommandResult::usage("--name " + *line.name +
                                ": a placeholder that is none of {kind}, {family}, {locale}, "
                                "{appearance}, {textSize}, {scale}");
  }
  if (plan.toStream() && !plan.device) {
    if (spec.binary && context.io.outIsTerminal) {
      return CommandResult::usage("a " + format +
                                  " picture is not written to a terminal: give --out FILE or DIR");
    }
  }
  if (plan.toStream() && spec.onePicture && pictureNames.size() > 1) {
    return CommandResult::usage("--format " + format + " on " +
                                (plan.device ? plan.device->string() : "standard output") +
                                " holds one picture: give --family or --out DIR");
  }
  if (plan.folder) {
    // Two pictures in one file would leave only the last: refused before anything is written.
    std::set<std::filesystem::path> files;
    for (const auto& name : pictureNames) {
      if (!files.insert(pictureFile(context, plan, name)).second) {
        return CommandResult::usage("--name " + plan.nameTemplate + " gives the " + name +
                                    " picture the same file as another: add {family}");
      }
    }
  }
  return plan;
}

std::filesystem::path pictureFile(const CommandContext& context, const OutputPlan& plan,
                                  std::string_view name) {
  if (plan.file) return *plan.file;
  const auto expanded = expandName(context, plan.nameTemplate, name);
  return plan.folder.value_or(".") / (expanded.value_or(std::string(name)) + plan.extension);
}

CommandResult writePictures(const CommandContext& context, const OutputPlan& plan,
                            const std::vector<std::pair<std::string, std::string>>& pictures) {
  if (plan.toStream()) {
    std::ofstream device;
    if (plan.device) {
      device.open(*plan.device, std::ios::binary | std::ios::app);
      if (!device) {
        return CommandResult::failure("cannot open " + plan.device->string() + ": " +
                                      std::strerror(errno));
      }
    }
    std::ostream& out = plan.device ? device : context.io.out;
    const bool titled = pictures.size() > 1;
    for (const auto& [name, content] : pictures) {
      if (titled) out << name << "\n";
      out << content;
    }
    out.flush();
    if (!out) {
      return CommandResult::failure("cannot write " +
                                    (plan.device ? plan.device->string() : "standard output"));
    }
    return CommandResult::ok();
  }
  if (plan.folder && !plan.folder->empty()) {
    std::error_code error;
    std::filesystem::create_directories(*plan.folder, error);
    if (error) {
      return CommandResult::failure("cannot create the folder " + plan.folder->string() + ": " +
                                    error.message());
    }
  }
  std::vector<foundation::FileContent> files;
  for (const auto& [name, content] : pictures) {
    files.push_back(
        {pictureFile(context, plan, name),
         std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size())});
  }
  if (auto failure = foundation::writeFilesAtomically(files, removeOnSignal)) {
    return CommandResult::failure(*failure);
  }
  if (!context.line.quiet && context.line.command != Command::run) {
    for (const auto& file : files) context.io.err << "wrote " << file.path.string() << "\n";
    context.io.err.flush();
  }
  return CommandResult::ok();
}

}  // namespace host
