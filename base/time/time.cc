// Copyright 2026 Velta Software. All rights reserved.

#include "base/time/time.h"

#include <windows.h>

#include <ostream>

namespace base {
namespace {

bool ExplodedToSystemTime(const Time::Exploded& exploded, SYSTEMTIME* st) {
  if (!exploded.HasValidValues())
    return false;
  st->wYear = static_cast<WORD>(exploded.year);
  st->wMonth = static_cast<WORD>(exploded.month);
  st->wDayOfWeek = static_cast<WORD>(exploded.day_of_week);
  st->wDay = static_cast<WORD>(exploded.day_of_month);
  st->wHour = static_cast<WORD>(exploded.hour);
  st->wMinute = static_cast<WORD>(exploded.minute);
  st->wSecond = static_cast<WORD>(exploded.second);
  st->wMilliseconds = static_cast<WORD>(exploded.millisecond);
  return true;
}

void SystemTimeToExploded(const SYSTEMTIME& st, Time::Exploded* exploded) {
  exploded->year = st.wYear;
  exploded->month = st.wMonth;
  exploded->day_of_week = st.wDayOfWeek;
  exploded->day_of_month = st.wDay;
  exploded->hour = st.wHour;
  exploded->minute = st.wMinute;
  exploded->second = st.wSecond;
  exploded->millisecond = st.wMilliseconds;
}

FILETIME ValueToFileTime(uint64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

uint64_t FileTimeToValue(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// True when `time` explodes back to the same calendar fields: the system's
// conversion does not always refuse a day that does not exist (Wine turns
// 30 February into 2 March), so a changed date means the input was invalid.
bool ExplodesBackTo(const Time& time, const Time::Exploded& exploded, bool local) {
  Time::Exploded back;
  if (local)
    time.LocalExplode(&back);
  else
    time.UTCExplode(&back);
  return back.year == exploded.year && back.month == exploded.month &&
         back.day_of_month == exploded.day_of_month && back.hour == exploded.hour &&
         back.minute == exploded.minute && back.second == exploded.second;
}

}  // namespace

bool Time::Exploded::HasValidValues() const {
  return year >= 1601 && year <= 30827 && month >= 1 && month <= 12 && day_of_week >= 0 &&
         day_of_week <= 6 && day_of_month >= 1 && day_of_month <= 31 && hour >= 0 &&
         hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59 &&
         millisecond >= 0 && millisecond <= 999;
}

// static
Time Time::Now() {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  return FromFileTime(ft);
}

// static
Time Time::FromTimeT(time_t tt) {
  if (tt == 0)
    return Time();
  return Time(static_cast<int64_t>(tt) * kMicrosecondsPerSecond + kTimeTToMicrosecondsOffset);
}

time_t Time::ToTimeT() const {
  if (is_null())
    return 0;
  return static_cast<time_t>((us_ - kTimeTToMicrosecondsOffset) / kMicrosecondsPerSecond);
}

// static
Time Time::FromFileTime(FILETIME ft) {
  return FromFileTimeValue(FileTimeToValue(ft));
}

FILETIME Time::ToFileTime() const {
  return ValueToFileTime(ToFileTimeValue());
}

// static
bool Time::FromUTCExploded(const Exploded& exploded, Time* time) {
  SYSTEMTIME st;
  FILETIME ft;
  if (!ExplodedToSystemTime(exploded, &st) || !::SystemTimeToFileTime(&st, &ft) ||
      !ExplodesBackTo(FromFileTime(ft), exploded, /*local=*/false)) {
    *time = Time();
    return false;
  }
  *time = FromFileTime(ft);
  return true;
}

// static
bool Time::FromLocalExploded(const Exploded& exploded, Time* time) {
  SYSTEMTIME local;
  SYSTEMTIME utc;
  FILETIME ft;
  if (!ExplodedToSystemTime(exploded, &local) ||
      !::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !::SystemTimeToFileTime(&utc, &ft) ||
      !ExplodesBackTo(FromFileTime(ft), exploded, /*local=*/true)) {
    *time = Time();
    return false;
  }
  *time = FromFileTime(ft);
  return true;
}

void Time::UTCExplode(Exploded* exploded) const {
  const FILETIME ft = ToFileTime();
  SYSTEMTIME st = {};
  ::FileTimeToSystemTime(&ft, &st);
  SystemTimeToExploded(st, exploded);
}

void Time::LocalExplode(Exploded* exploded) const {
  const FILETIME ft = ToFileTime();
  SYSTEMTIME utc = {};
  SYSTEMTIME local = {};
  ::FileTimeToSystemTime(&ft, &utc);
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    local = utc;
  SystemTimeToExploded(local, exploded);
}

// static
TimeTicks TimeTicks::Now() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    ::QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  // Split to avoid overflow of counter * 1e6.
  const int64_t whole_seconds = counter.QuadPart / frequency;
  const int64_t remainder = counter.QuadPart % frequency;
  return TimeTicks() + TimeDelta::FromMicroseconds(whole_seconds * 1000000 +
                                                   remainder * 1000000 / frequency);
}

std::ostream& operator<<(std::ostream& os, TimeDelta delta) {
  return os << delta.InSecondsF() << " s";
}

}  // namespace base
