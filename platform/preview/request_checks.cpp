#include "preview/request_checks.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace preview {
namespace {

struct HostAndPort {
  std::string host;  // without brackets
  std::optional<int> port;
};

std::optional<HostAndPort> splitHost(std::string_view text) {
  HostAndPort result;
  std::string_view rest;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    result.host = std::string(text.substr(1, close - 1));
    rest = text.substr(close + 1);
  } else {
    const auto colon = text.find(':');
    result.host = std::string(text.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
  }
  if (!rest.empty()) {
    if (rest.front() != ':' || rest.size() == 1) return std::nullopt;
    int port = 0;
    const auto digits = rest.substr(1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    result.port = port;
  }
  for (auto& c : result.host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

// The address in a canonical spelling, when `text` is an IPv4 or IPv6 literal.
std::optional<std::string> ipLiteral(const std::string& text) {
  unsigned char bytes[16];
  char out[INET6_ADDRSTRLEN];
  if (inet_pton(AF_INET, text.c_str(), bytes) == 1) {
    return inet_ntop(AF_INET, bytes, out, sizeof out) ? std::optional<std::string>(out)
                                                      : std::nullopt;
  }
  if (inet_pton(AF_INET6, text.c_str(), bytes) == 1) {
    return inet_ntop(AF_INET6, bytes, out, sizeof out) ? std::optional<std::string>(out)
                                                       : std::nullopt;
  }
  return std::nullopt;
}

bool nameAllowed(const std::string& host, const std::string& boundAddress) {
  if (host == "localhost") return true;
  const auto literal = ipLiteral(host);
  if (!literal) return false;  // a name other than localhost: maybe another site's
  if (*literal == "127.0.0.1" || *literal == "::1") return true;
  const auto bound = ipLiteral(boundAddress);
  if (!bound) return false;
  // Bound to every address, the server answers at any of this machine's addresses; a literal
  // address is never a name someone else controls.
  return *bound == "0.0.0.0" || *bound == "::" || *bound == *literal;
}

// Reads a placement's parameter (`name`: device, context or tint) into `placement`; says what
// was expected when `value` is none.
std::optional<std::string> readPlacement(std::string_view name, std::string_view value,
                                         Placement& placement) {
  if (name == "device") {
    placement.device = host::deviceNamed(value);
    if (placement.device == nullptr) return host::expectedDevice(value);
  } else if (name == "context") {
    const auto context = host::renderingContextNamed(value);
    if (!context) return std::string(host::renderingContextNames());
    placement.context = *context;
  } else {
    placement.tint = host::hexColor(value);
    if (!placement.tint) return "a colour such as #E5C07B";
  }
  return std::nullopt;
}

// What the command line refuses as well: a tint elsewhere than on the tinted home screen, and a
// family the place does not show.
std::optional<BadRequest> checkPlacement(const Placement& placement, host::WidgetFamily family) {
  if (placement.tint && placement.context != host::RenderingContext::homeTinted) {
    return BadRequest{"a tint colours the tinted home screen: give context=home-tinted"};
  }
  if (!host::shows(placement.context, family)) {
    return BadRequest{std::string(host::toString(placement.context)) +
                      " shows the small family only: give family=small"};
  }
  return std::nullopt;
}

}  // namespace

bool AllowedOrigin::hostAllowed(std::string_view hostHeader) const {
  const auto parts = splitHost(hostHeader);
  if (!parts || (parts->port && *parts->port != port)) return false;
  return nameAllowed(parts->host, boundAddress);
}

bool AllowedOrigin::originAllowed(std::string_view originHeader) const {
  constexpr std::string_view scheme = "http://";
  if (!originHeader.starts_with(scheme)) return false;
  const auto parts = splitHost(originHeader.substr(scheme.size()));
  return parts && parts->port == port && nameAllowed(parts->host, boundAddress);
}

bool siteAllowed(std::string_view method, std::string_view path, const FetchMetadata& fetch) {
  if (fetch.site.empty() || fetch.site == "same-origin" || fetch.site == "none") return true;
  return (method == "GET" || method == "HEAD") && path == "/" && fetch.mode == "navigate" &&
         (fetch.dest == "document" || fetch.dest.empty());
}

std::variant<RenderQuery, BadRequest> parseRenderQuery(const QueryParameters& parameters,
                                                       bool (*knownLocale)(const std::string&)) {
  RenderQuery query;
  for (const auto& [name, value] : parameters) {
    if (parameters.count(name) > 1) return BadRequest{"parameter '" + name + "' given twice"};
    auto bad = [&](std::string_view expected) {
      return BadRequest{"invalid " + name + " '" + value.substr(0, 64) + "' (expected " +
                        std::string(expected) + ")"};
    };
    if (name == "family") {
      const auto family = host::familyNamed(value);
      if (!family) return bad("small or medium");
      query.family = *family;
    } else if (name == "format") {
      if (value == "png") {
        query.format = host::OutputFormat::png;
      } else if (value == "svg") {
        query.format = host::OutputFormat::svg;
      } else {
        return bad("png or svg");
      }
    } else if (name == "scheme") {
      if (value != "light" && value != "dark") return bad("light or dark");
      query.scheme = value == "dark" ? host::Appearance::dark : host::Appearance::light;
    } else if (name == "locale") {
      if (value.empty() || value.size() > 100 || !knownLocale(value)) {
        return bad("a locale ICU knows, such as de_DE");
      }
      query.locale = value;
    } else if (name == "textSize") {
      query.textSize = ui::parseDynamicTypeSize(value);
      if (!query.textSize) return bad("a text size from xSmall to accessibility5");
    } else if (name == "scale") {
      if (value != "1" && value != "2" && value != "3") return bad("1, 2 or 3");
      query.scale = value[0] - '0';
    } else if (name == "placeholder") {
      if (value != "1" && value != "0") return bad("1 or 0");
      query.placeholder = value == "1";
    } else if (name == "device" || name == "context" || name == "tint") {
      if (const auto expected = readPlacement(name, value, query.placement)) return bad(*expected);
    } else {
      return BadRequest{"unknown parameter '" + name.substr(0, 64) + "'"};
    }
  }
  if (auto bad = checkPlacement(query.placement, query.family)) return *std::move(bad);
  return query;
}

std::size_t fitLayouts(const FitQuery& query, std::size_t availableLocales) {
  std::size_t locales = 1;
  if (query.locales) {
    locales = *query.locales == "all" ? availableLocales
                                      : 1 + static_cast<std::size_t>(std::count(
                                                query.locales->begin(), query.locales->end(), ','));
  }
  return locales * std::max<std::size_t>(query.textSizes.size(), 1) * query.families.size();
}

std::variant<FitQuery, BadRequest> parseFitQuery(const QueryParameters& parameters,
                                                 std::span<const std::string> entryFields,
                                                 std::size_t availableLocales) {
  FitQuery query{std::nullopt,
                 {host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium},
                 {},
                 {},
                 nullptr};
  for (const auto& [name, value] : parameters) {
    if (parameters.count(name) > 1) return BadRequest{"parameter '" + name + "' given twice"};
    if (name == "locales") {
      if (value.empty()) return BadRequest{"invalid locales '' (expected all, or en_US,de_DE...)"};
      query.locales = value;
    } else if (name == "textSizes") {
      query.textSizes.clear();
      for (std::size_t start = 0; start <= value.size();) {
        const std::size_t end = std::min(value.find(',', start), value.size());
        const auto size = ui::parseDynamicTypeSize(value.substr(start, end - start));
        if (!size) {
          return BadRequest{"invalid textSizes '" + value.substr(0, 64) +
                            "' (expected text sizes such as xSmall,large,accessibility5)"};
        }
        query.textSizes.push_back(*size);
        start = end + 1;
      }
    } else if (name == "family") {
      if (value != "all") {
        const auto family = host::familyNamed(value);
        if (!family)
          return BadRequest{"invalid family '" + value.substr(0, 64) +
                            "' (expected small, medium or all)"};
        query.families = {*family};
      }
    } else if (name == "device") {
      Placement placement;
      if (const auto expected = readPlacement(name, value, placement)) {
        return BadRequest{"invalid device '" + value.substr(0, 64) + "' (expected " + *expected +
                          ")"};
      }
      query.device = placement.device;
    } else if (std::find(entryFields.begin(), entryFields.end(), name) != entryFields.end()) {
      double number = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (error != std::errc() || end != value.data() + value.size() ||
          !(std::abs(number) <= kMaxFitValue)) {
        return BadRequest{"invalid " + name + " '" + value.substr(0, 64) +
                          "' (expected a number from -1e15 to 1e15)"};
      }
      query.values.emplace_back(name, number);
    } else {
      return BadRequest{"unknown parameter '" + name.substr(0, 64) + "'"};
    }
  }
  const std::size_t most = 2 * availableLocales;
  if (const std::size_t layouts = fitLayouts(query, availableLocales); layouts > most) {
    return BadRequest{"too many layouts: " + std::to_string(layouts) +
                      " (locales x text sizes x families); at most " + std::to_string(most) +
                      ", every locale in both families at one text size"};
  }
  return query;
}

std::variant<TapRequest, BadRequest> parseTapRequest(std::string_view body) {
  const auto json = nlohmann::json::parse(body, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    return BadRequest{"the body is not a JSON object"};
  }
  TapRequest tap;
  const auto family = json.find("family");
  if (family == json.end() || !family->is_string() ||
      !host::familyNamed(family->get<std::string>())) {
    return BadRequest{"\"family\" must be \"small\" or \"medium\""};
  }
  tap.family = *host::familyNamed(family->get<std::string>());
  for (auto [key, target] : {std::pair{"x", &tap.x}, std::pair{"y", &tap.y}}) {
    const auto value = json.find(key);
    if (value == json.end() || !value->is_number() || !std::isfinite(value->get<double>())) {
      return BadRequest{"\"" + std::string(key) + "\" must be a number of points"};
    }
    *target = value->get<double>();
  }
  for (const std::string_view key : {"device", "context"}) {
    const auto value = json.find(key);
    if (value == json.end()) continue;
    const std::string text = value->is_string() ? value->get<std::string>() : std::string();
    if (const auto expected = readPlacement(key, text, tap.placement)) {
      return BadRequest{"\"" + std::string(key) + "\" must be " + *expected};
    }
  }
  if (auto bad = checkPlacement(tap.placement, tap.family)) return *std::move(bad);
  return tap;
}

}  // namespace preview
