// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TIME_TIME_H_
#define BASE_TIME_TIME_H_

#include <stdint.h>
#include <time.h>

#include <iosfwd>
#include <compare>
#include <limits>

struct _FILETIME;

namespace base {

// A span of time in microseconds.
class TimeDelta {
 public:
  constexpr TimeDelta() = default;

  static constexpr TimeDelta FromDays(int64_t days) { return TimeDelta(days * 86400000000LL); }
  static constexpr TimeDelta FromHours(int64_t hours) { return TimeDelta(hours * 3600000000LL); }
  static constexpr TimeDelta FromMinutes(int64_t minutes) { return TimeDelta(minutes * 60000000LL); }
  static constexpr TimeDelta FromSeconds(int64_t seconds) { return TimeDelta(seconds * 1000000LL); }
  static constexpr TimeDelta FromMilliseconds(int64_t ms) { return TimeDelta(ms * 1000LL); }
  static constexpr TimeDelta FromMicroseconds(int64_t us) { return TimeDelta(us); }
  static constexpr TimeDelta FromSecondsD(double seconds) {
    return TimeDelta(static_cast<int64_t>(seconds * 1000000.0));
  }
  static constexpr TimeDelta Max() { return TimeDelta(std::numeric_limits<int64_t>::max()); }
  static constexpr TimeDelta Min() { return TimeDelta(std::numeric_limits<int64_t>::min()); }

  constexpr bool is_zero() const { return delta_ == 0; }
  constexpr bool is_max() const { return delta_ == std::numeric_limits<int64_t>::max(); }

  constexpr int InDays() const { return static_cast<int>(delta_ / 86400000000LL); }
  constexpr int InHours() const { return static_cast<int>(delta_ / 3600000000LL); }
  constexpr int InMinutes() const { return static_cast<int>(delta_ / 60000000LL); }
  constexpr int64_t InSeconds() const { return delta_ / 1000000LL; }
  constexpr double InSecondsF() const { return static_cast<double>(delta_) / 1000000.0; }
  constexpr int64_t InMilliseconds() const { return delta_ / 1000LL; }
  // Rounded up: a wait of this many milliseconds is never too short.
  constexpr int64_t InMillisecondsRoundedUp() const {
    return delta_ <= 0 ? delta_ / 1000 : (delta_ + 999) / 1000;
  }
  constexpr double InMillisecondsF() const { return static_cast<double>(delta_) / 1000.0; }
  constexpr int64_t InMicroseconds() const { return delta_; }

  constexpr TimeDelta operator+(TimeDelta other) const { return TimeDelta(delta_ + other.delta_); }
  constexpr TimeDelta operator-(TimeDelta other) const { return TimeDelta(delta_ - other.delta_); }
  constexpr TimeDelta operator-() const { return TimeDelta(-delta_); }
  TimeDelta& operator+=(TimeDelta other) { delta_ += other.delta_; return *this; }
  TimeDelta& operator-=(TimeDelta other) { delta_ -= other.delta_; return *this; }
  constexpr TimeDelta operator*(int64_t a) const { return TimeDelta(delta_ * a); }
  constexpr TimeDelta operator/(int64_t a) const { return TimeDelta(delta_ / a); }
  constexpr int64_t operator/(TimeDelta a) const { return delta_ / a.delta_; }

  constexpr auto operator<=>(const TimeDelta&) const = default;

 private:
  constexpr explicit TimeDelta(int64_t delta_us) : delta_(delta_us) {}
  int64_t delta_ = 0;
};

constexpr TimeDelta operator*(int64_t a, TimeDelta td) { return td * a; }

// A point on the wall clock, in microseconds since 1601-01-01 UTC (the
// Windows epoch, so file times convert exactly). Zero is the null time.
class Time {
 public:
  static constexpr int64_t kMicrosecondsPerSecond = 1000000;
  // Microseconds between 1601-01-01 and 1970-01-01.
  static constexpr int64_t kTimeTToMicrosecondsOffset = 11644473600000000LL;

  // Broken-down time. `month` 1-12, `day_of_week` 0 (Sunday) to 6,
  // `day_of_month` 1-31.
  struct Exploded {
    int year = 0;
    int month = 0;
    int day_of_week = 0;
    int day_of_month = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    // True when the fields are in range (not whether the day exists).
    bool HasValidValues() const;
  };

  constexpr Time() = default;

  static Time Now();
  static constexpr Time UnixEpoch() { return Time(kTimeTToMicrosecondsOffset); }
  static constexpr Time FromDeltaSinceWindowsEpoch(TimeDelta delta) {
    return Time(delta.InMicroseconds());
  }
  constexpr TimeDelta ToDeltaSinceWindowsEpoch() const {
    return TimeDelta::FromMicroseconds(us_);
  }

  static Time FromTimeT(time_t tt);
  time_t ToTimeT() const;
  static Time FromFileTime(_FILETIME ft);
  _FILETIME ToFileTime() const;
  // The 64-bit count of 100 ns intervals that FILETIME holds.
  static constexpr Time FromFileTimeValue(uint64_t value) {
    return Time(static_cast<int64_t>(value / 10));
  }
  constexpr uint64_t ToFileTimeValue() const { return static_cast<uint64_t>(us_) * 10; }

  // False (and the null time) for values out of range or a day that does not
  // exist.
  static bool FromUTCExploded(const Exploded& exploded, Time* time);
  static bool FromLocalExploded(const Exploded& exploded, Time* time);
  void UTCExplode(Exploded* exploded) const;
  void LocalExplode(Exploded* exploded) const;

  constexpr bool is_null() const { return us_ == 0; }

  constexpr Time operator+(TimeDelta delta) const { return Time(us_ + delta.InMicroseconds()); }
  constexpr Time operator-(TimeDelta delta) const { return Time(us_ - delta.InMicroseconds()); }
  constexpr TimeDelta operator-(Time other) const {
    return TimeDelta::FromMicroseconds(us_ - other.us_);
  }
  Time& operator+=(TimeDelta delta) { us_ += delta.InMicroseconds(); return *this; }
  Time& operator-=(TimeDelta delta) { us_ -= delta.InMicroseconds(); return *this; }
  constexpr auto operator<=>(const Time&) const = default;

 private:
  constexpr explicit Time(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

// A monotonic clock for measuring intervals; not related to the wall clock.
// Zero is the null value.
class TimeTicks {
 public:
  constexpr TimeTicks() = default;
  static TimeTicks Now();

  constexpr bool is_null() const { return us_ == 0; }
  constexpr TimeDelta since_origin() const { return TimeDelta::FromMicroseconds(us_); }

  constexpr TimeTicks operator+(TimeDelta delta) const {
    return TimeTicks(us_ + delta.InMicroseconds());
  }
  constexpr TimeTicks operator-(TimeDelta delta) const {
    return TimeTicks(us_ - delta.InMicroseconds());
  }
  constexpr TimeDelta operator-(TimeTicks other) const {
    return TimeDelta::FromMicroseconds(us_ - other.us_);
  }
  TimeTicks& operator+=(TimeDelta delta) { us_ += delta.InMicroseconds(); return *this; }
  constexpr auto operator<=>(const TimeTicks&) const = default;

 private:
  constexpr explicit TimeTicks(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

std::ostream& operator<<(std::ostream& os, TimeDelta delta);

}  // namespace base

#endif  // BASE_TIME_TIME_H_
