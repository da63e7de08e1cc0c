// The host process when its output cannot be written or it is stopped part-way: it never leaves
// a part of a picture at the output path (nor a temporary file beside it), and its exit status
// says what happened. These run the real executable in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kExecutable = POCKETTA_WIDGET_EXECUTABLE;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "pocketta-host-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// How a child process ended.
struct Ending {
  bool exited = false;
  int code = -1;    // when exited
  int signal = 0;   // when killed
  std::string err;  // its standard error
};

// A host process running `arguments`, with `prepare` run in the child just before exec (to
// set limits, signal dispositions or the user), and its standard error kept in a file.
class HostProcess {
 public:
  HostProcess(
      const std::vector<std::string>& arguments, const fs::path& errFile,
      const std::function<bool()>& prepare = [] { return true; })
      : errFile_(errFile) {
    std::vector<std::string> all{kExecutable.string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int null = ::open("/dev/null", O_RDWR);
      if (err < 0 || null < 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(err, 2) < 0 ||
          !prepare()) {
        ::_exit(126);
      }
      std::vector<char*> argv;
      for (auto& argument : all) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  pid_t pid() const { return pid_; }
  Ending wait() {
    Ending ending;
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
      ending.exited = WIFEXITED(status);
      ending.code = ending.exited ? WEXITSTATUS(status) : -1;
      ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    pid_ = -1;
    ending.err = readText(errFile_);
    return ending;
  }
  ~HostProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

 private:
  fs::path errFile_;
  pid_t pid_ = -1;
};

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
    if (!fs::exists(kExecutable)) GTEST_SKIP() << "no host executable at " << kExecutable;
    // An App Group with no store: the widget shows zeros, which is enough to draw.
    const auto preferences = containers() / "group.pocketta.shared" / "Library" / "Preferences";
    fs::create_directories(preferences);
    std::ofstream(preferences / "group.pocketta.shared.plist") << "<plist><dict/></plist>";
    fs::create_directories(output());
  }
  fs::path containers() const { return scratch_.path() / "containers"; }
  fs::path output() const { return scratch_.path() / "out"; }
  fs::path errFile() const { return scratch_.path() / "stderr.txt"; }

  TemporaryFolder scratch_;
};

TEST_F(HostFaultTest, outputFolderThatCannotBeWrittenFailsWithOneLine) {
  const fs::path target = output() / "widget.png";
  // An unprivileged host meets a read-only folder; root writes anywhere, so as root the host
  // runs as "nobody" (and the scratch folder is opened for it to pass through).
  fs::permissions(scratch_.path(), fs::perms::others_exec | fs::perms::group_exec,
                  fs::perm_options::add);
  fs::permissions(containers(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  fs::permissions(output(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
  const bool asRoot = ::geteuid() == 0;
  HostProcess host(renderArguments(target, containers()), errFile(),
                   [asRoot] { return !asRoot || (::setgid(65534) == 0 && ::setuid(65534) == 0); });
  const Ending ending = host.wait();
  if (ending.exited && ending.code == 126) GTEST_SKIP() << "cannot run the host unprivileged";
  EXPECT_TRUE(ending.exited);
  EXPECT_EQ(ending.code, 1) << ending.err;
  EXPECT_NE(ending.err.find("cannot write " + target.string()), std::string::npos) << ending.err;
  EXPECT_EQ(std::count(ending.err.begin(), ending.err.end(), '\n'), 1) << ending.err;
  EXPECT_TRUE(namesIn(output()).empty())
      << "left behind: " << ::testing::PrintToString(namesIn(output()));
}

TEST_F(HostFaultTest, outputFolderThatVanishedFailsOrIsMadeAgain) {
  // A file in a folder that is gone: nothing is made on the way, the run fails.
  fs::remove_all(output());
  const fs::path target = output() / "widget.png";
  Ending ending = HostProcess(renderArguments(target, containers()), errFile()).wait();
  EXPECT_EQ(ending.code, 1) << ending.err;
  EXPECT_NE(ending.err.find("cannot write " + target.string()), std::string::npos) << ending.err;
  EXPECT_FALSE(fs::exists(output()));

  // A folder given as a folder is the host's to make: the pictures land in it whole.
  ending = HostProcess(renderArguments(output().string() + "/", containers()), errFile()).wait();
  EXPECT_EQ(ending.code, 0) << ending.err;
  const auto names = namesIn(output());
  ASSERT_EQ(names.size(), 1u) << ::testing::PrintToString(names);
  EXPECT_TRUE(isWholePng(readText(output() / names.front())));
}

TEST_F(HostFaultTest, diskFullWriteLeavesThePreviousFileAndFails) {
  // The file size limit makes the kernel refuse the write part-way, as a full disk does.
  // With SIGXFSZ ignored the write fails with an error the host must handle.
  const fs::path target = output() / "widget.png";
  const std::string previous = "the picture from before";
  std::ofstream(target, std::ios::binary) << previous;
  HostProcess host(renderArguments(target, containers()), errFile(), [] {
    const rlimit limit{4096, 4096};
    return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
  const Ending ending = host.wait();
  EXPECT_TRUE(ending.exited);
  EXPECT_EQ(ending.code, 1) << ending.err;
  EXPECT_NE(ending.err.find("cannot write " + target.string()), std::string::npos) << ending.err;
  EXPECT_EQ(readText(target), previous) << "the file at the path was touched";
  EXPECT_EQ(namesIn(output()), std::vector<std::string>{"widget.png"})
      << "a temporary file is left";
}

TEST_F(HostFaultTest, fileSizeSignalLeavesNoTemporaryFile) {
  // The same limit with the signal's default action, which would end the process mid-write
  // and leave its temporary file behind.
  const fs::path target = output() / "widget.png";
  HostProcess host(renderArguments(target, containers()), errFile(), [] {
    const rlimit limit{4096, 4096};
    return ::signal(SIGXFSZ, SIG_DFL) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
  const Ending ending = host.wait();
  EXPECT_FALSE(fs::exists(target));
  // The host sets the signal aside itself, so the limit is a write error it reports.
  EXPECT_TRUE(ending.exited && ending.code == 1)
      << "exited " << ending.exited << " code " << ending.code << " signal " << ending.signal;
  EXPECT_NE(ending.err.find("cannot write " + target.string()), std::string::npos) << ending.err;
  EXPECT_TRUE(namesIn(output()).empty())
      << "left behind: " << ::testing::PrintToString(namesIn(output()));
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
    HostProcess host(renderArguments(target, containers()), errFile());
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
    RecordProperty("after_" + std::to_string(changes),
                   ending.signal == SIGTERM ? "terminated" : "finished");

    EXPECT_TRUE(ending.signal == SIGTERM || (ending.exited && ending.code == 0))
        << "exited " << ending.exited << " code " << ending.code << " signal " << ending.signal
        << "\n"
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
