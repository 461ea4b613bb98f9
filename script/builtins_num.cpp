// The number, date, time and edit-mask built-ins: FN#VALN, FN$DATE,
// FN$MASK and TIME$.
//
// With format bit 128, FN$DATE and TIME$ read the modification date or time
// of the file named by their first argument (expanded as a path); a file that
// cannot be found gives the empty text.
#include <string>

#include "platform/host/files.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "runtime/fmtdate.h"
#include "runtime/fmtmask.h"
#include "runtime/paths.h"
#include "runtime/strutil.h"
#include "script/builtins_int.h"

namespace {

StrValue Empty() { return StrMake("", 0); }

// A date argument: a text as it is, a number as the text of its integer.
StrValue DateArg(uint16_t n) {
  FixedNum v = 0;
  if (BuiltinArgNum(n, 0, &v) == 0) return BuiltinArgAbsent(n) ? Empty() : Int64ToStr(BuiltinNumToInteger(v));
  return BuiltinArgStr(n, Empty());
}

// The modification time of the file a script names; false when it cannot
// be found.
bool FileWritten(StrValue name, time_t* when) {
  StrValue path = PathExpand(name);
  if (path.IsError()) return false;
  host::FileInfo info;
  if (!host::Stat(host::ResolvePath(path.View()), &info) || info.isDir) return false;
  *when = info.written;
  return true;
}

int DateUnit(StrValue type) {
  if (type.len != 1) return 0;
  switch (type.ptr[0] & ~0x20) {
    case 'D': return kDateDay;
    case 'M': return kDateMonth;
    case 'Y': return kDateYear;
    case 'V': return kDateWhole;
    default: return 0;
  }
}

Status NumberOfText(uint16_t n) {
  StrValue clean = FmtNumParse(BuiltinArgAsText(n, Empty()));
  if (Status e = StrError(clean)) return e;
  return BuiltinResultNum(StrToNum(clean));
}

// The amount of a date move: a number, or a text read as a whole date (the
// result is then the difference in the unit).
Status DateAmount(uint16_t n, int32_t* amount) {
  *amount = 0;
  StrValue text = BuiltinArgStr(n, Empty());
  if (!text.IsError()) {
    *amount = DateParse(text, kDateWhole);
    return 0;
  }
  return BuiltinArgLong(n, 0, amount);
}

}  // namespace

Status BiValN(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 3)) return s;
  StrValue type = BuiltinArgStr(2, Empty());
  if (Status e = StrError(type)) return e;
  if (type.len == 1 && (type.ptr[0] & ~0x20) == 'N') return NumberOfText(1);
  int unit = DateUnit(type);
  if (unit == 0) return st::SINTAXERROR;
  StrValue date = DateArg(1);
  if (Status e = StrError(date)) return e;
  int32_t amount = 0;
  if (Status s = DateAmount(3, &amount)) return s;
  return BuiltinResultInt(DateAdd(date, amount, unit));
}

// The date (today when absent or empty) in display format `format` AND
// 127; a text holding "-", "." or "/" is read as a displayed date first. A
// text that is no valid date shows as an invalid date does (blanks) and
// records 168 with the text in the detail: it never reads as today.
Status BiDate(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(0, 2)) return s;
  int32_t format = 0;
  if (Status s = BuiltinArgLong(2, 0, &format)) return s;
  StrValue date = DateArg(1);
  if (Status e = StrError(date)) return e;
  const StrValue given = date;
  if (format & 128) {
    time_t when = 0;
    if (!FileWritten(date, &when)) return BuiltinResultStr(Empty());
    date = DateToText(DateFromTime(static_cast<int64_t>(when)));
  } else if (StrFindAny(date, StrFromC("-./"), kSearchPlain) != kNotFound) {
    date = FmtDateParse(date);
  }
  if (Status e = StrError(date)) return e;
  if (StrTrim(given, 3).len > 0 && FmtDateStored(date) == 0) {
    BuiltinFail(st::DATAOUTBOUND);
    ErrDetailSet(st::DATAOUTBOUND, given, false);
    date = StrFromC("00000000");  // shown as any invalid date is
  }
  return BuiltinResultStr(FmtDate(date, format & 127));
}

Status BiMask(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 3)) return s;
  StrValue mask = BuiltinArgStr(1, Empty());
  StrValue value = BuiltinArgAsText(2, Empty());
  int32_t mode = 255;
  if (Status s = BuiltinArgLong(3, 255, &mode)) return s;
  if (Status e = StrError(mask)) return e;
  return BuiltinResultStr(FmtMaskMode(mask, value, mode));
}

// A time text (empty: now) formatted by `format` AND 127; a number first
// argument is 128.
Status BiTime(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(0, 2)) return s;
  int32_t format = 0;
  if (Status s = BuiltinArgLong(2, 0, &format)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  if (Status e = StrError(text)) return e;
  int64_t ms = 0;
  if (format & 128) {
    time_t when = 0;
    if (!FileWritten(text, &when)) return BuiltinResultStr(Empty());
    ms = TimeToMs(static_cast<int64_t>(when));
  } else {
    ms = TimeParse(text);
  }
  return BuiltinResultStr(TimeFormat(ms, format & 127));
}
