#include <random>
#include <string>

#include "runtime/strutil.h"
#include "test_format_fixture.h"

namespace {

class MaskTest : public FormatTest {};

struct MaskCase {
  const char* mask;
  const char* number;
  const char* want;
};

// Number masks in the fixed locale, for display.
TEST_F(MaskTest, NumberMaskFillsRoundsAndNeverLosesDigits) {
  const MaskCase cases[] = {
      {"#,##0.00", "1234.5", "1,234.50"},
      {"#,##0.00", "-5", "   -5.00"},
      {"#,##0.00", "", "    0.00"},
      {"#,##0.00", "-", "    0.00"},
      {"#,##0.00", ".5", "    0.50"},
      {"#,##0.00", "-.5", "   -0.50"},
      {"#,##0.00", "-0.001", "    0.00"},  // no sign on a zero
      {"#,##0.00", "-123", " -123.00"},
      {"#,##0.00", "-1234", "-1234.00"},  // the separator gives its place
      {"#,##0.00", "9999.996", "10000.00"},
      {"#,##0.00", "1234567", "1234567."},  // decimals given up, point kept
      {"#,##0.00", "12345678", "********"},
      {"#,##0.00", "1,234.5", "1,234.50"},
      {"#,##0.00", "1.5D3", "1,500.00"},
      {"#,##0.00", "  42  ", "   42.00"},
      {"##,##0.00", "-1234", "-1,234.00"},
      {"##0.0", "12.34", " 12.3"},
      {"##0.0", "12.35", " 12.4"},
      {"##0.0", "-12.35", "-12.4"},
      {"##0.0", "12.345", " 12.3"},  // rounded once, from the text
      {"##0.0", "999.96", "1000."},
      {"##0.0000", "1.23456", "  1.2346"},  // more decimals than _PRECIS
      {"##0", "-123", "***"},
      {"##0", "-12", "-12"},
      {"##0", "0.4", "  0"},
      {"###", "0", "  0"},
      {"##.##", "", "     "},
      {"##.##", ".5", " 0.50"},
      {".##", ".156", ".16"},  // a leading point is the decimal point, not a literal
      {".##", "-.15", "-.2"},
      {".##", "", "   "},
      {"No.###", "12", "No. 12"},  // a point inside the literal text stays one
      {"0,000", "5", "0,005"},
      {"000", "-5", "-05"},
      {"$#,##0.00 EUR", "1234.5", "$1,234.50 EUR"},
      {"$#,##0.00 EUR", "123456789", "$******** EUR"},
      {"##0.00", "1-2", "##0.00"},  // not a number: the mask unchanged
      {"##0.00", "1.2.3", "##0.00"},
      {"ABC", "12", "ABC"},
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(FmtNumMask(S(c.mask), S(c.number), true).Str(), c.want) << c.mask << " <- '" << c.number << "'";
  }
}

// A plain number text and the same value written with an exponent take
// different ways through the parser; every mask shows them alike (the
// exponent form, normalised first, is the model).
TEST_F(MaskTest, PlainAndExponentTextsOfOneValueShowAlike) {
  const char* const masks[] = {"#,##0.00", "##,###,##0.00", "##0.0", "##0", "000", ".##", "0,000", "###,###.####",
                               "No.###", "$#,##0.00 EUR", "##.##"};
  std::mt19937 rng(7801);
  for (int k = 0; k < 4000; ++k) {
    std::string whole = std::to_string(rng() % 100000000 / (1u << (rng() % 24)));
    if (rng() % 4 == 0) whole = std::string(rng() % 3, '0') + whole;  // leading zeros
    std::string frac;
    for (int d = static_cast<int>(rng() % 7); d > 0; --d) frac += static_cast<char>('0' + rng() % 10);
    bool negative = rng() % 3 == 0;
    std::string sign = negative ? "-" : rng() % 5 == 0 ? "+" : "";
    std::string plain = sign + (rng() % 6 == 0 ? "" : whole) + (frac.empty() && rng() % 2 ? "" : "." + frac);
    if (plain == sign || plain == sign + ".") continue;  // no digits: another way again
    // The same value as digits without a point and an exponent.
    std::string digits = (plain.find('.') == std::string::npos ? plain.substr(sign.size())
                                                               : plain.substr(sign.size(), plain.find('.') - sign.size()) +
                                                                     plain.substr(plain.find('.') + 1));
    if (digits.empty()) continue;
    size_t decimals = plain.find('.') == std::string::npos ? 0 : plain.size() - plain.find('.') - 1;
    std::string coded = sign + digits + "D-" + std::to_string(decimals);
    for (const char* mask : masks) {
      for (bool fixed : {true, false}) {
        const StrAreaScope scope;
        EXPECT_EQ(FmtNumMask(S(mask), S(plain), fixed).Str(), FmtNumMask(S(mask), S(coded), fixed).Str())
            << mask << " <- '" << plain << "' / '" << coded << "'";
      }
    }
  }
}

TEST_F(MaskTest, StoredNumbersAnswer168InsteadOfTheMarker) {
  EXPECT_EQ(StrError(FmtNumMaskStored(S("##0"), S("-123"), true)), st::DATAOUTBOUND);
  EXPECT_EQ(StrError(FmtNumMaskStored(S("#,##0.00"), S("12345678"), true)), st::DATAOUTBOUND);
  EXPECT_EQ(FmtNumMaskStored(S("#,##0.00"), S("1234567"), true).Str(), "1234567.");
  EXPECT_EQ(StrError(FmtNumMaskStored(S("##0"), StrErr(st::FILEIO), true)), st::FILEIO);
}

TEST_F(MaskTest, LocaleCharactersOnlyWhereAsked) {
  Spanish();
  EXPECT_EQ(FmtNumMask(S("#,##0.00"), S("1234.5"), false).Str(), "1.234,50");
  EXPECT_EQ(FmtNumMask(S("#,##0.00"), S("1234.5"), true).Str(), "1,234.50");
  EXPECT_EQ(FmtApplyMask(S("#,##0.00"), S("-123.5")).Str(), " -123,50");
  EXPECT_EQ(FmtApplyMask(S("##,##0.00"), S("-1234.5")).Str(), "-1.234,50");
  EXPECT_EQ(FmtMaskMode(S("#,##0.00"), S("1234.5"), 1).Str(), "1,234.50");
  EXPECT_EQ(FmtMaskForType('2', 6, false).Str(), "###,##");
  EXPECT_EQ(FmtMaskForType('2', 6, true).Str(), "###.##");
}

TEST_F(MaskTest, MaskModeChoosesNumberTextOrNothing) {
  struct Case {
    const char* mask;
    const char* value;
    int mode;
    const char* want;
  } cases[] = {
      {"NO MASK", "12", 255, "NO MASK"},
      {"##0.0", "12.34", 255, " 12.3"},
      {"##0.0", "12x", 255, "##0.0"},    // not a number: the number mask as it is
      {"##0.0", "12.34", 0, "##0.0"},    // mode 0 never fills numbers
      {"##0.0", "abc", 1, "##0.0"},      // mode 1 always tries the number
      {"#\\-##", "AB", 255, "#A-##"},    // a number mask holding "\" is a text mask
      {"\\\\-\\\\", "ABCD", 0, "AB-CD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FmtMaskMode(S(c.mask), S(c.value), c.mode).Str(), c.want) << c.mask << " " << c.value;
  }
}

TEST_F(MaskTest, TextMasks) {
  struct Case {
    const char* mask;
    const char* value;
    const char* want;
  } cases[] = {
      {"\\\\LANGVARS.DAT", "CO", "COLANGVARS.DAT"},
      {"COM\\:", "1:", "COM1:"},
      {"(\\   \\)", "ABCDEFG", "(ABCDE)"},  // a blank run widens the field
      {"(\\ x \\)", "ABC", "(A x B)"},      // only blanks make a run
      {"\\\\\\", "A", "A  "},
      {"\?\?-\?\?", "ABCDE", "AB-DE"},          // "?" first: same position
      {"\\?-?", "XYZW", "XY-Z"},            // "?" after "\": next character
  };
  for (const auto& c : cases) {
    StrValue mask = S(c.mask);
    uint16_t first = StrFindAny(mask, StrFromC("\\?#0"), kSearchPlain);
    EXPECT_EQ(FmtTextMask(mask, S(c.value), first).Str(), c.want) << c.mask;
  }
}

TEST_F(MaskTest, CompactMasksExpand) {
  struct Case {
    const char* compact;
    const char* decimalsSetting;
    const char* want;
  } cases[] = {
      {"#########0,.2", "", "##,###,##0.00"},
      {"#####0,.0", "", "#,###,##0"},
      {"$######0,.2 EUR", "", "$###,##0.00 EUR"},
      {"#########0,.2", "0,3,4", "####,##0.0000"},  // item d + 1 replaces d
      {"#########0,.1", "0,0,4", "#,###,###,##0"},   // 0 there: no decimals
      {"#########0,.5", "0,3", "###,##0.00000"},  // absent item keeps d
      {"##0,.9", "", "0.0000"},                      // room for a digit and the point
      {"##0", "", "##0"},
      {",.2", "", ",.2"},
      {"'a,.b'##,.1", "", "'a,.b'###.#"},  // the quoted ",." does not count
  };
  for (const auto& c : cases) {
    ASSERT_EQ(DynStrSet(SettingsList, SetDecimalsItem, S(c.decimalsSetting)), 0);
    EXPECT_EQ(FmtMaskLocalise(S(c.compact)).Str(), c.want) << c.compact << " / " << c.decimalsSetting;
  }
}

TEST_F(MaskTest, MasksForTypesAndCodes) {
  struct Case {
    char letter;
    int32_t width;
    const char* want;
  } cases[] = {
      {'2', 10, "#######.##"}, {'N', 4, "####"},   {'A', 3, "\\\\\\"}, {'D', 2, "\\\\"},
      {'5', 3, "###"},         {'2', 3, ".##"},    {'0', 2, "##"},     {'N', 0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FmtMaskForType(c.letter, c.width, true).Str(), c.want) << c.letter << c.width;
  EXPECT_EQ(StrError(FmtMaskForType('N', 70000, true)), st::STRINGTOOLONG);

  EXPECT_EQ(FmtNumMaskDefault(S("N10")).Str(), "##########");
  EXPECT_EQ(FmtNumMaskDefault(S("210")).Str(), "#######.##");
  EXPECT_EQ(FmtNumMaskDefault(S("#########0,.2")).Str(), "##,###,##0.00");
  EXPECT_EQ(FmtNumMaskDefault(S("N")).Str(), "N");
  EXPECT_EQ(FmtNumMaskDefault(S("N1x")).Str(), "N1x");
}

TEST_F(MaskTest, TypedNumbersSkipSeparatorsOfTheLocale) {
  struct Case {
    const char* typed;
    const char* want;
  } english[] = {
      {"1,234.50", "1234.50"}, {"  -12.5 ", "-12.5"}, {"007", "7"},     {"0", "0"},
      {"0.5", "0.5"},          {"-0.5", "-0.5"},     {"12a3", "12"},   {"5-3", "5"},
      {"1.2.3", "1.2"},        {"1D-3", "1D-3"},     {"D3", ""},       {"", ""},
      {"1,2,3", "123"},        {"€5", ""},
  },
    spanish[] = {
        {"1.234,56", "1234.56"}, {"12,5", "12.5"}, {"12.5", "125"}, {"-0,5", "-0.5"}, {"1.234.567", "1234567"},
    };
  for (const auto& c : english) EXPECT_EQ(FmtNumParse(S(c.typed)).Str(), c.want) << c.typed;
  Spanish();
  for (const auto& c : spanish) EXPECT_EQ(FmtNumParse(S(c.typed)).Str(), c.want) << c.typed;
  EXPECT_EQ(FmtNumParse(S("12345678901234567890")).Str(), "12345678901234567890");
  EXPECT_EQ(StrError(FmtNumParse(S("123456789012345678901"))), st::DATAOUTBOUND);
  // Separators are not taken, so they do not count against the limit.
  EXPECT_EQ(FmtNumParse(S("1.234.567.890.123.456.789")).Str(), "1234567890123456789");
}

}  // namespace
