#include "host/progress_line.hpp"

#include <cmath>

namespace host {
namespace {

constexpr std::int64_t kRedrawNanoseconds = 100'000'000;

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool terminal, std::string label, std::size_t total)
    : out_(out), terminal_(terminal), label_(std::move(label)), total_(total) {}

void ProgressLine::advance() {
  const std::size_t done = ++done_;
  if (!terminal_) return;
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count();
  std::int64_t next = nextDraw_.load(std::memory_order_relaxed);
  // Whoever moves the next drawing time on draws; the others go back to work at once.
  if (now < next || !nextDraw_.compare_exchange_strong(next, now + kRedrawNanoseconds)) return;
  draw(done);
}

void ProgressLine::draw(std::size_t done) {
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  std::string line = label_ + ": " + std::to_string(done) + "/" + std::to_string(total_) +
                     " cells, " + std::to_string(static_cast<long long>(std::lround(rate))) +
                     " a second";
  if (rate > 0 && done < total_) {
    const auto left = static_cast<long long>(std::ceil(static_cast<double>(total_ - done) / rate));
    line += ", " + std::to_string(left) + " s left";
  }
  std::lock_guard lock(mutex_);
  // Carriage return, the line, then erase what a longer line before it left.
  out_ << "\r" << line << "\x1b[K" << std::flush;
  drawn_ = true;
}

void ProgressLine::finish() {
  std::lock_guard lock(mutex_);
  if (!drawn_) return;
  out_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}

}  // namespace host
