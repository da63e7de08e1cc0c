#pragma once

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

#include "support/temporary_containers.hpp"

namespace support {

// Keeps rewriting a file, alternating between versions, from its own thread until it goes:
// replaced whole by rename, as the containing app does, or truncated and rewritten in place in
// small pieces, as a careless writer does, so that readers meet it empty, half-written and whole.
class StoreWriter {
 public:
  enum class How { rename, inPlace };

  StoreWriter(const std::filesystem::path& path, std::vector<Bytes> versions, How how)
      : thread_([this, path, how, versions = std::move(versions)] {
          const std::filesystem::path temporary = path.string() + ".new";
          for (std::size_t i = 1; !stop_.load(); ++i) {
            const Bytes& bytes = versions[i % versions.size()];
            if (how == How::rename) {
              writeFile(temporary, bytes);
              std::filesystem::rename(temporary, path);
            } else {
              std::ofstream out(path, std::ios::binary | std::ios::trunc);
              for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
                out.write(reinterpret_cast<const char*>(&bytes[at]),
                          static_cast<std::streamsize>(std::min(kPiece, bytes.size() - at)));
                out.flush();
              }
            }
            writes_.fetch_add(1);
          }
        }) {}
  ~StoreWriter() {
    stop_.store(true);
    thread_.join();
  }
  StoreWriter(const StoreWriter&) = delete;
  StoreWriter& operator=(const StoreWriter&) = delete;

  // Waits (without a deadline) until the file has been written `count` more times.
  void awaitWrites(long count) const {
    const long target = writes_.load() + count;
    while (writes_.load() < target) std::this_thread::yield();
  }

 private:
  static constexpr std::size_t kPiece = 64 << 10;
  std::atomic<bool> stop_{false};
  std::atomic<long> writes_{0};
  std::thread thread_;
};

}  // namespace support
