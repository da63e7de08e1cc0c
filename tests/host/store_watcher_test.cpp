#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

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

// Every folder on the path counts, however it is replaced, and the watch follows the path, not
// the folders that once were on it; nothing of it ever throws.
TEST(StoreWatcher, FollowsThePathThroughSwappedFoldersLinkLoopsAndModes) {
  const support::TemporaryContainers containers;
  const fs::path& root = containers.root();
  const fs::path group = containers.container("group.a");
  const fs::path store = containers.storePath("group.a");
  write(store, '0');
  host::StoreWatcher watcher(store);
  ASSERT_GE(watcher.fd(), 0);
  const std::vector<std::pair<std::string, std::function<void()>>> steps = {
      {"the group folder swapped for an edited copy",
       [&] {
         fs::copy(group, root / "copy", fs::copy_options::recursive);
         write(root / "copy" / "Library" / "Preferences" / "group.a.plist", '1');
         fs::rename(group, root / "old");
         fs::rename(root / "copy", group);
       }},
      {"then written in the new folder", [&] { write(store, '2'); }},
      {"written in the old one", [&] { fs::remove_all(root / "old"), write(store, '3'); }},
      {"replaced by a link loop", [&] { fs::remove(store), fs::create_symlink(store, store); }},
      {"the loop replaced", [&] { fs::remove(store), write(store, '4'); }},
      {"a folder renamed away", [&] { fs::rename(group / "Library", root / "away"); }},
      {"and back", [&] { fs::rename(root / "away", group / "Library"); }},
      {"its folder's mode changed", [&] { fs::permissions(store.parent_path(), fs::perms::none); }},
      {"and changed back", [&] { fs::permissions(store.parent_path(), fs::perms::owner_all); }},
      {"the store's mode changed", [&] { fs::permissions(store, fs::perms::none); }},
      {"the group folder replaced by a file", [&] { fs::remove_all(group), write(group, 'x'); }},
      {"and by a folder again", [&] { fs::remove(group), write(store, '5'); }},
  };
  for (const auto& [what, step] : steps) {
    step();
    EXPECT_TRUE(changeSeen(watcher)) << what;
  }
  write(store, '6');
  EXPECT_TRUE(changeSeen(watcher)) << "written after it all";
}

TEST(StoreWatcher, RearmingForgetsWhatTheCallerIsAboutToReadAndWatchesOn) {
  const support::TemporaryContainers containers;
  const fs::path store = containers.storePath("group.a");
  write(store, '0');
  host::StoreWatcher watcher(store);
  write(store, '1');
  pollfd descriptor{watcher.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&descriptor, 1, 3000), 1);
  watcher.readEvents();
  ASSERT_TRUE(watcher.dueAt());
  watcher.rearm();
  EXPECT_FALSE(watcher.takeChange(host::StoreWatcher::Clock::now() + std::chrono::hours(1)));
  write(store, '2');
  EXPECT_TRUE(changeSeen(watcher));
}

// A user who may pass through the store's folder but not list it can read the store, but
// inotify cannot watch the folder: the watcher compares the store instead. Run as "nobody" in a
// child process where the test runs as root, whom file modes do not bind.
TEST(StoreWatcher, ComparesTheStoreWhereItsFolderCannotBeWatched) {
  const support::TemporaryContainers containers;
  const fs::path store = containers.storePath("group.a");
  write(store, '0');
  // Passable for "nobody" from the scratch folder down; nothing above it is changed.
  for (fs::path at = store.parent_path(); at != containers.root().parent_path();
       at = at.parent_path()) {
    fs::permissions(at, fs::perms::others_exec, fs::perm_options::add);
  }
  fs::permissions(store.parent_path(), fs::perms::owner_all | fs::perms::others_exec);
  fs::permissions(store, fs::perms::owner_all | fs::perms::others_read);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
    if (access(store.c_str(), R_OK) != 0) _exit(126);  // a folder above the scratch is closed
    if (access(store.parent_path().c_str(), R_OK) == 0) _exit(125);  // the folder is listable
    host::StoreWatcher watcher(store, std::chrono::milliseconds(40),
                               std::chrono::milliseconds(100));
    [[maybe_unused]] const auto said = ::write(ready[1], "r", 1);
    _exit(changeSeen(watcher) ? 0 : 1);
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the child ended early";
  close(ready[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a second apart in stat's clock
  std::ofstream(store, std::ios::app) << "1";
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 126 || WEXITSTATUS(status) == 125) {
    GTEST_SKIP() << "cannot run unprivileged";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the rewrite went unseen";
}

}  // namespace
