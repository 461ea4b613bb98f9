#include "runtime/fmtdate.h"

#include <string>
#include <string_view>

#include "runtime/datetime.h"
#include "runtime/locale.h"
#include "runtime/strformat.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"

namespace {

constexpr uint16_t kAuxNoToday = 64;

bool AllDigits(std::string_view v) {
  for (char c : v) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int32_t DigitsValue(std::string_view v) {
  int32_t n = 0;
  for (char c : v) n = n * 10 + (c - '0');
  return n;
}

std::string TwoDigits(int32_t v) { return {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)}; }

std::string FourDigits(int32_t v) { return TwoDigits(v / 100) + TwoDigits(v % 100); }

// The date of a stored text: exactly 8 digits forming a valid date, else 0.
DateYmd StoredDate(StrValue text) {
  std::string_view v = text.View();
  if (v.size() != 8 || !AllDigits(v)) return 0;
  DateYmd d = DigitsValue(v);
  return DateIsValid(d) ? d : 0;
}

// Replaces "[D]", "[M]" and "[Y]" of a template.
std::string FillTemplate(std::string_view templ, const std::string& day, const std::string& month,
                         const std::string& year) {
  std::string out;
  for (size_t i = 0; i < templ.size();) {
    std::string_view rest = templ.substr(i);
    if (rest.starts_with("[D]")) {
      out += day;
    } else if (rest.starts_with("[M]")) {
      out += month;
    } else if (rest.starts_with("[Y]")) {
      out += year;
    } else {
      out += templ[i++];
      continue;
    }
    i += 3;
  }
  return out;
}

StrValue ShortForm(DateYmd d, bool year4) {
  std::string y = year4 ? FourDigits(d / 10000) : TwoDigits(d / 10000);
  std::string m = TwoDigits(d / 100 % 100), day = TwoDigits(d % 100);
  return FmtDateDMY(StrFromView(y), StrFromView(m), StrFromView(day));
}

StrValue Display(DateYmd d, int mode) {
  const LocaleTexts& loc = LocaleGet(false);
  const std::string& month = loc.months[d / 100 % 100 - 1];
  switch (mode) {
    case kDateShort:
    case kDateShortYear4:
      return ShortForm(d, mode == kDateShortYear4);
    case kDateMonthYear:
      return StrFromView(FillTemplate("[M] [Y]", TwoDigits(d % 100), month.substr(0, 3), FourDigits(d / 10000)));
    case kDateLong:
      return StrFromView(FillTemplate(loc.longTemplate, TwoDigits(d % 100), month, FourDigits(d / 10000)));
    default:
      return DateToText(d);
  }
}

StrValue InvalidDisplay(int mode) {
  if (mode == kDateShort) return StrFromView("        ");
  if (mode == kDateShortYear4) return StrFromView("          ");
  return StrFromView("");
}

// Day, month and year as typed; the first two in the language's order.
StrValue FromParts(int32_t first, int32_t second, int32_t year) {
  if (first == 0 || second == 0) return StrFromView("");
  bool dayFirst = LocaleDayFirst();
  int32_t day = dayFirst ? first : second;
  int32_t month = dayFirst ? second : first;
  if (month > 12 || day > 31) return StrFromView("");
  return DateToText(year * 10000 + month * 100 + day);
}

// A typed part of a date: one to four digits.
bool PartOk(std::string_view v) { return !v.empty() && v.size() <= 4 && AllDigits(v); }

int32_t YearOf(std::string_view v) {
  int32_t y = DigitsValue(v);
  return v.size() == 2 ? FmtYear4(y) : y;
}

StrValue ParseSeparated(std::string_view t, char sep) {
  size_t a = t.find(sep);
  size_t b = t.find(sep, a + 1);
  if (b == std::string_view::npos) return StrFromView("");
  std::string_view f1 = t.substr(0, a), f2 = t.substr(a + 1, b - a - 1), f3 = t.substr(b + 1);
  if (!PartOk(f1) || !PartOk(f2) || !PartOk(f3)) return StrFromView("");
  return FromParts(DigitsValue(f1), DigitsValue(f2), YearOf(f3));
}

StrValue ParsePlain(StrValue t) {
  std::string_view v = t.View();
  if (v.empty()) return StrDup(FmtDateOrToday(t));
  if (v.size() == 6 && AllDigits(v)) {
    // Always day, month, year, whatever the language's order.
    DateYmd d = FmtYear4(DigitsValue(v.substr(4))) * 10000 + DigitsValue(v.substr(2, 2)) * 100 + DigitsValue(v.substr(0, 2));
    return DateToText(d);
  }
  if (DateYmd d = StoredDate(t)) return DateToText(d);
  return StrFromView("        ");
}

}  // namespace

StrValue FmtDateOrToday(StrValue date) {
  if (date.IsError() || date.len > 0) return date;
  if (VarIntTestBits(kSysAuxStat, kAuxNoToday)) return date;
  return DateToText(DateToday());
}

int32_t FmtYear4(int32_t y) {
  int32_t base = VarSysIntGet(kSysBYear);
  return y < VarSysIntGet(kSysBkYear) ? y + base : y + base - 100;
}

StrValue FmtDateDMY(StrValue year, StrValue month, StrValue day) {
  if (LocaleDayFirst()) return StrFormat(64, StrFromC("%s-%s-%s"), day, month, year);
  return StrFormat(64, StrFromC("%s-%s-%s"), month, day, year);
}

StrValue FmtDate(StrValue date, int mode) {
  if (Status e = StrError(date)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  DateYmd d = StoredDate(FmtDateOrToday(StrTrim(date, 3)));
  return StrAreaReturn(mark, d ? Display(d, mode) : InvalidDisplay(mode));
}

int32_t FmtDateStored(StrValue text) {
  if (text.IsError()) return 0;
  const StrAreaScope scope;
  return StoredDate(StrTrim(text, 3));
}

StrValue FmtDateParse(StrValue typed) {
  if (Status e = StrError(typed)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  StrValue t = StrTrim(typed, 3);
  uint16_t at = StrFindAny(t, StrFromC("-./"), kSearchPlain);
  StrValue out = at == kNotFound ? ParsePlain(t) : ParseSeparated(t.View(), t.ptr[at]);
  return StrAreaReturn(mark, out);
}
