// The live hosts (`run` and `preview`) while the store and the folders above it are broken,
// swapped and rebuilt under them, as an unlucky user or a racing app would: the host keeps
// running, says what it finds, and the last value written is the one it shows.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include "data/app_group.hpp"
#include "http_probe.hpp"

namespace {

namespace fs = std::filesystem;
using hosttest::HostProcess;
using namespace std::chrono_literals;

enum class Host { run, preview };

std::string storeXml(int balance) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>balance</key><real>)" +
         std::to_string(balance) +
         R"(</real><key>todayIncome</key><real>1</real><key>todayExpense</key><real>2</real>)"
         R"(<key>updatedAt</key><date>2026-12-06T08:30:00Z</date></dict></plist>)";
}

class WatcherFault : public testing::TestWithParam<Host> {
 protected:
  void SetUp() override {
    fs::create_directories(preferences());
    fs::create_directories(output());
    write(1);
  }
  void TearDown() override {
    // Whatever a case left unreadable, so that the scratch folder can go.
    std::error_code ignored;
    for (const auto& folder : {group(), group() / "Library", preferences()}) {
      fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }

  static std::string suite() { return std::string(pocketta::kAppGroup); }
  fs::path containers() const { return scratch_.root() / "containers"; }
  fs::path group() const { return containers() / suite(); }
  fs::path preferences() const { return group() / "Library" / "Preferences"; }
  fs::path store() const { return preferences() / (suite() + ".plist"); }
  fs::path output() const { return scratch_.root() / "out"; }

  // As the app writes: a new file beside the store, renamed over it.
  void write(int balance) const {
    const fs::path fresh = preferences() / ".new";
    std::ofstream(fresh) << storeXml(balance);
    fs::rename(fresh, store());
  }

  // The host on the store, as "nobody" when the test runs as root (see asUnprivilegedUser).
  void start() {
    const auto prepare = hosttest::asUnprivilegedUser(scratch_.root(), {containers(), output()});
    std::vector<std::string> arguments = {"preview"};
    if (GetParam() == Host::run) {
      arguments = {"run",      "--out", output().string() + "/", "--format", "tree",
                   "--family", "small"};
    }
    arguments.insert(arguments.end(), {"--containers", containers().string(), "--locale", "en_US"});
    host_.emplace(arguments, scratch_.root(), prepare);
    if (GetParam() == Host::preview) port_ = hosttest::previewPort(*host_);
    std::this_thread::sleep_for(50ms);
    if (!host_->running() && host_->wait().status == 126) {
      GTEST_SKIP() << "cannot run the host unprivileged";
    }
    ASSERT_TRUE(GetParam() == Host::run || port_) << host_->errSoFar();
  }

  // The preview's timeline, read: the entry's balance, the store's status.
  static std::optional<double> timelineBalance(const std::string& json) {
    const auto timeline = nlohmann::json::parse(json, nullptr, false);
    if (!timeline.is_object() || !timeline.contains("entries") || timeline.at("entries").empty()) {
      return std::nullopt;
    }
    return timeline.at("entries")[0].value("balance", std::nan(""));
  }
  static std::string storeStatus(const std::string& json) {
    const auto timeline = nlohmann::json::parse(json, nullptr, false);
    if (!timeline.is_object() || !timeline.contains("store")) return "";
    return timeline.at("store").value("status", "");
  }

  // What the host shows now: the tree `run` wrote, or the preview's timeline.
  std::string shown() const {
    if (GetParam() == Host::run) return hosttest::readText(output() / "PockettaWidget-small.txt");
    return hosttest::httpGet(*port_, "/api/timeline", {}, 5s).body;
  }
  bool showsBalance(const std::string& text, int balance) const {
    const std::string value = std::to_string(balance);
    return GetParam() == Host::run
               ? text.find("Text(" + value + ", format: currency") != std::string::npos
               : timelineBalance(text) == balance;
  }
  // Whether the host comes to show `balance` (and is still running) within a generous while.
  testing::AssertionResult comesToShow(int balance) const {
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    std::string text;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (!host_->running()) {
        return testing::AssertionFailure() << "the host ended:\n" << host_->errSoFar();
      }
      text = shown();
      if (showsBalance(text, balance)) return testing::AssertionSuccess();
      std::this_thread::sleep_for(20ms);
    }
    return testing::AssertionFailure() << "the host does not show " << balance << "; it shows\n"
                                       << text << "\nits log:\n"
                                       << host_->errSoFar();
  }
  // Whether the host says the store is `status` ("unreadable"): on its standard error (`run`),
  // or in the preview's timeline.
  testing::AssertionResult comesToSay(const std::string& status) const {
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < giveUp && host_->running()) {
      if (GetParam() == Host::run ? host_->errSoFar().find(": " + status) != std::string::npos
                                  : storeStatus(shown()).starts_with(status)) {
        return testing::AssertionSuccess();
      }
      std::this_thread::sleep_for(20ms);
    }
    return testing::AssertionFailure()
           << "the host does not say the store is " << status << "; it said\n"
           << host_->errSoFar() << "\n"
           << (host_->running() ? shown() : "(ended)");
  }

  support::TemporaryContainers scratch_;
  std::optional<HostProcess> host_;
  std::optional<int> port_;
};

TEST_P(WatcherFault, aStoreReplacedByALinkLoopIsSaidAndFollowedWhenItComesBack) {
  start();
  if (IsSkipped()) return;
  ASSERT_TRUE(comesToShow(1));
  fs::remove(store());
  fs::create_symlink(store().filename(), store());
  EXPECT_TRUE(comesToSay("unreadable"));
  fs::remove(store());
  write(2);
  EXPECT_TRUE(comesToShow(2));
}

TEST_P(WatcherFault, aFolderTheUserMayNotReadIsSaidAndFollowedWhenItMayAgain) {
  start();
  if (IsSkipped()) return;
  ASSERT_TRUE(comesToShow(1));
  fs::permissions(preferences(), fs::perms::none);
  EXPECT_TRUE(comesToSay("unreadable"));
  fs::permissions(preferences(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
  write(2);
  EXPECT_TRUE(comesToShow(2));
}

TEST_P(WatcherFault, theGroupFolderSwappedForAnEditedCopyIsFollowedAndSoAreLaterWrites) {
  start();
  if (IsSkipped()) return;
  ASSERT_TRUE(comesToShow(1));
  const fs::path copy = containers() / (suite() + ".copy");
  fs::copy(group(), copy, fs::copy_options::recursive);
  const fs::path copyStore = copy / "Library" / "Preferences" / (suite() + ".plist");
  std::ofstream(copyStore, std::ios::trunc) << storeXml(2);
  fs::rename(group(), containers() / (suite() + ".old"));
  fs::rename(copy, group());
  EXPECT_TRUE(comesToShow(2));
  write(3);
  EXPECT_TRUE(comesToShow(3));
}

// The rounds race the host's own re-arming; each round's last write must come through.
TEST_P(WatcherFault, foldersRemovedAndMadeAgainInALoopLoseNoUpdate) {
  start();
  if (IsSkipped()) return;
  ASSERT_TRUE(comesToShow(1));
  for (int round = 2; round < 42; ++round) {
    fs::remove_all(preferences());
    fs::create_directories(preferences());
    write(round);
    ASSERT_TRUE(comesToShow(round)) << "round " << round;
  }
}

TEST_P(WatcherFault, theStoresModeChangedRemovedAndWrittenInALoopLosesNoUpdate) {
  start();
  if (IsSkipped()) return;
  ASSERT_TRUE(comesToShow(1));
  for (int round = 2; round < 400; ++round) {
    fs::permissions(store(), round % 2 ? fs::perms::none : fs::perms::owner_write);
    fs::remove(store());
    std::ofstream(store()) << storeXml(round);
  }
  write(400);
  EXPECT_TRUE(comesToShow(400));
}

TEST_P(WatcherFault, sigusr1AsksAgainAtOnceAndTheWatchGoesOn) {
  start();
  if (IsSkipped()) return;
  ASSERT_TRUE(comesToShow(1));
  ASSERT_EQ(::kill(host_->pid(), SIGUSR1), 0);
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  const std::string said = GetParam() == Host::run ? "reload: SIGUSR1" : "SIGUSR1 asked";
  while (std::chrono::steady_clock::now() < giveUp && host_->running() &&
         (GetParam() == Host::run ? host_->errSoFar() : shown()).find(said) == std::string::npos) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_NE((GetParam() == Host::run ? host_->errSoFar() : shown()).find(said), std::string::npos)
      << host_->errSoFar();
  write(2);
  EXPECT_TRUE(comesToShow(2));
}

INSTANTIATE_TEST_SUITE_P(Hosts, WatcherFault, testing::Values(Host::run, Host::preview),
                         [](const testing::TestParamInfo<Host>& info) {
                           return std::string(info.param == Host::run ? "run" : "preview");
                         });

}  // namespace
