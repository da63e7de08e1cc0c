#pragma once

#include <pthread.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/temporary_containers.hpp"

// Watches on what a test may not see from its results alone: the memory the process took, the
// files it must not have touched, and the stack it ran on.
namespace support {

// The peak resident memory of this process since the probe was made, less what was resident
// then, in KiB. Linux resets the peak on request (clear_refs "5"), so earlier work in the same
// process does not hide a later growth. Nothing under a sanitizer, whose shadow memory it would
// see, nor where the peak cannot be reset.
class PeakMemoryProbe {
 public:
  PeakMemoryProbe() {
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5" << std::flush;
    if (reset.good()) baseline_ = field("VmRSS:");
  }
  std::optional<long> growthKiB() const {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return std::nullopt;
#else
    const long peak = field("VmHWM:");
    if (baseline_ <= 0 || peak <= 0) return std::nullopt;
    return peak - baseline_;
#endif
  }
  static constexpr long kMiB = 1024;  // in KiB, the probe's unit

 private:
  static long field(const std::string& name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind(name, 0) == 0) return std::stol(line.substr(name.size()));
    }
    return -1;
  }
  long baseline_ = -1;
};

// The bytes (of a small regular file), mode and modification time of a file.
struct FileRecord {
  Bytes bytes;
  mode_t mode = 0;
  long seconds = 0, nanoseconds = 0;
  friend bool operator==(const FileRecord&, const FileRecord&) = default;

  static std::optional<FileRecord> of(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    FileRecord record{{}, status.st_mode, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
    if (S_ISREG(status.st_mode) && status.st_size < (1 << 20)) record.bytes = readFile(path);
    return record;
  }
};

// Runs `body` on a thread with a 256 KiB stack, a fraction of what a recursive reader would need
// for a deeply nested file, and waits for it.
inline void onSmallStack(const std::function<void()>& body) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 << 10);
  pthread_t thread;
  const auto run = [](void* argument) -> void* {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
  };
  const int started =
      pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&body));
  pthread_attr_destroy(&attributes);
  if (started != 0) throw std::runtime_error("cannot start a thread with a small stack");
  pthread_join(thread, nullptr);
}

}  // namespace support
