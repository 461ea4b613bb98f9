#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "runtime/fixednum.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }

// Sets the precision for one test and restores the default.
struct PrecisScope {
  explicit PrecisScope(int p) { NumPrecisSet(p); }
  ~PrecisScope() { NumPrecisSet(2); }
};

class FixedNumTest : public RuntimeTest {};

TEST(FixedNumArith, DivRoundIsHalfAwayFromZeroAndNeverOverflows) {
  struct Case {
    int64_t a, b, want;
  } cases[] = {
      {15, 10, 2},          {-15, 10, -2},          {14, 10, 1},   {5, 10, 1},
      {-5, 10, -1},         {-7, 10, -1},           {4, 10, 0},    {15, -10, -2},
      {-15, -10, 2},        {7, 0, 0},              {INT64_MIN, -1, INT64_MAX},
      {INT64_MIN, 1, INT64_MIN}, {INT64_MAX, INT64_MIN, -1}, {INT64_MIN, 2, INT64_MIN / 2},
  };
  for (const Case& c : cases) EXPECT_EQ(Int64DivRound(c.a, c.b), c.want) << c.a << "/" << c.b;
}

TEST(FixedNumArith, DivModGivesSignedQuotientAndAbsoluteRemainder) {
  struct Case {
    int64_t a, b, q;
    uint64_t r;
  } cases[] = {
      {17, 5, 3, 2},   {-17, 5, -3, 2}, {17, -5, -3, 2}, {-17, -5, 3, 2},
      {4, 9, 0, 4},    {9, 0, 0, 0},    {INT64_MIN, -1, INT64_MAX, 0},
      {INT64_MIN, 10, INT64_MIN / 10, 8},
  };
  for (const Case& c : cases) {
    Int64QuotRem qr = Int64DivMod(c.a, c.b);
    EXPECT_EQ(qr.quotient, c.q) << c.a << "/" << c.b;
    EXPECT_EQ(qr.remainder, c.r) << c.a << "/" << c.b;
  }
}

TEST(FixedNumArith, RescaleRoundsToAMultipleOrMultipliesAndSaturates) {
  struct Case {
    int64_t v;
    int from, to;
    int64_t want;
  } cases[] = {
      {1005, 1, 0, 1010},   {-1005, 1, 0, -1010}, {12345, 3, 1, 12300},  {12350, 3, 1, 12400},
      {-12350, 3, 1, -12400}, {12345, 2, 2, 12345}, {123, 0, 2, 12300},   {-123, 1, 4, -123000},
      {INT64_MAX, 0, 1, INT64_MAX}, {INT64_MIN, 0, 3, INT64_MIN},
      {INT64_MAX, 1, 0, INT64_MAX},  // the rounded multiple would not fit
      {4999999999999999999, 19, 0, 0}, {INT64_MIN, 25, 0, INT64_MIN}, {0, 0, 40, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Int64Rescale(c.v, c.from, c.to), c.want) << c.v << " " << c.from << "->" << c.to;
}

TEST(FixedNumArith, PowersOfTenSaturateBeyondEighteen) {
  EXPECT_EQ(Pow10(0), 1);
  EXPECT_EQ(Pow10(-3), 1);
  EXPECT_EQ(Pow10(18), 1000000000000000000);
  EXPECT_EQ(Pow10(19), INT64_MAX);
  EXPECT_EQ(NumMulPow10(-92233720368547759, 2), INT64_MIN);
  EXPECT_EQ(NumMulPow10(92233720368547759, 2), INT64_MAX);
  EXPECT_EQ(NumMulPow10(5, 30), INT64_MAX);
  EXPECT_EQ(NumDivPow10(INT64_MAX, 19), 1);
  EXPECT_EQ(NumDivPow10(-4999999999999999999, 19), 0);
  EXPECT_EQ(NumDivPow10(-250, 2), -3);
}

TEST_F(FixedNumTest, FormatDecDropsTrailingZerosAndForcesNoIntegerDigit) {
  struct Case {
    int64_t v;
    int n;
    const char* want;
  } cases[] = {
      {12345, 2, "123.45"}, {12340, 2, "123.4"}, {12300, 2, "123"}, {5, 2, ".05"},
      {-5, 2, "-.05"},      {0, 2, ""},          {0, 0, "0"},       {100, 2, "1"},
      {INT64_MIN, 0, "-9223372036854775808"},    {INT64_MAX, 18, "9.223372036854775807"},
      {7, -4, "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(NumFormatDec(c.v, c.n).View(), c.want) << c.v << "," << c.n;
  EXPECT_EQ(Int64ToStr(0).View(), "0");
  EXPECT_EQ(Int64ToStr(-42).View(), "-42");
}

TEST_F(FixedNumTest, StrToNumReadsTheNumberPrefixScaledAndRounded) {
  struct Case {
    const char* text;
    int64_t want;
  } cases[] = {
      {"1.005", 101},     {"-1.005", -101},  {"1D2", 10000},       {".5", 50},
      {"7", 700},         {"abc", 0},        {"", 0},              {"  -3.1", -310},
      {"+2", 200},        {"12abc", 1200},   {"1 000", 100},       {"1,234.50", 100},
      {"1.5D2", 15000},   {"15D-1", 150},    {"1D", 100},          {"2Dx", 200},
      {"1.004999", 100},  {"-0.005", -1},    {"0.004", 0},         {"000000000000000000000001.25", 125},
      {"1D9999", INT64_MAX},                 {"-1D9999", INT64_MIN}, {"1D-9999", 0},
      {"1234567890123456789012345", INT64_MAX}, {"92233720368547758.07", INT64_MAX},
      {"92233720368547758.08", INT64_MAX},   {"-92233720368547758.08", INT64_MIN},
      {"-", 0},           {".", 0},          {"- 5", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToNum(S(c.text)), c.want) << '"' << c.text << '"';
  EXPECT_EQ(StrToNum(StrErr(st::BADINPUTDATA)), 0);
}

// A plain text and the same value written with an exponent are read by
// different ways; at every precision they read alike, and a number written
// out reads back as itself.
TEST_F(FixedNumTest, PlainAndExponentTextsReadAlike) {
  std::mt19937_64 rng(7802);
  for (int precis : {0, 2, 5, 9, 16, 18}) {
    const PrecisScope scope(precis);
    for (int k = 0; k < 3000; ++k) {
      std::string whole = std::to_string(rng() >> (rng() % 64));
      if (rng() % 4 == 0) whole = std::string(rng() % 4, '0') + whole;
      std::string frac;
      for (int d = static_cast<int>(rng() % 22); d > 0; --d) frac += static_cast<char>('0' + rng() % 10);
      std::string sign = rng() % 3 == 0 ? "-" : rng() % 6 == 0 ? "+" : "";
      std::string lead(rng() % 3, ' ');
      std::string plain = lead + sign + whole + (frac.empty() ? "" : "." + frac) + (rng() % 4 == 0 ? "xyz" : "");
      std::string coded = lead + sign + whole + frac + "D-" + std::to_string(frac.size());
      ASSERT_EQ(StrToNum(S(plain.c_str())), StrToNum(S(coded.c_str()))) << precis << " '" << plain << "' / '" << coded << "'";
      auto v = static_cast<int64_t>(rng());
      const StrAreaScope area;
      if (v != INT64_MIN) {
        EXPECT_EQ(StrToNum(NumToStr(v)), v) << precis << " " << v;
      }
    }
  }
}

TEST_F(FixedNumTest, PrecisionIsReadAtEveryConversionAndClamped) {
  EXPECT_EQ(NumToStr(12345).View(), "123.45");
  {
    PrecisScope p(3);
    EXPECT_EQ(NumToStr(12345).View(), "12.345");
    EXPECT_EQ(StrToNum(S("1.0005")), 1001);
    EXPECT_EQ(IntToNum(-7), -7000);
  }
  {
    PrecisScope p(40);
    EXPECT_EQ(NumPrecis(), 18);
    EXPECT_EQ(IntToNum(32767), INT64_MAX);
    EXPECT_EQ(StrToNum(S("9.2233720368547758075")), INT64_MAX);
  }
  {
    PrecisScope p(-5);
    EXPECT_EQ(NumPrecis(), 0);
    EXPECT_EQ(StrToNum(S("2.5")), 3);
  }
  EXPECT_EQ(Int64ToNum(-12), -1200);
  EXPECT_EQ(StrToIntNum(S("si")), 100);
  EXPECT_EQ(StrToIntNum(S("On")), 100);
  EXPECT_EQ(StrToIntNum(S("12abc")), 1200);
  EXPECT_EQ(StrToIntNum(S("70000")), 446400);  // 16-bit, as the integer conversion wraps
}

TEST_F(FixedNumTest, NormaliseAppendsDecimalsAndCountsSurplus) {
  struct Case {
    const char* text;
    int n;
    const char* want;
    uint16_t surplus;
  } cases[] = {
      {"1.005", 2, "1005", 1}, {"-1.005", 2, "-1005", 1}, {".5", 2, "50", 0},     {"7", 2, "700", 0},
      {"0.05", 2, "05", 0},    {"1.5D2", 2, "15000", 0},  {"12.3456", 0, "123456", 4},
      {"abc", 2, "00", 0},     {"1.25D-3", 2, "00125", 3},
  };
  for (const Case& c : cases) {
    uint16_t s = 99;
    EXPECT_EQ(NumStrNormalise(S(c.text), c.n, &s).View(), c.want) << c.text;
    EXPECT_EQ(s, c.surplus) << c.text;
  }
}

TEST(FixedNumText, StrToLongIsTheCDecimalConversionSaturated) {
  struct Case {
    const char* text;
    int64_t want;
  } cases[] = {
      {" \t-42x", -42},  {"+7", 7},  {"", 0}, {"x1", 0}, {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
      {"-99999999999999999999", INT64_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToLong(S(c.text)), c.want) << c.text;
}

TEST_F(FixedNumTest, RawNumberStringsAreLittleEndianAndReadBackFromTheTop) {
  StrValue raw = NumBytes(0x0102030405060708);
  ASSERT_EQ(raw.len, 8);
  const unsigned char want[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  EXPECT_EQ(std::memcmp(raw.ptr, want, 8), 0);
  EXPECT_EQ(StrTopToInt64(), 0x0102030405060708);

  NumStrToBytes(S("-12.345"));
  EXPECT_EQ(StrTopToInt64(), -1235);
  EXPECT_EQ(NumResultToInt(), -12);
  EXPECT_EQ(NumResultToStr().View(), "-12.35");

  NumIntToBytes(3);
  EXPECT_EQ(StrTopToInt64(), 300);

  StrFromView("abc");
  EXPECT_EQ(StrTopToInt64(), -1);  // wrong length
  StrFromView("");
  EXPECT_EQ(StrTopToInt64(), 0);
  EXPECT_EQ(NumFromBytes(StrErr(st::OUTOFMEMORY)), 0);
}

TEST_F(FixedNumTest, IntegerTextRespectsTheBufferItIsGiven) {
  EXPECT_EQ(IntToStr(-32768).View(), "-32768");
  char buf[7];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(IntToStrBuf(-32768, buf, 6).len, st::STRINGTOOLONG);  // needs 7 with the NUL
  EXPECT_EQ(buf[0], '#');
  StrValue v = IntToStrBuf(-32768, buf, 7);
  EXPECT_EQ(v.View(), "-32768");
  EXPECT_EQ(buf[6], 0);

  struct Pad {
    int64_t v;
    uint16_t width;
    char fill;
    const char* want;
  } pads[] = {
      {42, 5, '0', "00042"}, {42, 5, ' ', "   42"}, {-42, 5, '0', "-0042"},
      {-42, 5, '*', "**-42"}, {123456, 3, '0', "123456"},
  };
  char pbuf[16];
  for (const Pad& p : pads) EXPECT_EQ(IntToStrPad(p.v, p.width, p.fill, pbuf, sizeof pbuf).View(), p.want) << p.want;
  EXPECT_TRUE(IntToStrPad(1, 16, '0', pbuf, sizeof pbuf).IsError());
}

TEST_F(FixedNumTest, RadixTextUsesDigitsAndLettersAndRefusesBadRadixes) {
  struct Case {
    int64_t v;
    int radix;
    const char* want;
  } cases[] = {
      {255, 16, "FF"}, {0, 2, "0"}, {-10, 2, "-1010"}, {35, 36, "Z"}, {1295, 36, "ZZ"},
      {INT64_MIN, 16, "-8000000000000000"},
  };
  char buf[80];
  for (const Case& c : cases) EXPECT_EQ(IntToRadix(c.v, buf, sizeof buf, c.radix).View(), c.want) << c.want;
  EXPECT_EQ(IntToRadix(INT64_MIN, buf, sizeof buf, 2).View(), "-1" + std::string(63, '0'));
  for (int radix : {0, 1, 37, -16}) EXPECT_EQ(StrError(IntToRadix(10, buf, sizeof buf, radix)), st::BADINPUTDATA) << radix;
  EXPECT_EQ(StrError(IntToRadix(255, buf, 2, 16)), st::STRINGTOOLONG);
}

}  // namespace
