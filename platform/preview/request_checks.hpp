#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/command_line.hpp"
#include "host/device.hpp"
#include "host/rendering_context.hpp"
#include "host/timeline_provider_context.hpp"
#include "ui/environment/dynamic_type_size.hpp"

namespace preview {

// Who may talk to the server: the names a browser on this machine uses for it, and the address
// it was bound to, on its port.
struct AllowedOrigin {
  std::string boundAddress;  // "127.0.0.1", "::1", "0.0.0.0", "192.168.1.5"
  int port = 0;

  // A Host header names this server: localhost, 127.0.0.1, [::1] or the bound address, with this
  // port or none. Anything else may be another site's name resolved to this machine (DNS
  // rebinding), and is refused.
  bool hostAllowed(std::string_view hostHeader) const;
  // An Origin header is this server's own page: http://<an allowed host>:<port>.
  bool originAllowed(std::string_view originHeader) const;
};

// Where a browser says a request comes from: its Sec-Fetch-Site, -Mode and -Dest headers (none
// from a script or an older browser).
struct FetchMetadata {
  std::string site;  // "same-origin", "same-site", "cross-site", "none" (typed by the user)
  std::string mode;  // "navigate", "cors", "no-cors", ...
  std::string dest;  // "document", "iframe", "image", ...
};

// Whether a request may be served, by where the browser says it comes from: from this server's
// own page, from the user (typed, a bookmark) or not from a browser at all, anything; from
// another site (another port of this machine is the same site, and no safer), only a link
// followed to the page itself: a top-level GET or HEAD of "/". Never another site's frame, nor
// anything of the API, which it could otherwise read or set to work (the fit of every locale is
// costly).
bool siteAllowed(std::string_view method, std::string_view path, const FetchMetadata& fetch);

// A bad request, said in one line.
struct BadRequest {
  std::string reason;
  friend bool operator==(const BadRequest&, const BadRequest&) = default;
};

// Where a request shows the widget: on which phone, and in which of its places.
struct Placement {
  const host::Device* device = nullptr;  // none: the one the preview started with
  host::RenderingContext context = host::RenderingContext::home;
  std::optional<ui::RGBA> tint;  // of the tinted home screen; none: the default
  friend bool operator==(const Placement&, const Placement&) = default;
};

// What GET /render asks for.
struct RenderQuery {
  host::WidgetFamily family = host::WidgetFamily::systemSmall;
  host::OutputFormat format = host::OutputFormat::svg;
  host::Appearance scheme = host::Appearance::light;
  std::optional<std::string> locale;
  std::optional<ui::DynamicTypeSize> textSize;  // none: the one the preview started with
  int scale = 1;
  bool placeholder = false;
  Placement placement;
  friend bool operator==(const RenderQuery&, const RenderQuery&) = default;
};

using QueryParameters = std::multimap<std::string, std::string>;

// Every parameter known, given at most once, with a value from its list; a locale is checked by
// `knownLocale`. As on the command line, a tint is for the tinted home screen alone, and StandBy
// shows the small family alone.
std::variant<RenderQuery, BadRequest> parseRenderQuery(const QueryParameters& parameters,
                                                       bool (*knownLocale)(const std::string&));

// What GET /api/fit asks for: locales as fit's --locales, families, and values in place of the
// store's, by field name. One request's work is bounded: at most as many layouts (locales x
// text sizes x families) as every locale in both families at one text size, and values of at
// most kMaxFitValue either way (a number of 300 digits wraps onto many lines in every layout).
struct FitQuery {
  std::optional<std::string> locales;
  std::vector<host::WidgetFamily> families;
  std::vector<std::pair<std::string, double>> values;
  std::vector<ui::DynamicTypeSize> textSizes;  // none: the one the preview started with
  const host::Device* device = nullptr;        // none: the one the preview started with
  friend bool operator==(const FitQuery&, const FitQuery&) = default;
};
inline constexpr double kMaxFitValue = 1e15;
// `entryFields`: the entry's fields that the host may set, each a parameter; `availableLocales`:
// how many locales "all" stands for.
std::variant<FitQuery, BadRequest> parseFitQuery(const QueryParameters& parameters,
                                                 std::span<const std::string> entryFields,
                                                 std::size_t availableLocales);
// How many layouts a fit asks for.
std::size_t fitLayouts(const FitQuery& query, std::size_t availableLocales);

// What POST /api/tap carries: {"family": "small"|"medium", "x": points, "y": points}, and
// optionally "device" (a name 'devices' lists) and "context" (home, home-tinted, standby or
// standby-night), read as /render reads them. StandBy takes taps on the small family alone.
struct TapRequest {
  host::WidgetFamily family = host::WidgetFamily::systemMedium;
  double x = 0;
  double y = 0;
  Placement placement;
  friend bool operator==(const TapRequest&, const TapRequest&) = default;
};
std::variant<TapRequest, BadRequest> parseTapRequest(std::string_view body);

}  // namespace preview
