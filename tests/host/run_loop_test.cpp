#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "host/run_loop.hpp"
#include "simulated_sleeper.hpp"

namespace {

using foundation::Date;
using host::TimelineReloadPolicy;
using hosttest::SimulatedSleeper;

host::AnyEntry entryAt(double seconds, double value) {
  host::AnyEntry entry;
  entry.date = Date{seconds};
  entry.fields = {{"value", value}};
  return entry;
}

// A run of the loop on a simulated clock starting at `start`, recording when each request came
// and the value of each entry shown.
struct Simulation {
  explicit Simulation(double start) : clock(Date{start}), scoped(clock), sleeper(clock) {}

  int run(std::function<host::AnyTimeline(Date now)> answer, int reloads = 3) {
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
          return std::nullopt;
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
  // One line per request, with its time, entry and next reload.
  Simulation simulation(1000);
  simulation.run(cases[0].answer, 2);
  EXPECT_EQ(simulation.log.str(),
            "2001-01-01T00:16:40.000Z  request 1: entry 2001-01-01T00:16:40.000Z  value 1; "
            "next reload: after 2001-01-01T00:31:40.000Z\n"
            "2001-01-01T00:31:40.000Z  request 2: entry 2001-01-01T00:31:40.000Z  value 1; "
            "next reload: none (last request)\n");
}

TEST(RunLoop, aFailureToShowEndsTheLoopWithStatusOne) {
  foundation::ManualClock clock(Date{0});
  const foundation::ScopedClock scoped(clock);
  SimulatedSleeper sleeper(clock);
  std::ostringstream log;
  const int status = host::runLoop(
      [] {
        return std::optional<host::AnyTimeline>(
            host::AnyTimeline{{entryAt(0, 1)}, TimelineReloadPolicy::after(Date{900})});
      },
      [](const host::AnyEntry&) { return std::optional<std::string>("cannot write out/x.png"); },
      sleeper, log, {});
  EXPECT_EQ(status, 1);
  EXPECT_NE(log.str().find("cannot write out/x.png"), std::string::npos);
  EXPECT_TRUE(sleeper.waits.empty());
}

}  // namespace
