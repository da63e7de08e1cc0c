#include "preview/preview_server.hpp"

#include <poll.h>

#include <httplib.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <thread>

#include "foundation/locale.hpp"
#include "foundation/shortest_decimal.hpp"
#include "host/run_loop.hpp"
#include "host/signals.hpp"
#include "host/store_watcher.hpp"
#include "host/timeline_json.hpp"
#include "preview/bounded_http_server.hpp"
#include "preview/bounded_task_queue.hpp"
#include "preview/live_timeline.hpp"
#include "preview/preview_page.hpp"
#include "preview/request_checks.hpp"
#include "preview/widget_host.hpp"

namespace preview {
namespace {

// Connections open at once, in all and from one client: fifty pages and their pictures, with
// room beside one client's share for everyone else's. Event streams are among them.
constexpr std::size_t kMaxConnections = 80;
constexpr std::size_t kMaxConnectionsPerClient = 64;
constexpr int kMaxEventStreams = 60;
// A thread for each connection the limits take, and some to turn the rest away at once.
constexpr std::size_t kMaxThreads = kMaxConnections + 16;
// /api/fit is laid out this many layouts at a time, each slice under the widget's own rules, so
// that a stop, and any request that waits for the widget, waits for one slice and never for the
// whole matrix.
constexpr std::size_t kFitLayoutsPerSlice = 32;
// A page that went away is noticed at the next write; with nothing new, one comes this often.
constexpr std::chrono::seconds kKeepAliveComment{15};
constexpr std::size_t kMaxBody = 4096;

bool knownLocale(const std::string& identifier) {
  return foundation::Locale(identifier).hasKnownLanguage();
}

// The user's locale first, then every locale ICU has.
host::Json localesJson(const std::string& user) {
  host::Json locales = host::Json::array({user});
  for (const auto& id : foundation::Locale::availableIdentifiers()) {
    if (id != user) locales.push_back(id);
  }
  return locales;
}

std::string hexColor(const ui::RGBA& color) {
  char text[8];
  const auto channel = [](double value) {
    return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
  };
  std::snprintf(text, sizeof text, "#%02X%02X%02X", channel(color.red), channel(color.green),
                channel(color.blue));
  return text;
}

host::Json pointsJson(foundation::Size size) {
  return host::Json::array({host::jsonNumber(size.width), host::jsonNumber(size.height)});
}

// How large StandBy shows the small widget on `device`, in its points: the host's rule, drawn
// at the phone's own scale.
foundation::Size standbySize(const host::Device& device) {
  ui::RenderEnvironment environment;
  environment.displayScale = device.scale;
  const double enlarged =
      host::inContext(environment, host::RenderingContext::standby, device).displayScale /
      device.scale;
  return {device.small.width * enlarged, device.small.height * enlarged};
}

// The phones and places the page offers: the phone the preview started with first, then every
// other one; each place with the families it shows of those the widget supports; the place and
// tint the page starts with.
host::Json placesJson(const host::CommandContext& context) {
  const host::Device& first = context.device();
  const auto families = context.configuration.families();
  host::Json devices = host::Json::array();
  auto add = [&](const host::Device& device) {
    devices.push_back({{"name", device.name},
                       {"models", device.models},
                       {"scale", device.scale},
                       {"small", pointsJson(device.small)},
                       {"medium", pointsJson(device.medium)},
                       {"standby", pointsJson(standbySize(device))}});
  };
  add(first);
  for (const host::Device& device : host::devices()) {
    if (&device != &first) add(device);
  }
  host::Json contexts = host::Json::array();
  for (const auto place : {host::RenderingContext::home, host::RenderingContext::homeTinted,
                           host::RenderingContext::standby, host::RenderingContext::standbyNight}) {
    host::Json shown = host::Json::array();
    for (const auto family : families) {
      if (host::shows(place, family)) shown.push_back(host::shortName(family));
    }
    contexts.push_back({{"name", host::toString(place)}, {"families", shown}});
  }
  return {{"devices", devices},
          {"contexts", contexts},
          {"context", host::toString(context.renderingContext())},
          {"tint", hexColor(context.line.tint.value_or(host::kDefaultTint))}};
}

bool isLoopback(const std::string& address) {
  return address == "127.0.0.1" || address == "::1" || address == "localhost";
}

void fail(httplib::Response& response, int status, const std::string& reason) {
  response.status = status;
  response.set_content(reason + "\n", "text/plain; charset=utf-8");
}

std::string joined(std::span<const std::string> words) {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : ",") + word;
  return out;
}

ServerBounds serverBounds() {
  ServerBounds bounds;
  bounds.maxConnections = kMaxConnections;
  bounds.maxConnectionsPerClient = kMaxConnectionsPerClient;
  return bounds;
}

class Server {
 public:
  Server(const host::CommandContext& context, LiveTimeline& live, WidgetHost& widget)
      : context_(context),
        live_(live),
        widget_(widget),
        http_(serverBounds()),
        availableLocales_(foundation::Locale::availableIdentifiers().size()) {}

  // Binds, and answers the port; nothing when the address cannot be bound.
  std::optional<int> bind(const std::string& address, int port) {
    http_.new_task_queue = [] { return new BoundedTaskQueue(kMaxThreads); };
    // What the server says in its Keep-Alive header; the connection's own wait is the bounds'.
    http_.set_keep_alive_timeout(serverBounds().idle.count());
    http_.set_payload_max_length(kMaxBody);
    if (address.find(':') != std::string::npos) http_.set_address_family(AF_INET6);
    routes();
    const auto bound = http_.bindTo(address, port);
    if (bound) allowed_ = AllowedOrigin{address, *bound};
    return bound;
  }

  // Serves until stop(); returns at once when it cannot.
  void listen() {
    http_.listen_after_bind();
    listenEnded_.store(true);
  }
  // Stops serving: a request half-read or an answer half-written fails, a handler at work ends
  // at its next slice (the fit) or write (the event stream).
  void stop() {
    // The listener may not have begun yet, and a server not yet running ignores a stop.
    while (!http_.is_running() && !listenEnded_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    http_.stopAll();
  }

 private:
  void routes() {
    http_.set_default_headers({{"Cache-Control", "no-store"},
                               {"X-Content-Type-Options", "nosniff"},
                               {"X-Frame-Options", "DENY"},
                               {"Accept-Ranges", "none"}});
    http_.set_pre_routing_handler([this](const httplib::Request& request,
                                         httplib::Response& response) {
      if (!allowed_.hostAllowed(request.get_header_value("Host"))) {
        fail(response, 403, "refused: the Host header does not name this server");
        return httplib::Server::HandlerResponse::Handled;
      }
      const FetchMetadata fetch{request.get_header_value("Sec-Fetch-Site"),
                                request.get_header_value("Sec-Fetch-Mode"),
                                request.get_header_value("Sec-Fetch-Dest")};
      if (!siteAllowed(request.method, request.path, fetch)) {
        fail(response, 403, "refused: another site may only link to the preview page");
        return httplib::Server::HandlerResponse::Handled;
      }
      if (request.method != "GET" && !allowed_.originAllowed(request.get_header_value("Origin"))) {
        fail(response, 403, "refused: only the preview page itself may ask this");
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    http_.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
      if (!response.body.empty()) return;
      if (response.status == 404) {
        fail(response, 404, "not found: " + request.path.substr(0, 200));
      } else {
        fail(response, response.status, "bad request");
      }
    });
    http_.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
          std::string what = "internal error";
          try {
            std::rethrow_exception(error);
          } catch (const std::exception& exception) {
            what = exception.what();
          } catch (...) {
          }
          fail(response, 500, what);
        });

    http_.Get("/", [this](const httplib::Request&, httplib::Response& response) {
      std::string page(kPreviewPage);
      host::Json settings = {{"locales", localesJson(widget_.userLocale())}};
      settings.update(placesJson(context_));
      const std::string script = "const SETTINGS = " + host::oneLine(settings) + ";";
      page.replace(page.find(kPageSettingsMarker), kPageSettingsMarker.size(), script);
      response.set_header("Content-Security-Policy",
                          "default-src 'none'; script-src 'unsafe-inline'; style-src "
                          "'unsafe-inline'; img-src 'self' data:; connect-src 'self'");
      response.set_content(page, "text/html; charset=utf-8");
    });
    http_.Get("/api/timeline", [this](const httplib::Request&, httplib::Response& response) {
      response.set_content(live_.json() + "\n", "application/json");
    });
    http_.Get("/events", [this](const httplib::Request& request, httplib::Response& response) {
      events(request, response);
    });
    http_.Get("/render", [this](const httplib::Request& request, httplib::Response& response) {
      const auto parsed = parseRenderQuery(
          QueryParameters(request.params.begin(), request.params.end()), knownLocale);
      if (const auto* bad = std::get_if<BadRequest>(&parsed))
        return fail(response, 400, bad->reason);
      const auto& query = std::get<RenderQuery>(parsed);
      const std::string picture = widget_.render(query);
      response.set_content(picture, query.format == host::OutputFormat::png
                                        ? "image/png"
                                        : "image/svg+xml; charset=utf-8");
    });
    http_.Get("/api/fit", [this](const httplib::Request& request, httplib::Response& response) {
      fit(request, response);
    });
    http_.Get("/api/check", [this](const httplib::Request& request, httplib::Response& response) {
      check(request, response);
    });
    http_.Post("/api/reload", [this](const httplib::Request&, httplib::Response& response) {
      widget_.reload(ReloadReason::pageAsked);
      response.set_content(live_.json() + "\n", "application/json");
    });
    http_.Post("/api/tap", [this](const httplib::Request& request, httplib::Response& response) {
      tap(request, response);
    });
  }

  void events(const httplib::Request& request, httplib::Response& response) {
    if (streams_.fetch_add(1) >= kMaxEventStreams) {
      streams_.fetch_sub(1);
      // Closed after the answer: a page turned away must not hold a connection meanwhile.
      http_.closeAfterAnswer(request);
      return fail(response, 503, "too many pages open: close one and reload");
    }
    auto seen = std::make_shared<std::uint64_t>(0);
    auto first = std::make_shared<bool>(true);
    response.set_chunked_content_provider(
        "text/event-stream",
        [this, seen, first](std::size_t, httplib::DataSink& sink) {
          std::string chunk;
          if (*first) {
            chunk = "retry: 1000\n\n";
            *first = false;
          }
          const auto next = live_.waitNewer(*seen, kKeepAliveComment);
          if (live_.stopping()) {
            sink.done();
            return true;
          }
          if (next) {
            *seen = next->first;
            chunk += "event: timeline\ndata: " + next->second + "\n\n";
          } else {
            chunk += ": still here\n\n";
          }
          return sink.write(chunk.data(), chunk.size());
        },
        [this](bool) { streams_.fetch_sub(1); });
  }

  // fit's JSON, laid out a slice of locales at a time (see kFitLayoutsPerSlice): each slice is
  // one call to the widget's host, and their answers are joined.
  void fit(const httplib::Request& request, httplib::Response& response) {
    const auto parsed = parseFitQuery(QueryParameters(request.params.begin(), request.params.end()),
                                      context_.configuration.entryFields, availableLocales_);
    if (const auto* bad = std::get_if<BadRequest>(&parsed)) return fail(response, 400, bad->reason);
    const FitQuery& query = std::get<FitQuery>(parsed);
    // Without locales the fit is of the user's locale alone, which the widget's host knows: one
    // slice.
    std::vector<std::string> locales;
    if (query.locales) {
      auto listed = host::fitLocales(query.locales, context_.userEnvironment.locale);
      if (const auto* failure = std::get_if<host::CommandResult>(&listed)) {
        return fail(response, 400, failure->message);
      }
      locales = std::get<std::vector<std::string>>(std::move(listed));
    }
    const std::size_t perLocale =
        query.families.size() * std::max<std::size_t>(query.textSizes.size(), 1);
    const std::size_t localesPerSlice = std::max<std::size_t>(1, kFitLayoutsPerSlice / perLocale);
    const std::span<const std::string> all(locales);
    host::Json merged = host::Json::array();
    bool truncated = false;
    for (std::size_t at = 0; at < std::max<std::size_t>(all.size(), 1); at += localesPerSlice) {
      if (live_.stopping()) return fail(response, 503, "the preview is stopping");
      FitQuery slice = query;
      if (query.locales) {
        slice.locales = joined(all.subspan(at, std::min(localesPerSlice, all.size() - at)));
      }
      const auto answer = widget_.fit(slice);
      if (const auto* bad = std::get_if<BadRequest>(&answer))
        return fail(response, 400, bad->reason);
      auto part = host::Json::parse(std::get<std::string>(answer));
      truncated = truncated || part.value("truncated", false);
      for (auto& result : part["results"]) merged.push_back(std::move(result));
    }
    response.set_content(
        host::oneLine({{"truncated", truncated}, {"results", std::move(merged)}}) + "\n",
        "application/json");
  }

  // check's JSON for a fit's query, light and dark: bounded as a fit is, and stopped between
  // slices when the preview stops.
  void check(const httplib::Request& request, httplib::Response& response) {
    const auto parsed = parseFitQuery(QueryParameters(request.params.begin(), request.params.end()),
                                      context_.configuration.entryFields, availableLocales_);
    if (const auto* bad = std::get_if<BadRequest>(&parsed)) return fail(response, 400, bad->reason);
    const auto answer =
        widget_.check(std::get<FitQuery>(parsed), [this] { return !live_.stopping(); });
    if (live_.stopping()) return fail(response, 503, "the preview is stopping");
    if (const auto* bad = std::get_if<BadRequest>(&answer)) return fail(response, 400, bad->reason);
    response.set_content(std::get<std::string>(answer), "application/json");
  }

  void tap(const httplib::Request& request, httplib::Response& response) {
    const auto parsed = parseTapRequest(request.body);
    if (const auto* bad = std::get_if<BadRequest>(&parsed)) return fail(response, 400, bad->reason);
    const TapRequest& tap = std::get<TapRequest>(parsed);
    const host::Device& device = widget_.device(tap.placement);
    const auto size = device.size(tap.family);
    if (!(tap.x >= 0 && tap.y >= 0 && tap.x <= size.width && tap.y <= size.height)) {
      return fail(response, 400,
                  "the point is outside the " + std::string(host::shortName(tap.family)) +
                      " widget on " + std::string(device.name));
    }
    const auto link = widget_.hitTest(tap);
    // On the phone a small widget is one tap target: it opens the app, whatever lies under it,
    // on the home screen as in StandBy (which shows no other).
    const bool wholeWidget = tap.family == host::WidgetFamily::systemSmall;
    const bool standby = !host::shows(tap.placement.context, host::WidgetFamily::systemMedium);
    const std::optional<std::string> opens = wholeWidget ? std::nullopt : link;
    std::string message = opens         ? "opens " + *opens
                          : standby     ? "in StandBy the whole widget opens the app"
                          : wholeWidget ? "the whole small widget opens the app"
                                        : "no link here: the tap opens the app";
    bool opened = false;
    if (opens && context_.line.openWith) {
      const auto failure =
          context_.io.openURL(host::openerCommand(*context_.line.openWith), *opens);
      opened = !failure;
      if (failure) message += " (" + *failure + ")";
    }
    const std::string_view where = host::toString(tap.placement.context);
    context_.io.err << host::iso8601(foundation::Date::now()).value_or("?") << "  tap "
                    << host::shortName(tap.family) << " on " << device.name << ", " << where << " ("
                    << foundation::shortestDecimal(tap.x) << ", "
                    << foundation::shortestDecimal(tap.y) << "): " << message << std::endl;
    const host::Json answer = {{"family", host::shortName(tap.family)},
                               {"device", device.name},
                               {"context", where},
                               {"x", host::jsonNumber(tap.x)},
                               {"y", host::jsonNumber(tap.y)},
                               {"url", opens ? host::Json(*opens) : host::Json(nullptr)},
                               {"link", link ? host::Json(*link) : host::Json(nullptr)},
                               {"opened", opened},
                               {"message", message}};
    response.set_content(host::oneLine(answer) + "\n", "application/json");
  }

  const host::CommandContext& context_;
  LiveTimeline& live_;
  WidgetHost& widget_;
  BoundedHttpServer http_;
  const std::size_t availableLocales_;
  AllowedOrigin allowed_;
  std::atomic<int> streams_{0};
  std::atomic<bool> listenEnded_{false};
};

// Waits for what makes the host ask again: the store changing, SIGUSR1, or the policy's date.
// Returns when a stop is asked for.
void followStoreAndPolicy(WidgetHost& widget, LiveTimeline& live, host::StoreWatcher& watcher) {
  using Clock = std::chrono::steady_clock;
  auto lastRequest = Clock::now();
  while (!host::stopRequested()) {
    // When the policy asks again, never sooner than a second after the last request.
    std::optional<Clock::time_point> reloadAt;
    if (const auto timeline = live.timeline()) {
      if (const auto date = host::nextReloadDate(*timeline)) {
        double seconds = date->timeIntervalSinceReferenceDate -
                         foundation::Date::now().timeIntervalSinceReferenceDate;
        seconds = std::clamp(std::isnan(seconds) ? 3600.0 : seconds, 0.0, 3600.0);
        reloadAt = std::max(Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(seconds)),
                            lastRequest + std::chrono::seconds(1));
      }
    }
    auto wakeAt = Clock::now() + std::chrono::hours(1);
    if (reloadAt) wakeAt = std::min(wakeAt, *reloadAt);
    if (const auto due = watcher.dueAt()) wakeAt = std::min(wakeAt, *due);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - Clock::now());
    pollfd descriptors[3] = {{host::stopRequestFd(), POLLIN, 0},
                             {host::reloadRequestFd(), POLLIN, 0},
                             {watcher.fd(), POLLIN, 0}};
    poll(descriptors, 3, static_cast<int>(std::max<long long>(wait.count(), 0)));
    if (host::stopRequested()) break;
    if (host::takeReloadRequest()) {
      // The app's way of saying "look again": whatever the watches missed, they start afresh.
      watcher.rearm();
      widget.reload(ReloadReason::signalAsked);
      lastRequest = Clock::now();
      continue;
    }
    if (descriptors[2].revents & POLLIN) watcher.readEvents();
    const auto now = Clock::now();
    if (watcher.takeChange(now)) {
      widget.reload(ReloadReason::storeChanged);
      lastRequest = Clock::now();
    } else if (reloadAt && now >= *reloadAt) {
      // The date may have moved on meanwhile: a reload asked from the page.
      const auto timeline = live.timeline();
      const auto date = timeline ? host::nextReloadDate(*timeline) : std::nullopt;
      if (date && !(foundation::Date::now() < *date)) {
        widget.reload(ReloadReason::policyDate);
        lastRequest = Clock::now();
      }
    }
  }
}

}  // namespace

host::CommandResult servePreview(const host::CommandContext& context) {
  const auto& line = context.line;
  const std::string address = line.bind.value_or("127.0.0.1");
  LiveTimeline live(line.dailyBudget.value_or(kDefaultDailyBudget));
  WidgetHost widget(context, live);
  Server server(context, live, widget);
  const auto port = server.bind(address, line.port.value_or(0));
  if (!port) {
    return host::CommandResult::failure("cannot listen on " + address + " port " +
                                        std::to_string(line.port.value_or(0)));
  }
  const std::string hostName =
      address.find(':') != std::string::npos ? "[" + address + "]" : address;
  context.io.out << "http://" << hostName << ":" << *port << "/" << std::endl;
  if (!isLoopback(address)) {
    context.io.err << context.program() << ": warning: listening on " << address
                   << ": other machines can reach the preview" << std::endl;
  }

  const host::StopOnSignal stopOnSignal;
  // Armed before the first look at the store, so that no change can fall between the two.
  host::StoreWatcher watcher(widget.store());
  widget.reload(ReloadReason::firstLoad);
  std::thread listener([&server] { server.listen(); });
  const auto stopServing = [&] {
    live.stop();
    server.stop();
    listener.join();
  };
  try {
    followStoreAndPolicy(widget, live, watcher);
  } catch (...) {
    stopServing();
    throw;
  }
  stopServing();
  context.io.err << host::iso8601(foundation::Date::now()).value_or("?") << "  stopped"
                 << std::endl;
  return host::CommandResult::ok();
}

}  // namespace preview
