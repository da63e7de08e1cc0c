#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include <httplib.h>

namespace preview {

// The server's connections run on at most `maxThreads` threads, started as connections come and
// ended after a while without work, so a page that goes away leaves no thread behind. When every
// thread is busy and `maxWaiting` connections already wait, the accepting thread serves the next
// one itself: it accepts nothing meanwhile, and the system's listen queue holds the rest.
class BoundedTaskQueue final : public httplib::TaskQueue {
 public:
  BoundedTaskQueue(std::size_t maxThreads, std::size_t maxWaiting,
                   std::chrono::seconds idleExit = std::chrono::seconds(10));
  ~BoundedTaskQueue() override;

  void enqueue(std::function<void()> job) override;
  void shutdown() override;

  // Threads alive now, for the load script's figures.
  std::size_t threadCount() const;

 private:
  struct Worker {
    std::thread thread;
    bool finished = false;
  };
  void work(Worker& self);
  void reapFinished();

  const std::size_t maxThreads_;
  const std::size_t maxWaiting_;
  const std::chrono::seconds idleExit_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::list<Worker> workers_;
  std::size_t idle_ = 0;
  std::size_t alive_ = 0;
  bool stopping_ = false;
};

}  // namespace preview
