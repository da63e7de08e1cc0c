#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/atomic_file.hpp"
#include "host/signals.hpp"

namespace {

namespace fs = std::filesystem;

class AtomicFile : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() / ("atomic-file-test-" + std::to_string(getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      found.push_back(entry.path().filename().string());
    }
    return found;
  }

  fs::path folder_;
};

TEST_F(AtomicFile, writesAndReplacesWholeLeavingNothingElse) {
  const auto path = folder_ / "picture.png";
  EXPECT_EQ(host::writeFileAtomically(path, "first"), std::nullopt);
  EXPECT_EQ(read(path), "first");
  EXPECT_EQ(host::writeFileAtomically(path, std::string(100000, 'x')), std::nullopt);
  EXPECT_EQ(read(path), std::string(100000, 'x'));
  EXPECT_EQ(names(), std::vector<std::string>{"picture.png"});
}

TEST_F(AtomicFile, aFailureSaysWhatAndLeavesNoFile) {
  const auto missing = folder_ / "no-such-folder" / "picture.png";
  const auto error = host::writeFileAtomically(missing, "bytes");
  ASSERT_TRUE(error);
  EXPECT_NE(error->find(missing.string()), std::string::npos) << *error;
  // What is not a regular file is never replaced: a folder, a device.
  fs::create_directories(folder_ / "taken" / "inside");
  EXPECT_TRUE(host::writeFileAtomically(folder_ / "taken", "bytes"));
  EXPECT_TRUE(fs::is_directory(folder_ / "taken" / "inside"));
  EXPECT_EQ(names(), std::vector<std::string>{"taken"});
  const auto device = host::writeFileAtomically("/dev/null", "bytes");
  ASSERT_TRUE(device);
  EXPECT_NE(device->find("not a regular file"), std::string::npos);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(AtomicFile, aLinkIsFollowedAndKept) {
  const auto target = folder_ / "target.png";
  ASSERT_EQ(host::writeFileAtomically(target, "old"), std::nullopt);
  fs::create_symlink(target, folder_ / "link.png");
  EXPECT_EQ(host::writeFileAtomically(folder_ / "link.png", "new"), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.png"));
  EXPECT_EQ(read(target), "new");
}

TEST_F(AtomicFile, aFullDiskLeavesTheOldFileAndNoOther) {
  const auto path = folder_ / "picture.png";
  ASSERT_EQ(host::writeFileAtomically(path, "old"), std::nullopt);
  // The child may write at most 1000 bytes to any file: every longer write fails as on a full disk.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto error = host::writeFileAtomically(path, std::string(5000, 'x'));
    _exit(error && error->find("File too large") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(read(path), "old");
  EXPECT_EQ(names(), std::vector<std::string>{"picture.png"});
}

TEST_F(AtomicFile, unwritableFolderLeavesTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const auto path = folder_ / "picture.png";
  ASSERT_EQ(host::writeFileAtomically(path, "old"), std::nullopt);
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(host::writeFileAtomically(path, "new"));
  fs::permissions(folder_, fs::perms::owner_all);
  EXPECT_EQ(read(path), "old");
}

TEST_F(AtomicFile, sigtermInTheMiddleOfAWriteLeavesNoPartialFile) {
  const auto path = folder_ / "big.bin";
  const std::string big(64 << 20, 'b');
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    host::installSignalHandlers();
    for (;;) host::writeFileAtomically(path, big);
  }
  // Wait until the child is inside a write: its new file exists beside the path.
  bool sawTemporary = false;
  for (int i = 0; i < 20000 && !sawTemporary; ++i) {
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().filename().string().rfind(".big.bin.tmp-", 0) == 0) sawTemporary = true;
    }
    if (!sawTemporary) usleep(500);
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(sawTemporary);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  for (const auto& name : names()) EXPECT_EQ(name, "big.bin");
  if (fs::exists(path)) {
    EXPECT_EQ(fs::file_size(path), big.size());
  }
}

}  // namespace
