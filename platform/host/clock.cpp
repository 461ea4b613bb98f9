#include "platform/host/clock.h"

#include <cerrno>
#include <ctime>

namespace {

int64_t ReadMs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class SystemClock : public ClockSource {
 public:
  SystemClock() : origin_(ReadMs(CLOCK_MONOTONIC)) {}
  int64_t NowMs() override { return ReadMs(CLOCK_REALTIME); }
  int64_t MonotonicMs() override { return ReadMs(CLOCK_MONOTONIC) - origin_; }

  // Sleeps to an absolute deadline, so a signal that wakes the thread early
  // does not shorten the wait.
  void SleepMs(int64_t ms) override {
    if (ms <= 0) return;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(ms / 1000);
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
      deadline.tv_nsec -= 1000000000L;
      ++deadline.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
  }

 private:
  int64_t origin_;
};

// Built at program start, so its monotonic origin is the start of the run.
SystemClock g_system;
ClockSource* g_installed = nullptr;

}  // namespace

ClockSource& ClockCurrent() { return g_installed ? *g_installed : g_system; }

ClockSource* ClockInstall(ClockSource* source) {
  ClockSource* previous = g_installed;
  g_installed = source;
  return previous;
}

bool ClockLocalTime(int64_t unixSeconds, LocalTime* out) {
  *out = LocalTime{};
  time_t t = static_cast<time_t>(unixSeconds);
  tm parts{};
  tzset();  // localtime_r alone may keep a time zone read before TZ changed
  if (!localtime_r(&t, &parts)) return false;
  out->year = parts.tm_year + 1900;
  out->month = parts.tm_mon + 1;
  out->day = parts.tm_mday;
  out->hour = parts.tm_hour;
  out->minute = parts.tm_min;
  out->second = parts.tm_sec;
  return true;
}

int64_t ClockFromLocal(const LocalTime& t) {
  tm parts{};
  parts.tm_year = t.year - 1900;
  parts.tm_mon = t.month - 1;
  parts.tm_mday = t.day;
  parts.tm_hour = t.hour;
  parts.tm_min = t.minute;
  parts.tm_sec = t.second;
  parts.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&parts));
}
