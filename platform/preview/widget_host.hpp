#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

#include "host/commands.hpp"
#include "preview/live_timeline.hpp"
#include "preview/request_checks.hpp"

namespace preview {

// The widget as the preview host runs it. All work on the widget is done under one lock: the
// provider, the content function and the renderer run one call at a time, as on the phone, and
// the locale a picture asks for is the process's for the length of that call.
class WidgetHost {
 public:
  WidgetHost(const host::CommandContext& context, LiveTimeline& live);

  const std::filesystem::path& store() const { return store_; }
  const std::string& userLocale() const { return userLocale_; }

  // Asks the provider for a timeline and gives it, with a fresh look at the store, to the pages.
  void reload(ReloadReason reason);
  // The picture of the timeline's entry, or of the placeholder.
  std::string render(const RenderQuery& query);
  // fit's JSON, for the timeline's entry or the query's values.
  std::variant<std::string, BadRequest> fit(const FitQuery& query);
  // The link under a point, by the same layout the pictures are drawn from.
  std::optional<std::string> hitTest(const TapRequest& tap);

 private:
  host::AnyEntry placeholder(const host::TimelineProviderContext& request);
  host::AnyEntry current(const host::TimelineProviderContext& request);
  ui::RenderOptions options(host::Appearance scheme, bool redacted, int scale) const;

  const host::CommandContext& context_;
  LiveTimeline& live_;
  const std::filesystem::path store_;
  const std::string userLocale_;
  std::mutex mutex_;
};

}  // namespace preview
