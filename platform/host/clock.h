// The clock of the host: wall-clock "now", local calendar time, a monotonic
// millisecond clock and sleeping.
//
// Every reading of the time in the framework goes through the one installed
// ClockSource, so a test (or the headless window system) installs a
// ManualClock and fixes "today" and "now"; waits ask the source to sleep, and
// a manual clock simply advances. The system source reads CLOCK_REALTIME and
// CLOCK_MONOTONIC (never CPU time); its monotonic origin is the moment the
// program started. Local time follows the TZ environment variable.
//
// Single-threaded like the rest of the framework. No errors: a time the C
// library cannot convert leaves the LocalTime zeroed and answers false.
#pragma once
#include <cstdint>

class ClockSource {
 public:
  virtual ~ClockSource() = default;
  virtual int64_t NowMs() = 0;        // milliseconds since 1970-01-01 00:00 UTC
  virtual int64_t MonotonicMs() = 0;  // never goes back; origin fixed per source
  virtual void SleepMs(int64_t ms) = 0;
};

// The source every reading uses: the system clock unless one is installed.
ClockSource& ClockCurrent();
// Installs a source (nullptr restores the system clock); returns the previous
// one, or nullptr when that was the system clock.
ClockSource* ClockInstall(ClockSource* source);

inline int64_t ClockNowMs() { return ClockCurrent().NowMs(); }
inline int64_t ClockMonotonicMs() { return ClockCurrent().MonotonicMs(); }
inline void ClockSleepMs(int64_t ms) { ClockCurrent().SleepMs(ms); }

// A broken-down local time: month 1-12, day 1-31.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Local calendar time of a count of seconds since 1970 (TZ honoured).
bool ClockLocalTime(int64_t unixSeconds, LocalTime* out);
// Seconds since 1970 of a local calendar time (the inverse, through mktime).
int64_t ClockFromLocal(const LocalTime& t);

// A clock that moves only when told: SleepMs and Advance move both "now" and
// the monotonic reading, so a wait in a test is instant and observable.
class ManualClock : public ClockSource {
 public:
  explicit ManualClock(int64_t nowMs = 0) : now_(nowMs) {}
  int64_t NowMs() override { return now_; }
  int64_t MonotonicMs() override { return mono_; }
  void SleepMs(int64_t ms) override { Advance(ms); }

  void SetNowMs(int64_t ms) { now_ = ms; }
  void SetLocal(const LocalTime& t, int ms = 0) { now_ = ClockFromLocal(t) * 1000 + ms; }
  void Advance(int64_t ms) {
    if (ms <= 0) return;
    now_ += ms;
    mono_ += ms;
  }

 private:
  int64_t now_;
  int64_t mono_ = 0;
};

// Installs a source for the lifetime of a scope and restores the previous one.
class ClockScope {
 public:
  explicit ClockScope(ClockSource* source) : previous_(ClockInstall(source)) {}
  ~ClockScope() { ClockInstall(previous_); }
  ClockScope(const ClockScope&) = delete;
  ClockScope& operator=(const ClockScope&) = delete;

 private:
  ClockSource* previous_;
};
