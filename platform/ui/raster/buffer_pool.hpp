#pragma once

// Private to the ui library.

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace ui::detail {

// Picture-sized buffers kept from one picture to the next rather than per thread, since the
// threads that draw come and go with the pictures; allocating them afresh costs more than
// drawing (the kernel maps and clears new pages each time). Thread-safe.
template <class Buffers>
class BufferPool {
 public:
  std::unique_ptr<Buffers> take() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return std::make_unique<Buffers>();
    std::unique_ptr<Buffers> buffers = std::move(free_.back());
    free_.pop_back();
    return buffers;
  }
  void give(std::unique_ptr<Buffers> buffers) {
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(buffers));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Buffers>> free_;
};

}  // namespace ui::detail
