// Copyright 2026 Velta Software. All rights reserved.

#include "base/time/time.h"

#include <windows.h>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(TimeDeltaTest, UnitsConvertAndRoundUpForWaits) {
  EXPECT_EQ(90, TimeDelta::FromMinutes(1).InSeconds() + TimeDelta::FromSeconds(30).InSeconds());
  EXPECT_EQ(1500, TimeDelta::FromSecondsD(1.5).InMilliseconds());
  EXPECT_EQ(2, TimeDelta::FromMicroseconds(1001).InMillisecondsRoundedUp());
  EXPECT_EQ(1, TimeDelta::FromMicroseconds(1001).InMilliseconds());
  EXPECT_EQ(0, TimeDelta().InMillisecondsRoundedUp());
  EXPECT_TRUE(TimeDelta::Max().is_max());
  EXPECT_LT(TimeDelta::FromMilliseconds(999), TimeDelta::FromSeconds(1));
}

TEST(TimeTest, FileTimeRoundTripsExactly) {
  // 2026-12-06 12:34:56.789 UTC in 100 ns units; microseconds survive.
  const uint64_t value = 134096000967890000ULL;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  const Time time = Time::FromFileTime(ft);
  const FILETIME back = time.ToFileTime();
  EXPECT_EQ(ft.dwLowDateTime, back.dwLowDateTime);
  EXPECT_EQ(ft.dwHighDateTime, back.dwHighDateTime);
  EXPECT_EQ(value, time.ToFileTimeValue());
}

TEST(TimeTest, ExplodedUtcRoundTripAndInvalidDays) {
  Time::Exploded exploded;
  exploded.year = 2024;
  exploded.month = 2;
  exploded.day_of_month = 29;
  exploded.hour = 23;
  exploded.minute = 59;
  exploded.second = 58;
  exploded.millisecond = 123;
  Time time;
  ASSERT_TRUE(Time::FromUTCExploded(exploded, &time));
  Time::Exploded back;
  time.UTCExplode(&back);
  EXPECT_EQ(2024, back.year);
  EXPECT_EQ(2, back.month);
  EXPECT_EQ(29, back.day_of_month);
  EXPECT_EQ(4, back.day_of_week);  // a Thursday
  EXPECT_EQ(123, back.millisecond);

  exploded.year = 2023;  // no 29 February
  EXPECT_FALSE(Time::FromUTCExploded(exploded, &time));
  EXPECT_TRUE(time.is_null());
  exploded.year = 2024;
  exploded.month = 13;
  EXPECT_FALSE(Time::FromUTCExploded(exploded, &time));
}

TEST(TimeTest, TimeTAndUnixEpoch) {
  EXPECT_EQ(0, Time::UnixEpoch().ToTimeT() - 0);
  EXPECT_EQ(1700000000, Time::FromTimeT(1700000000).ToTimeT());
  EXPECT_EQ(TimeDelta::FromSeconds(1700000000), Time::FromTimeT(1700000000) - Time::UnixEpoch());
  const Time now = Time::Now();
  EXPECT_GT(now, Time::FromTimeT(1700000000));
}

TEST(TimeTicksTest, NeverGoesBackwards) {
  TimeTicks previous = TimeTicks::Now();
  for (int i = 0; i < 1000; ++i) {
    const TimeTicks now = TimeTicks::Now();
    ASSERT_GE(now, previous);
    previous = now;
  }
  EXPECT_FALSE(previous.is_null());
}

}  // namespace
}  // namespace base
