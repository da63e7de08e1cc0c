#include "preview/request_checks.hpp"

#include <gtest/gtest.h>

namespace {

using preview::AllowedOrigin;
using preview::BadRequest;

TEST(RequestChecks, OnlyThisServersNamesAndItsOwnPageGetThrough) {
  const AllowedOrigin loopback{"127.0.0.1", 8080};
  const AllowedOrigin everywhere{"0.0.0.0", 8080};
  const struct {
    std::string host;
    bool loopback, everywhere;
  } hosts[] = {
      {"127.0.0.1:8080", true, true},
      {"localhost:8080", true, true},
      {"LocalHost", true, true},
      {"[::1]:8080", true, true},
      {"127.0.0.1:8081", false, false},
      {"evil.example:8080", false, false},
      {"localhost.evil.example", false, false},
      {"192.168.1.5:8080", false, true},
      {"", false, false},
      {"[::1", false, false},
      {"127.0.0.1:80x", false, false},
      {"127.0.0.1:", false, false},
  };
  for (const auto& row : hosts) {
    EXPECT_EQ(loopback.hostAllowed(row.host), row.loopback) << row.host;
    EXPECT_EQ(everywhere.hostAllowed(row.host), row.everywhere) << row.host;
  }
  for (const auto& [origin, allowed] :
       std::vector<std::pair<std::string, bool>>{{"http://127.0.0.1:8080", true},
                                                 {"http://localhost:8080", true},
                                                 {"http://127.0.0.1", false},
                                                 {"https://127.0.0.1:8080", false},
                                                 {"http://evil.example:8080", false},
                                                 {"null", false},
                                                 {"", false}}) {
    EXPECT_EQ(loopback.originAllowed(origin), allowed) << origin;
  }
}

// Another site may link to the page, and do nothing else; this page, the user and scripts may
// do anything.
TEST(RequestChecks, AnotherSiteReachesOnlyThePageByALink) {
  using preview::FetchMetadata;
  const struct {
    std::string method, path;
    FetchMetadata fetch;
    bool allowed;
  } rows[] = {
      {"GET", "/", {"cross-site", "navigate", "document"}, true},
      {"GET", "/", {"same-site", "navigate", "document"}, true},
      {"HEAD", "/", {"cross-site", "navigate", ""}, true},
      {"GET", "/", {"cross-site", "navigate", "iframe"}, false},
      {"GET", "/", {"cross-site", "no-cors", "image"}, false},
      {"POST", "/", {"cross-site", "navigate", "document"}, false},
      {"GET", "/api/fit", {"cross-site", "navigate", "document"}, false},
      {"GET", "/render", {"cross-site", "navigate", "iframe"}, false},
      {"GET", "/events", {"same-site", "cors", "empty"}, false},
      {"GET", "/api/timeline", {"something-new", "navigate", "document"}, false},
      {"GET", "/api/fit", {"same-origin", "cors", "empty"}, true},
      {"POST", "/api/reload", {"same-origin", "cors", "empty"}, true},
      {"GET", "/api/fit", {"none", "navigate", "document"}, true},
      {"GET", "/api/fit", {}, true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(preview::siteAllowed(row.method, row.path, row.fetch), row.allowed)
        << row.method << " " << row.path << " " << row.fetch.site << " " << row.fetch.mode << " "
        << row.fetch.dest;
  }
}

bool anyLocale(const std::string& id) {
  return id == "de_DE";
}

TEST(RequestChecks, QueriesAndBodiesAreReadStrictly) {
  using Query = preview::QueryParameters;
  const auto render = preview::parseRenderQuery(Query{{"family", "medium"},
                                                      {"format", "png"},
                                                      {"scheme", "dark"},
                                                      {"locale", "de_DE"},
                                                      {"textSize", "xSmall"},
                                                      {"scale", "3"},
                                                      {"placeholder", "1"},
                                                      {"device", "iphone-se"},
                                                      {"context", "home-tinted"},
                                                      {"tint", "#00ff80"}},
                                                anyLocale);
  EXPECT_EQ(
      std::get<preview::RenderQuery>(render),
      (preview::RenderQuery{
          host::WidgetFamily::systemMedium, host::OutputFormat::png, host::Appearance::dark,
          "de_DE", ui::DynamicTypeSize::xSmall, 3, true,
          preview::Placement{host::deviceNamed("iphone-se"), host::RenderingContext::homeTinted,
                             ui::RGBA{0, 1, 128.0 / 255, 1}}}));
  EXPECT_EQ(std::get<preview::RenderQuery>(
                preview::parseRenderQuery(Query{{"context", "standby-night"}}, anyLocale))
                .placement,
            (preview::Placement{nullptr, host::RenderingContext::standbyNight, std::nullopt}));
  const std::pair<Query, std::string> badRenders[] = {
      {{{"family", "large"}}, "invalid family 'large' (expected small or medium)"},
      {{{"format", "terminal"}}, "invalid format 'terminal' (expected png or svg)"},
      {{{"scale", "4"}}, "invalid scale '4' (expected 1, 2 or 3)"},
      {{{"locale", "xx_YY"}},
       "invalid locale 'xx_YY' (expected a locale ICU knows, such as de_DE)"},
      {{{"family", "small"}, {"family", "small"}}, "parameter 'family' given twice"},
      {{{"zoom", "2"}}, "unknown parameter 'zoom'"},
      // A phone, a place and a tint as the command line reads them, with its suggestion.
      {{{"device", "iphone-16-pls"}},
       "invalid device 'iphone-16-pls' (expected a phone that 'devices' lists (did you mean "
       "'iphone-16-plus'?))"},
      {{{"device", "pixel-9"}}, "invalid device 'pixel-9' (expected a phone that 'devices' lists)"},
      {{{"context", "lock"}},
       "invalid context 'lock' (expected home, home-tinted, standby or standby-night)"},
      {{{"context", "home-tinted"}, {"tint", "#12345"}},
       "invalid tint '#12345' (expected a colour such as #E5C07B)"},
      {{{"tint", "#123456"}}, "a tint colours the tinted home screen: give context=home-tinted"},
      {{{"context", "standby"}, {"family", "medium"}},
       "standby shows the small family only: give family=small"},
  };
  for (const auto& [query, reason] : badRenders) {
    EXPECT_EQ(std::get<BadRequest>(preview::parseRenderQuery(query, anyLocale)).reason, reason);
  }
  // The entry's own fields are parameters; no other name is.
  const std::vector<std::string> fields{"balance", "income", "expense"};
  const auto fit =
      preview::parseFitQuery(Query{{"family", "small"}, {"balance", "1e11"}}, fields, 800);
  EXPECT_EQ(std::get<preview::FitQuery>(fit).values,
            (std::vector<std::pair<std::string, double>>{{"balance", 1e11}}));
  EXPECT_EQ(std::get<BadRequest>(preview::parseFitQuery(Query{{"balance", "1"}}, {}, 800)).reason,
            "unknown parameter 'balance'");
  // One request's work is bounded: in its values, and in its layouts (here 800 locales at one
  // text size in both families, 1,600).
  const std::pair<Query, std::string> badFits[] = {
      {{{"income", "1x"}}, "invalid income '1x' (expected a number from -1e15 to 1e15)"},
      {{{"balance", "1e308"}}, "invalid balance '1e308' (expected a number from -1e15 to 1e15)"},
      {{{"expense", "-1.5e15"}},
       "invalid expense '-1.5e15' (expected a number from -1e15 to 1e15)"},
      {{{"locales", "all"}, {"textSizes", "large,xLarge"}},
       "too many layouts: 3200 (locales x text sizes x families); at most 1600, every locale in "
       "both families at one text size"},
  };
  for (const auto& [query, reason] : badFits) {
    EXPECT_EQ(std::get<BadRequest>(preview::parseFitQuery(query, fields, 800)).reason, reason);
  }
  for (const Query& query :
       {Query{{"locales", "all"}},
        Query{{"locales", "all"}, {"family", "small"}, {"textSizes", "xSmall,large"}},
        Query{{"balance", "-1e15"}, {"income", "1e15"}}}) {
    EXPECT_TRUE(
        std::holds_alternative<preview::FitQuery>(preview::parseFitQuery(query, fields, 800)));
  }
  EXPECT_EQ(std::get<preview::FitQuery>(
                preview::parseFitQuery(Query{{"device", "iphone-16"}}, fields, 800))
                .device,
            host::deviceNamed("iphone-16"));
  EXPECT_EQ(std::get<BadRequest>(preview::parseFitQuery(Query{{"device", "iphone16"}}, fields, 800))
                .reason,
            "invalid device 'iphone16' (expected a phone that 'devices' lists (did you mean "
            "'iphone-16'?))");

  EXPECT_EQ(std::get<preview::TapRequest>(
                preview::parseTapRequest(R"({"family": "small", "x": 12.5, "y": 3})")),
            (preview::TapRequest{host::WidgetFamily::systemSmall, 12.5, 3, {}}));
  EXPECT_EQ(std::get<preview::TapRequest>(preview::parseTapRequest(
                R"({"family": "small", "x": 1, "y": 2, "device": "iphone-se-1st",
                    "context": "standby"})")),
            (preview::TapRequest{
                host::WidgetFamily::systemSmall,
                1,
                2,
                {host::deviceNamed("iphone-se-1st"), host::RenderingContext::standby, {}}}));
  for (const std::string body :
       {"", "[]", "{\"family\": \"small\", \"x\": 1}", "{\"family\": \"huge\", \"x\": 1, \"y\": 1}",
        "{\"family\": \"small\", \"x\": \"1\", \"y\": 1}",
        "{\"family\": \"small\", \"x\": 1e999, \"y\": 1}",
        "{\"family\": \"small\", \"x\": 1, \"y\": 1, \"device\": 16}",
        "{\"family\": \"small\", \"x\": 1, \"y\": 1, \"context\": \"lock\"}"}) {
    EXPECT_TRUE(std::holds_alternative<BadRequest>(preview::parseTapRequest(body))) << body;
  }
  EXPECT_EQ(
      std::get<BadRequest>(preview::parseTapRequest(
                               R"({"family": "small", "x": 1, "y": 1, "device": "iphone-se1"})"))
          .reason,
      "\"device\" must be a phone that 'devices' lists (did you mean 'iphone-se'?)");
  EXPECT_EQ(std::get<BadRequest>(
                preview::parseTapRequest(
                    R"({"family": "medium", "x": 1, "y": 1, "context": "standby-night"})"))
                .reason,
            "standby-night shows the small family only: give family=small");
}

}  // namespace
