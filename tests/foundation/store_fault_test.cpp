// What the widget sees when the shared store file is damaged, replaced or out of reach while it
// is read. Whatever happens to the file, a reader sees one whole version of it or an empty
// store, never a crash, a hang, or a blend of two versions; and it never writes to the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "foundation/user_defaults.hpp"
#include "store_probe.hpp"
#include "support/temporary_containers.hpp"
#include "support/versioned_store.hpp"

namespace foundation {
namespace {

namespace fs = std::filesystem;
using support::Bytes;
using support::bytesOf;
using support::versionedStore;
using support::writeFile;
using testing::FileRecord;
using Format = support::PlistFormat;

const std::string kSuite = "group.pocketta.faults";
constexpr Format kFormats[] = {Format::binary, Format::xml};

// The four values the widget reads, as one reading of the store.
struct Reading {
  double updatedAt = 0;  // 0: no date stored
  double balance = 0;
  double income = 0;
  double expense = 0;
  friend bool operator==(const Reading&, const Reading&) = default;
  friend void PrintTo(const Reading& r, std::ostream* os) {
    *os << "{updatedAt " << r.updatedAt << ", balance " << r.balance << ", income " << r.income
        << ", expense " << r.expense << "}";
  }
};

Reading read(const UserDefaults& store) {
  const auto date = store.objectForKey("updatedAt");
  const auto stored = date ? asDate(*date) : std::nullopt;
  return Reading{stored ? stored->timeIntervalSinceReferenceDate : 0.0,
                 store.doubleForKey("balance"), store.doubleForKey("todayIncome"),
                 store.doubleForKey("todayExpense")};
}

Reading version(double v) {
  return Reading{v, v, v, v};
}

class StoreFaultTest : public ::testing::Test {
 protected:
  StoreFaultTest() {
    options_.containersRoot = root_.root();
    options_.retryDelay = std::chrono::milliseconds(1);
    options_.beforeRetry = [this](int) { ++retries_; };
  }

  // Every file a test put in place is as it was: reading never writes, touches or locks.
  void TearDown() override {
    for (const auto& [path, record] : watched_) {
      EXPECT_EQ(FileRecord::of(path), record) << path << " changed while it was read";
    }
  }

  fs::path suitePath() const { return root_.storePath(kSuite); }
  fs::path folder() const { return suitePath().parent_path(); }
  void makeFolder() const { fs::create_directories(folder()); }
  // Records `path` as it is now, to be compared when the test ends.
  void watch(const fs::path& path) {
    const auto record = FileRecord::of(path);
    ASSERT_TRUE(record.has_value()) << path;
    watched_.insert_or_assign(path, *record);
  }
  std::optional<UserDefaults> open() const {
    return UserDefaults::initWithSuiteName(kSuite, options_);
  }
  // The reading of a suite that must open.
  Reading readSuite() const {
    const auto store = open();
    EXPECT_TRUE(store.has_value());
    return store ? read(*store) : Reading{-1, -1, -1, -1};
  }

  support::TemporaryContainers root_;
  UserDefaultsOptions options_;
  int retries_ = 0;
  std::map<fs::path, FileRecord> watched_;
};

// Keeps replacing the store by rename, alternating two versions, until stopped.
class RenamingWriter {
 public:
  RenamingWriter(const fs::path& path, Bytes first, Bytes second)
      : thread_([this, path, versions = std::vector<Bytes>{std::move(first), std::move(second)}] {
          const fs::path temporary = path.string() + ".new";
          for (std::size_t i = 0; !stop_.load(); ++i) {
            writeFile(temporary, versions[i % 2]);
            fs::rename(temporary, path);
            replacements_.fetch_add(1);
          }
        }) {}
  ~RenamingWriter() { stopAndJoin(); }
  void stopAndJoin() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }
  // Waits (without a deadline) until the writer has replaced the file `count` more times.
  void awaitReplacements(long count) const {
    const long target = replacements_.load() + count;
    while (replacements_.load() < target) std::this_thread::yield();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<long> replacements_{0};
  std::thread thread_;
};

TEST_F(StoreFaultTest, fileReplacedByRenameWhileReadGivesTheOldOrTheNewVersion) {
  for (const Format format : kFormats) {
    SCOPED_TRACE(toString(format));
    makeFolder();
    // Large enough that reading one version takes many system calls.
    const Bytes one = versionedStore(format, 1, 4 << 20);
    const Bytes two = versionedStore(format, 2, 4 << 20);
    writeFile(suitePath(), one);
    retries_ = 0;
    {
      RenamingWriter writer(suitePath(), one, two);
      for (int i = 0; i < 40; ++i) {
        const auto store = open();
        ASSERT_TRUE(store.has_value());
        const Reading reading = read(*store);
        ASSERT_TRUE(reading == version(1) || reading == version(2))
            << "a blend or an empty store: " << reading.updatedAt << " " << reading.balance << " "
            << reading.income << " " << reading.expense;
        // The handle is a snapshot: the file changing under it changes nothing.
        writer.awaitReplacements(1);
        EXPECT_EQ(read(*store), reading);
      }
    }
    // A whole file is always in place, so no read ever had to be retried.
    EXPECT_EQ(retries_, 0);
    watch(suitePath());
    EXPECT_TRUE(readSuite() == version(1) || readSuite() == version(2));
  }
}

TEST_F(StoreFaultTest, fileRewrittenInPlaceIsReadWholeOrAsEmpty) {
  for (const Format format : kFormats) {
    SCOPED_TRACE(toString(format));
    makeFolder();
    const std::vector<Bytes> versions{versionedStore(format, 1, 1 << 20),
                                      versionedStore(format, 2, 1 << 20)};
    writeFile(suitePath(), versions[0]);
    std::atomic<bool> stop{false};
    std::atomic<long> rewrites{0};
    std::atomic<bool> writerFailed{false};
    // Truncates and rewrites the same file in small pieces, as a careless writer does, so
    // that readers meet it empty, half-written and whole.
    std::thread writer([&] {
      for (std::size_t i = 1; !stop.load(); ++i) {
        const Bytes& bytes = versions[i % 2];
        const int fd = ::open(suitePath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
          writerFailed.store(true);
          break;
        }
        for (std::size_t at = 0; at < bytes.size();) {
          const ssize_t written =
              ::write(fd, bytes.data() + at, std::min<std::size_t>(64 << 10, bytes.size() - at));
          if (written <= 0) break;
          at += static_cast<std::size_t>(written);
        }
        ::close(fd);
        rewrites.fetch_add(1);
      }
    });
    for (int i = 0; i < 60; ++i) {
      const Reading reading = readSuite();
      EXPECT_TRUE(reading == version(1) || reading == version(2) || reading == Reading{})
          << "a blend: " << ::testing::PrintToString(reading);
      const long seen = rewrites.load();
      while (rewrites.load() == seen && !writerFailed.load()) std::this_thread::yield();
    }
    stop.store(true);
    writer.join();
    EXPECT_FALSE(writerFailed.load()) << "the writer could not open the store";
  }
}

TEST_F(StoreFaultTest, halfWrittenFileIsTriedAgainThenReadAsEmpty) {
  for (const Format format : kFormats) {
    SCOPED_TRACE(toString(format));
    makeFolder();
    const Bytes whole = versionedStore(format, 3);
    const Bytes half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));

    // The writer finishes in place, appending the rest, while the reader waits.
    writeFile(suitePath(), half);
    std::vector<int> attempts;
    options_.beforeRetry = [&](int attempt) {
      attempts.push_back(attempt);
      std::ofstream(suitePath(), std::ios::binary | std::ios::app)
          .write(reinterpret_cast<const char*>(whole.data()) + half.size(),
                 static_cast<std::streamsize>(whole.size() - half.size()));
    };
    EXPECT_EQ(readSuite(), version(3));
    EXPECT_EQ(attempts, std::vector<int>{2});

    // A writer that never finishes: three tries in all, then the store is empty.
    writeFile(suitePath(), half);
    attempts.clear();
    options_.beforeRetry = [&](int attempt) { attempts.push_back(attempt); };
    watch(suitePath());
    EXPECT_EQ(readSuite(), Reading{});
    EXPECT_EQ(attempts, (std::vector<int>{2, 3}));
  }
}

TEST_F(StoreFaultTest, somethingElseAtTheFilesPlaceReadsAsEmptyAtOnce) {
  makeFolder();
  const fs::path path = suitePath();
  const fs::path elsewhere = root_.root() / "other";
  struct Case {
    const char* name;
    std::function<void()> make;
  };
  int heldFifo = -1;
  const std::vector<Case> cases{
      {"missing", [] {}},
      {"a directory", [&] { fs::create_directory(path); }},
      // No writer: a blocking open would wait for one for ever.
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
      // A writer holds it open and says nothing: a blocking read would wait for ever.
      {"a FIFO held open",
       [&] {
         ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
         heldFifo = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
         ASSERT_GE(heldFifo, 0);
       }},
      {"a symlink loop",
       [&] {
         fs::create_symlink(elsewhere, path);
         fs::create_symlink(path, elsewhere);
       }},
      {"a dangling symlink", [&] { fs::create_symlink(root_.root() / "nowhere", path); }},
      {"a device", [&] { fs::create_symlink("/dev/zero", path); }},
      {"an empty file", [&] { writeFile(path, {}); }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    test.make();
    retries_ = 0;
    const auto thingBefore = FileRecord::of(path);
    const auto folderBefore = FileRecord::of(path.parent_path());
    EXPECT_EQ(readSuite(), Reading{});
    EXPECT_EQ(retries_, 0) << "nothing here can become readable by waiting";
    EXPECT_EQ(FileRecord::of(path), thingBefore);
    EXPECT_EQ(FileRecord::of(path.parent_path()), folderBefore);
    if (heldFifo >= 0) ::close(heldFifo);
    heldFifo = -1;
    std::error_code ignored;
    fs::remove(path, ignored);
    fs::remove(elsewhere, ignored);
  }
}

// Runs `body` as an unprivileged user in a child process and returns its exit code; nothing
// when there is no way to drop privileges here.
std::optional<int> runUnprivileged(const std::function<int()>& body) {
  if (::geteuid() != 0) return body();
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(125);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 125) return std::nullopt;
  return WEXITSTATUS(status);
}

TEST_F(StoreFaultTest, unreadableFileOrFolderIsTheUsersToSee) {
  makeFolder();
  writeFile(suitePath(), versionedStore(Format::binary, 4));
  // An unprivileged reader must reach the folder; only the file itself is shut.
  fs::permissions(root_.root(),
                  fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
  for (auto dir = suitePath().parent_path(); dir != root_.root(); dir = dir.parent_path()) {
    fs::permissions(dir, fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
  }
  ::chmod(suitePath().c_str(), 0);
  watch(suitePath());
  // Exit codes of the child: 0 open but empty, 1 read the values, 2 not opened.
  const auto unreadableFile = runUnprivileged([&] {
    const auto store = open();
    if (!store) return 2;
    return read(*store) == Reading{} ? 0 : 1;
  });
  if (!unreadableFile) GTEST_SKIP() << "cannot act as an unprivileged user here";
  EXPECT_EQ(*unreadableFile, 0) << "a file the user may not read is an empty store";

  // A container folder the user may not enter cannot be opened at all.
  ::chmod(suitePath().c_str(), 0644);
  const fs::path container = root_.root() / kSuite;
  ::chmod(container.c_str(), 0);
  const auto unreadableFolder = runUnprivileged([&] { return open() ? 0 : 2; });
  ::chmod(container.c_str(), 0755);
  ASSERT_TRUE(unreadableFolder.has_value());
  EXPECT_EQ(*unreadableFolder, 2);
  watched_.clear();
}

TEST_F(StoreFaultTest, containerFolderVanishingBetweenRequests) {
  makeFolder();
  writeFile(suitePath(), versionedStore(Format::xml, 5));
  const auto first = open();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(read(*first), version(5));

  fs::remove_all(root_.root() / kSuite);
  EXPECT_FALSE(open().has_value()) << "a suite without its container cannot be opened";
  EXPECT_EQ(read(*first), version(5)) << "a handle keeps what it read";

  // Back without a file: open, and empty.
  makeFolder();
  EXPECT_EQ(readSuite(), Reading{});

  // Gone in the middle of a request, while the reader waits to try again.
  writeFile(suitePath(), bytesOf("<plist><dict>"));
  options_.beforeRetry = [&](int) { fs::remove_all(root_.root() / kSuite); };
  EXPECT_EQ(readSuite(), Reading{});
  EXPECT_FALSE(open().has_value());
}

TEST_F(StoreFaultTest, fileOverTheSizeCapIsRefusedBeforeItIsRead) {
  makeFolder();
  // A whole, valid store with a hole after it: sparse, so it costs no disk, but reading it
  // would cost the size cap in memory.
  writeFile(suitePath(), versionedStore(Format::binary, 6));
  EXPECT_EQ(readSuite(), version(6));
  fs::resize_file(suitePath(), UserDefaults::kMaxFileSize + 1);
  watch(suitePath());

  const testing::PeakMemoryProbe probe;
  retries_ = 0;
  EXPECT_EQ(readSuite(), Reading{});
  EXPECT_EQ(retries_, 0);
  if (probe.available()) {
    // Bound: 4 MiB of growth, where reading the file would take 64 MiB.
    EXPECT_LT(probe.growthKiB(), 4 * testing::kMiB);
  }
}

}  // namespace
}  // namespace foundation
