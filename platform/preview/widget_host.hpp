#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "host/commands.hpp"
#include "preview/live_timeline.hpp"
#include "preview/request_checks.hpp"

namespace preview {

// The widget as the preview host runs it, for the server's threads at once: every picture is
// drawn in an environment of its own (the phone, place, locale, scheme, text size and scale a
// request asks for), and the widget's provider reads the containers the host was given, whichever
// thread asks.
class WidgetHost {
 public:
  WidgetHost(const host::CommandContext& context, LiveTimeline& live);

  const std::filesystem::path& store() const { return store_; }
  std::string userLocale() const { return context_.userEnvironment.locale.identifier(); }

  // Asks the provider for a timeline and gives it, with a fresh look at the store, to the pages.
  void reload(ReloadReason reason);
  // The picture of the timeline's entry, or of the placeholder.
  std::string render(const RenderQuery& query);
  // fit's JSON, for the timeline's entry or the query's values.
  std::variant<std::string, BadRequest> fit(const FitQuery& query);
  // check's JSON for the same matrix in light and dark, every rule; nothing when `keepGoing`
  // said to stop.
  std::variant<std::string, BadRequest> check(const FitQuery& query,
                                              const std::function<bool()>& keepGoing);
  // The link under a point, by the same layout the pictures are drawn from.
  std::optional<std::string> hitTest(const TapRequest& tap);
  // The phone a request names, else the one the preview started with (--device).
  const host::Device& device(const Placement& placement) const;

 private:
  // `environment` (its family and scale set) as the placement's phone draws it in its place.
  ui::RenderEnvironment placed(ui::RenderEnvironment environment, const Placement& placement) const;
  host::TimelineProviderContext providerContext(const Placement& placement,
                                                host::WidgetFamily family) const;
  host::AnyEntry placeholder(const host::TimelineProviderContext& request);
  host::AnyEntry current(const host::TimelineProviderContext& request);

  const host::CommandContext& context_;
  LiveTimeline& live_;
  const std::filesystem::path store_;
};

}  // namespace preview
