#include "runtime/datetime.h"

#include <algorithm>
#include <string>

#include "platform/host/clock.h"
#include "runtime/fixednum.h"
#include "runtime/strutil.h"

namespace {

constexpr int64_t kHourMs = 3600000;
constexpr int64_t kMinuteMs = 60000;
constexpr int64_t kSecondMs = 1000;

constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

bool IsLeap(int64_t year) { return year % 4 == 0; }

int MonthDays(int64_t month, int64_t year) {
  if (month == 2) return IsLeap(year) ? 29 : 28;
  return (month == 4 || month == 6 || month == 9 || month == 11) ? 30 : 31;
}

int32_t ToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// A normalised calendar position with a wide year, for arithmetic.
struct Ymd {
  int64_t year = 0;
  int month = 1;
  int64_t day = 1;
};

// Serial day number: 0 is 1 January of year 0; months outside 1-12 and days
// outside the month carry into the neighbours.
int64_t Serial(int64_t year, int64_t month, int64_t day) {
  int64_t t = year * 12 + (month - 1);
  int64_t y = FloorDiv(t, 12);
  int m = static_cast<int>(t - y * 12) + 1;
  int64_t leapDays = FloorDiv(y + 3, 4);  // leap years in [0, y)
  int64_t days = y * 365 + leapDays + kDaysBefore[m - 1] + (m > 2 && IsLeap(y) ? 1 : 0);
  return days + day - 1;
}

// The inverse of Serial: a 4-year cycle is 1461 days, its first year leap.
Ymd FromSerial(int64_t serial) {
  int64_t cycle = FloorDiv(serial, 1461);
  int64_t r = serial - cycle * 1461;
  int64_t offset = 0;
  if (r >= 366) {
    offset = 1 + (r - 366) / 365;
    r = (r - 366) % 365;
  }
  Ymd out;
  out.year = cycle * 4 + offset;
  bool leap = offset == 0;
  int m = 12;
  while (m > 1 && r < kDaysBefore[m - 1] + (m > 2 && leap ? 1 : 0)) --m;
  out.month = m;
  out.day = r - kDaysBefore[m - 1] - (m > 2 && leap ? 1 : 0) + 1;
  return out;
}

// The packed date of a position, 0 outside years 0-9999.
int32_t PackOrZero(const Ymd& d) {
  if (d.year < 0 || d.year > 9999) return 0;
  return DatePack(static_cast<int32_t>(d.day), d.month, static_cast<int32_t>(d.year));
}

int32_t PartOf(StrValue text, int32_t start, uint32_t len) { return StrToInt(StrMid(text, start, len)); }

// Leading digits of a fraction, at most three, as milliseconds.
int64_t FractionMs(std::string_view f) {
  int64_t ms = 0;
  int n = 0;
  for (; n < 3 && n < static_cast<int>(f.size()) && f[n] >= '0' && f[n] <= '9'; ++n) ms = ms * 10 + (f[n] - '0');
  for (int k = n; k < 3; ++k) ms *= 10;
  return ms;
}

// An atoi of one field of a time text.
int64_t TimeField(std::string_view f) {
  return ToInt32(StrToLong(StrMake(f.data(), static_cast<uint32_t>(f.size()))));
}

void AppendPadded(std::string* out, int64_t v, int width) {
  std::string digits = std::to_string(v);
  if (digits.size() < static_cast<size_t>(width)) out->append(width - digits.size(), '0');
  out->append(digits);
}

int64_t g_clockBase = 0;

}  // namespace

// --- Dates -------------------------------------------------------------------

DateYmd DatePack(int32_t day, int32_t month, int32_t year) {
  return ToInt32(static_cast<int64_t>(year) * 10000 + static_cast<int64_t>(month) * 100 + day);
}

bool DateIsValid(DateYmd date) {
  if (date <= 0 || date > 99991231) return false;
  int month = date / 100 % 100;
  int day = date % 100;
  return month >= 1 && month <= 12 && day >= 1 && day <= DateDaysInMonth(month, date / 10000);
}

Status DateCheck(DateYmd date, char* buf, size_t capacity) {
  if (!DateIsValid(date)) return st::BADINPUTDATA;
  if (!buf || capacity < 8) return st::STROUTBOUND;
  int32_t v = date;
  for (int i = 7; i >= 0; --i, v /= 10) buf[i] = static_cast<char>('0' + v % 10);
  if (capacity > 8) buf[8] = 0;
  return st::OK;
}

StrValue DateToText(DateYmd date) {
  char buf[8];
  if (DateCheck(date, buf, sizeof buf)) return StrFromView("");
  return StrFromView(std::string_view(buf, 8));
}

// Parts are taken by position (the year from the front, the day from the
// end), so a short text is never read past its end.
int32_t DateParse(StrValue text, int flags) {
  if (text.IsError()) return 0;
  if (flags & 8) return ToInt32(StrToLong(text));
  if (flags & kDateDay) return PartOf(text, -2, 2);
  if (flags & kDateMonth) {
    int32_t len = text.len;
    int32_t from = std::max(len - 4, 0);
    return PartOf(text, from, static_cast<uint32_t>(std::max(len - 2 - from, 0)));
  }
  if (flags & kDateYear) return PartOf(text, 0, 4);
  return 0;
}

DateParts DateSplit(StrValue text) {
  return DateParts{DateParse(text, kDateDay), DateParse(text, kDateMonth), DateParse(text, kDateYear)};
}

int DateDaysInMonth(int month, int year) { return MonthDays(month, year); }

int DateMonthDays(StrValue text) {
  DateParts p = DateSplit(text);
  return DateDaysInMonth(p.month, p.year);
}

StrValue DateSetPart(StrValue text, int32_t value, int flags) {
  if (Status e = StrError(text)) return StrErr(e);
  DateParts p = DateSplit(text);
  if (flags & kDateDay) p.day = value;
  if (flags & kDateMonth) p.month = value;
  if (flags & kDateYear) p.year = value;
  bool inRange = p.day >= 0 && p.day < 100 && p.month >= 0 && p.month < 100;
  return DateToText(inRange ? DatePack(p.day, p.month, p.year) : 0);
}

int32_t DateAdd(StrValue text, int32_t amount, int unit) {
  DateParts p = DateSplit(text);
  if (amount >= 10001) {
    int64_t y2 = amount / 10000, m2 = amount / 100 % 100, d2 = amount % 100;
    if (unit == kDateYear) return ToInt32(p.year - y2);
    if (unit == kDateMonth) return ToInt32((p.year - y2) * 12 + (p.month - m2));
    if (unit == kDateDay) return ToInt32(Serial(p.year, p.month, p.day) - Serial(y2, m2, d2));
    return 0;
  }
  int64_t year = p.year, month = p.month, day = p.day;
  if (unit == kDateDay) day += amount;
  if (unit == kDateYear) year += amount;
  if (unit == kDateMonth) {
    int64_t t = year * 12 + (month - 1) + amount;
    year = FloorDiv(t, 12);
    month = t - year * 12 + 1;
    day = std::min<int64_t>(day, MonthDays(month, year));
  }
  return PackOrZero(FromSerial(Serial(year, month, day)));
}

void DateStep(DateParts* parts, int kind) {
  switch (kind) {
    case kStepYearBack:
      parts->month += 12;
      parts->year -= 1;
      break;
    case kStepYearOn:
      parts->month -= 12;
      parts->year += 1;
      break;
    case kStepMonthBack:
      if (--parts->month < 1) DateStep(parts, kStepYearBack);
      parts->day += DateDaysInMonth(parts->month, parts->year);
      break;
    case kStepMonthOn:
      parts->day -= DateDaysInMonth(parts->month, parts->year);
      if (++parts->month > 12) DateStep(parts, kStepYearOn);
      break;
    default:
      break;
  }
}

DateYmd DateFromTime(int64_t unixSeconds) {
  if (unixSeconds < 0) return 0;
  LocalTime t;
  if (!ClockLocalTime(unixSeconds, &t)) return 0;
  return DatePack(t.day, t.month, t.year);
}

DateYmd DateToday() { return DateFromTime(FloorDiv(ClockNowMs(), 1000)); }

// --- Times -------------------------------------------------------------------

int64_t TimeToMs(int64_t unixSeconds) {
  if (unixSeconds < 0) return 0;
  LocalTime t;
  if (!ClockLocalTime(unixSeconds, &t)) return 0;
  return t.hour * kHourMs + t.minute * kMinuteMs + t.second * kSecondMs;
}

int64_t TimeOfDayMs() { return TimeToMs(FloorDiv(ClockNowMs(), 1000)); }

// Fields split at ":": one is seconds, two minutes and seconds, three (or
// more, the rest ignored) hours, minutes and seconds; each reads like atoi.
int64_t TimeParse(StrValue text) {
  if (text.IsError()) return 0;
  if (text.len == 0) return TimeOfDayMs();
  std::string_view t = text.View();
  size_t dot = t.find('.');
  int64_t ms = dot == std::string_view::npos ? 0 : FractionMs(t.substr(dot + 1));
  std::string_view clock = t.substr(0, dot);
  int64_t fields[3] = {0, 0, 0};
  int n = 0;
  size_t start = 0;
  for (size_t colon = 0; n < 3 && colon != std::string_view::npos; start = colon + 1) {
    colon = clock.find(':', start);
    fields[n++] = TimeField(clock.substr(start, colon == std::string_view::npos ? colon : colon - start));
  }
  int64_t h = n == 3 ? fields[0] : 0;
  int64_t m = n >= 2 ? fields[n - 2] : 0;
  int64_t s = fields[n - 1];
  int64_t total = h * kHourMs + m * kMinuteMs + s * kSecondMs + ms;
  return total < 0 ? 0 : total;
}

StrValue TimeFormat(int64_t ms, int flags) {
  if (ms < 0) ms = 0;
  std::string out;
  const char* sep = (flags & 1) ? ":" : "";
  AppendPadded(&out, ms / kHourMs, 2);
  out += sep;
  AppendPadded(&out, ms / kMinuteMs % 60, 2);
  if (flags & 2) {
    out += sep;
    AppendPadded(&out, ms / kSecondMs % 60, 2);
  }
  if (flags & 4) {
    out += '.';
    AppendPadded(&out, ms % kSecondMs, 3);
  }
  return StrFromView(out);
}

int64_t TimeMsDiff(int64_t start, int64_t end) {
  int64_t d = end - start;
  return d < 0 ? d + kDayMs : d;
}

// --- Process clock -------------------------------------------------------------

int64_t ClockMs(int reset) {
  if (reset & 1) g_clockBase = ClockMonotonicMs();
  return ClockMonotonicMs() - g_clockBase;
}

// Sleeps to a deadline of its own: a caller timing across the wait with
// ClockMs keeps its base.
void TimeWaitMs(int64_t ms) {
  if (ms <= 0) return;
  int64_t deadline = ClockMonotonicMs() + ms;
  for (int64_t now = ClockMonotonicMs(); now < deadline; now = ClockMonotonicMs()) ClockSleepMs(deadline - now);
}
