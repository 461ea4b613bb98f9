#include "runtime/format.h"

#include <string>
#include <string_view>

#include "runtime/seam.h"

Status LocaleLoad() { return SeamMissing("LocaleLoad"); }

namespace {

std::string_view Trim(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

std::string LeftAligned(std::string_view v, size_t w) {
  std::string s(v.substr(0, w));
  s.resize(w, ' ');
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "-", digits, "." and digits: the plain number text that can be rounded.
bool PlainNumber(std::string_view v) {
  size_t i = !v.empty() && v[0] == '-' ? 1 : 0;
  bool point = false, digit = false;
  for (; i < v.size(); ++i) {
    if (v[i] == '.' && !point) point = true;
    else if (IsDigit(v[i])) digit = true;
    else return false;
  }
  return digit;
}

// Rounds the plain number to `decimals` places, half away from zero.
std::string Round(std::string_view v, size_t decimals) {
  bool neg = v[0] == '-';
  if (neg) v.remove_prefix(1);
  size_t point = v.find('.');
  std::string ip(v.substr(0, point)), fp(point == std::string_view::npos ? "" : v.substr(point + 1));
  bool up = fp.size() > decimals && fp[decimals] >= '5';
  fp.resize(decimals, '0');
  std::string digits = ip + fp;
  for (size_t i = digits.size(); up && i-- > 0;) {
    if (digits[i] == '9') digits[i] = '0';
    else {
      ++digits[i];
      up = false;
    }
  }
  if (up) digits.insert(digits.begin(), '1');
  std::string out = digits.substr(0, digits.size() - decimals);
  if (out.empty()) out = "0";
  if (decimals) out += "." + digits.substr(digits.size() - decimals);
  bool zero = out.find_first_not_of("0.") == std::string::npos;
  return neg && !zero ? "-" + out : out;
}

// A number longer than the field: the decimals that still fit, or 168.
StrValue NumberRefit(std::string_view v, size_t w) {
  size_t intLen = v.find('.') == std::string_view::npos ? v.size() : v.find('.');
  if (intLen > w) return StrErr(st::DATAOUTBOUND);
  if (!PlainNumber(v)) return StrFromView(LeftAligned(v, w));
  for (size_t d = w > intLen + 1 ? w - intLen - 1 : 0;; --d) {
    std::string r = Round(v, d);
    if (r.size() <= w) return StrFromView(std::string(w - r.size(), ' ') + r);
    if (d == 0) return StrErr(st::DATAOUTBOUND);
  }
}

}  // namespace

StrValue FmtByType(char type, StrValue value, int width) {
  if (value.IsError()) return value;
  if (width < 0) return StrDup(value);
  auto w = static_cast<size_t>(width);
  std::string_view v = value.View();
  switch (type) {
    case 'T':
    case 'V':
      return StrFromView(std::string(w, ' '));
    case 'D':
    case 'F':
      return StrFromView(LeftAligned(w == 6 && v.size() == 8 ? v.substr(2) : v, w));
    case 'N':
    case 'L':
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9': {
      std::string_view t = Trim(v);
      if (t.size() <= w) return StrFromView(std::string(w - t.size(), ' ') + std::string(t));
      return NumberRefit(t, w);
    }
    default:
      return StrFromView(LeftAligned(v, w));
  }
}
