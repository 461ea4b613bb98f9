// Bank check digits through Iban$ and Mod, every expectation worked out in
// the test itself: IBANs by a big-number remainder of the rearranged text
// (valid when it is 1), Spanish control digits by their weighted sums.
#include <gtest/gtest.h>

#include <random>

#include "tests/administration/adm_fixture.h"

namespace {

// The digits of a text with letters read as 10 (A) to 35 (Z).
std::string Numeric(const std::string& text) {
  std::string out;
  for (char c : text) out += std::isalpha(static_cast<unsigned char>(c)) ? std::to_string(std::toupper(c) - 'A' + 10) : std::string(1, c);
  return out;
}

// The remainder of a decimal number of any length: the number held in limbs
// of nine digits, most significant first, divided limb by limb.
int64_t BigRemainder(const std::string& digits, int64_t divisor) {
  std::vector<int64_t> limbs;
  size_t head = digits.size() % 9;
  if (head) limbs.push_back(std::stoll(digits.substr(0, head)));
  for (size_t at = head; at < digits.size(); at += 9) limbs.push_back(std::stoll(digits.substr(at, 9)));
  __int128 rem = 0;
  for (int64_t limb : limbs) rem = (rem * 1000000000 + limb) % divisor;
  return static_cast<int64_t>(rem);
}

// An IBAN's rearranged form: the first four characters moved to the end.
std::string Rearranged(const std::string& iban) { return iban.substr(4) + iban.substr(0, 4); }

int ControlDigit(const std::string& digits) {
  static const int weights[10] = {1, 2, 4, 8, 5, 10, 9, 7, 3, 6};
  std::string d = std::string(10 - digits.size(), '0') + digits;
  int sum = 0;
  for (int i = 0; i < 10; ++i) sum += weights[i] * (d[i] - '0');
  int r = sum % 11;
  return r < 2 ? r : 11 - r;
}

// Valid IBANs of several countries, as the ISO 13616 registry gives them.
const char* const kIbans[] = {
    "ES9121000418450200051332", "ES7921000813610123456789", "ES7620770024003102575766",
    "ES6000491500051234567892", "ES1000492352082414205416", "GB29NWBK60161331926819",
    "DE89370400440532013000",   "FR1420041010050500013M02606", "IT60X0542811101000000123456",
    "NL91ABNA0417164300",       "BE68539007547034",         "CH9300762011623852957",
    "AT611904300234573201",     "PL61109010140000071219812874", "NO9386011117947",
    "PT50000201231234567890154",
};

class BankCheckTest : public AdmDemoTest {
 protected:
  static std::string S(const std::string& text) { return AdmApp::Str(text); }
  static Status Run(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    Status s = ExpExecText(Sv(text));
    StrAreaMark(m);
    return s;
  }
  static int64_t Mod(const std::string& text, int divisor = 97) {
    return AdmApp::Cents("Mod('" + text + "';" + std::to_string(divisor) + ")") / 100;
  }
  static std::string Iban(const std::string& prefix, const std::string& iban) {
    return S("Iban$('" + prefix + "';'" + iban.substr(4, 4) + "';'" + iban.substr(8, 4) + "';'" + iban.substr(12, 2) +
             "';'" + iban.substr(14) + "')");
  }
};

// Real IBANs check (Mod of the rearranged text is 1); a Spanish one is
// rebuilt whole from its parts, from its country alone or with its check
// digits, its control digits computed when left empty.
TEST_F(BankCheckTest, ValidIbansAndSpanishAccounts) {
  for (std::string iban : kIbans) {
    ASSERT_EQ(BigRemainder(Numeric(Rearranged(iban)), 97), 1) << iban;
    EXPECT_EQ(Mod(Rearranged(iban)), 1) << iban;
    if (iban.rfind("ES", 0) != 0) continue;
    std::string control = std::to_string(ControlDigit(iban.substr(4, 8))) + std::to_string(ControlDigit(iban.substr(14)));
    ASSERT_EQ(iban.substr(12, 2), control) << iban;
    int check = 98 - static_cast<int>(BigRemainder(Numeric(iban.substr(4) + "ES00"), 97));
    ASSERT_EQ(std::stoi(iban.substr(2, 2)), check) << iban;
    std::string want = iban.substr(0, 4) + "," + iban.substr(4, 4) + "," + iban.substr(8, 4) + "," + control + "," +
                       iban.substr(14);
    EXPECT_EQ(Iban("ES", iban), want) << iban;
    EXPECT_EQ(Iban("es", iban), want) << iban;
    EXPECT_EQ(Iban(iban.substr(0, 4), iban), want) << iban;
    EXPECT_EQ(S("Iban$('ES';'" + iban.substr(4, 4) + "';'" + iban.substr(8, 4) + "';'';'" + iban.substr(14) + "')"), want);
  }
  // Parts shorter than their widths are padded; whole numbers stand for
  // their digits.
  EXPECT_EQ(S("Iban$('ES';2100;418;;200051332)"), "ES91,2100,0418,45,0200051332");
  EXPECT_EQ(S("Iban$(' ES ';' 2100';'418 ';' 45';'200051332')"), "ES91,2100,0418,45,0200051332");
  std::string c = std::to_string(ControlDigit("02100418")) + std::to_string(ControlDigit("200051332"));
  int check = 98 - static_cast<int>(BigRemainder(Numeric("02100418" + c + "0200051332ES00"), 97));
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ES%02d", check);
  EXPECT_EQ(S("Iban$('ES';'210';'0418';'';'200051332')"), std::string(prefix) + ",0210,0418," + c + ",0200051332");
}

// Each substitution of one digit and each swap of two adjacent different
// characters of a valid IBAN moves Mod off 1, and a Spanish one given with
// its four-character prefix no longer checks.
TEST_F(BankCheckTest, EverySingleErrorIsCaught) {
  for (std::string iban : {std::string(kIbans[0]), std::string(kIbans[1]), std::string(kIbans[5]), std::string(kIbans[7])}) {
    std::vector<std::string> wrong;
    for (size_t i = 2; i < iban.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(iban[i]))) continue;
      for (char d = '0'; d <= '9'; ++d) {
        if (d == iban[i]) continue;
        std::string w = iban;
        w[i] = d;
        wrong.push_back(w);
      }
    }
    for (size_t i = 2; i + 1 < iban.size(); ++i) {
      if (iban[i] == iban[i + 1]) continue;
      std::string w = iban;
      std::swap(w[i], w[i + 1]);
      wrong.push_back(w);
    }
    for (const std::string& w : wrong) {
      int64_t oracle = BigRemainder(Numeric(Rearranged(w)), 97);
      ASSERT_NE(oracle, 1) << w;
      EXPECT_EQ(Mod(Rearranged(w)), oracle) << w;
      if (w.rfind("ES", 0) == 0) {
        EXPECT_EQ(Iban(w.substr(0, 4), w), "") << w;
      }
    }
  }
}

// What does not check gives the empty text, never an error; an entity or
// office that is no 4 digits, or no account, also leaves 163's text in the
// error detail.
TEST_F(BankCheckTest, PartsThatDoNotCheck) {
  struct Case {
    const char* id;
    const char* call;
    bool detail;  // 163's text in the error detail
  } cases[] = {
      {"wrong control", "Iban$('ES';'2100';'0418';'44';'0200051332')", false},
      {"short control", "Iban$('ES';'2100';'0418';'5';'0200051332')", false},
      {"ES00", "Iban$('ES00';'2100';'0418';'45';'0200051332')", false},
      {"wrong check digits", "Iban$('ES92';'2100';'0418';'';'0200051332')", false},
      {"three-character prefix", "Iban$('ES9';'2100';'0418';'';'0200051332')", false},
      {"long prefix", "Iban$('ES911';'2100';'0418';'';'0200051332')", false},
      {"one-letter prefix", "Iban$('E';'2100';'0418';'';'0200051332')", false},
      {"digits as country", "Iban$('12';'2100';'0418';'';'0200051332')", false},
      {"letter in entity", "Iban$('ES';'21O0';'0418';'';'0200051332')", true},
      {"letter in office", "Iban$('ES';'2100';'04I8';'';'0200051332')", true},
      {"letter in control", "Iban$('ES';'2100';'0418';'4S';'0200051332')", false},
      {"letter in account", "Iban$('ES';'2100';'0418';'';'02000S1332')", true},
      {"no entity", "Iban$('ES';'';'0418';'';'0200051332')", true},
      {"no account", "Iban$('ES';'2100';'0418';'';'')", true},
      {"negative account", "Iban$('ES';2100;418;;-200051332)", true},
      {"long entity", "Iban$('ES';'21000';'0418';'';'0200051332')", false},
      {"long account", "Iban$('ES';'2100';'0418';'';'02000513321')", false},
      {"very long account", "Iban$('ES';'2100';'0418';'';'0200051332020005133202000513320200051332')", false},
  };
  for (const Case& c : cases) {
    ErrClear();
    ErrDetailSet(0, Sv(""), false);
    EXPECT_EQ(Run(c.call), 1) << c.id;
    EXPECT_EQ(S(c.call), "") << c.id;
    EXPECT_EQ(ErrGet(), 0u) << c.id;
    EXPECT_EQ(ErrDetail().Str().find("BADINPUTDATA") != std::string::npos, c.detail) << c.id << ": " << ErrDetail().Str();
  }
  EXPECT_EQ(Run("Iban$('ES';'2100';'0418';'')"), st::SINTAXERROR);
  EXPECT_EQ(Run("Iban$('ES';'2100';'0418';'';'1';'2')"), st::SINTAXERROR);
}

// An empty prefix stands for "ES" whatever the language.
TEST_F(BankCheckTest, EmptyPrefixIsSpain) {
  for (const char* lang : {"", "EN", "FR", "ES"}) {
    ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, Sv(lang)), 0);
    EXPECT_EQ(S("Iban$('';'2100';'0418';'';'0200051332')"), "ES91,2100,0418,45,0200051332") << lang;
  }
}

// Mod: long texts by any divisor as the big-number remainder; blanks
// dropped, letters in any case; anything else, a sign or a divisor outside
// 1..32767 is 147.
TEST_F(BankCheckTest, ModOfLongTexts) {
  std::mt19937_64 gen(64);
  for (int i = 0; i < 60; ++i) {
    std::string digits;
    size_t len = 1 + gen() % 60;
    for (size_t k = 0; k < len; ++k) digits += static_cast<char>('0' + gen() % 10);
    for (int divisor : {97, 7, 11, 1000, 32767, 1}) EXPECT_EQ(Mod(digits, divisor), BigRemainder(digits, divisor)) << digits << " " << divisor;
  }
  EXPECT_EQ(Mod("ES"), 1428 % 97);
  EXPECT_EQ(Mod("es"), 1428 % 97);
  EXPECT_EQ(Mod("2100 0418 4502 0005 1332 ES91"), 1);
  EXPECT_EQ(Mod("nwbk60161331926819gb29"), 1);
  EXPECT_EQ(Mod(""), 0);
  EXPECT_EQ(AdmApp::Cents("Mod('123456789012345678901234567890')"), BigRemainder("123456789012345678901234567890", 97) * 100);
  EXPECT_EQ(AdmApp::Cents("Mod(1428)"), 7000);
  for (const char* call : {"Mod('12-3')", "Mod('-123')", "Mod('12.5')", "Mod(12.5)", "Mod(-5)", "Mod('\xF1')",
                           "Mod('123';0)", "Mod('123';40000)", "Mod('123';-97)", "Mod('123';'97')", "Mod()",
                           "Mod('1';2;3)"})
    EXPECT_EQ(Run(call), st::SINTAXERROR) << call;
}

}  // namespace
