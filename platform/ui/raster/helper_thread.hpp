#pragma once

// Private to the ui library: a thread that starts at once on another CPU.

#include <pthread.h>

#include <functional>

namespace ui::detail {

// Runs `work` on a thread of its own, started on a CPU other than the caller's where the process
// may use one. A new thread is otherwise queued on its creator's CPU, and while the creator keeps
// that CPU busy (as a render does) it waits for the scheduler to move it: measured here, about
// 3 ms with the other CPU idle, against 70 us placed. Once running, the thread may use every CPU
// the process may. Joined when destroyed. Throws std::system_error when no thread can be had.
class HelperThread {
 public:
  explicit HelperThread(std::function<void()> work);
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

 private:
  pthread_t thread_{};
};

}  // namespace ui::detail
