#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/command_line.hpp"
#include "host/widget_family.hpp"
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

// A bad request, said in one line.
struct BadRequest {
  std::string reason;
  friend bool operator==(const BadRequest&, const BadRequest&) = default;
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
  friend bool operator==(const RenderQuery&, const RenderQuery&) = default;
};

using QueryParameters = std::multimap<std::string, std::string>;

// Every parameter known, given at most once, with a value from its list; a locale is checked by
// `knownLocale`.
std::variant<RenderQuery, BadRequest> parseRenderQuery(const QueryParameters& parameters,
                                                       bool (*knownLocale)(const std::string&));

// What GET /api/fit asks for: locales as fit's --locales, families, and values in place of the
// store's, by field name.
struct FitQuery {
  std::optional<std::string> locales;
  std::vector<host::WidgetFamily> families;
  std::vector<std::pair<std::string, double>> values;
  std::vector<ui::DynamicTypeSize> textSizes;  // none: the one the preview started with
  friend bool operator==(const FitQuery&, const FitQuery&) = default;
};
// `entryFields`: the entry's fields that the host may set, each a parameter.
std::variant<FitQuery, BadRequest> parseFitQuery(const QueryParameters& parameters,
                                                 std::span<const std::string> entryFields);

// What POST /api/tap carries: {"family": "small"|"medium", "x": points, "y": points}.
struct TapRequest {
  host::WidgetFamily family = host::WidgetFamily::systemMedium;
  double x = 0;
  double y = 0;
  friend bool operator==(const TapRequest&, const TapRequest&) = default;
};
std::variant<TapRequest, BadRequest> parseTapRequest(std::string_view body);

}  // namespace preview
