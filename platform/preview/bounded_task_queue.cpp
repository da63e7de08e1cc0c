#include "preview/bounded_task_queue.hpp"

namespace preview {

BoundedTaskQueue::BoundedTaskQueue(std::size_t maxThreads, std::chrono::seconds idleExit)
    : maxThreads_(maxThreads), idleExit_(idleExit) {}

BoundedTaskQueue::~BoundedTaskQueue() {
  shutdown();
}

void BoundedTaskQueue::enqueue(std::function<void()> job) {
  std::unique_lock lock(mutex_);
  reapFinished();
  if (stopping_) return;
  jobs_.push_back(std::move(job));
  // An idle thread takes a waiting job once woken, and counts as idle until then: a job beyond
  // what the idle threads will take gets a thread of its own, or it would wait for a busy one,
  // which a slow client may hold for seconds.
  if (jobs_.size() > idle_ && alive_ < maxThreads_) {
    ++alive_;
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread([this, &worker] { work(worker); });
    return;
  }
  wake_.notify_one();
}

void BoundedTaskQueue::work(Worker& self) {
  std::unique_lock lock(mutex_);
  while (true) {
    if (jobs_.empty()) {
      if (stopping_) break;
      ++idle_;
      const bool woke =
          wake_.wait_for(lock, idleExit_, [this] { return stopping_ || !jobs_.empty(); });
      --idle_;
      if (!woke) break;
      continue;
    }
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
  --alive_;
  self.finished = true;
}

void BoundedTaskQueue::reapFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->finished) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void BoundedTaskQueue::shutdown() {
  std::list<Worker> workers;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    workers.splice(workers.end(), workers_);
  }
  for (auto& worker : workers) {
    if (worker.thread.joinable()) worker.thread.join();
  }
}

std::size_t BoundedTaskQueue::threadCount() const {
  std::lock_guard lock(mutex_);
  return alive_;
}

}  // namespace preview
