// Screen properties: event-qualified lookup, the variable fallback, items,
// expansion, conditions, specs and key texts.
#include <gtest/gtest.h>

#include <string>

#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "screen_fixture.h"

namespace {

class PropTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    ASSERT_EQ(Parse("FD$:A,B,C:PERFORM$:plain:SAVE.PERFORM$:'on save':HELP$:'cust.hlp,[1+2]':"
                    "ALARM$:',A>1,B>1':IK$(2):\"'K'+X$,'-',B$\":TITLE$:'My title':RELOPT%:'2'"),
              0);
    Run("X$='x'");
    Run("B$='b'");
  }
  static void Run(const char* text) { ASSERT_LT(ExpExecText(StrFromC(text)), 128); }
};

TEST_F(PropTest, EventNameWinsAndMissingPropertiesReadVariables) {
  EXPECT_EQ(ScreenProp(kPropPerform, 0).Str(), "plain");
  ASSERT_EQ(ParmEventSet(4, StrFromC("INIT,LOAD,CHECK,SAVE")), 0);
  EXPECT_EQ(ScreenProp(kPropPerform, 0).Str(), "on save");
  EXPECT_EQ(ScreenProp(kPropFd, 2).Str(), "B");  // no SAVE.FD$: the plain name
  ASSERT_EQ(ParmEventSet(0, StrFromC("")), 0);

  struct Case {
    int n, m;
    const char* want;
  } cases[] = {
      {kPropFd, 0, "A,B,C"},      {kPropFd, -1, "A,B,C"},  {kPropFd, 3, "C"},
      {kPropFd, 4, ""},           {kPropRelOpt, 0, "'2'"},  // "%" names stay raw
      {kPropIk1, 0, ""},          // absent, and a name with "(": empty
      {kPropOnConfirm, 0, "yes"}, // absent: the variable ON_CONFIRM$
      {kPropIndex, 0, "3"},       // absent: the integer variable INDEX
  };
  Run("ON_CONFIRM$='yes'");
  Run("INDEX=3");
  for (const Case& c : cases) EXPECT_EQ(ScreenProp(c.n, c.m).Str(), c.want) << c.n << "," << c.m;
  EXPECT_EQ(ScreenPropExpand(kPropHelp, 0).Str(), "cust.hlp,3.00");
  EXPECT_EQ(ScreenDefLookup(S("TITLE$")).Str(), "My title");
  EXPECT_EQ(ScreenDefLookup(S("NOPE$")).Str(), "");
}

TEST_F(PropTest, ConditionsPassFailOrAnswerTheirError) {
  struct Case {
    const char* text;
    Status want;
    const char* detail;
  } cases[] = {
      {"", 0, nullptr},
      {"1", 0, nullptr},
      {"5", 0, nullptr},  // any non-zero number holds
      {"0", st::BADUSERDATA, ""},
      {"2<1,'Too '+'small'", st::BADUSERDATA, "Too small"},
      {"0,'Amount [2*3] (max)'", st::BADUSERDATA, "Amount 6.00 (max)"},
      {"B$<>'b';B$", st::BADUSERDATA, "b"},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(CondCheck(StrFromC(c.text)), c.want) << c.text;
    if (c.detail) {
      EXPECT_EQ(ErrDetail().Str(), c.detail) << c.text;
    }
  }
  ErrClear();
  EXPECT_GE(CondCheck(StrFromC("(1")), 128);
  EXPECT_EQ(ScreenPropCond(kPropAlarm, 1), 0);  // empty item holds
  EXPECT_EQ(ScreenPropCond(kPropAlarm, 3), st::BADUSERDATA);
}

TEST_F(PropTest, SpecItems) {
  struct Case {
    const char* spec;
    int n;
    const char* want;
  } cases[] = {
      {"cust; 1 ;name", 1, "CUST"},   {"cust;1;'Name'", 3, "Name"},  {"cust;1;name", -1, "name"},
      {"cust;1;'name'", -1, ""},      {"cust;1;name", 0, "cust;1"},   {"cust;1;'name'", 0, "cust;1;'name'"},
      {"cust", -1, "cust"},           {"cust", 0, ""},                {"", -1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SpecItem(StrFromC(c.spec), c.n).Str(), c.want) << c.spec << " " << c.n;
}

TEST_F(PropTest, KeyTextsJoinTheEvaluatedItems) {
  EXPECT_EQ(ScreenKeyText(2).Str(), "Kx-b");
  EXPECT_EQ(ScreenKeyText(1).Str(), "");
  EXPECT_EQ(ScreenKeyText(4).Str(), "");
}

TEST_F(PropTest, DefinitionAttributesBeforeAScreenIsPushed) {
  ASSERT_EQ(DynStrPush(ObjParamsList, S("KEYMAP%:1+1:FD$:'P,Q'")), 0);
  EXPECT_EQ(ScreenDefAttrNum(kPropKeyMap, 0), 2);
  EXPECT_EQ(ScreenDefAttrText(kPropFd, 2).Str(), "Q");
  EXPECT_EQ(ScreenDefAttrNum(kPropUnicNdx, 0), 0);
  ParmStrPop();
}

}  // namespace
