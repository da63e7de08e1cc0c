#include "preview/widget_host.hpp"

#include <sstream>

#include "host/entry_choice.hpp"
#include "host/fit_result.hpp"
#include "host/matrix_check.hpp"
#include "host/timeline_json.hpp"
#include "preview/store_report.hpp"
#include "ui/layout/hit_test.hpp"

namespace preview {

WidgetHost::WidgetHost(const host::CommandContext& context, LiveTimeline& live)
    : context_(context), live_(live), store_(context.storeFile()) {}

void WidgetHost::reload(ReloadReason reason) {
  const foundation::ContainersRoot::Binding binding(context_.containersRoot);
  const auto requestedAt = foundation::Date::now();
  const auto families = context_.configuration.families();
  const auto family = families.empty() ? host::WidgetFamily::systemSmall : families.front();
  auto timeline = host::requestTimeline(context_.configuration.provider,
                                        context_.providerContext(family), context_.reporter());
  live_.publish(timeline.value_or(host::AnyTimeline{{}, host::TimelineReloadPolicy::atEnd()}),
                reason, requestedAt, storeReport(context_.bundle, context_.containersRoot));
  context_.io.err << host::iso8601(requestedAt).value_or("?") << "  request: " << describe(reason)
                  << std::endl;
}

std::string WidgetHost::render(const RenderQuery& query) {
  const auto request = providerContext(query.placement, query.family);
  const host::AnyEntry entry = query.placeholder ? placeholder(request) : current(request);
  ui::RenderEnvironment environment = context_.userEnvironment;
  environment.widgetFamily = query.family;
  environment.redacted = query.placeholder;
  if (query.locale) environment = host::inLocale(std::move(environment), *query.locale);
  environment.colorScheme =
      query.scheme == host::Appearance::dark ? ui::ColorScheme::dark : ui::ColorScheme::light;
  environment.displayScale = query.scale;
  if (query.textSize) environment.dynamicTypeSize = *query.textSize;
  // The place last: StandBy enlarges the picture from the scale asked for.
  environment = placed(std::move(environment), query.placement);
  // One picture per request: the server's threads already draw several at once.
  return context_.renderer
      .render({{context_.configuration.content(entry), environment}}, query.format, {}, 1)
      .front();
}

namespace {

struct Planned {
  host::Matrix matrix;
  host::AnyEntry entry;
};

// The matrix of a fit or check query on the request's phone, at home, light, and the entry with the
// query's values.
std::variant<Planned, BadRequest> planned(const host::CommandContext& context,
                                          const host::Device& device, const FitQuery& query,
                                          host::AnyEntry entry) {
  auto locales = host::fitLocales(query.locales, context.userEnvironment.locale);
  if (auto* failure = std::get_if<host::CommandResult>(&locales)) {
    return BadRequest{failure->message};
  }
  host::Matrix matrix;
  matrix.devices = {&device};
  matrix.families = query.families;
  matrix.contexts = {host::RenderingContext::home};
  matrix.appearances = {host::Appearance::light};
  matrix.locales = std::get<std::vector<std::string>>(locales);
  matrix.textSizes =
      query.textSizes.empty() ? std::vector{context.line.textSizeOrDefault()} : query.textSizes;
  if (!query.values.empty()) {
    if (!entry.withFields) return BadRequest{"the widget takes no values"};
    std::vector<host::EntryField> fields;
    for (const auto& [name, value] : query.values) fields.push_back({name, value});
    entry = entry.withFields(fields);
  }
  matrix.entries = {host::MatrixEntry{"current", false, {}}};
  return Planned{std::move(matrix), std::move(entry)};
}

}  // namespace

std::variant<std::string, BadRequest> WidgetHost::fit(const FitQuery& query) {
  const Placement home{query.device, host::RenderingContext::home, std::nullopt};
  auto plan = planned(context_, device(home), query,
                      current(providerContext(home, query.families.front())));
  if (auto* bad = std::get_if<BadRequest>(&plan)) return *bad;
  const auto& [matrix, entry] = std::get<Planned>(plan);
  return host::fitJson(matrix, host::checkFit(context_, matrix, {entry}));
}

std::variant<std::string, BadRequest> WidgetHost::check(const FitQuery& query,
                                                        const std::function<bool()>& keepGoing) {
  const Placement home{query.device, host::RenderingContext::home, std::nullopt};
  auto plan = planned(context_, device(home), query,
                      current(providerContext(home, query.families.front())));
  if (auto* bad = std::get_if<BadRequest>(&plan)) return *bad;
  auto& [matrix, entry] = std::get<Planned>(plan);
  matrix.appearances = {host::Appearance::light, host::Appearance::dark};
  std::ostringstream out;
  const host::CheckRules rules = host::CheckRules::all();
  host::CheckReport report(matrix, rules, out, true);
  if (!host::checkMatrix(context_, matrix, {entry}, rules, report, keepGoing)) {
    return BadRequest{"the preview is stopping"};
  }
  report.finish();
  return out.str();
}

std::optional<std::string> WidgetHost::hitTest(const TapRequest& tap) {
  const ui::View view =
      context_.configuration.content(current(providerContext(tap.placement, tap.family)));
  ui::RenderEnvironment environment = context_.userEnvironment;
  environment.widgetFamily = tap.family;
  const auto layout = context_.renderer.layout(view, placed(std::move(environment), tap.placement));
  const auto url = ui::hitTest(layout, foundation::Point{tap.x, tap.y});
  if (!url) return std::nullopt;
  return url->absoluteString();
}

const host::Device& WidgetHost::device(const Placement& placement) const {
  return placement.device != nullptr ? *placement.device : context_.device();
}

ui::RenderEnvironment WidgetHost::placed(ui::RenderEnvironment environment,
                                         const Placement& placement) const {
  return host::inContext(std::move(environment), placement.context, device(placement),
                         placement.tint.value_or(host::kDefaultTint));
}

host::TimelineProviderContext WidgetHost::providerContext(const Placement& placement,
                                                          host::WidgetFamily family) const {
  return host::TimelineProviderContext{family, device(placement).size(family), false};
}

host::AnyEntry WidgetHost::placeholder(const host::TimelineProviderContext& request) {
  const foundation::ContainersRoot::Binding binding(context_.containersRoot);
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

}  // namespace preview
