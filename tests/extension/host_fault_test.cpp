// The host process when its output cannot be written or it is stopped part-way: it never leaves
// a part of a picture at the output path (nor a temporary file beside it), and its exit status
// says what happened.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>

#include <algorithm>

#include "host_process.hpp"

namespace {

using hosttest::Ending;
using hosttest::HostProcess;
using hosttest::readText;
namespace fs = std::filesystem;

std::vector<std::string> renderArguments(const fs::path& out, const fs::path& containers) {
  return {"render", "--family",   "medium",   "--format", "png",          "--scale",          "3",
          "--out",  out.string(), "--locale", "en",       "--containers", containers.string()};
}

// Whether `bytes` are a whole PNG: the signature first and the IEND chunk last.
bool isWholePng(const std::string& bytes) {
  static const std::string signature("\x89PNG\r\n\x1a\n", 8);
  static const std::string end("IEND\xae\x42\x60\x82", 8);
  return bytes.size() > 16 && bytes.compare(0, 8, signature) == 0 &&
         bytes.compare(bytes.size() - 8, 8, end) == 0;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class HostFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto preferences = containers() / "group.pocketta.shared" / "Library" / "Preferences";
    fs::create_directories(preferences);
    std::ofstream(preferences / "group.pocketta.shared.plist") << "<plist><dict/></plist>";
    fs::create_directories(output());
  }
  fs::path containers() const { return scratch_.root() / "containers"; }
  fs::path output() const { return scratch_.root() / "out"; }

  support::TemporaryContainers scratch_;
};

TEST_F(HostFaultTest, outputFolderThatCannotBeWrittenFailsWithOneLine) {
  const fs::path target = output() / "widget.png";
  // An unprivileged host meets a read-only folder; root writes anywhere, so as root the host
  // runs as "nobody" (and the scratch folder is opened for it to pass through).
  fs::permissions(scratch_.root(), fs::perms::others_exec | fs::perms::group_exec,
                  fs::perm_options::add);
  fs::permissions(containers(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  fs::permissions(output(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
  HostProcess host(renderArguments(target, containers()), scratch_.root(),
                   hosttest::asUnprivilegedUser(scratch_.root(), {}));
  const Ending ending = host.wait();
  if (ending.exited && ending.status == 126) GTEST_SKIP() << "cannot run the host unprivileged";
  EXPECT_TRUE(ending.exited);
  EXPECT_EQ(ending.status, 1) << ending.err;
  EXPECT_NE(ending.err.find("cannot write " + target.string()), std::string::npos) << ending.err;
  EXPECT_EQ(std::count(ending.err.begin(), ending.err.end(), '\n'), 1) << ending.err;
  EXPECT_TRUE(namesIn(output()).empty())
      << "left behind: " << ::testing::PrintToString(namesIn(output()));
}

TEST_F(HostFaultTest, writePastTheFileSizeLimitLeavesThePreviousFileAndFails) {
  // The limit makes the kernel refuse the write part-way, as a full disk does. With SIGXFSZ's
  // default action the process would end mid-write and leave its temporary file; the host sets
  // the signal aside itself, so either way the write fails with an error it reports.
  const fs::path target = output() / "widget.png";
  const std::string previous = "the picture from before";
  for (const auto disposition : {SIG_IGN, SIG_DFL}) {
    std::ofstream(target, std::ios::binary | std::ios::trunc) << previous;
    HostProcess host(renderArguments(target, containers()), scratch_.root(), [disposition] {
      const rlimit limit{4096, 4096};
      return ::signal(SIGXFSZ, disposition) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    });
    const Ending ending = host.wait();
    EXPECT_TRUE(ending.exited);
    EXPECT_EQ(ending.status, 1) << ending.err;
    EXPECT_NE(ending.err.find("cannot write " + target.string()), std::string::npos) << ending.err;
    EXPECT_EQ(readText(target), previous) << "the file at the path was touched";
    EXPECT_EQ(namesIn(output()), std::vector<std::string>{"widget.png"})
        << "a temporary file is left";
  }
}

TEST_F(HostFaultTest, terminationDuringARenderLeavesTheOldFileOrAWholeNewOne) {
  // SIGTERM lands at a different point of each run: after the n-th change the host makes in
  // the output folder (0: at once). Whatever it interrupts, the path holds the old bytes or a
  // whole new picture, nothing else is left, and the status is SIGTERM's or success.
  const fs::path target = output() / "widget.png";
  const std::string previous = "the picture from before";
  for (int changes = 0; changes <= 4; ++changes) {
    SCOPED_TRACE("SIGTERM after " + std::to_string(changes) + " changes");
    std::ofstream(target, std::ios::binary | std::ios::trunc) << previous;
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, output().c_str(),
                                  IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO),
              0);
    HostProcess host(renderArguments(target, containers()), scratch_.root());
    // The host makes at least four changes (create, write, close, rename).
    int seen = 0;
    alignas(inotify_event) char buffer[4096];
    while (seen < changes) {
      pollfd poll{watch, POLLIN, 0};
      const int ready = ::poll(&poll, 1, 20);
      if (ready < 0) break;
      if (ready == 0) {
        // No change yet: stop waiting only if the host has ended (it is reaped later).
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(host.pid()), &info, WEXITED | WNOHANG | WNOWAIT) ==
                0 &&
            info.si_pid == host.pid()) {
          break;
        }
        continue;
      }
      const ssize_t got = ::read(watch, buffer, sizeof buffer);
      if (got <= 0) break;
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        ++seen;
      }
    }
    ::kill(host.pid(), SIGTERM);
    const Ending ending = host.wait();
    ::close(watch);
    RecordProperty("after_" + std::to_string(changes), ending.exited ? "finished" : "terminated");

    EXPECT_TRUE(ending.status == 128 + SIGTERM || (ending.exited && ending.status == 0))
        << ending.status << "\n"
        << ending.err;
    const std::string now = readText(target);
    EXPECT_TRUE(now == previous || isWholePng(now)) << now.size() << " bytes at the path";
    if (ending.exited) {
      EXPECT_TRUE(isWholePng(now)) << "success reported but the picture is not there";
    }
    EXPECT_EQ(namesIn(output()), std::vector<std::string>{"widget.png"})
        << ::testing::PrintToString(namesIn(output()));
  }
}

}  // namespace
