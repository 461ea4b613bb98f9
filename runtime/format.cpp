// Conversions by type letter (contract in format.h).
#include "runtime/format.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "runtime/strutil.h"

namespace {

bool IsNumberType(char c) { return c == 'N' || (c >= '1' && c <= '9'); }

StrValue Blanks(int32_t width) {
  if (width > static_cast<int32_t>(kStrMaxLen)) return StrErr(st::STRINGTOOLONG);
  return StrFromView(std::string(static_cast<size_t>(width > 0 ? width : 0), ' '));
}

// Left-aligned: padded with blanks or cut.
StrValue FitLeft(StrValue v, int32_t width) {
  if (width > static_cast<int32_t>(kStrMaxLen)) return StrErr(st::STRINGTOOLONG);
  std::string out(v.View().substr(0, static_cast<size_t>(width)));
  out.resize(static_cast<size_t>(width), ' ');
  return StrFromView(out);
}

// A number (or logical) right-aligned; a longer one keeps its integer part
// and the decimals that still fit, rounded; 168 when the integer part does
// not fit.
StrValue FitNumber(StrValue v, int32_t width) {
  StrValue t = StrTrim(v, 3);
  if (t.len <= width) return StrFromView(std::string(static_cast<size_t>(width - t.len), ' ') + t.Str());
  std::string_view text = t.View();
  int32_t intLen = static_cast<int32_t>(std::min(text.find('.'), text.size()));
  if (intLen > width) return StrErr(st::DATAOUTBOUND);
  int32_t decimals = width - intLen - 1;
  std::string mask(static_cast<size_t>(width), '#');
  if (decimals > 0) mask[static_cast<size_t>(intLen)] = '.';
  return FmtNumMaskStored(StrFromView(mask), t, true);
}

StrValue LogicalWord(StrValue stored, int32_t width) {
  char c = stored.len > 0 ? stored.ptr[0] : ' ';
  size_t at = std::string_view(" 01").find(c);
  const LocaleTexts& loc = LocaleGet(false);
  const std::string& word = loc.words[at == std::string_view::npos ? 1 : at];
  return FitLeft(StrMake(word.data(), static_cast<uint32_t>(word.size())), width);
}

StrValue LogicalStored(StrValue typed) {
  StrValue t = StrTrim(typed, 1);
  char c = t.len > 0 ? t.ptr[0] : ' ';
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  size_t at = LocaleGet(false).letters.find(c);
  if (at == 1) return StrFromView("0");
  if (at == 2) return StrFromView("1");
  return StrFromView(" ");
}

StrValue DateDisplay(char type, StrValue stored, int32_t width) {
  if (width != 8 && width != 10) return Blanks(width);
  if (type == 'F' && StrTrim(stored, 3).len == 0) return Blanks(width);
  return FmtDate(stored, width == 8 ? kDateShort : kDateShortYear4);
}

// Without a width the number is still rounded to its type's decimals.
StrValue NumberStored(char type, StrValue typed, int32_t width) {
  StrValue clean = FmtNumParse(typed);
  bool fit = width >= 0;
  StrValue mask = FmtMaskForType(type, fit ? width : kNumParseMax + 2, true);
  StrValue out = FmtNumMaskStored(mask, clean, true);
  return fit ? out : StrTrim(out, 3);
}

StrValue DigitsStored(char type, StrValue typed) {
  StrValue kept = StrKeepChars(typed, StrFromC("0123456789 "));
  if (type == 'C' && kept.len > 0) kept = StrTranslate(kept, StrFromC(" "), StrFromC("0"));
  return kept;
}

}  // namespace

uint16_t FmtTypeCodeIndex(char code) {
  size_t at = code ? std::string_view(kFmtTypeCodes).find(code) : std::string_view::npos;
  return at == std::string_view::npos ? 0 : static_cast<uint16_t>(at + 1);
}

StrValue FmtByType(char type, StrValue value, int32_t width) {
  if (Status e = StrError(value)) return StrErr(e);
  if (width < 0) return StrDup(value);
  uint16_t mark = StrAreaMark(-1);
  StrValue out;
  switch (type) {
    case 'A':
    case 'B':
    case 'C':
    case 'P':
      out = FitLeft(value, width);
      break;
    case 'D':
    case 'F':
      // A six-place date drops the century.
      out = width == 6 && value.len == 8 ? StrMid(value, 2, 6) : FitLeft(value, width);
      break;
    case 'L':
      out = FitNumber(value, width);
      break;
    default:
      out = IsNumberType(type) ? FitNumber(value, width) : Blanks(width);
  }
  return StrAreaReturn(mark, out);
}

StrValue FmtByTypeCode(char code, StrValue value, int32_t width) {
  if (code < '1' || code > '9') return FmtByType(code, value, width);
  if (Status e = StrError(value)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  return StrAreaReturn(mark, FmtNumMaskStored(FmtMaskForType(code, width, true), value, true));
}

StrValue FmtStoredToDisplay(char type, StrValue stored, int32_t width) {
  if (Status e = StrError(stored)) return StrErr(e);
  if (width < 0) return StrDup(stored);
  uint16_t mark = StrAreaMark(-1);
  StrValue out;
  if (type == 'D' || type == 'F') {
    out = DateDisplay(type, stored, width);
  } else if (type == 'L') {
    out = LogicalWord(stored, width);
  } else if (type == 'V') {
    out = Blanks(width);
  } else if (IsNumberType(type) || static_cast<unsigned char>(type) < 'A') {
    out = FmtApplyMask(FmtMaskForType(type, width, true), StrTrim(stored, 3));
  } else {
    out = stored.len != width ? FmtByType(type, stored, width) : stored;
  }
  return StrAreaReturn(mark, out);
}

StrValue FmtInputToStored(char type, StrValue typed, int32_t width) {
  if (Status e = StrError(typed)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  StrValue out = typed;
  if (type == 'B' || type == 'C') {
    out = DigitsStored(type, typed);
  } else if (type == 'D') {
    out = FmtDateParse(typed);
  } else if (type == 'F') {
    // May stay empty: an empty typed date is not today.
    out = StrTrim(typed, 3).len == 0 ? StrFromView("") : FmtDateParse(typed);
  } else if (type == 'L') {
    out = LogicalStored(typed);
  } else if (IsNumberType(type)) {
    out = NumberStored(type, typed, width);
  }
  if (width >= 0) out = FmtByType(type, out, width);
  return StrAreaReturn(mark, out);
}
