// What the widget sees when the shared store file is damaged, replaced or out of reach while it
// is read: one whole version of the file or an empty store, never a crash, a hang or a blend of
// two versions; and the file is never written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store_fixture.hpp"
#include "support/store_writer.hpp"
#include "support/unprivileged.hpp"
#include "support/versioned_store.hpp"

namespace foundation::testing {
namespace {

namespace fs = std::filesystem;
using support::kPlistFormats;
using support::versionedStore;

TEST_F(StoreTest, fileRewrittenWhileReadGivesAWholeVersionOrWhereNoneIsThereAnEmptyStore) {
  using How = support::StoreWriter::How;
  for (const auto how : {How::rename, How::inPlace}) {
    for (const auto format : kPlistFormats) {
      SCOPED_TRACE(::testing::Message()
                   << support::toString(format) << (how == How::rename ? " renamed" : " in place"));
      // Large enough that reading one version takes many system calls.
      const Bytes one = versionedStore(format, 1, 4 << 20),
                  two = versionedStore(format, 2, 4 << 20);
      writeSuite(one);
      retries_ = 0;
      const support::StoreWriter writer(suitePath(), {one, two}, how);
      for (int n = 0; n < 40; ++n) {
        const auto store = open();
        ASSERT_TRUE(store.has_value());
        const Reading reading = read(*store);
        EXPECT_TRUE(reading == version(1) || reading == version(2) ||
                    (how == How::inPlace && reading == Reading{}))
            << ::testing::PrintToString(reading);
        writer.awaitWrites(1);
        EXPECT_EQ(read(*store), reading) << "a handle is a snapshot";
      }
      // Replaced by rename, a whole file is always in place: no read had to be tried again.
      EXPECT_TRUE(how == How::inPlace || retries_ == 0) << retries_;
    }
  }
}

TEST_F(StoreTest, halfWrittenFileIsTriedAgainThenReadAsEmpty) {
  for (const auto format : kPlistFormats) {
    SCOPED_TRACE(support::toString(format));
    const Bytes whole = versionedStore(format, 3);
    const Bytes half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    // The writer finishes while the reader waits; then one that never does.
    for (const bool finishes : {true, false}) {
      writeSuite(half);
      std::vector<int> attempts;
      options_.beforeRetry = [&](int attempt) {
        attempts.push_back(attempt);
        if (finishes) writeSuite(whole);
      };
      const auto before = FileRecord::of(suitePath());
      EXPECT_EQ(readSuite(), finishes ? version(3) : Reading{});
      EXPECT_EQ(attempts, (finishes ? std::vector<int>{2} : std::vector<int>{2, 3}));
      EXPECT_TRUE(finishes || FileRecord::of(suitePath()) == before) << "the store was written";
    }
  }
}

TEST_F(StoreTest, whatIsAtTheFilesPlaceIsReadAtOnceOrTriedAgainIfAWriterMayFinishIt) {
  const fs::path path = suitePath(), elsewhere = root_.root() / "other";
  fs::create_directories(path.parent_path());
  const Bytes binary = fixture("full.binary.plist");
  const Reading full{817806600.0, 1234.56, 30, 16.5};
  const auto file = [&](Bytes bytes) { return [&, bytes] { writeSuite(bytes); }; };
  int heldFifo = -1;
  const struct {
    const char* what;
    std::function<void()> make;
    Reading expected = {};
    int retries = 0;
    int tries = 3;
  } cases[] = {
      {"a whole file", file(binary), full},
      {"a link to one",
       [&] { support::writeFile(elsewhere, binary), fs::create_symlink(elsewhere, path); }, full},
      {"only a balance", file(fixture("only_balance.xml.plist")), {0, -42.25, 0, 0}},
      {"an empty dictionary", file(fixture("empty.xml.plist"))},
      {"nothing", [] {}},
      {"an empty file", file({})},
      {"a directory", [&] { fs::create_directory(path); }},
      // With no writer a blocking open waits for ever; with a silent one, a blocking read.
      {"a FIFO", [&] { ::mkfifo(path.c_str(), 0600); }},
      {"a FIFO held open",
       [&] { ::mkfifo(path.c_str(), 0600), heldFifo = ::open(path.c_str(), O_RDWR | O_CLOEXEC); }},
      {"a symlink loop",
       [&] { fs::create_symlink(elsewhere, path), fs::create_symlink(path, elsewhere); }},
      {"a dangling symlink", [&] { fs::create_symlink(root_.root() / "nowhere", path); }},
      {"a device", [&] { fs::create_symlink("/dev/zero", path); }},
      // Not a dictionary at the top, or not whole: perhaps a writer half-way, so three tries.
      {"an array at the top", file(fixture("top_array.binary.plist")), {}, 2},
      {"text", file(support::bytesOf("balance = 5")), {}, 2},
      {"a truncated file", file(Bytes(binary.begin(), binary.end() - 1)), {}, 2},
      {"the signature alone", file(support::bytesOf("bplist00")), {}, 2},
      {"a truncated file, one try", file(Bytes(binary.begin(), binary.end() - 1)), {}, 0, 1}};
  for (const auto& [what, make, expected, retries, tries] : cases) {
    SCOPED_TRACE(what);
    make();
    retries_ = 0;
    options_.tries = tries;
    const auto thing = FileRecord::of(path), folder = FileRecord::of(path.parent_path());
    EXPECT_EQ(readSuite(), expected);
    EXPECT_EQ(retries_, retries);
    EXPECT_EQ(FileRecord::of(path), thing) << "reading never writes";
    EXPECT_EQ(FileRecord::of(path.parent_path()), folder);
    if (heldFifo >= 0) ::close(std::exchange(heldFifo, -1));
    fs::remove(path), fs::remove(elsewhere);
  }
}

TEST_F(StoreTest, unreadableFileIsEmptyAndUnreadableFolderDoesNotOpen) {
  writeSuite(versionedStore(support::PlistFormat::binary, 4));
  for (auto dir = suitePath().parent_path(); dir != root_.root().parent_path();
       dir = dir.parent_path()) {
    fs::permissions(dir, fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
  }
  // Exit codes of the child: 0 open but empty, 1 read the values, 2 not opened.
  const auto child = [&] { return open() ? (read(*open()) == Reading{} ? 0 : 1) : 2; };
  ::chmod(suitePath().c_str(), 0);
  const auto unreadableFile = support::runUnprivileged(child);
  if (!unreadableFile) GTEST_SKIP() << "cannot act as an unprivileged user here";
  EXPECT_EQ(*unreadableFile, 0);
  ::chmod(suitePath().c_str(), 0644);
  ::chmod(root_.container(kSuite).c_str(), 0);
  EXPECT_EQ(support::runUnprivileged(child), 2);
  ::chmod(root_.container(kSuite).c_str(), 0755);
}

TEST_F(StoreTest, containerFolderVanishingBetweenAndDuringRequests) {
  writeSuite(versionedStore(support::PlistFormat::xml, 5));
  const auto first = open();
  ASSERT_TRUE(first.has_value());
  fs::remove_all(root_.container(kSuite));
  EXPECT_FALSE(open().has_value()) << "a suite without its container cannot be opened";
  EXPECT_EQ(read(*first), version(5)) << "a handle keeps what it read";
  writeSuite(support::bytesOf("<plist><dict>"));
  options_.beforeRetry = [&](int) { fs::remove_all(root_.container(kSuite)); };
  EXPECT_EQ(readSuite(), Reading{});
}

TEST_F(StoreTest, fileOverTheSizeCapIsRefusedBeforeItIsRead) {
  // A whole store with a sparse hole after it: no disk, but reading it would cost the cap.
  writeSuite(versionedStore(support::PlistFormat::binary, 6));
  fs::resize_file(suitePath(), UserDefaults::kMaxFileSize + 1);
  const auto before = FileRecord::of(suitePath());
  const PeakMemoryProbe probe;
  EXPECT_EQ(readSuite(), Reading{});
  EXPECT_EQ(retries_, 0);
  EXPECT_LT(probe.growthKiB().value_or(0), 4 * kMiB) << "the file was read";
  EXPECT_EQ(FileRecord::of(suitePath()), before);
}

}  // namespace
}  // namespace foundation::testing
