#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>

namespace host {

// One line on a terminal that says how far a long run is ("record: 512/1320 cells, 410 a second,
// 2 s left"), redrawn in place at most ten times a second, from whichever thread finished a
// cell. Nothing at all when the stream is not a terminal, so that logs stay clean.
class ProgressLine {
 public:
  ProgressLine(std::ostream& out, bool terminal, std::string label, std::size_t total);
  ~ProgressLine() { finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // One more cell done. Safe from any thread.
  void advance();
  // Erases the line, so that what follows starts on a clean one.
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void draw(std::size_t done);

  std::ostream& out_;
  const bool terminal_;
  const std::string label_;
  const std::size_t total_;
  const Clock::time_point start_ = Clock::now();
  std::atomic<std::size_t> done_{0};
  std::atomic<std::int64_t> nextDraw_{0};  // nanoseconds after start_
  std::mutex mutex_;
  bool drawn_ = false;
};

}  // namespace host
