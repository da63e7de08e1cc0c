#include "host/command_context.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "foundation/date.hpp"
#include "host/entry_choice.hpp"

namespace host {

ContractReporter CommandContext::reporter() const {
  std::ostream* err = &io.err;
  const std::string name = program();
  return [err, name](const std::string& message) {
    *err << name << ": provider contract broken: " << message << std::endl;
  };
}

ui::RenderEnvironment CommandContext::renderEnvironment(WidgetFamily family, bool redacted) const {
  ui::RenderEnvironment environment = userEnvironment;
  environment.widgetFamily = family;
  environment.redacted = redacted;
  return inContext(std::move(environment), renderingContext(), device(),
                   line.tint.value_or(kDefaultTint));
}

TimelineProviderContext CommandContext::providerContext(WidgetFamily family, bool isPreview) const {
  return TimelineProviderContext{family, device().size(family), isPreview};
}

ui::TerminalOptions CommandContext::terminalOptions() const {
  ui::TerminalOptions options;
  options.columns = 80;
  const char* columns = std::getenv("COLUMNS");
  int given = 0;
  if (columns != nullptr) std::from_chars(columns, columns + std::strlen(columns), given);
  if (given > 0) {
    options.columns = given;
  }
  if (winsize size{}; ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    if (given <= 0) options.columns = size.ws_col;
    if (size.ws_xpixel > 0 && size.ws_row > 0 && size.ws_ypixel > 0) {
      options.cellWidthPixels = size.ws_xpixel / size.ws_col;
      options.cellHeightPixels = size.ws_ypixel / size.ws_row;
    }
  }
  const char* noColor = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  options.color = !(noColor != nullptr && *noColor != '\0') &&
                  !(term != nullptr && std::string_view(term) == "dumb");
  return options;
}

std::filesystem::path CommandContext::storeFile() const {
  return store ? store->file : std::filesystem::path();
}

std::optional<CommandResult> CommandContext::checkStore() const {
  if (!store || store->ok()) return std::nullopt;
  if (line.strict) return CommandResult::failure("store " + store->describe());
  io.err << program() << ": store " << store->describe() << "; the widget shows defaults"
         << std::endl;
  return std::nullopt;
}

std::variant<std::vector<WidgetFamily>, CommandResult> CommandContext::familiesToShow() const {
  auto supported = configuration.families();
  if (line.families.empty()) {
    std::erase_if(supported,
                  [&](WidgetFamily family) { return !shows(renderingContext(), family); });
    return supported;
  }
  for (const auto family : line.families) {
    if (std::find(supported.begin(), supported.end(), family) == supported.end()) {
      return CommandResult::usage("the widget " + configuration.kind + " does not support the " +
                                  std::string(shortName(family)) + " family");
    }
    if (!shows(renderingContext(), family)) {
      return CommandResult::usage(std::string(toString(renderingContext())) +
                                  " shows the small family only: give --family small");
    }
  }
  return line.families;
}

AnyEntry CommandContext::currentEntry(const TimelineProviderContext& request) const {
  const auto report = reporter();
  const auto timeline = requestTimeline(configuration.provider, request, report);
  if (timeline) {
    if (const auto index = entryShowing(timeline->entries, foundation::Date::now())) {
      return timeline->entries[*index];
    }
    report("getTimeline: the timeline holds no entry; showing the placeholder");
  } else {
    report("getTimeline: no timeline; showing the placeholder");
  }
  return requestPlaceholder(configuration.provider, request, report);
}

ui::RenderEnvironment inLocale(ui::RenderEnvironment environment, const std::string& identifier) {
  environment.locale = foundation::Locale(identifier);
  environment.layoutDirection = ui::RenderEnvironment::directionOf(environment.locale);
  environment.languages = {environment.locale.identifier()};
  return environment;
}

}  // namespace host
