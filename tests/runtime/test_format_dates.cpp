#include "test_format_fixture.h"

namespace {

class LocaleTest : public FormatTest {};
class DateFmtTest : public FormatTest {};

TEST_F(LocaleTest, ParsesBothCataloguesAndToleratesTheTail) {
  // The message table's texts read back as exactly the built-in locale.
  std::string text = BuiltinLocaleText();
  ASSERT_GT(text.size(), 20u);
  LocaleTexts en = LocaleParse(S(text));
  const LocaleTexts& builtin = LocaleGet(true);
  EXPECT_EQ(en.decimal, builtin.decimal);
  EXPECT_EQ(en.separator, builtin.separator);
  EXPECT_EQ(en.allowed, builtin.allowed);
  EXPECT_EQ(en.letters, builtin.letters);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(en.words[i], builtin.words[i]);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(en.months[i], builtin.months[i]);
  EXPECT_EQ(en.longTemplate, builtin.longTemplate);
  EXPECT_EQ(builtin.words[2], "YES");
  EXPECT_EQ(builtin.months[2], "March");

  LocaleTexts es = LocaleParse(S(LocaleText(kSpanish0019, kSpanish0117) + "garbage\0more"));
  EXPECT_EQ(es.decimal, ',');
  EXPECT_EQ(es.separator, '.');
  EXPECT_EQ(es.allowed, "0123456789,-D");
  EXPECT_EQ(es.letters, " NS");
  EXPECT_EQ(es.words[1], "NO");
  EXPECT_EQ(es.words[2], "SI");
  EXPECT_EQ(es.months[2], "Marzo");
  EXPECT_EQ(es.longTemplate, "[D] de [M] de [Y]");
}

// Every missing or unusable part comes from the built-in texts; the rest of
// the catalogue text is still used.
TEST_F(LocaleTest, MalformedPartsFallBackOneByOne) {
  struct Case {
    const char* id;
    std::string text;
    char decimal, separator;
    const char* letters;
    const char* word2;
    const char* month12;
    const char* templ;
  } cases[] = {
      {"empty", "", '.', ',', " NY", "YES", "December", "[M] [D],[Y]"},
      {"one char", ",", '.', ',', " NY", "YES", "December", "[M] [D],[Y]"},
      {"same chars", "..'0123456789',' SN'", '.', ',', " SN", "YES", "December", "[M] [D],[Y]"},
      {"digit separator", ".0", '.', ',', " NY", "YES", "December", "[M] [D],[Y]"},
      {"no lists", ",.", ',', '.', " NY", "YES", "December", "[M] [D],[Y]"},
      {"short letters, two words", ",.'0123456789',' S',' ,SI'", ',', '.', " NY", "YES", "December",
       "[M] [D],[Y]"},
      {"eleven months", std::string(",.") + '\0' + "'a,b,c,d,e,f,g,h,i,j,k','[Y]'", ',', '.', " NY", "YES",
       "December", "[Y]"},
      {"empty month", std::string(",.") + '\0' + "'a,b,c,d,e,f,g,h,i,,k,l'", ',', '.', " NY", "YES", "December",
       "[M] [D],[Y]"},
      {"twelve months", std::string(",.") + '\0' + "'a,b,c,d,e,f,g,h,i,j,k,l'", ',', '.', " NY", "YES", "l",
       "[M] [D],[Y]"},
  };
  for (const Case& c : cases) {
    LocaleTexts t = LocaleParse(S(c.text));
    EXPECT_EQ(t.decimal, c.decimal) << c.id;
    EXPECT_EQ(t.separator, c.separator) << c.id;
    EXPECT_EQ(t.letters, c.letters) << c.id;
    EXPECT_EQ(t.words[2], c.word2) << c.id;
    EXPECT_EQ(t.months[11], c.month12) << c.id;
    EXPECT_EQ(t.longTemplate, c.templ) << c.id;
  }
}

TEST_F(LocaleTest, LoadMakesTheSettingCurrentWhileFixedStaysBuiltIn) {
  EXPECT_EQ(LocaleGet(false).decimal, '.');  // before any load
  Spanish();
  EXPECT_EQ(LocaleGet(false).decimal, ',');
  EXPECT_EQ(LocaleGet(true).decimal, '.');
  EXPECT_TRUE(LocaleDayFirst());
  ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, S("DE")), 0);
  EXPECT_FALSE(LocaleDayFirst());
}

TEST_F(DateFmtTest, DisplayModesInEnglishAndSpanish) {
  struct Case {
    const char* date;
    int mode;
    const char* en;
    const char* es;
  } cases[] = {
      {"20240305", kDateStored, "20240305", "20240305"},
      {"20240305", kDateShort, "03-05-24", "05-03-24"},
      {"20240305", kDateShortYear4, "03-05-2024", "05-03-2024"},
      {"20240305", kDateMonthYear, "Mar 2024", "Mar 2024"},
      {"20240305", kDateLong, "March 05,2024", "05 de Marzo de 2024"},
      {" 20240305 ", kDateShortYear4, "03-05-2024", "05-03-2024"},
      {"", kDateShort, "12-31-23", "31-12-23"},  // empty is today
      {"20230229", kDateShort, "        ", "        "},
      {"2024035", kDateShortYear4, "          ", "          "},
      {"abcdefgh", kDateStored, "", ""},
      {"20241301", kDateLong, "", ""},
  };
  for (bool spanish : {false, true}) {
    spanish ? Spanish() : English();
    for (const Case& c : cases) {
      EXPECT_EQ(FmtDate(S(c.date), c.mode).Str(), spanish ? c.es : c.en) << c.date << " mode " << c.mode;
    }
  }
}

TEST_F(DateFmtTest, TodayIsSwitchedOffByAuxStat) {
  EXPECT_EQ(FmtDateOrToday(S("")).Str(), "20231231");
  EXPECT_EQ(FmtDateOrToday(S("x")).Str(), "x");
  ASSERT_EQ(VarSysIntSet(kSysAuxStat, 64), 0);
  EXPECT_EQ(FmtDateOrToday(S("")).Str(), "");
  EXPECT_EQ(FmtDate(S(""), kDateShort).Str(), "        ");
  EXPECT_EQ(FmtDateParse(S("")).Str(), "");
}

TEST_F(DateFmtTest, ParseTypedDatesByLanguage) {
  struct Case {
    const char* typed;
    const char* en;
    const char* es;
  } cases[] = {
      {"3/5/24", "20240305", "20240503"},
      {"03-05-2024", "20240305", "20240503"},
      {"3.5.79", "20790305", "20790503"},
      {"3.5.80", "19800305", "19800503"},
      {" 3/5/24 ", "20240305", "20240503"},
      {"050324", "20240305", "20240305"},  // six digits: always day, month, year
      {"310224", "", ""},
      {"20240305", "20240305", "20240305"},
      {"", "20231231", "20231231"},
      // Checked like any other date: garbage never becomes a stored date.
      {"99999999", "        ", "        "},
      {"abcdefgh", "        ", "        "},
      {"2024030", "        ", "        "},
      {"12/31/24", "20241231", ""},
      {"31/2/24", "", ""},
      {"3/Y/24", "", ""},
      {"3/5/70000", "", ""},
      {"3/5", "", ""},
      {"0/5/24", "", ""},
      {"3/5-24", "", ""},
  };
  for (bool spanish : {false, true}) {
    spanish ? Spanish() : English();
    for (const Case& c : cases) {
      EXPECT_EQ(FmtDateParse(S(c.typed)).Str(), spanish ? c.es : c.en) << "'" << c.typed << "' es=" << spanish;
    }
  }
}

TEST_F(DateFmtTest, CenturyWindowFollowsTheSystemVariables) {
  EXPECT_EQ(FmtYear4(79), 2079);
  EXPECT_EQ(FmtYear4(80), 1980);
  EXPECT_EQ(FmtYear4(0), 2000);
  ASSERT_EQ(VarSysIntSet(kSysBkYear, 50), 0);
  ASSERT_EQ(VarSysIntSet(kSysBYear, 1900), 0);
  EXPECT_EQ(FmtYear4(49), 1949);
  EXPECT_EQ(FmtYear4(50), 1850);
}

TEST_F(DateFmtTest, PartsInTheLanguagesOrder) {
  English();
  EXPECT_EQ(FmtDateDMY(S("2024"), S("03"), S("05")).Str(), "03-05-2024");
  Spanish();
  EXPECT_EQ(FmtDateDMY(S("2024"), S("03"), S("05")).Str(), "05-03-2024");
  EXPECT_EQ(StrError(FmtDateDMY(S(std::string(70, '9')), S("1"), S("1"))), st::STRINGTOOLONG);
}

}  // namespace
