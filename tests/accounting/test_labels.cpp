// Balance-sheet labels, the full balance and its output, on the demo data.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "ac_fixture.h"
#include "apps/accounting/labels.h"
#include "apps/accounting/tasks.h"
#include "runtime/strvalue.h"
#include "script/objparams.h"

namespace {

class LabelTest : public AcDemoTest {
 protected:
  void SetUp() override {
    AcDemoTest::SetUp();
    ASSERT_EQ(AcRegisterFunctions(), 0);
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir.File(name), std::ios::binary) << text; }
  std::string Read(const std::string& name) {
    std::ifstream in(dir.File(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::string Labels() { return Str("_ACUMX$"); }
  // The oracle's balance of an account list "acct;kind,..." in cents.
  int64_t Amount(const std::vector<std::pair<std::string, int>>& items, DateYmd from, DateYmd to) {
    int64_t total = 0;
    for (const auto& [account, kind] : items) {
      auto [d, c] = oracle.Balance(account, from, to, kAcIdAll);
      int64_t add[] = {d - c, c - d, d > c ? d - c : 0, c > d ? c - d : 0, d, c};
      total += add[kind - 1];
    }
    return total;
  }
};

// A label A_B_C adds to A_B_C, A_B and A; the previous year lands 128
// elements further; amounts of 0 store nothing.
TEST_F(LabelTest, HierarchicalStore) {
  ASSERT_EQ(AcLabelStore("ACT_1_2", 0, 500), 0);
  ASSERT_EQ(AcLabelStore("ACT_1", 0, 100), 0);
  ASSERT_EQ(AcLabelStore("ACT_1_2", kAcPrevYearBase, 300), 0);
  ASSERT_EQ(AcLabelStore("PAS", 0, 0), 0);
  EXPECT_EQ(Labels(), "ACT_1_2,ACT_1,ACT");
  EXPECT_EQ(AcLabelValue("ACT_1_2", 0), 500);
  EXPECT_EQ(AcLabelValue("ACT_1", 0), 600);
  EXPECT_EQ(AcLabelValue("ACT", 0), 600);
  EXPECT_EQ(AcLabelValue("ACT", 128), 300);
  EXPECT_EQ(Num("_#(130)"), 300);
  EXPECT_EQ(Num("_#('ACT';128)"), 300);
  EXPECT_EQ(AcLabelValue("PAS", 0), 0);
}

// Names past 128 would reach the previous year's elements: the 129th
// answers 141 naming it and the list keeps 128.
TEST_F(LabelTest, TheHundredAndTwentyNinthNameIsRefused) {
  Status s = 0;
  int stored = 0;
  for (int i = 1; i <= 130 && s == 0; ++i) {
    s = AcLabelStore("L" + std::to_string(i), 0, 100);
    if (s == 0) ++stored;
  }
  EXPECT_EQ(s, st::INTERNALERROR);
  EXPECT_EQ(stored, 128);
  EXPECT_EQ(ErrDetail().Str(), "Label:L129");
  EXPECT_EQ(AcLabelValue("L128", 0), 100);
  EXPECT_EQ(Num("_#(128)"), 0);
}

// AcBLabel: one argument tests column 0, then _LB, and gives the caption;
// ">=" and "<" compare at column 0, then at _LB; other operators answer 147.
TEST_F(LabelTest, BLabel) {
  ASSERT_EQ(DynStrPush(kParmStack, StrFromC("A=Label A,\"57;1\":B=Label B,")), 0);
  ASSERT_EQ(AcLabelStore("A", 0, 100), 0);
  ASSERT_EQ(AcLabelStore("B", 0, 200), 0);
  ASSERT_EQ(AcLabelStore("B", 128, 50), 0);
  ASSERT_EQ(AcLabelStore("C", 128, 70), 0);
  ASSERT_EQ(AcLabelStore("A", 128, 80), 0);
  struct Case {
    const char* expr;
    int want;
  } cases[] = {
      {"AcBLabel('A')", 1},           {"AcBLabel('C')", 1},         {"AcBLabel('Z')", 0},
      {"AcBLabel('A';'>=';'B')", 1},  {"AcBLabel('B';'>=';'A')", 1}, {"AcBLabel('A';'<';'B')", 1},
      {"AcBLabel('C';'<';'A')", 1},   {"AcBLabel('Z';'>=';'A')", 0}, {"AcBLabel('A';'<';'Z')", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Num(c.expr), c.want * 100) << c.expr;
  Num("AcBLabel('A')");
  EXPECT_EQ(Str("_LTEXT$"), "Label A");
  EXPECT_EQ(Eval("AcBLabel('A';'=';'B')"), st::SINTAXERROR);
  EXPECT_EQ(Eval("AcBLabel('A';'<')"), st::SINTAXERROR);
}

// The full balance over the model that is the current parameter string:
// every label of the current and the previous year against the oracle, the
// post-calculation, the log and the caller's parameter string untouched.
TEST_F(LabelTest, FullBalanceOverTheCurrentModel) {
  ASSERT_EQ(DynStrPush(kParmStack, StrFromC("CALLER:1")), 0);
  std::string model =
      "; a comment line:ING=Ingresos,\"700;2,705;2,76;2\":GAS_1=Compras,\"60;1\":GAS_2=Personal,\"64;1,642;5\""
      ":no label here:CAJA=Caja,57;5";
  ASSERT_EQ(DynStrPush(kParmStack, AcSv(model)), 0);
  ASSERT_EQ(Eval("POSTCLC7$=\"_#('RES')=_#('ING')-_#('GAS'),_#('RES';128)=_#('ING';128)-_#('GAS';128)\""), 0);
  EXPECT_EQ(Num("AcFullBalance('20250115';'20251114';65535;'';'';7)"), 100) << ErrText(-1).Str();
  std::vector<std::pair<std::string, int>> ing = {{"700", 2}, {"705", 2}, {"76", 2}};
  std::vector<std::pair<std::string, int>> gas = {{"60", 1}, {"64", 1}, {"642", 5}};
  for (auto [base, from, to] : {std::tuple{0, 20250115, 20251114}, {128, 20240115, 20241114}}) {
    int64_t i = Amount(ing, from, to), g = Amount(gas, from, to);
    EXPECT_EQ(AcLabelValue("ING", base), i) << base;
    EXPECT_EQ(AcLabelValue("GAS", base), g) << base;
    EXPECT_EQ(AcLabelValue("GAS_2", base), Amount({{"64", 1}, {"642", 5}}, from, to)) << base;
    EXPECT_EQ(AcLabelValue("CAJA", base), Amount({{"57", 5}}, from, to)) << base;
    EXPECT_EQ(AcLabelValue("RES", base), i - g) << base;
  }
  EXPECT_EQ(Labels(), "ING,GAS_1,GAS,GAS_2,CAJA,RES");
  EXPECT_EQ(Str("FN$PARM(_$(31);1;58)"), "; a comment line");
  ASSERT_EQ(ParmStrPop(), 0);
  EXPECT_EQ(Str("_$(31)"), "CALLER:1");
  std::string log = Read("BALANCE_LOG.TXT");
  EXPECT_NE(log.find("'(GAS_1)';_#(1)="), std::string::npos) << log;
  EXPECT_NE(log.find(";60;1           "), std::string::npos) << log;
  EXPECT_NE(log.find("\r\n;60;1" + std::string(14, ' ')), std::string::npos) << log;
}

// A kind outside 1-6 answers 163 with the item; the balance built-ins check
// their argument counts.
TEST_F(LabelTest, BadKindsAndArgumentCounts) {
  FixedNum total = 0;
  EXPECT_EQ(AcLabelAmount("57;1,43;9", 20240101, 20241231, "", kAcIdAll, &total), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "43;9");
  EXPECT_EQ(AcLabelAmount("57", 20240101, 20241231, "", kAcIdAll, &total), st::BADINPUTDATA);
  EXPECT_EQ(AcLabelAmount("57;1", 20240101, 20241231, "", kAcIdAll, nullptr), st::BADINPUTDATA);
  EXPECT_EQ(Eval("AcFullBalance('20240101')"), st::SINTAXERROR);
  EXPECT_EQ(Eval("AcGetBalance()"), st::SINTAXERROR);
  EXPECT_EQ(Eval("AcGetBalance('57';'20241231';'';7)"), st::BADINPUTDATA);
}

// AcGetBalance: from the fiscal-year start (FAPE$ moved back a year at a
// time while after the date) by default; elements 1 and 2 of the label
// array get the debit and the credit.
TEST_F(LabelTest, GetBalance) {
  ASSERT_EQ(Eval("FAPE$='20250101'"), 0);
  auto [d, c] = oracle.Balance("5720000001", 20240101, 20240630, kAcIdAll);
  EXPECT_EQ(Num("AcGetBalance('5720000001';'20240630')"), d - c);
  EXPECT_EQ(Num("_#(1)"), d);
  EXPECT_EQ(Num("_#(2)"), c);
  auto [d2, c2] = oracle.Balance("43", 20240301, 20240630, kAcIdAll);
  EXPECT_EQ(Num("AcGetBalance('43';'20240630';'';2;'20240301')"), c2 - d2);
  ASSERT_EQ(Eval("FAPE$=''"), 0);
  auto [d3, c3] = oracle.Balance("43", 0, 20240630, kAcIdAll);
  EXPECT_EQ(Num("AcGetBalance('43';'20240630';'';5)"), d3);
  (void)c3;
}

// Models of their own store: loading one leaves the parameter-string stack
// as it was; a model of which no file exists answers 164.
TEST_F(LabelTest, ModelStore) {
  Write("COBAL31.DAT", "; income\r\nING=Ingresos,\"70;2,76;2\"\r\n");
  Write("COBAL32.DAT", "GAS=Gastos,\"6;1\"\r\nGAS_X=Otros,62;1\r\n");
  uint32_t depth = DynStrCount(kParmStack);
  {
    StrAreaScope scope;
    EXPECT_EQ(AcBalanceModelLabels(3).Str(), "ING,GAS,GAS_X");
    EXPECT_EQ(AcLabelAccounts(StrFromC("GAS_X,ING")).Str(), "62;1,70;2,76;2");
    EXPECT_EQ(AcBalanceModelLabels(9).len, st::FILENOTFOUND);
  }
  EXPECT_EQ(DynStrCount(kParmStack), depth);
}

// The output: lines holding the marker are expanded, the others keep the
// target's line at their place (the template's where the target has none),
// CR LF endings; a template that cannot be read answers 131 and leaves the
// target alone.
TEST_F(LabelTest, OutputMergesTheTemplateIntoTheTarget) {
  std::filesystem::create_directories(dir.File("OUT"));
  ASSERT_EQ(Eval("x#=12.5"), 0);
  Write("REP.TXT", "Title\nValue @ [x#*2]\r\nFoot\nLast @ [x#]\n");
  Write("OUT/REP.TXT", "My title\r\nold value\r\n");
  {
    StrAreaScope scope;
    ASSERT_EQ(AcFullBalanceOut(StrFromC("OUT\\REP.TXT"), StrFromC("@")), 0) << ErrText(-1).Str();
  }
  EXPECT_EQ(Read("OUT/REP.TXT"), "My title\r\nValue @ 25.00\r\nFoot\r\nLast @ 12.50\r\n");
  std::filesystem::remove(dir.File("REP.TXT"));
  {
    StrAreaScope scope;
    EXPECT_EQ(AcFullBalanceOut(StrFromC("OUT\\REP.TXT"), StrFromC("@")), st::FILEIO);
  }
  EXPECT_EQ(Read("OUT/REP.TXT"), "My title\r\nValue @ 25.00\r\nFoot\r\nLast @ 12.50\r\n");
  Write("REP.TXT", "Bad @ [1/(]\n");
  StrAreaScope scope;
  EXPECT_GE(AcFullBalanceOut(StrFromC("OUT\\REP.TXT"), StrFromC("@")), 128);
  EXPECT_EQ(Read("OUT/REP.TXT"), "My title\r\nValue @ 25.00\r\nFoot\r\nLast @ 12.50\r\n");
}

// AcSetBalances stores the totals of every account with movements in the
// range and leaves the others as they were.
TEST_F(LabelTest, SetBalancesWritesAccountsWithMovements) {
  const DateYmd from = 20250101, to = 20250131;
  std::set<std::string> moved = oracle.Moved(from, to, 10);
  std::map<std::string, std::pair<std::string, std::string>> before;
  for (AcGenAccount a : AcDemoAccounts()) {
    if (a.code.size() < 10) continue;
    ASSERT_EQ(DataFileReadKey(8, 1, AcSv(a.code), 0), 0);
    before[a.code] = {Str("CUR_PASSIVE{8}"), Str("CUR_ASSETS{8}")};
  }
  {
    StrAreaScope scope;
    ASSERT_EQ(AcSetBalances(StrFromC("20250101"), StrFromC("20250131")), 0) << ErrText(-1).Str();
  }
  for (const auto& [code, old] : before) {
    ASSERT_EQ(DataFileReadKey(8, 1, AcSv(code), 0), 0);
    if (moved.count(code)) {
      auto [d, c] = oracle.Balance(code, from, to, kAcIdAll);
      EXPECT_EQ(Num("CUR_PASSIVE{8}"), d) << code;
      EXPECT_EQ(Num("CUR_ASSETS{8}"), c) << code;
    } else {
      EXPECT_EQ(Str("CUR_PASSIVE{8}"), old.first) << code;
      EXPECT_EQ(Str("CUR_ASSETS{8}"), old.second) << code;
    }
  }
  EXPECT_FALSE(moved.count("6250000000"));
  EXPECT_NE(before["6250000000"].first, "0");
}

}  // namespace
