// The payments schedule both programs link: the built-in PayDate$ and the
// due-date arithmetic behind it. (The schedule window is screens/grids/payschedule.h;
// the job-steps task, task hook 7, reads screens: screens/transactions/jobsteps.h.)
//
// PayDate$(date;first offset;days step;months step;index[;allowed days])
// answers the due date of instalment `index` as a YYYYMMDD text:
//   - index 0: the date unchanged;
//   - the first due date: a non-zero offset that is a multiple of 30 with a
//     days step of 0 adds offset/30 months, any other offset adds days;
//   - index n above 1 adds days step x (n-1) days, or, with a days step of
//     0, months step x (n-1) months;
//   - allowed days (a comma list; entries outside 1..31 and junk ignored):
//     each is clamped to the month's length, the date moves forward to the
//     first clamped day not before its own, else to the smallest allowed day
//     of the next month, clamped there.
// Day counts of any size are added as days. 147 for 5 or 6 arguments missed
// or for a date that is not a valid YYYYMMDD (the text in the detail); 168
// for a result outside years 0-9999.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/datetime.h"
#include "runtime/status.h"

// The due date of instalment `index` before the allowed days: 0 for a
// result outside years 0-9999.
DateYmd PayDateStep(DateYmd date, int64_t firstOffset, int64_t daysStep, int64_t monthsStep, int64_t index);
// The date moved forward onto the allowed days of `allowed`; the date itself
// when the list holds no usable day; 0 past year 9999.
DateYmd PayDateFitDay(DateYmd date, std::string_view allowed);

// Registers PayDate$ as an application built-in.
Status PayDateRegister();
