#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "host/run_loop.hpp"
#include "host/sleeper.hpp"

namespace {

using foundation::Date;
using host::TimelineReloadPolicy;

host::AnyEntry entryAt(double seconds, double value) {
  host::AnyEntry entry;
  entry.date = Date{seconds};
  entry.fields = {{"value", value}};
  return entry;
}

// Waits by moving the test's clock to the deadline, so no test sleeps; an endless wait is a
// stop, and so is the fiftieth, which keeps a loop that never ends from hanging its test.
struct SimulatedSleeper final : host::Sleeper {
  explicit SimulatedSleeper(foundation::ManualClock& clock) : clock(clock) {}
  bool sleepUntil(Date deadline) override {
    ++waits;
    if (!std::isfinite(deadline.timeIntervalSinceReferenceDate)) return false;
    if (clock.now() < deadline) clock.set(deadline);
    return waits < 50;
  }
  foundation::ManualClock& clock;
  int waits = 0;
};

// A run of the loop on a simulated clock starting at `start`, recording when each request came
// and the value of each entry shown.
struct Simulation {
  explicit Simulation(double start) : clock(Date{start}), scoped(clock), sleeper(clock) {}

  int run(std::function<host::AnyTimeline(Date now)> answer, int reloads = 3,
          std::optional<std::string> showError = std::nullopt) {
    host::RunLoopOptions options;
    options.reloads = reloads;
    return host::runLoop(
        [&]() -> std::optional<host::AnyTimeline> {
          const Date now = Date::now();
          requestTimes.push_back(now.timeIntervalSinceReferenceDate);
          return answer(now);
        },
        [&](const host::AnyEntry& entry) -> std::optional<std::string> {
          shown.push_back(entry.fields.at(0).value);
          return showError;
        },
        sleeper, log, options);
  }

  foundation::ManualClock clock;
  const foundation::ScopedClock scoped;
  SimulatedSleeper sleeper;
  std::ostringstream log;
  std::vector<double> requestTimes;
  std::vector<double> shown;
};

TEST(RunLoop, followsEachPolicyKind) {
  struct Case {
    const char* name;
    std::function<host::AnyTimeline(Date)> answer;
    std::vector<double> requestTimes;
    std::vector<double> shown;
  };
  const Case cases[] = {
      {"after 900 seconds",
       [](Date now) {
         return host::AnyTimeline{{entryAt(now.timeIntervalSinceReferenceDate, 1)},
                                  TimelineReloadPolicy::after(now.addingTimeInterval(900))};
       },
       {0, 900, 1800},
       {1, 1, 1}},
      // atEnd: the entries show in turn, and the request comes when the last entry's date
      // comes; the last request ends the loop once it has shown its entry.
      {"atEnd",
       [](Date now) {
         const double t = now.timeIntervalSinceReferenceDate;
         return host::AnyTimeline{{entryAt(t, 1), entryAt(t + 60, 2), entryAt(t + 120, 3)},
                                  TimelineReloadPolicy::atEnd()};
       },
       {0, 120, 240},
       {1, 2, 1, 2, 1}},
      // never: one request, then a wait without end, which the simulated sleeper ends.
      {"never",
       [](Date now) {
         return host::AnyTimeline{{entryAt(now.timeIntervalSinceReferenceDate, 5)},
                                  TimelineReloadPolicy::never()};
       },
       {0},
       {5}},
      // A reload date in the past is held back by the minimum interval, never a spin.
      {"after a past date",
       [](Date now) {
         return host::AnyTimeline{{entryAt(0, 4)},
                                  TimelineReloadPolicy::after(now.addingTimeInterval(-500))};
       },
       {0, 1, 2},
       {4, 4, 4}},
      // A NaN reload date is never reached.
      {"after NaN",
       [](Date) {
         return host::AnyTimeline{{entryAt(0, 6)}, TimelineReloadPolicy::after(Date{std::nan("")})};
       },
       {0},
       {6}},
      // An entry in the future shows first, and the later one when its date comes.
      {"future entries",
       [](Date now) {
         const double t = now.timeIntervalSinceReferenceDate;
         return host::AnyTimeline{{entryAt(t + 10, 7), entryAt(t + 20, 8)},
                                  TimelineReloadPolicy::after(now.addingTimeInterval(30))};
       },
       {0, 30, 60},
       {7, 8, 7, 8, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Simulation simulation(0);
    EXPECT_EQ(simulation.run(c.answer), 0);
    EXPECT_EQ(simulation.requestTimes, c.requestTimes);
    EXPECT_EQ(simulation.shown, c.shown);
  }
  // A failure to show ends the loop at once with status 1, saying why.
  Simulation failing(0);
  EXPECT_EQ(failing.run(cases[0].answer, 3, "cannot write out/x.png"), 1);
  EXPECT_NE(failing.log.str().find("cannot write out/x.png"), std::string::npos);
  EXPECT_EQ(failing.sleeper.waits, 0);
}

}  // namespace
