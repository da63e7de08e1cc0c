#pragma once

#include <compare>

namespace foundation {

// Seconds between the Unix epoch and the reference date, 2001-01-01T00:00:00Z.
inline constexpr double kTimeIntervalSince1970OfReferenceDate = 978307200.0;

// A point in absolute time, kept as the platform keeps it: a 64-bit floating-point count of
// seconds since 2001-01-01T00:00:00Z. Any stored date (year 1, year 9999, sub-second, NaN)
// is carried bit for bit.
struct Date {
  double timeIntervalSinceReferenceDate = 0.0;

  // The current time, from the clock in force on this thread (see Clock).
  static Date now();

  constexpr Date addingTimeInterval(double seconds) const {
    return Date{timeIntervalSinceReferenceDate + seconds};
  }
  constexpr double timeIntervalSince1970() const {
    return timeIntervalSinceReferenceDate + kTimeIntervalSince1970OfReferenceDate;
  }
  static constexpr Date fromTimeIntervalSince1970(double seconds) {
    return Date{seconds - kTimeIntervalSince1970OfReferenceDate};
  }

  // IEEE comparison: a NaN date is unordered and equal to nothing, itself included.
  friend constexpr bool operator==(Date, Date) = default;
  friend constexpr std::partial_ordering operator<=>(Date, Date) = default;
};

// Where Date::now() reads the time. The system clock unless a test installs its own with
// ScopedClock; the substitution is per thread, so tests on other threads are unaffected.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date now() = 0;
};

// Installs `clock` for Date::now() on the calling thread for the lifetime of this object.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// A clock for tests: stands still until advanced, and counts how often it was read.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(Date start = Date{}) : now_(start) {}
  Date now() override {
    ++reads_;
    return now_;
  }
  void advance(double seconds) { now_ = now_.addingTimeInterval(seconds); }
  void set(Date date) { now_ = date; }
  int reads() const { return reads_; }

 private:
  Date now_;
  int reads_ = 0;
};

}  // namespace foundation
