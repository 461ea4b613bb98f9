#include "script/payments.h"

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "script/builtins.h"

namespace {

// The last day any date may have, as a day count from the first one; a
// result beyond it (or before day 0) is out of range.
constexpr int64_t kYearLimit = 10000;

DateYmd Pack(int64_t year, int64_t month, int64_t day) {
  if (year < 0 || year >= kYearLimit) return 0;
  return DatePack(static_cast<int32_t>(day), static_cast<int32_t>(month), static_cast<int32_t>(year));
}

int32_t Year(DateYmd d) { return d / 10000; }
int32_t Month(DateYmd d) { return d / 100 % 100; }
int32_t Day(DateYmd d) { return d % 100; }

// Days added in pieces the date arithmetic reads as a count (an amount of
// 10001 or more would be taken for a second date there).
DateYmd AddDays(DateYmd date, int64_t days) {
  constexpr int64_t kPiece = 10000;
  // More days than the whole calendar holds can only leave it.
  if (days > kYearLimit * 366 || days < -kYearLimit * 366) return 0;
  while (date != 0 && days != 0) {
    int64_t step = std::clamp(days, -kPiece, kPiece);
    StrValue text = DateToText(date);
    date = DateAdd(text, static_cast<int32_t>(step), kDateDay);
    days -= step;
  }
  return date;
}

// Months added with the day kept, or clamped to the new month's length.
DateYmd AddMonths(DateYmd date, int64_t months) {
  if (months > kYearLimit * 12 || months < -kYearLimit * 12) return 0;
  int64_t t = static_cast<int64_t>(Year(date)) * 12 + (Month(date) - 1) + months;
  if (t < 0 || t >= kYearLimit * 12) return 0;
  int64_t year = t / 12, month = t % 12 + 1;
  int64_t day = std::min<int64_t>(Day(date), DateDaysInMonth(static_cast<int>(month), static_cast<int>(year)));
  return Pack(year, month, day);
}

// The usable allowed days: 1..31, read from the leading digits of each item.
std::vector<int> AllowedDays(std::string_view list) {
  std::vector<int> days;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view item = list.substr(start, end - start);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    int value = 0;
    size_t digits = 0;
    while (digits < item.size() && digits < 3 && item[digits] >= '0' && item[digits] <= '9')
      value = value * 10 + (item[digits++] - '0');
    if (digits > 0 && value >= 1 && value <= 31) days.push_back(value);
    start = end + 1;
  }
  std::sort(days.begin(), days.end());
  return days;
}

// PayDate$(date;first offset;days step;months step;index[;allowed days]).
Status PayDate(const uint16_t* kinds, uint16_t count) {
  if (Status s = BuiltinArgCount(5, 6)) return s;
  std::string text;
  if (count > 0 && (kinds[0] & 1) == kArgKindStr) {
    StrValue v = BuiltinArgStr(1, StrMake("", 0));
    if (Status e = StrError(v)) return e;
    text = v.Str();
  } else {
    int32_t n = 0;
    if (Status s = BuiltinArgLong(1, 0, &n)) return s;
    text = std::to_string(n);
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  DateYmd date = 0;
  bool digits = text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) date = std::stoi(text);
  if (!digits || !DateIsValid(date) || date == 0) {
    ErrDetailSet(st::SINTAXERROR, StrFromC(("PayDate$: " + text).c_str()), false);
    return ErrSet(1, MOD_EXPEXEC, st::SINTAXERROR, st::SINTAXERROR);
  }
  int32_t args[4] = {};
  for (uint16_t i = 0; i < 4; ++i)
    if (Status s = BuiltinArgLong(static_cast<uint16_t>(i + 2), 0, &args[i])) return s;
  DateYmd due = PayDateStep(date, args[0], args[1], args[2], args[3]);
  if (due != 0 && args[3] != 0 && BuiltinArgTotal() == 6 && !BuiltinArgAbsent(6)) {
    StrValue allowed = BuiltinArgAsText(6, StrMake("", 0));
    if (Status e = StrError(allowed)) return e;
    due = PayDateFitDay(due, allowed.View());
  }
  if (due == 0) {
    ErrDetailSet(st::DATAOUTBOUND, StrFromC("PayDate$"), false);
    return ErrSet(1, MOD_EXPEXEC, st::DATAOUTBOUND, st::DATAOUTBOUND);
  }
  return BuiltinResultStr(DateToText(due));
}

}  // namespace

DateYmd PayDateStep(DateYmd date, int64_t firstOffset, int64_t daysStep, int64_t monthsStep, int64_t index) {
  if (index == 0) return date;
  if (firstOffset != 0 && firstOffset % 30 == 0 && daysStep == 0)
    date = AddMonths(date, firstOffset / 30);
  else
    date = AddDays(date, firstOffset);
  if (date == 0 || index <= 1) return date;
  if (daysStep != 0) return AddDays(date, daysStep * (index - 1));
  if (monthsStep != 0) return AddMonths(date, monthsStep * (index - 1));
  return date;
}

DateYmd PayDateFitDay(DateYmd date, std::string_view allowed) {
  std::vector<int> days = AllowedDays(allowed);
  if (days.empty() || date == 0) return date;
  int year = Year(date), month = Month(date), day = Day(date);
  int length = DateDaysInMonth(month, year);
  for (int a : days)
    if (std::min(a, length) >= day) return Pack(year, month, std::min(a, length));
  DateYmd next = AddMonths(Pack(year, month, 1), 1);
  if (next == 0) return 0;
  return Pack(Year(next), Month(next), std::min(days.front(), DateDaysInMonth(Month(next), Year(next))));
}

Status PayDateRegister() { return BuiltinRegister(StrFromC("PayDate$"), PayDate); }
