#include "preview/bounded_task_queue.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace {

// A connection never waits behind a busy one while the bound allows another thread: a slow
// client would otherwise hold up whoever came after it.
TEST(BoundedTaskQueue, AJobNeverWaitsBehindABusyThreadWhileTheBoundAllowsAnother) {
  preview::BoundedTaskQueue queue(4);
  std::promise<void> firstDone;
  queue.enqueue([&] { firstDone.set_value(); });
  firstDone.get_future().wait();
  // Its thread is idle now (or about to be): the next two jobs come at once, the first of them
  // slow.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> quickDone;
  queue.enqueue([released] { released.wait(); });
  queue.enqueue([&] { quickDone.set_value(); });
  const bool quick =
      quickDone.get_future().wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  release.set_value();
  EXPECT_TRUE(quick) << "the second job waited for the slow one";
  EXPECT_LE(queue.threadCount(), 4u);
}

// Never more threads than the bound: the rest wait their turn, and every job runs.
TEST(BoundedTaskQueue, KeepsToItsBoundAndRunsEveryJob) {
  std::atomic<int> ran{0};
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  {
    preview::BoundedTaskQueue queue(3);
    for (int i = 0; i < 30; ++i) {
      queue.enqueue([&] {
        const int now = running.fetch_add(1) + 1;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        running.fetch_sub(1);
        ran.fetch_add(1);
      });
    }
    while (ran.load() < 30) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(ran.load(), 30);
  EXPECT_LE(most.load(), 3);
}

}  // namespace
