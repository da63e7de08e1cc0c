// The preview's server under hostile clients on 127.0.0.1: slow ones, too many, ranges that
// multiply an answer, other sites, and work that would hold everything else. Each answer comes
// at once or the connection is closed; nothing holds another client or SIGTERM for long.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "data/app_group.hpp"
#include "http_probe.hpp"

namespace {

namespace fs = std::filesystem;
using hosttest::HostProcess;
using hosttest::HttpConnection;
using hosttest::httpGet;
using namespace std::chrono_literals;

std::string storeXml(const std::string& balance, const std::string& amounts) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>balance</key><real>)" +
         balance + "</real><key>todayIncome</key><real>" + amounts +
         "</real><key>todayExpense</key><real>" + amounts +
         R"(</real><key>updatedAt</key><date>2026-12-06T08:30:00Z</date></dict></plist>)";
}

class ServerFault : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(store().parent_path());
    write("12");
    host_.emplace(std::vector<std::string>{"preview", "--containers", containers().string(),
                                           "--locale", "en_US"},
                  scratch_.root());
    const auto port = hosttest::previewPort(*host_);
    ASSERT_TRUE(port) << host_->errSoFar();
    port_ = *port;
  }

  fs::path containers() const { return scratch_.root() / "containers"; }
  fs::path store() const {
    const std::string suite(pocketta::kAppGroup);
    return containers() / suite / "Library" / "Preferences" / (suite + ".plist");
  }
  void write(const std::string& balance, const std::string& amounts = "1") const {
    std::ofstream(store().string() + ".new") << storeXml(balance, amounts);
    fs::rename(store().string() + ".new", store());
  }
  std::string hostHeader() const { return "Host: 127.0.0.1:" + std::to_string(port_); }

  support::TemporaryContainers scratch_;
  std::optional<HostProcess> host_;
  int port_ = 0;
};

// A client that sends its request a header line at a time, each well within any per-line
// timeout: the whole request has its deadline from its first byte, and the connection is closed
// long before the client would have finished.
TEST_F(ServerFault, aRequestMustArriveWholeWithinItsDeadline) {
  HttpConnection slow(port_);
  ASSERT_TRUE(slow.send("GET /api/timeline HTTP/1.1\r\n" + hostHeader() + "\r\n"));
  bool closed = false;
  for (int line = 0; line < 14 && !closed; ++line) {
    slow.send("X-Slow-" + std::to_string(line) + ": 1\r\n");
    closed = slow.closedWithin(700ms);
  }
  EXPECT_TRUE(closed) << "the server still waits for the request after 10 s";
  const std::string answer = slow.receive(0ms);
  EXPECT_EQ(answer.find("HTTP/1.1 200"), std::string::npos) << answer;
  EXPECT_EQ(httpGet(port_, "/api/timeline").status, 200);
}

// 150 slow clients from one address, each sending a header line twice a second, hold at most
// that address's share of the connections: a client elsewhere is served at once all along.
TEST_F(ServerFault, slowClientsFromOneAddressDoNotStarveOthers) {
  if (!HttpConnection(port_, "127.0.0.2").connected()) GTEST_SKIP() << "no 127.0.0.2";
  std::mutex mutex;
  std::vector<std::unique_ptr<HttpConnection>> slow;
  std::atomic<bool> done{false};
  // Three at a time: a connection the server has not taken yet waits in its listen queue.
  std::vector<std::thread> openers;
  for (int opener = 0; opener < 3; ++opener) {
    openers.emplace_back([&] {
      for (int i = 0; i < 50 && !done.load(); ++i) {
        auto connection = std::make_unique<HttpConnection>(port_, "127.0.0.2", 3s);
        connection->send("GET /api/timeline HTTP/1.1\r\n");
        const std::lock_guard lock(mutex);
        slow.push_back(std::move(connection));
      }
    });
  }
  std::thread trickle([&] {
    while (!done.load()) {
      {
        const std::lock_guard lock(mutex);
        for (auto& connection : slow) connection->send("X-Slow: 1\r\n");
      }
      std::this_thread::sleep_for(500ms);
    }
  });
  // The attack in place: every connection made, or as many as the server took in 8 s.
  for (auto until = std::chrono::steady_clock::now() + 8s;
       std::chrono::steady_clock::now() < until;) {
    {
      const std::lock_guard lock(mutex);
      if (slow.size() == 150) break;
    }
    std::this_thread::sleep_for(50ms);
  }
  for (int i = 0; i < 3; ++i) {
    const auto response = httpGet(port_, "/api/timeline", {}, 4s);
    EXPECT_EQ(response.status, 200) << "request " << i << " while 150 slow clients wait";
  }
  done.store(true);
  for (auto& opener : openers) opener.join();
  trickle.join();
}

// 130 pages ask for the event stream: each gets its stream or a 503 at once, and a plain request
// is still answered.
TEST_F(ServerFault, pastTheStreamLimitEveryConnectionGetsItsAnswerAtOnce) {
  std::vector<std::unique_ptr<HttpConnection>> pages;
  for (int i = 0; i < 130; ++i) {
    pages.push_back(std::make_unique<HttpConnection>(port_, "127.0.0.1", 1s));
    pages.back()->send("GET /events HTTP/1.1\r\n" + hostHeader() + "\r\n\r\n");
  }
  // Every answer within one wait from the last request, not one wait per page.
  const auto until = std::chrono::steady_clock::now() + 3s;
  int streams = 0;
  int refused = 0;
  for (auto& page : pages) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    const auto response = hosttest::parseResponse(page->receive(std::max(left, 0ms), false));
    streams += response.status == 200;
    refused += response.status == 503;
  }
  EXPECT_EQ(streams + refused, 130) << streams << " streams, " << refused << " refused";
  EXPECT_GT(streams, 0);
  EXPECT_EQ(httpGet(port_, "/api/timeline", {}, 5s).status, 200);
}

// A Range header never multiplies an answer: the whole resource comes, once.
TEST_F(ServerFault, rangesNeverMultiplyAnAnswer) {
  std::string ranges = "Range: bytes=0-";
  for (int i = 0; i < 100; ++i) ranges += ",0-";
  for (const std::string target :
       {"/", "/api/timeline", "/api/fit?locales=en_US,de_DE", "/render?format=png"}) {
    const auto whole = httpGet(port_, target);
    ASSERT_EQ(whole.status, 200) << target;
    for (const auto& range : {ranges, std::string("Range: bytes=0-10")}) {
      const auto answer = httpGet(port_, target, {range});
      EXPECT_EQ(answer.status, 200) << target << " " << range.substr(0, 40);
      EXPECT_EQ(answer.body.size(), whole.body.size()) << target << " " << range.substr(0, 40);
    }
  }
}

// What the browser says of a request's origin: another site may link to the page, and reach
// nothing else, however it asks.
TEST_F(ServerFault, anotherSiteReachesOnlyThePageByALink) {
  const std::vector<std::string> link = {"Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: navigate",
                                         "Sec-Fetch-Dest: document"};
  EXPECT_EQ(httpGet(port_, "/", link).status, 200);
  const std::vector<std::vector<std::string>> elsewhere = {
      {"Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: navigate", "Sec-Fetch-Dest: iframe"},
      {"Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: navigate", "Sec-Fetch-Dest: document"},
      {"Sec-Fetch-Site: same-site", "Sec-Fetch-Mode: navigate", "Sec-Fetch-Dest: document"},
      {"Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: no-cors", "Sec-Fetch-Dest: image"},
  };
  for (const std::string target :
       {"/api/fit?locales=en_US", "/render", "/events", "/api/timeline"}) {
    for (const auto& headers : elsewhere) {
      EXPECT_EQ(httpGet(port_, target, headers, 5s).status, 403)
          << target << " " << headers[0] << " " << headers[2];
    }
  }
  EXPECT_EQ(httpGet(port_, "/", elsewhere[0]).status, 403) << "the page in another site's frame";
  EXPECT_EQ(httpGet(port_, "/api/timeline", {"Sec-Fetch-Site: same-origin"}).status, 200);
}

// The fit or check of every locale at every text size, or of numbers that spell out hundreds of
// digits, is refused with a reason: one request's work is bounded.
TEST_F(ServerFault, aFitAsksForBoundedWork) {
  const auto everything = httpGet(port_,
                                  "/api/fit?locales=all&textSizes=xSmall,small,medium,large,"
                                  "xLarge,xxLarge,xxxLarge,accessibility1,accessibility2,"
                                  "accessibility3,accessibility4,accessibility5",
                                  {}, 5s);
  EXPECT_EQ(everything.status, 400) << everything.body.substr(0, 200);
  for (const std::string value : {"1e308", "-1e300", "1e16"}) {
    const auto answer = httpGet(port_, "/api/fit?locales=en_US&balance=" + value, {}, 5s);
    EXPECT_EQ(answer.status, 400) << value;
  }
  EXPECT_EQ(httpGet(port_, "/api/fit?locales=en_US&balance=-1e15&income=12.5").status, 200);
  // check takes a fit's query and its bounds.
  EXPECT_EQ(httpGet(port_, "/api/check?locales=all&textSizes=large,xLarge", {}, 5s).status, 400);
  const auto check = httpGet(port_, "/api/check?locales=en_US&family=small", {}, 5s);
  EXPECT_EQ(check.status, 200);
  EXPECT_NE(check.body.find(R"("summary":{"cells":2,)"), std::string::npos) << check.body;
}

// A store whose numbers spell out hundreds of digits makes the fit of every locale long (its
// amounts wrap onto many lines, in 1,610 layouts): while it
// is worked on, pictures are drawn, a store change shows, and SIGTERM ends the server.
TEST_F(ServerFault, aLongFitHoldsNeitherOtherRequestsNorTheEnd) {
  write("1e300", "-1e300");
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  while (httpGet(port_, "/api/timeline").body.find("1e+300") == std::string::npos &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(20ms);
  }
  HttpConnection fit(port_);
  ASSERT_TRUE(fit.send("GET /api/fit?locales=all HTTP/1.1\r\n" + hostHeader() + "\r\n\r\n"));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(httpGet(port_, "/render?format=png", {}, 5s).status, 200);
  write("77");
  bool shown = false;
  for (auto until = std::chrono::steady_clock::now() + 5s;
       !shown && std::chrono::steady_clock::now() < until;) {
    const auto timeline =
        nlohmann::json::parse(httpGet(port_, "/api/timeline", {}, 5s).body, nullptr, false);
    shown = timeline.is_object() && timeline.contains("entries") &&
            !timeline.at("entries").empty() &&
            timeline.at("entries")[0].value("balance", 0.0) == 77;
  }
  EXPECT_TRUE(shown) << "a store change waits for the fit";
  ASSERT_TRUE(fit.receive(0ms).empty()) << "the fit was quick: nothing was held";
  ASSERT_EQ(::kill(host_->pid(), SIGTERM), 0);
  const auto ending = host_->waitFor(3s);
  ASSERT_TRUE(ending) << "SIGTERM waits for the fit";
  EXPECT_EQ(ending->status, 0) << ending->err;
}

}  // namespace
