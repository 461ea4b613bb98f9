// Dates between their stored form (YYYYMMDD) and the forms a person reads and
// types, in the order and words of the current language (locale.h).
//
// Display modes of FmtDate:
//   0  the stored text YYYYMMDD
//   1  the short form with a two-digit year: MM-DD-YY, or DD-MM-YY in the
//      day-first languages
//   2  the short form with a four-digit year
//   3  "[M] [Y]" with the month name cut to 3 letters ("Mar 2024")
//   4  the language's long template with the full month name
//   any other mode: as 0
// An empty date means today (FmtDateOrToday); an invalid one shows 8 blanks
// in mode 1, 10 blanks in mode 2 and an empty text otherwise.
//
// Typed dates (FmtDateParse): "D/M/Y" style with one of "-", "." or "/" between
// numeric parts, in the language's order; a two-digit year is widened by
// FmtYear4. Six digits without separators are always day, month, two-digit
// year; eight digits are YYYYMMDD. Every form is checked: an invalid date
// gives an empty text (with separators) or 8 blanks (without). An empty text
// gives today.
//
// "Today" is switched off by bit 64 of _AUXSTAT; _BYEAR and _BKYEAR set the
// century window. Results are new slots of the string area; error strings
// pass through. Nothing is recorded except by the bounded formatter (146).
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"

constexpr int kDateStored = 0;
constexpr int kDateShort = 1;
constexpr int kDateShortYear4 = 2;
constexpr int kDateMonthYear = 3;
constexpr int kDateLong = 4;

StrValue FmtDate(StrValue date, int mode);
// "month-day-year", or "day-month-year" in the day-first languages (at most
// 64 characters, else 146).
StrValue FmtDateDMY(StrValue year, StrValue month, StrValue day);
// The date itself (no copy), or today's date when it is empty and bit 64 of
// _AUXSTAT is clear.
StrValue FmtDateOrToday(StrValue date);
// A two-digit year with the century: below _BKYEAR it lies in _BYEAR's
// century, else in the one before (79 gives 2079, 80 gives 1980).
int32_t FmtYear4(int32_t y);
StrValue FmtDateParse(StrValue typed);
// The date of a stored text (eight digits YYYYMMDD, blanks around them
// ignored), or 0 when it is not a valid date.
int32_t FmtDateStored(StrValue text);
