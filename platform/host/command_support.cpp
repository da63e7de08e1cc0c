#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

#include "foundation/atomic_file.hpp"
#include "foundation/locale.hpp"
#include "foundation/user_defaults.hpp"
#include "host/commands.hpp"
#include "host/entry_choice.hpp"
#include "host/signals.hpp"
#include "ui/png_encoder.hpp"
#include "ui/render_display_list.hpp"
#include "ui/view_dump.hpp"
#include "ui/widget_layout.hpp"

namespace host {
namespace {

bool isCharacterDevice(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

// The placeholders --name may hold, and what each stands for.
std::optional<std::string> placeholderValue(const CommandContext& context, std::string_view name,
                                            std::string_view picture) {
  if (name == "kind") return context.configuration.kind;
  if (name == "family") return std::string(picture);
  if (name == "locale") return foundation::Locale::current().identifier();
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

ContractReporter CommandContext::reporter() const {
  std::ostream* err = &environment.err;
  const std::string name = program();
  return [err, name](const std::string& message) {
    *err << name << ": provider contract broken: " << message << std::endl;
  };
}

std::string CommandContext::localized(std::string_view key) const {
  return strings.localized(key, foundation::Locale::preferredLanguages());
}

ui::RenderOptions CommandContext::renderOptions(bool redacted) const {
  ui::RenderOptions options;
  options.scale = line.scaleOrDefault();
  options.colorScheme = line.appearanceOrDefault() == Appearance::dark ? ui::ColorScheme::dark
                                                                       : ui::ColorScheme::light;
  options.redacted = redacted;
  options.dynamicTypeSize = line.textSizeOrDefault();
  options.layoutDirection = foundation::Locale::current().isRightToLeft()
                                ? ui::LayoutDirection::rightToLeft
                                : ui::LayoutDirection::leftToRight;
  const LocalizedStrings* tables = &strings;
  options.localize = [tables](std::string_view key) {
    return tables->localized(key, foundation::Locale::preferredLanguages());
  };
  return options;
}

std::filesystem::path storeFile(const CommandContext& context) {
  return context.store ? context.store->file : std::filesystem::path();
}

std::optional<CommandResult> checkStore(const CommandContext& context) {
  if (!context.store || context.store->ok()) return std::nullopt;
  if (context.line.strict) return CommandResult::failure("store " + context.store->describe());
  context.environment.err << context.program() << ": store " << context.store->describe()
                          << "; the widget shows defaults" << std::endl;
  return std::nullopt;
}

ui::WidgetCanvas canvasFor(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::systemSmall:
      return ui::WidgetCanvas{ui::WidgetCanvas::systemSmallSize};
    case WidgetFamily::systemMedium:
      return ui::WidgetCanvas{ui::WidgetCanvas::systemMediumSize};
  }
  return ui::WidgetCanvas{ui::WidgetCanvas::systemSmallSize};
}

TimelineProviderContext providerContext(WidgetFamily family, bool isPreview) {
  return TimelineProviderContext{family, canvasFor(family).size, isPreview};
}

std::string_view shortName(WidgetFamily family) {
  return family == WidgetFamily::systemMedium ? "medium" : "small";
}

std::variant<std::vector<WidgetFamily>, CommandResult> familiesToShow(
    const CommandContext& context) {
  const auto supported = context.configuration.families();
  if (context.line.families.empty()) return supported;
  for (const auto family : context.line.families) {
    if (std::find(supported.begin(), supported.end(), family) == supported.end()) {
      return CommandResult::usage("the widget " + context.configuration.kind +
                                  " does not support the " + std::string(shortName(family)) +
                                  " family");
    }
  }
  return context.line.families;
}

AnyEntry currentEntry(const CommandContext& context, const TimelineProviderContext& request) {
  const auto report = context.reporter();
  const auto timeline = requestTimeline(context.configuration.provider, request, report);
  if (timeline) {
    if (const auto index = entryShowing(timeline->entries, foundation::Date::now())) {
      return timeline->entries[*index];
    }
    report("getTimeline: the timeline holds no entry; showing the placeholder");
  } else {
    report("getTimeline: no timeline; showing the placeholder");
  }
  return requestPlaceholder(context.configuration.provider, request, report);
}

std::string renderPicture(const ui::View& view, WidgetFamily family, OutputFormat format,
                          const PictureSettings& settings, const ui::RenderOptions& options) {
  const OutputFormatSpec& spec = specOf(format);
  if (!spec.draw) return ui::dump(view);
  const ui::WidgetCanvas canvas = canvasFor(family);
  return spec.draw(ui::renderDisplayList(view, canvas, options), canvas, settings);
}

PictureSettings CommandContext::pictureSettings() const {
  PictureSettings settings;
  settings.scale = line.scaleOrDefault();
  settings.terminal.columns = 80;
  const char* columns = std::getenv("COLUMNS");
  int given = 0;
  if (columns != nullptr) std::from_chars(columns, columns + std::strlen(columns), given);
  if (given > 0) {
    settings.terminal.columns = given;
  } else if (winsize size{}; ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    settings.terminal.columns = size.ws_col;
  }
  const char* noColor = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  settings.terminal.color = !(noColor != nullptr && *noColor != '\0') &&
                            !(term != nullptr && std::string_view(term) == "dumb");
  return settings;
}

std::vector<std::string> renderPictures(const std::vector<std::pair<WidgetFamily, ui::View>>& views,
                                        OutputFormat format, const PictureSettings& settings,
                                        const ui::RenderOptions& options) {
  std::vector<std::string> out;
  if (format != OutputFormat::png || views.size() < 2) {
    for (const auto& [family, view] : views) {
      out.push_back(renderPicture(view, family, format, settings, options));
    }
    return out;
  }
  // Laid out here, one after the other (a small part of the work), then drawn at the same time.
  std::vector<ui::PngPicture> pictures;
  for (const auto& [family, view] : views) {
    const ui::WidgetCanvas canvas = canvasFor(family);
    pictures.push_back({ui::renderDisplayList(view, canvas, options), canvas,
                        static_cast<double>(settings.scale)});
  }
  for (const std::vector<std::uint8_t>& bytes : ui::encodePngs(pictures)) {
    out.emplace_back(bytes.begin(), bytes.end());
  }
  return out;
}

std::variant<OutputPlan, CommandResult> planOutput(const CommandContext& context,
                                                   std::size_t pictureCount) {
  const CommandLine& line = context.line;
  OutputPlan plan;
  bool folderGiven = false;
  const bool stream = !line.out || *line.out == "-" || isCharacterDevice(*line.out);
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
      if (pictureCount > 1) {
        // Several pictures and one file name: a file each, named after it.
        plan.folder = out.parent_path();
        plan.nameTemplate = out.stem().string() + "-{family}";
        plan.extension = out.extension().string();
      } else {
        plan.file = out;
      }
    }
  }

  const OutputFormatSpec& spec = specOf(plan.format);
  const std::string format(spec.name);
  if (line.scale && !spec.pixels) {
    return CommandResult::usage("--scale sets pixels per point, and " + format +
                                " has no pixels: leave it out, or use --format png");
  }
  if (line.appearance && !spec.draw) {
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
                                "{appearance}, {scale}");
  }
  if (plan.toStream() && !plan.device) {
    if (spec.binary && context.environment.outIsTerminal) {
      return CommandResult::usage("a " + format +
                                  " picture is not written to a terminal: give --out FILE or DIR");
    }
  }
  if (plan.toStream() && spec.onePicture && pictureCount > 1) {
    return CommandResult::usage("--format " + format + " on " +
                                (plan.device ? plan.device->string() : "standard output") +
                                " holds one picture: give --family or --out DIR");
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
      if (!device) return CommandResult::failure("cannot open " + plan.device->string());
    }
    std::ostream& out = plan.device ? device : context.environment.out;
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
  if (auto failure = foundation::writeFilesAtomically(files, removeOnSignal))
    return CommandResult::failure(*failure);
  if (!context.line.quiet && context.line.command != Command::run) {
    for (const auto& file : files)
      context.environment.err << "wrote " << file.path.string() << "\n";
    context.environment.err.flush();
  }
  return CommandResult::ok();
}

}  // namespace host
