#include "preview/widget_host.hpp"

#include "preview/store_report.hpp"

#include "foundation/locale.hpp"
#include "host/entry_choice.hpp"
#include "host/fit_result.hpp"
#include "host/timeline_json.hpp"
#include "ui/layout/hit_test.hpp"
#include "ui/layout/widget_layout.hpp"

namespace preview {
namespace {

// The process's locale for the length of one call.
class LocaleScope {
 public:
  LocaleScope(const std::string& wanted, std::string user) : user_(std::move(user)) {
    foundation::Locale::setUserPreferredIdentifier(wanted);
  }
  ~LocaleScope() { foundation::Locale::setUserPreferredIdentifier(user_); }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;

 private:
  std::string user_;
};

}  // namespace

WidgetHost::WidgetHost(const host::CommandContext& context, LiveTimeline& live)
    : context_(context),
      live_(live),
      store_(host::storeFile(context)),
      userLocale_(foundation::Locale::current().identifier()) {}

void WidgetHost::reload(ReloadReason reason) {
  std::lock_guard lock(mutex_);
  const auto requestedAt = foundation::Date::now();
  const auto families = context_.configuration.families();
  const auto family = families.empty() ? host::WidgetFamily::systemSmall : families.front();
  auto timeline = host::requestTimeline(context_.configuration.provider,
                                        host::providerContext(family, false), context_.reporter());
  live_.publish(timeline.value_or(host::AnyTimeline{{}, host::TimelineReloadPolicy::atEnd()}),
                reason, requestedAt, storeReport(context_.bundle));
  context_.environment.err << host::iso8601(requestedAt).value_or("?")
                           << "  request: " << describe(reason) << std::endl;
}

std::string WidgetHost::render(const RenderQuery& query) {
  std::lock_guard lock(mutex_);
  const LocaleScope locale(query.locale.value_or(userLocale_), userLocale_);
  const auto request = host::providerContext(query.family, false);
  const host::AnyEntry entry = query.placeholder ? placeholder(request) : current(request);
  const ui::View view = context_.configuration.content(entry);
  host::PictureSettings settings;
  settings.scale = query.scale;
  ui::RenderOptions shown = options(query.scheme, query.placeholder, query.scale);
  if (query.textSize) shown.dynamicTypeSize = *query.textSize;
  return host::renderPicture(view, query.family, query.format, settings, shown);
}

std::variant<std::string, BadRequest> WidgetHost::fit(const FitQuery& query) {
  auto locales = host::fitLocales(query.locales);
  if (auto* failure = std::get_if<host::CommandResult>(&locales)) {
    return BadRequest{failure->message};
  }
  std::lock_guard lock(mutex_);
  host::AnyEntry entry = current(host::providerContext(query.families.front(), false));
  if (!query.values.empty()) {
    if (!entry.withFields) return BadRequest{"the widget takes no values"};
    std::vector<host::EntryField> fields;
    for (const auto& [name, value] : query.values) fields.push_back({name, value});
    entry = entry.withFields(fields);
  }
  return host::fitJson(host::checkFit(
      context_, entry, std::get<std::vector<std::string>>(locales), query.families,
      query.textSizes.empty() ? std::vector{context_.line.textSizeOrDefault()} : query.textSizes));
}

std::optional<std::string> WidgetHost::hitTest(const TapRequest& tap) {
  std::lock_guard lock(mutex_);
  const auto request = host::providerContext(tap.family, false);
  const ui::View view = context_.configuration.content(current(request));
  const auto layout = ui::layoutWidget(view, host::canvasFor(tap.family),
                                       options(host::Appearance::light, false, 1));
  const auto url = ui::hitTest(layout, foundation::Point{tap.x, tap.y});
  if (!url) return std::nullopt;
  return url->absoluteString();
}

host::AnyEntry WidgetHost::placeholder(const host::TimelineProviderContext& request) {
  return host::requestPlaceholder(context_.configuration.provider, request, context_.reporter());
}

host::AnyEntry WidgetHost::current(const host::TimelineProviderContext& request) {
  if (const auto timeline = live_.timeline()) {
    if (const auto index = host::entryShowing(timeline->entries, foundation::Date::now())) {
      return timeline->entries[*index];
    }
  }
  return placeholder(request);
}

// The host's options for the locale in force, in the scheme and scale asked for.
ui::RenderOptions WidgetHost::options(host::Appearance scheme, bool redacted, int scale) const {
  ui::RenderOptions options = context_.renderOptions(redacted);
  options.scale = scale;
  options.colorScheme =
      scheme == host::Appearance::dark ? ui::ColorScheme::dark : ui::ColorScheme::light;
  return options;
}

}  // namespace preview
