// TEMPORARY STAND-IN, private to the variables module: the few operations of
// fixed-point numbers that the variables use, until that module is merged.
// Delete this file then and include runtime/fixednum.h instead.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/strvalue.h"

namespace var_standin {

// --- fixed-point numbers ---
inline int& Precis() {
  static int p = 2;
  return p;
}
inline void NumPrecisSet(int p) { Precis() = p; }
inline int NumPrecis() { return Precis() < 0 ? 0 : Precis() > 18 ? 18 : Precis(); }
inline int64_t Pow10(int n) {
  int64_t v = 1;
  for (int i = 0; i < n && i < 18; ++i) v *= 10;
  return v;
}
inline int64_t Int64DivRound(int64_t a, int64_t b) {
  if (b == 0) return 0;
  int64_t q = a / b, r = a % b;
  if (2 * (r < 0 ? -r : r) >= (b < 0 ? -b : b)) q += ((a < 0) != (b < 0)) ? -1 : 1;
  return q;
}
inline int64_t StrToNum(StrValue t) {
  std::string s(t.View());
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = i < s.size() && s[i] == '-';
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  int64_t v = 0;
  int dec = -1;
  for (; i < s.size(); ++i) {
    if (s[i] == '.' && dec < 0) {
      dec = 0;
      continue;
    }
    if (s[i] < '0' || s[i] > '9') break;
    if (dec >= 0 && dec >= NumPrecis()) continue;
    v = v * 10 + (s[i] - '0');
    if (dec >= 0) ++dec;
  }
  if (dec < 0) dec = 0;
  v *= Pow10(NumPrecis() - dec);
  return neg ? -v : v;
}
inline StrValue NumBytes(int64_t v) {
  char b[8];
  std::memcpy(b, &v, 8);
  return StrDup(StrMake(b, 8));
}
inline int64_t NumFromBytes(StrValue raw) {
  if (raw.IsError() || raw.len == 0) return 0;
  if (raw.len != 8) return -1;
  int64_t v;
  std::memcpy(&v, raw.ptr, 8);
  return v;
}

}  // namespace var_standin
