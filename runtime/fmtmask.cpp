// Choosing and expanding masks, and text masks (contract in fmtmask.h).
#include "runtime/fmtmask.h"

#include <string>
#include <string_view>

#include "runtime/dynstrings.h"
#include "runtime/locale.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

constexpr const char* kMaskChars = "\\?#0";
constexpr const char* kNumberChars = ".-1234567890,D ";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "\" for the text letters, "#" for N, the digits and the codes below "A".
char MaskCharOf(char letter) {
  static constexpr std::string_view kLetters = "ABDLNN123456789";
  size_t at = kLetters.find(letter);
  if (at != std::string_view::npos) return at < 4 ? '\\' : '#';
  return static_cast<unsigned char>(letter) < 'A' ? '#' : '\\';
}

// The decimals of a compact mask's code d, through SettingsList item 10 when
// it is set: its item d + 1 replaces d (0 there means no decimals).
int DecimalsOf(int d) {
  StrValue setting = DynStrGet(SettingsList, SetDecimalsItem);
  if (setting.len == 0) return d;
  StrValue item = StrTrim(StrListItem(setting, ',', static_cast<uint32_t>(d) + 1), 3);
  if (item.IsError() || item.len == 0) return d;
  int v = StrToInt(item);
  return v < 0 ? 0 : v;
}

// Rewrites mask[first, end) from the right: d places of g, the point, one
// place of g, then places of f with "," before each further group of three.
void Expand(std::string& m, size_t first, size_t end, int d, char f, char g) {
  size_t room = end - first;
  size_t decimals = static_cast<size_t>(d);
  if (decimals + 2 > room) decimals = room >= 2 ? room - 2 : 0;  // keep a place for the point and a digit
  size_t pos = end;
  for (size_t i = 0; i < decimals; ++i) m[--pos] = g;
  if (decimals > 0) m[--pos] = '.';
  if (pos > first) m[--pos] = g;
  for (size_t placed = 1; pos > first;) {
    if (placed % 3 == 0 && m[pos] != ',' && pos - 1 > first) {
      m[--pos] = ',';
      continue;
    }
    m[--pos] = f;
    ++placed;
  }
}

}  // namespace

StrValue FmtMaskForType(char letter, int32_t width, bool fixed) {
  if (width <= 0) return StrFromView("");
  if (width > static_cast<int32_t>(kStrMaxLen)) return StrErr(st::STRINGTOOLONG);
  std::string m(static_cast<size_t>(width), MaskCharOf(letter));
  if (letter >= '1' && letter <= '9') {
    int32_t at = width - (letter - '0') - 1;
    if (at >= 0) m[static_cast<size_t>(at)] = fixed ? '.' : LocaleGet(false).decimal;
  }
  return StrFromView(m);
}

StrValue FmtNumMaskDefault(StrValue code) {
  if (Status e = StrError(code)) return StrErr(e);
  std::string_view v = code.View();
  bool typeAndWidth = v.size() > 1 && std::string_view(kMaskChars).find(v[0]) == std::string_view::npos;
  for (size_t i = 1; typeAndWidth && i < v.size(); ++i) typeAndWidth = IsDigit(v[i]);
  if (!typeAndWidth) return FmtMaskLocalise(code);
  int32_t width = 0;
  for (size_t i = 1; i < v.size(); ++i) width = std::min<int32_t>(width * 10 + (v[i] - '0'), 1 << 20);
  return FmtMaskForType(v[0], width, true);
}

StrValue FmtMaskLocalise(StrValue compact) {
  if (Status e = StrError(compact)) return StrErr(e);
  std::string m(compact.View());
  uint16_t at = StrFindStr(compact, StrFromC(",."), kSearchQuoted);
  size_t first = m.find_first_of("#0");
  if (at == kNotFound || at == 0 || first == std::string::npos || first >= at) return StrFromView(m);
  size_t end = static_cast<size_t>(at) + 2;
  int d = 0;
  for (; end < m.size() && IsDigit(m[end]); ++end) d = std::min(d * 10 + (m[end] - '0'), 1000);
  Expand(m, first, end, DecimalsOf(d), m[first], m[at - 1u]);
  return StrFromView(m);
}

StrValue FmtMaskMode(StrValue mask, StrValue value, int mode) {
  if (Status e = StrError(mask)) return StrErr(e);
  if (Status e = StrError(value)) return StrErr(e);
  uint16_t first = StrFindAny(mask, StrFromC(kMaskChars), kSearchPlain);
  if (first == kNotFound) return StrDup(mask);
  if (mode == 1) return FmtNumMask(mask, value, true);
  bool numberMask = mask.ptr[first] == '#' || mask.ptr[first] == '0';
  if (numberMask && mode != 0) {
    StrValue v = StrTrim(value, 3);
    if (StrAllIn(v, StrFromC(kNumberChars))) return FmtNumMask(mask, v, false);
  }
  if (numberMask && StrFindAny(mask, StrFromC("\\?"), kSearchPlain) == kNotFound) return StrDup(mask);
  return FmtTextMask(mask, value, first);
}

StrValue FmtTextMask(StrValue mask, StrValue value, uint16_t first) {
  if (Status e = StrError(mask)) return StrErr(e);
  if (Status e = StrError(value)) return StrErr(e);
  std::string m(mask.View());
  // "\   \": the blanks widen the field to the run's width.
  for (size_t i = 0; i + 1 < m.size(); ++i) {
    if (m[i] != '\\' || m[i + 1] != ' ') continue;
    size_t close = m.find('\\', i + 1);
    if (close == std::string::npos) break;
    if (m.find_first_not_of(' ', i + 1) == close) m.replace(i + 1, close - i - 1, close - i - 1, '\\');
    i = close - 1;
  }
  std::string_view v = value.View();
  bool samePosition = first < m.size() && m[first] == '?';
  size_t next = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    if (m[i] == '\\' || (m[i] == '?' && !samePosition)) {
      m[i] = next < v.size() ? v[next++] : ' ';
    } else if (m[i] == '?') {
      m[i] = i < v.size() ? v[i] : ' ';
    }
  }
  return StrFromView(m);
}
