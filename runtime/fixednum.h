// Fixed-point numbers and integer text.
//
// Script numbers are FixedNum values: signed 64-bit integers scaled by
// 10^precision, so amounts are exact in decimal. The precision is the script's
// _PRECIS, which the variables module hands over through NumPrecisSet; it is
// read again at every conversion (changing it changes how stored integers
// read) and is clamped to 0-18, the powers of ten that fit 64 bits.
//
// Number text: optional blanks, a sign, integer digits, "." and decimals, then
// optionally "D" and a signed exponent that moves the decimal point (1D3 is
// 1000, 1.5D2 is 150, 15D-1 is 1.5). Reading stops at the first character
// that cannot continue the number, so "12abc" reads 12; a text with no digit
// reads 0. Surplus decimals round half away from zero.
//
// Nothing here fails or traps: bad text gives 0, a divisor of 0 gives 0, and
// every result beyond the 64-bit range saturates at INT64_MAX / INT64_MIN
// (no signed overflow is ever evaluated). Writers into a caller's buffer take
// its capacity and answer the error string 146 when the text (and its NUL)
// does not fit, writing nothing; a radix outside 2-36 answers 163.
//
// Numbers travel between operations as 8 raw little-endian bytes on top of
// the string area; an empty top reads 0, any other length but 8 reads -1.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/strvalue.h"

using FixedNum = int64_t;

constexpr int kNumMaxPrecis = 18;

// --- Precision -------------------------------------------------------------
namespace numdetail {
inline int g_precis = 2;
}
inline void NumPrecisSet(int precis) { numdetail::g_precis = precis; }  // stores the script's _PRECIS (default 2)
inline int NumPrecis() {  // the stored value clamped to 0-18
  int p = numdetail::g_precis;
  return p < 0 ? 0 : p > kNumMaxPrecis ? kNumMaxPrecis : p;
}

// --- Arithmetic ------------------------------------------------------------
int64_t Pow10(int n);  // 1 for n <= 0, saturated for n >= 19
int64_t NumMulPow10(int64_t v, int n);
int64_t NumDivPow10(int64_t v, int n);
int64_t Int64Rescale(int64_t v, int from, int to);
int64_t Int64DivRound(int64_t dividend, int64_t divisor);

struct Int64QuotRem {
  int64_t quotient = 0;
  uint64_t remainder = 0;  // absolute
};
Int64QuotRem Int64DivMod(int64_t dividend, int64_t divisor);

// --- Text to numbers -------------------------------------------------------
int64_t StrToLong(StrValue text);  // blanks, sign, digits; 0 when none
FixedNum StrToNum(StrValue text);
// The digits of a number text with exactly `decimals` decimals behind the
// integer digits, then the surplus decimals, whose count goes to *surplus.
StrValue NumStrNormalise(StrValue text, int decimals, uint16_t* surplus);
FixedNum StrToIntNum(StrValue text);
FixedNum IntToNum(int16_t v);
FixedNum Int64ToNum(int64_t v);

// --- Numbers to text (results in the string area) ---------------------------
StrValue NumFormatDec(int64_t v, int decimals);
StrValue NumToStr(FixedNum v);
StrValue Int64ToStr(int64_t v);

// --- Raw number strings ------------------------------------------------------
StrValue NumBytes(int64_t v);
StrValue NumIntToBytes(int64_t v);
StrValue NumStrToBytes(StrValue text);
int64_t NumFromBytes(StrValue raw);  // 0 when empty or an error, -1 unless 8 bytes
int64_t StrTopToInt64();
int64_t NumResultToInt();
StrValue NumResultToStr();

// --- Integer text --------------------------------------------------------------
StrValue IntToStrBuf(int16_t v, char* buf, size_t capacity);
StrValue IntToStr(int16_t v);
StrValue IntToStrPad(int64_t v, uint16_t width, char fill, char* buf, size_t capacity);
StrValue IntToRadix(int64_t v, char* buf, size_t capacity, int radix);
