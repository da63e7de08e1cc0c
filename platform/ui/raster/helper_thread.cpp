#include "ui/raster/helper_thread.hpp"

#include <sched.h>

#include <memory>
#include <system_error>
#include <utility>

namespace ui::detail {

namespace {

struct Start {
  std::function<void()> work;
  cpu_set_t allowed;  // the process's CPUs, given back once the thread runs
};

extern "C" void* runHelper(void* argument) {
  std::unique_ptr<Start> start(static_cast<Start*>(argument));
  pthread_setaffinity_np(pthread_self(), sizeof start->allowed, &start->allowed);
  start->work();
  return nullptr;
}

}  // namespace

HelperThread::HelperThread(std::function<void()> work) {
  auto start = std::make_unique<Start>(Start{std::move(work), {}});
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  if (sched_getaffinity(0, sizeof start->allowed, &start->allowed) == 0) {
    cpu_set_t others = start->allowed;
    const int current = sched_getcpu();
    if (current >= 0) CPU_CLR(current, &others);
    if (CPU_COUNT(&others) > 0) pthread_attr_setaffinity_np(&attributes, sizeof others, &others);
  } else {
    CPU_ZERO(&start->allowed);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) CPU_SET(cpu, &start->allowed);
  }
  const int error = pthread_create(&thread_, &attributes, runHelper, start.get());
  pthread_attr_destroy(&attributes);
  if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_create");
  start.release();  // the thread owns it now
}

HelperThread::~HelperThread() {
  pthread_join(thread_, nullptr);
}

}  // namespace ui::detail
