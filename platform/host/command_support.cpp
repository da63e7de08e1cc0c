#include <unicode/uloc.h>

#include <algorithm>
#include <system_error>

#include "foundation/locale.hpp"
#include "host/atomic_file.hpp"
#include "host/commands.hpp"
#include "host/entry_choice.hpp"
#include "ui/png_encoder.hpp"
#include "ui/render_display_list.hpp"
#include "ui/svg_renderer.hpp"
#include "ui/terminal_renderer.hpp"
#include "ui/view_dump.hpp"
#include "ui/widget_layout.hpp"

namespace host {
namespace {

std::string_view extensionFor(OutputFormat format) {
  switch (format) {
    case OutputFormat::png:
      return ".png";
    case OutputFormat::svg:
      return ".svg";
    case OutputFormat::terminal:
      return ".ans";
    case OutputFormat::tree:
      return ".txt";
  }
  return "";
}

std::optional<OutputFormat> formatForExtension(const std::filesystem::path& path) {
  const auto extension = path.extension().string();
  if (extension == ".png") return OutputFormat::png;
  if (extension == ".svg") return OutputFormat::svg;
  if (extension == ".ans") return OutputFormat::terminal;
  if (extension == ".txt") return OutputFormat::tree;
  return std::nullopt;
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
  return strings.localized(key, foundation::Locale::current());
}

ui::RenderOptions CommandContext::renderOptions(bool redacted) const {
  ui::RenderOptions options;
  options.scale = line.scale;
  options.colorScheme =
      line.appearance == Appearance::dark ? ui::ColorScheme::dark : ui::ColorScheme::light;
  options.redacted = redacted;
  const std::string locale = foundation::Locale::current().identifier();
  options.layoutDirection = uloc_isRightToLeft(locale.c_str()) ? ui::LayoutDirection::rightToLeft
                                                               : ui::LayoutDirection::leftToRight;
  const LocalizedStrings* tables = &strings;
  options.localize = [tables](std::string_view key) {
    return tables->localized(key, foundation::Locale::current());
  };
  return options;
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

std::string renderPicture(const ui::View& view, WidgetFamily family, OutputFormat format, int scale,
                          const ui::RenderOptions& options) {
  if (format == OutputFormat::tree) return ui::dump(view);
  const ui::WidgetCanvas canvas = canvasFor(family);
  const ui::DisplayList list = ui::renderDisplayList(view, canvas, options);
  switch (format) {
    case OutputFormat::png: {
      const auto bytes = ui::encodePng(list, canvas, scale);
      return std::string(bytes.begin(), bytes.end());
    }
    case OutputFormat::svg:
      return ui::renderSvg(list, canvas);
    case OutputFormat::terminal:
    case OutputFormat::tree:
      break;
  }
  return ui::renderTerminal(list, canvas);
}

std::vector<std::string> renderPictures(const std::vector<std::pair<WidgetFamily, ui::View>>& views,
                                        OutputFormat format, int scale,
                                        const ui::RenderOptions& options) {
  std::vector<std::string> out;
  if (format != OutputFormat::png || views.size() < 2) {
    for (const auto& [family, view] : views) {
      out.push_back(renderPicture(view, family, format, scale, options));
    }
    return out;
  }
  // Laid out here, one after the other (a small part of the work), then drawn at the same time.
  std::vector<ui::PngPicture> pictures;
  for (const auto& [family, view] : views) {
    const ui::WidgetCanvas canvas = canvasFor(family);
    pictures.push_back(
        {ui::renderDisplayList(view, canvas, options), canvas, static_cast<double>(scale)});
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
  if (!line.out || *line.out == "-") {
    plan.format = line.format.value_or(OutputFormat::terminal);
    if (plan.format == OutputFormat::png && context.environment.outIsTerminal) {
      return CommandResult::usage("a PNG is not written to a terminal: give --out FILE or DIR");
    }
    if ((plan.format == OutputFormat::png || plan.format == OutputFormat::svg) &&
        pictureCount > 1) {
      return CommandResult::usage("--format " + std::string(toString(plan.format)) +
                                  " on standard output holds one picture: give --family or "
                                  "--out DIR");
    }
    return plan;
  }
  const std::filesystem::path out = *line.out;
  std::error_code error;
  // A folder: one that exists, or a path ending in '/' or without an extension ("out").
  const bool isFolder = std::filesystem::is_directory(out, error) || line.out->back() == '/' ||
                        (!std::filesystem::exists(out, error) && !out.has_extension());
  if (isFolder) {
    plan.folder = out;
    plan.format = line.format.value_or(OutputFormat::png);
    return plan;
  }
  if (pictureCount > 1) {
    return CommandResult::usage("--out " + *line.out +
                                " is a file and holds one picture: give --family or a folder");
  }
  const auto fromExtension = formatForExtension(out);
  if (!line.format && !fromExtension) {
    return CommandResult::usage("cannot tell the format of --out " + *line.out +
                                ": give --format, or end it in .png or .svg");
  }
  plan.format = line.format.value_or(fromExtension.value_or(OutputFormat::png));
  plan.file = out;
  return plan;
}

std::filesystem::path pictureFile(const OutputPlan& plan, const std::string& kind,
                                  std::string_view name) {
  if (plan.file) return *plan.file;
  return plan.folder.value_or(".") /
         (kind + "-" + std::string(name) + std::string(extensionFor(plan.format)));
}

CommandResult writePictures(const CommandContext& context, const OutputPlan& plan,
                            const std::vector<std::pair<std::string, std::string>>& pictures) {
  if (plan.toStandardOutput()) {
    const bool titled = pictures.size() > 1;
    for (const auto& [name, content] : pictures) {
      if (titled) context.environment.out << name << "\n";
      context.environment.out << content;
    }
    context.environment.out.flush();
    if (!context.environment.out) return CommandResult::failure("cannot write standard output");
    return CommandResult::ok();
  }
  if (plan.folder) {
    std::error_code error;
    std::filesystem::create_directories(*plan.folder, error);
    if (error) {
      return CommandResult::failure("cannot create the folder " + plan.folder->string() + ": " +
                                    error.message());
    }
  }
  for (const auto& [name, content] : pictures) {
    const auto path = pictureFile(plan, context.configuration.kind, name);
    if (auto failure = writeFileAtomically(path, content)) return CommandResult::failure(*failure);
  }
  return CommandResult::ok();
}

}  // namespace host
