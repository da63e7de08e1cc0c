#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "host/store_watcher.hpp"
#include "support/temporary_containers.hpp"

namespace {

namespace fs = std::filesystem;

// Whether the watcher reports a change within `wait`; waits on its descriptor only.
bool changeSeen(host::StoreWatcher& watcher,
                std::chrono::milliseconds wait = std::chrono::milliseconds(3000)) {
  const auto giveUp = host::StoreWatcher::Clock::now() + wait;
  while (host::StoreWatcher::Clock::now() < giveUp) {
    pollfd descriptor{watcher.fd(), POLLIN, 0};
    poll(&descriptor, 1, 20);
    if (descriptor.revents & POLLIN) watcher.readEvents();
    if (watcher.takeChange()) return true;
  }
  return false;
}

void write(const fs::path& path, char byte) {
  support::writeFile(path, {static_cast<std::uint8_t>(byte)});
}

TEST(StoreWatcher, SeesEveryWayTheStoreIsReplacedAndNothingElse) {
  const support::TemporaryContainers containers;
  const fs::path& root = containers.root();
  const fs::path store = containers.storePath("group.a");
  host::StoreWatcher watcher(store);
  ASSERT_GE(watcher.fd(), 0);
  const std::vector<std::pair<std::string, std::function<void()>>> steps = {
      {"folders and file appear", [&] { write(store, '1'); }},
      {"renamed over", [&] { write(root / "new", '2'), fs::rename(root / "new", store); }},
      {"rewritten in place", [&] { std::ofstream(store, std::ios::app) << "3"; }},
      {"vanishes", [&] { fs::remove(store); }},
      {"appears again", [&] { write(store, '4'); }},
      {"its folders removed", [&] { fs::remove_all(root / "group.a"); }},
      {"made again", [&] { write(store, '5'); }},
      {"renamed away", [&] { fs::rename(store, root / "old"); }},
  };
  for (const auto& [what, step] : steps) {
    step();
    EXPECT_TRUE(changeSeen(watcher)) << what;
    // One change for a burst of events.
    EXPECT_FALSE(watcher.takeChange(host::StoreWatcher::Clock::now() + std::chrono::hours(1)))
        << what;
  }
  write(store.parent_path() / "other.plist", 'x');
  write(root / "unrelated", 'x');
  EXPECT_FALSE(changeSeen(watcher, std::chrono::milliseconds(300))) << "another file";
}

}  // namespace
