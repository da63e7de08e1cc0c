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
// thread is busy, connections wait their turn in order. The accepting thread never serves one
// itself: a connection may hold its thread for as long as its page is open (the event stream),
// and nothing would be accepted meanwhile. The server's connection limits keep threads free to
// turn away what is over them at once.
class BoundedTaskQueue final : public httplib::TaskQueue {
 public:
  explicit BoundedTaskQueue(std::size_t maxThreads,
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
