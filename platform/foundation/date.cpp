#include "foundation/date.hpp"

#include <chrono>

namespace foundation {
namespace {

thread_local Clock* installedClock = nullptr;

Date systemNow() {
  using namespace std::chrono;
  const auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch());
  return Date::fromTimeIntervalSince1970(sinceEpoch.count());
}

}  // namespace

Date Date::now() {
  return installedClock != nullptr ? installedClock->now() : systemNow();
}

ScopedClock::ScopedClock(Clock& clock) : previous_(installedClock) {
  installedClock = &clock;
}
ScopedClock::~ScopedClock() {
  installedClock = previous_;
}

}  // namespace foundation
