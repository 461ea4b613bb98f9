// The number, date and mask parsers: the input is a mask or type code, a
// line "@@@@", and a value; every parser and formatter that reads typed or
// stored text is given them.
#include "fuzz/harness.h"
#include "runtime/datetime.h"
#include "runtime/fixednum.h"
#include "runtime/fmtdate.h"
#include "runtime/fmtmask.h"
#include "runtime/format.h"

KX_FUZZ_TARGET(formats) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 2);
  StrValue mask = FuzzStr(part[0]);
  StrValue value = FuzzStr(part[1]);
  const char type = part[0].empty() ? 'A' : part[0][0];
  const int32_t width = part[0].size() > 1 ? static_cast<uint8_t>(part[0][1]) : 10;
  const StrAreaScope scope;
  StrToNum(value);
  StrToLong(value);
  StrToIntNum(value);
  uint16_t surplus = 0;
  NumStrNormalise(value, 2, &surplus);
  NumStrToBytes(value);
  FmtNumParse(value);
  FmtDateParse(value);
  for (int mode = 0; mode <= 4; ++mode) FmtDate(value, mode);
  DateParse(value, 0);
  DateSplit(value);
  DateMonthDays(value);
  DateAdd(value, 40, 1);
  TimeParse(value);
  FmtMaskMode(mask, value, 255);
  FmtMaskMode(mask, value, type);
  FmtNumMask(mask, value, false);
  FmtNumMaskStored(mask, value, true);
  FmtTextMask(mask, value, 0);
  FmtMaskLocalise(mask);
  FmtNumMaskDefault(mask);
  FmtMaskForType(type, width, false);
  FmtStoredToDisplay(type, value, width);
  FmtInputToStored(type, value, width);
  FmtByType(type, value, width);
  FmtByTypeCode(type, value, width);
  return 0;
}
