// Dates, times of day and the process clock.
//
// A date is a DateYmd: the integer year x 10000 + month x 100 + day, or its
// text of exactly 8 digits; 0 or an empty text means "no date". A date is
// valid when 0 <= year < 10000, 1 <= month <= 12 and 1 <= day <= the month's
// days. Every fourth year is a leap year, century years included (2100 and
// 2200 have a 29 February here, unlike the civil calendar): stored data relies
// on this rule, and all arithmetic below follows it consistently.
//
// Adding days, months or years normalises by direct arithmetic on serial day
// numbers, so any amount costs the same; a result outside years 0-9999 is 0.
// Day differences count the real number of days between the dates under that
// rule (leap days included), months and years count calendar steps.
//
// Times are milliseconds since local midnight. Today's date, the time of day
// and the process clock come from the installed ClockSource (platform/host),
// so tests fix them; local time follows TZ. Waits sleep and leave the
// ClockMs base of other callers alone.
//
// Errors: DateCheck answers 163 BADINPUTDATA for an invalid date (and 159
// when the buffer is under 8 bytes); the text conversions answer an empty
// text; negative times give 0. Nothing is recorded.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

using DateYmd = int32_t;

// The parts of a date text as read, not yet validated.
struct DateParts {
  int32_t day = 0;
  int32_t month = 0;
  int32_t year = 0;
};

// Part flags of DateParse and DateSetPart; units of DateAdd.
constexpr int kDateDay = 1;
constexpr int kDateMonth = 2;
constexpr int kDateYear = 4;
constexpr int kDateWhole = 15;  // DateParse: the whole text as one integer

// Kinds of DateStep.
constexpr int kStepYearBack = 1;    // month + 12, year - 1
constexpr int kStepYearOn = 2;      // month - 12, year + 1
constexpr int kStepMonthBack = 4;   // into the previous month, day + its days
constexpr int kStepMonthOn = 8;     // day - this month's days, into the next

constexpr int64_t kDayMs = 86400000;

// --- Dates -----------------------------------------------------------------
DateYmd DatePack(int32_t day, int32_t month, int32_t year);
bool DateIsValid(DateYmd date);
Status DateCheck(DateYmd date, char* buf, size_t capacity);
StrValue DateToText(DateYmd date);
int32_t DateParse(StrValue text, int flags);
DateParts DateSplit(StrValue text);
int DateMonthDays(StrValue text);
int DateDaysInMonth(int month, int year);
StrValue DateSetPart(StrValue text, int32_t value, int flags);
int32_t DateAdd(StrValue text, int32_t amount, int unit);
void DateStep(DateParts* parts, int kind);
DateYmd DateToday();
DateYmd DateFromTime(int64_t unixSeconds);

// --- Times -----------------------------------------------------------------
int64_t TimeOfDayMs();
int64_t TimeToMs(int64_t unixSeconds);
int64_t TimeParse(StrValue text);
StrValue TimeFormat(int64_t ms, int flags);
int64_t TimeMsDiff(int64_t start, int64_t end);

// --- Process clock -----------------------------------------------------------
int64_t ClockMs(int reset);  // ms since the last reset (flag 1 resets first)
void TimeWaitMs(int64_t ms);
