#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/atomic_file.hpp"
#include "support/temporary_containers.hpp"

// A full disk, a read-only folder and a stop part-way through a write are tried on the real
// executable, where they reach this code through the render command.
namespace {

namespace fs = std::filesystem;

class AtomicFile : public testing::Test {
 protected:
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

  const support::TemporaryContainers temporary_;
  const fs::path folder_ = temporary_.root();
};

TEST_F(AtomicFile, writesAndReplacesWholeLeavingNothingElse) {
  const auto path = folder_ / "picture.png";
  EXPECT_EQ(foundation::writeFileAtomically(path, "first"), std::nullopt);
  EXPECT_EQ(read(path), "first");
  EXPECT_EQ(foundation::writeFileAtomically(path, std::string(100000, 'x')), std::nullopt);
  EXPECT_EQ(read(path), std::string(100000, 'x'));
  EXPECT_EQ(names(), std::vector<std::string>{"picture.png"});
}

TEST_F(AtomicFile, aFailureSaysWhatAndLeavesNoFile) {
  const auto missing = folder_ / "no-such-folder" / "picture.png";
  const auto error = foundation::writeFileAtomically(missing, "bytes");
  ASSERT_TRUE(error);
  EXPECT_NE(error->find(missing.string()), std::string::npos) << *error;
  // What is not a regular file is never replaced: a folder, a device.
  fs::create_directories(folder_ / "taken" / "inside");
  EXPECT_TRUE(foundation::writeFileAtomically(folder_ / "taken", "bytes"));
  EXPECT_TRUE(fs::is_directory(folder_ / "taken" / "inside"));
  EXPECT_EQ(names(), std::vector<std::string>{"taken"});
  const auto device = foundation::writeFileAtomically("/dev/null", "bytes");
  ASSERT_TRUE(device);
  EXPECT_NE(device->find("not a regular file"), std::string::npos);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(AtomicFile, severalFilesAreReplacedTogetherOrNotAtAll) {
  auto bytes = [](std::string_view text) {
    return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  };
  ASSERT_EQ(foundation::writeFileAtomically(folder_ / "small.png", "old small"), std::nullopt);
  fs::create_directories(folder_ / "other");
  const std::vector<foundation::FileContent> files = {{folder_ / "small.png", bytes("new small")},
                                                      {folder_ / "medium.png", bytes("medium")},
                                                      {folder_ / "other" / "x.png", bytes("x")}};
  EXPECT_EQ(foundation::writeFilesAtomically(files), std::nullopt);
  EXPECT_EQ(read(folder_ / "small.png"), "new small");
  EXPECT_EQ(read(folder_ / "medium.png"), "medium");
  EXPECT_EQ(read(folder_ / "other" / "x.png"), "x");
  EXPECT_EQ(names().size(), 3u);  // no temporary file left

  // A file that cannot be made: the others keep what they held, and no new file is left.
  const std::vector<foundation::FileContent> failing = {
      {folder_ / "small.png", bytes("newer small")},
      {folder_ / "missing" / "medium.png", bytes("medium")}};
  const auto error = foundation::writeFilesAtomically(failing);
  ASSERT_TRUE(error);
  EXPECT_NE(error->find("missing"), std::string::npos) << *error;
  EXPECT_EQ(read(folder_ / "small.png"), "new small");
  EXPECT_EQ(names().size(), 3u);
}

TEST_F(AtomicFile, aLinkIsFollowedAndKept) {
  const auto target = folder_ / "target.png";
  ASSERT_EQ(foundation::writeFileAtomically(target, "old"), std::nullopt);
  fs::create_symlink(target, folder_ / "link.png");
  EXPECT_EQ(foundation::writeFileAtomically(folder_ / "link.png", "new"), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.png"));
  EXPECT_EQ(read(target), "new");
}

// What a writer killed outright (SIGKILL) left beside a file goes when the same file is next
// written; a live writer's, another file's and other names stay.
TEST_F(AtomicFile, aDeadWritersTemporaryFilesGoWhenTheSameFileIsNextWritten) {
  // A process id no process holds now: a child that has ended and been reaped.
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  const std::string gone = std::to_string(dead);
  const std::string alive = std::to_string(getppid());
  const std::vector<std::string> kept = {
      ".picture.png.tmp-" + alive + "-3", ".picture.png.tmp-" + std::to_string(getpid()) + "-9",
      ".other.png.tmp-" + gone + "-0",    ".picture.png.tmp-" + gone,
      ".picture.png.tmp-" + gone + "-x",  ".picture.png.tmp-0-1",
      "picture.png.tmp-" + gone + "-0"};
  for (const auto& name : kept) std::ofstream(folder_ / name) << "kept";
  for (const auto* count : {"-0", "-17"})
    std::ofstream(folder_ / (".picture.png.tmp-" + gone + count)) << "x";

  ASSERT_EQ(foundation::writeFileAtomically(folder_ / "picture.png", "new"), std::nullopt);
  auto expected = kept;
  expected.push_back("picture.png");
  std::sort(expected.begin(), expected.end());
  auto found = names();
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
}

}  // namespace
