// The preview's server on each phone and in each place: pictures, taps and fits follow the
// device and context a request names, else the --device the preview started with, and a bad
// phone or place is one line, as on the command line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "http_probe.hpp"

namespace {

namespace fs = std::filesystem;
using hosttest::httpGet;
using hosttest::HttpResponse;
using hosttest::pngSize;

class PreviewPlaces : public testing::Test {
 protected:
  void SetUp() override {
    fs::copy(POCKETTA_SOURCE_DIR "/samples/group-containers", containers(),
             fs::copy_options::recursive);
    fs::create_directories(scratch_.root() / "server");
    host_.emplace(std::vector<std::string>{"preview", "--device", "iphone-16", "--context",
                                           "home-tinted", "--tint", "#3399FF", "--containers",
                                           containers().string(), "--locale", "en_US"},
                  scratch_.root() / "server");
    const auto port = hosttest::previewPort(*host_);
    ASSERT_TRUE(port) << host_->errSoFar();
    port_ = *port;
  }

  fs::path containers() const { return scratch_.root() / "containers"; }

  HttpResponse tap(const std::string& body) const {
    hosttest::HttpConnection connection(port_);
    const std::string origin = "http://127.0.0.1:" + std::to_string(port_);
    connection.send("POST /api/tap HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                    "\r\nOrigin: " + origin +
                    "\r\nConnection: close\r\nContent-Type: application/json\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\n\r\n" + body);
    return hosttest::parseResponse(connection.receive(std::chrono::seconds(10)));
  }

  // What `tap X Y --print` says of a point of the medium widget on `device`: the link, "" for
  // none, "outside" for a point off the widget.
  std::string linkByCommandLine(const std::string& device, double x, double y) const {
    const fs::path folder = scratch_.root() / "cli";
    fs::create_directories(folder);
    const auto ending =
        hosttest::HostProcess(
            {"tap", std::to_string(x), std::to_string(y), "--print", "--family", "medium",
             "--device", device, "--containers", containers().string(), "--locale", "en_US"},
            folder)
            .wait();
    if (ending.status == 2) return "outside";
    return ending.status == 0 ? ending.out.substr(0, ending.out.find('\n')) : "";
  }
  // The same, asked of the server.
  std::string linkByServer(const std::string& device, double x, double y) const {
    const auto answer = tap(R"({"family": "medium", "x": )" + std::to_string(x) + R"(, "y": )" +
                            std::to_string(y) + R"(, "device": ")" + device + R"("})");
    if (answer.status == 400) return "outside";
    const auto json = nlohmann::json::parse(answer.body);
    return json["link"].is_null() ? "" : json["link"].get<std::string>();
  }

  support::TemporaryContainers scratch_;
  std::optional<hosttest::HostProcess> host_;
  int port_ = 0;
};

TEST_F(PreviewPlaces, picturesTakeThePhoneAndThePlaceAsked) {
  // Pixel sizes: the preview's phone by default, another when named, StandBy enlarged to 85 %
  // of the short side of the phone's screen (393 points on an iPhone 16: 1002 pixels at @3x).
  const std::pair<std::string, std::pair<std::uint32_t, std::uint32_t>> sizes[] = {
      {"/render?format=png&scale=3", {474, 474}},
      {"/render?format=png&scale=3&family=medium", {1014, 474}},
      {"/render?format=png&scale=2&family=medium&device=iphone-se-1st", {584, 282}},
      {"/render?format=png&scale=2&device=iphone-8-plus&family=medium", {696, 314}},
      {"/render?format=png&scale=3&context=standby", {1002, 1002}},
      {"/render?format=png&scale=2&context=standby-night&device=iphone-se", {638, 638}},
  };
  for (const auto& [target, size] : sizes) {
    const auto answer = httpGet(port_, target);
    ASSERT_EQ(answer.status, 200) << target << ": " << answer.body;
    EXPECT_EQ(pngSize(answer.body), size) << target;
  }
  // The tinted home screen draws no container background, so none of its gradient.
  EXPECT_NE(httpGet(port_, "/render?family=medium").body.find("<linearGradient"),
            std::string::npos);
  for (const std::string target : {"/render?family=medium&context=home-tinted",
                                   "/render?context=home-tinted&tint=%2300FF80&device=iphone-se"}) {
    const auto answer = httpGet(port_, target);
    EXPECT_EQ(answer.status, 200) << target;
    EXPECT_EQ(answer.body.find("<linearGradient"), std::string::npos) << target;
  }

  const std::pair<std::string, std::string> refused[] = {
      {"/render?device=iphone-16-pls",
       "invalid device 'iphone-16-pls' (expected a phone that 'devices' lists (did you mean "
       "'iphone-16-plus'?))\n"},
      {"/render?context=standby&family=medium",
       "standby shows the small family only: give family=small\n"},
      {"/render?tint=%23FF0000",
       "a tint colours the tinted home screen: give context=home-tinted\n"},
      {"/api/fit?device=iphone",
       "invalid device 'iphone' (expected a phone that 'devices' lists)\n"},
  };
  for (const auto& [target, reason] : refused) {
    const auto answer = httpGet(port_, target);
    EXPECT_EQ(answer.status, 400) << target;
    EXPECT_EQ(answer.body, reason) << target;
  }

  // The page offers the preview's phone first, then every other one, and opens on its place
  // and tint; a request names its own place (home when it names none).
  const std::string page = httpGet(port_, "/").body;
  EXPECT_NE(page.find(R"("devices":[{"name":"iphone-16","models":)"), std::string::npos);
  EXPECT_NE(page.find(R"({"name":"iphone-se-1st",)"), std::string::npos);
  EXPECT_NE(page.find(R"("context":"home-tinted","tint":"#3399FF")"), std::string::npos);

  for (const auto& [target, device] :
       {std::pair{"/api/fit?family=small", "iphone-16"},
        std::pair{"/api/fit?family=small&device=iphone-se-1st", "iphone-se-1st"}}) {
    const auto fit = nlohmann::json::parse(httpGet(port_, target).body);
    EXPECT_EQ(fit["results"][0]["device"], device) << target;
  }
}

TEST_F(PreviewPlaces, tapsFollowThePhoneAndThePlace) {
  // Each phone lays the quick actions out at its own width: the server finds what the command
  // line finds, phone by phone, and the points below tell the largest and smallest apart.
  std::map<std::string, std::vector<std::string>> links;
  for (const std::string device : {"iphone-16-plus", "iphone-se-1st"}) {
    for (const double y : {100.0, 112.0}) {
      for (const double x : {20.0, 60.0, 240.0, 260.0, 280.0, 320.0}) {
        const std::string expected = linkByCommandLine(device, x, y);
        EXPECT_EQ(linkByServer(device, x, y), expected) << device << " (" << x << ", " << y << ")";
        links[device].push_back(expected);
      }
    }
  }
  EXPECT_NE(links["iphone-16-plus"], links["iphone-se-1st"]);

  // The preview's phone by default: 338 points wide, where iphone-16-plus is 364.
  EXPECT_EQ(tap(R"({"family": "medium", "x": 350, "y": 10})").status, 400);
  EXPECT_EQ(tap(R"({"family": "medium", "x": 350, "y": 10, "device": "iphone-16-plus"})").status,
            200);

  // In StandBy the small widget is one tap target, whatever lies under the point.
  const auto standby = tap(R"({"family": "small", "x": 30, "y": 112, "context": "standby"})");
  ASSERT_EQ(standby.status, 200) << standby.body;
  const auto answer = nlohmann::json::parse(standby.body);
  EXPECT_TRUE(answer["url"].is_null());
  EXPECT_EQ(answer["link"], "pocketta://add-income");
  EXPECT_EQ(answer["message"], "in StandBy the whole widget opens the app");
  EXPECT_EQ(answer["context"], "standby");
  EXPECT_EQ(answer["device"], "iphone-16");
  EXPECT_EQ(tap(R"({"family": "medium", "x": 1, "y": 1, "context": "standby-night"})").body,
            "standby-night shows the small family only: give family=small\n");
}

}  // namespace
