#include "runtime/fixednum.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/strutil.h"

namespace {

constexpr uint64_t kPow10[19] = {1ull,
                                 10ull,
                                 100ull,
                                 1000ull,
                                 10000ull,
                                 100000ull,
                                 1000000ull,
                                 10000000ull,
                                 100000000ull,
                                 1000000000ull,
                                 10000000000ull,
                                 100000000000ull,
                                 1000000000000ull,
                                 10000000000000ull,
                                 100000000000000ull,
                                 1000000000000000ull,
                                 10000000000000000ull,
                                 100000000000000000ull,
                                 1000000000000000000ull};

constexpr uint64_t kMaxMag = static_cast<uint64_t>(INT64_MAX);
constexpr uint64_t kSaturated = ~0ull;  // a magnitude that saturates either way

// Magnitudes are unsigned, so |INT64_MIN| is representable.
uint64_t Mag(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

// The signed value of a magnitude, saturated at the 64-bit limits.
int64_t FromMag(uint64_t mag, bool negative) {
  if (!negative) return mag > kMaxMag ? INT64_MAX : static_cast<int64_t>(mag);
  if (mag > kMaxMag) return INT64_MIN;
  return -static_cast<int64_t>(mag);
}

uint64_t MulMag(uint64_t a, uint64_t b) {
  uint64_t r;
  return __builtin_mul_overflow(a, b, &r) ? kSaturated : r;
}

uint64_t AddMag(uint64_t a, uint64_t b) {
  uint64_t r;
  return __builtin_add_overflow(a, b, &r) ? kSaturated : r;
}

// mag / divisor rounded half away from zero; divisor > 0.
uint64_t DivRoundMag(uint64_t mag, uint64_t divisor) {
  uint64_t q = mag / divisor;
  uint64_t r = mag % divisor;
  return r >= divisor - r ? q + 1 : q;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int ClampInt(int64_t v, int lo, int hi) { return static_cast<int>(std::clamp<int64_t>(v, lo, hi)); }

// A number text taken apart: value = 0.d1d2d3... x 10^point, where the
// digits are the integer and decimal digits read, leading zeros skipped.
class NumText {
 public:
  explicit NumText(std::string_view t) { Parse(t); }

  bool negative() const { return negative_; }
  bool zero() const { return Length() == 0; }
  int point() const { return point_; }
  int64_t Length() const { return static_cast<int64_t>(int_.size() + frac_.size()) - first_; }
  // Digit i of the significant digits; '0' outside them.
  char Digit(int64_t i) const {
    if (i < 0 || i >= Length()) return '0';
    size_t k = static_cast<size_t>(i + first_);
    return k < int_.size() ? int_[k] : frac_[k - int_.size()];
  }

 private:
  // Beyond +-64 decimal places any value has saturated or rounded to zero.
  static constexpr int kPointLimit = 64;

  void Parse(std::string_view t) {
    size_t i = 0, n = t.size();
    while (i < n && IsBlank(t[i])) ++i;
    if (i < n && (t[i] == '-' || t[i] == '+')) negative_ = t[i++] == '-';
    size_t a = i;
    while (i < n && IsDigit(t[i])) ++i;
    int_ = t.substr(a, i - a);
    if (i < n && t[i] == '.') {
      size_t b = ++i;
      while (i < n && IsDigit(t[i])) ++i;
      frac_ = t.substr(b, i - b);
    }
    if (int_.empty() && frac_.empty()) return;
    int64_t exponent = ParseExponent(t, i);
    int64_t total = static_cast<int64_t>(int_.size() + frac_.size());
    while (first_ < total && Digit(0) == '0') ++first_;
    if (zero()) return;
    point_ = ClampInt(static_cast<int64_t>(int_.size()) - first_ + exponent, -kPointLimit, kPointLimit);
  }

  // "D", an optional sign and at least one digit; anything else is not an
  // exponent and ends the number. The size is capped, not accumulated.
  static int64_t ParseExponent(std::string_view t, size_t i) {
    size_t n = t.size();
    if (i >= n || t[i] != 'D') return 0;
    bool neg = false;
    if (++i < n && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
    int64_t e = 0;
    for (; i < n && IsDigit(t[i]); ++i) e = std::min<int64_t>(e * 10 + (t[i] - '0'), 100000);
    return neg ? -e : e;
  }

  bool negative_ = false;
  std::string_view int_;
  std::string_view frac_;
  int64_t first_ = 0;
  int point_ = 0;
};

// The number scaled by 10^decimals, rounded half away from zero.
int64_t ScaledValue(const NumText& num, int decimals) {
  if (num.zero()) return 0;
  int64_t keep = static_cast<int64_t>(num.point()) + decimals;
  if (keep > 19) return FromMag(kSaturated, num.negative());
  uint64_t mag = 0;
  for (int64_t i = 0; i < keep; ++i) mag = AddMag(MulMag(mag, 10), static_cast<uint64_t>(num.Digit(i) - '0'));
  if (num.Digit(keep) >= '5') mag = AddMag(mag, 1);
  return FromMag(mag, num.negative());
}

// Decimal digits of a magnitude, most significant first.
std::string MagDigits(uint64_t mag) {
  char tmp[24];
  int n = 0;
  do {
    tmp[n++] = static_cast<char>('0' + mag % 10);
    mag /= 10;
  } while (mag);
  std::string out;
  while (n) out.push_back(tmp[--n]);
  return out;
}

std::string DecimalText(int64_t v) {
  std::string digits = MagDigits(Mag(v));
  return v < 0 ? "-" + digits : digits;
}

// Copies text into a caller's buffer with its NUL, or answers 146 untouched.
StrValue ToBuffer(const std::string& text, char* buf, size_t capacity) {
  if (!buf || text.size() >= capacity || text.size() > kStrMaxLen) return StrErr(st::STRINGTOOLONG);
  std::copy(text.begin(), text.end(), buf);
  buf[text.size()] = 0;
  return StrValue{buf, static_cast<uint16_t>(text.size())};
}

}  // namespace

// --- Arithmetic --------------------------------------------------------------

int64_t Pow10(int n) {
  if (n <= 0) return 1;
  return n > 18 ? INT64_MAX : static_cast<int64_t>(kPow10[n]);
}

int64_t NumMulPow10(int64_t v, int n) {
  if (n <= 0 || v == 0) return v;
  uint64_t mag = n > 18 ? kSaturated : MulMag(Mag(v), kPow10[n]);
  return FromMag(mag, v < 0);
}

int64_t NumDivPow10(int64_t v, int n) {
  if (n <= 0) return v;
  if (n > 18) {
    // 10^19 exceeds every magnitude; only the upper half rounds to one.
    return Mag(v) >= 5000000000000000000ull ? (v < 0 ? -1 : 1) : 0;
  }
  return FromMag(DivRoundMag(Mag(v), kPow10[n]), v < 0);
}

int64_t Int64Rescale(int64_t v, int from, int to) {
  int64_t diff = static_cast<int64_t>(to) - from;
  if (diff >= 0) return NumMulPow10(v, ClampInt(diff, 0, 64));
  int k = ClampInt(-diff, 0, 64);
  if (k > 18) return Mag(v) >= 5000000000000000000ull ? FromMag(kSaturated, v < 0) : 0;
  uint64_t step = kPow10[k];
  return FromMag(MulMag(DivRoundMag(Mag(v), step), step), v < 0);
}

int64_t Int64DivRound(int64_t dividend, int64_t divisor) {
  if (divisor == 0) return 0;
  return FromMag(DivRoundMag(Mag(dividend), Mag(divisor)), (dividend < 0) != (divisor < 0));
}

Int64QuotRem Int64DivMod(int64_t dividend, int64_t divisor) {
  if (divisor == 0) return {};
  uint64_t a = Mag(dividend), b = Mag(divisor);
  return {FromMag(a / b, (dividend < 0) != (divisor < 0)), a % b};
}

// --- Text to numbers -----------------------------------------------------------

int64_t StrToLong(StrValue text) {
  std::string_view t = text.View();
  size_t i = 0, n = t.size();
  while (i < n && (IsBlank(t[i]) || (t[i] >= '\n' && t[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < n && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  uint64_t mag = 0;
  for (; i < n && IsDigit(t[i]); ++i) mag = AddMag(MulMag(mag, 10), static_cast<uint64_t>(t[i] - '0'));
  return FromMag(mag, negative);
}

namespace {

// StrToNum of a plain text (blanks, a sign, digits, a point, digits, then
// anything but an exponent) whose value cannot overflow: its digits read
// once. False for any other text.
bool PlainScaled(std::string_view t, int decimals, FixedNum* out) {
  size_t i = 0, n = t.size();
  while (i < n && IsBlank(t[i])) ++i;
  bool negative = false;
  if (i < n && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  while (i < n && t[i] == '0') ++i;  // leading zeros say nothing
  size_t a = i;
  while (i < n && IsDigit(t[i])) ++i;
  size_t whole = i - a;
  if (whole + static_cast<size_t>(decimals) > 18) return false;
  uint64_t mag = 0;
  for (size_t k = a; k < i; ++k) mag = mag * 10 + static_cast<uint64_t>(t[k] - '0');
  size_t b = i, frac = 0;
  if (i < n && t[i] == '.') {
    b = ++i;
    while (i < n && IsDigit(t[i])) ++i;
    frac = i - b;
  }
  if (i < n && t[i] == 'D') return false;
  for (int k = 0; k < decimals; ++k)
    mag = mag * 10 + (static_cast<size_t>(k) < frac ? static_cast<uint64_t>(t[b + k] - '0') : 0);
  if (frac > static_cast<size_t>(decimals) && t[b + decimals] >= '5') ++mag;
  *out = negative ? -static_cast<int64_t>(mag) : static_cast<int64_t>(mag);
  return true;
}

}  // namespace

FixedNum StrToNum(StrValue text) {
  if (text.IsError()) return 0;
  FixedNum v = 0;
  if (PlainScaled(text.View(), NumPrecis(), &v)) return v;
  return ScaledValue(NumText(text.View()), NumPrecis());
}

StrValue NumStrNormalise(StrValue text, int decimals, uint16_t* surplus) {
  if (surplus) *surplus = 0;
  if (Status e = StrError(text)) return StrErr(e);
  NumText num(text.View());
  int n = std::clamp(decimals, 0, 64);
  std::string out;
  if (num.negative()) out.push_back('-');
  if (num.zero()) {
    out.append(n ? static_cast<size_t>(n) : 1, '0');
    return StrFromView(out);
  }
  int64_t end = std::max<int64_t>(num.Length(), num.point() + n);
  // Integer digits from 0 when the point lies right of the first digit;
  // otherwise the decimals start with zeros left of it.
  for (int64_t i = std::min(0, num.point()); i < end; ++i) out.push_back(num.Digit(i));
  int64_t extra = end - (num.point() + n);
  if (surplus) *surplus = static_cast<uint16_t>(std::min<int64_t>(extra, 65535));
  return StrFromView(out);
}

FixedNum StrToIntNum(StrValue text) { return IntToNum(StrToInt(text)); }

FixedNum IntToNum(int16_t v) { return NumMulPow10(v, NumPrecis()); }

FixedNum Int64ToNum(int64_t v) { return NumMulPow10(v, NumPrecis()); }

// --- Numbers to text -------------------------------------------------------------

StrValue NumFormatDec(int64_t v, int decimals) {
  const int n = std::clamp(decimals, 0, 64);
  // The digits, at least n of them (zeros before), right to left.
  char digits[96];
  char* const end = digits + sizeof digits;
  char* first = end;
  uint64_t mag = Mag(v);
  do {
    *--first = static_cast<char>('0' + mag % 10);
    mag /= 10;
  } while (mag);
  while (end - first < n) *--first = '0';
  // Trailing zeros of the decimals dropped, then the point before the rest.
  char* last = end;
  int k = n;
  while (k > 0 && last[-1] == '0') {
    --last;
    --k;
  }
  char out[100];
  size_t o = 0;
  if (v < 0) out[o++] = '-';
  auto whole = static_cast<size_t>(last - first - k);
  std::memcpy(out + o, first, whole);
  o += whole;
  if (k > 0) {
    out[o++] = '.';
    std::memcpy(out + o, first + whole, static_cast<size_t>(k));
    o += static_cast<size_t>(k);
  }
  return StrFromView(std::string_view(out, o));
}

StrValue NumToStr(FixedNum v) { return NumFormatDec(v, NumPrecis()); }

StrValue Int64ToStr(int64_t v) { return NumFormatDec(v, 0); }

// --- Raw number strings ------------------------------------------------------------

StrValue NumBytes(int64_t v) {
  char* p = StrAreaAllocPtr(8, 255);
  if (!p) return StrErr(st::OUTOFMEMORY);
  uint64_t u = static_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xff);
  return StrValue{p, 8};
}

StrValue NumIntToBytes(int64_t v) { return NumBytes(NumMulPow10(v, NumPrecis())); }

StrValue NumStrToBytes(StrValue text) { return NumBytes(StrToNum(text)); }

int64_t NumFromBytes(StrValue raw) {
  if (raw.IsError() || raw.len == 0) return 0;
  if (raw.len != 8) return -1;
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(raw.ptr[i]);
  return static_cast<int64_t>(u);
}

int64_t StrTopToInt64() { return NumFromBytes(StrAreaTop()); }

int64_t NumResultToInt() { return NumDivPow10(StrTopToInt64(), NumPrecis()); }

StrValue NumResultToStr() { return NumToStr(StrTopToInt64()); }

// --- Integer text ------------------------------------------------------------------

StrValue IntToStrBuf(int16_t v, char* buf, size_t capacity) { return ToBuffer(DecimalText(v), buf, capacity); }

StrValue IntToStr(int16_t v) { return StrFromView(DecimalText(v)); }

// A zero fill goes between the sign and the digits, so the padded text still
// reads back as the same number; any other fill goes in front of the sign.
StrValue IntToStrPad(int64_t v, uint16_t width, char fill, char* buf, size_t capacity) {
  std::string text = DecimalText(v);
  if (text.size() < width) {
    size_t at = (fill == '0' && v < 0) ? 1 : 0;
    text.insert(at, width - text.size(), fill);
  }
  return ToBuffer(text, buf, capacity);
}

StrValue IntToRadix(int64_t v, char* buf, size_t capacity, int radix) {
  if (radix < 2 || radix > 36) return StrErr(st::BADINPUTDATA);
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  uint64_t mag = Mag(v);
  std::string text;
  do {
    text.push_back(kDigits[mag % static_cast<uint64_t>(radix)]);
    mag /= static_cast<uint64_t>(radix);
  } while (mag);
  if (v < 0) text.push_back('-');
  std::reverse(text.begin(), text.end());
  return ToBuffer(text, buf, capacity);
}
