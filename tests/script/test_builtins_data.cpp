// The built-ins of the label array, accumulation, streams by FILESEL, raw
// field texts and the string lists (the data-file ones are tested with a
// dictionary in tests/data).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "builtin_helpers.h"
#include "platform/ui/ui.h"
#include "prc_fixture.h"
#include "runtime/streams.h"
#include "script/dataaccess.h"

namespace {

class DataBuiltinsTest : public PrcTest {
 protected:
  std::string Q(const std::string& name) { return "'" + dir_.File(name) + "'"; }
  CallOutcome Call(const std::string& name, const std::string& args) { return CallBuiltin(name, args); }
};

TEST_F(DataBuiltinsTest, LabelArrayByLabelNumberAndOffset) {
  EXPECT_EQ(Call("_#", "3").text, "0.00");  // no array yet
  ASSERT_EQ(ExpEvalStatus(S("_ACUMX$='SALES,ASSETS',_#('ASSETS')=5,_#(0)=7")), 0) << Detail();
  for (int i = 4; i <= 11; ++i) ASSERT_EQ(ExpEvalStatus(S("_#(" + std::to_string(i) + ")=" + std::to_string(i))), 0);
  struct Case {
    const char* args;
    const char* want;
  } cases[] = {
      {"'ASSETS'", "5.00"}, {"'SALES'", "7.00"}, {"'NOPE'", "0.00"}, {"1", "5.00"},
      {"0;1", "5.00"},      {"'SALES';4", "4.00"}, {"'DIM'", "7.00"}, {"'DIM';6", "6.00"},
  };
  for (const Case& c : cases) EXPECT_EQ(Call("_#", c.args).text, c.want) << c.args;
  EXPECT_EQ(Call("_#", "'CLS';10;5").text, "0.00");
  std::string kept;
  for (int i = 3; i <= 12; ++i) kept += Call("_#", std::to_string(i)).text + " ";
  EXPECT_EQ(kept, "0.00 4.00 0.00 0.00 0.00 0.00 0.00 0.00 11.00 0.00 ");
  EXPECT_EQ(Call("_#", "'CLS'").text, "0.00");
  EXPECT_EQ(Call("_#", "'SALES'").text, "0.00");
  EXPECT_EQ(Call("_#", "256").text, "0.00");
  EXPECT_EQ(Call("_#", "257").status, st::DATAOUTBOUND);
}

TEST_F(DataBuiltinsTest, AccumulationCountedAndConditional) {
  struct Case {
    const char* text;
    int64_t units;
    int after;  // i afterwards, -1 not checked
  } cases[] = {
      {"FN#ACUM(i;i;1;3)", 6, 4},
      {"FN#ACUM((i*2);(i);1;3)", 12, 4},
      {"FN#ACUM('2.5';i;1;2)", 5, 3},
      {"FN#ACUM(i;i;5;4)", 0, 5},
      {"FN#ACUM(i=i+1;i<3)", 6, 3},  // from i = 0
      {"FN#ACUM(i=i+1;1;i<5)", 15, 5},
      {"FN#ACUM(1;0)", 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ExpEvalStatus(S("i=0")), 0);
    EXPECT_EQ(ExpEvalNum(S(c.text)), c.units * 100) << c.text << " " << Detail();
    EXPECT_EQ(Int("i"), c.after) << c.text;
  }
  ErrClear();
  ASSERT_EQ(ExpEvalStatus(S("i=7")), 0);
  EXPECT_EQ(ExpEvalStatus(S("FN#ACUM(i;i;1;32767)")), st::DATAOUTBOUND);  // at once
  EXPECT_EQ(Int("i"), 7);
  EXPECT_EQ(ExpEvalStatus(S("FN#ACUM(1;x$;1;3)")), st::SINTAXERROR);
  EXPECT_EQ(ExpEvalStatus(S("FN#ACUM(1)")), st::SINTAXERROR);
  // A condition that never ends stops once the poll takes a quit.
  ui::post_quit(0);
  EXPECT_EQ(ExpExecText(S("FN#ACUM(1;1)")), st::USERCANCELED);
  ui::Message m;
  while (ui::peek(m)) {
  }
  ExpectBalanced();
}

TEST_F(DataBuiltinsTest, StringListsPushReadPopAndRefusedSets) {
  const uint32_t base = DynStrCount(ResultsStack);
  ASSERT_EQ(Run("a$=_$(30;0;'a')\nb$=_$(30;0;'b')\nc$=_$(30;1)\nd$=_$(30;-3)\ne$=_$(30)\n"), 0) << Detail();
  EXPECT_EQ(Str("a$+b$+c$+d$+e$"), "abb");  // a stack list reads its top
  EXPECT_EQ(DynStrCount(ResultsStack), base >= 1 ? base - 1 : 0);  // the pop stopped at the empty list
  ASSERT_EQ(Run("s$=_$(9;12;'note')\nt$=_$(9;12)\n"), 0) << Detail();
  EXPECT_EQ(Str("t$"), "note");
  struct Case {
    const char* text;
    Status code;
  } refused[] = {
      {"x$=_$(13;0;'x')\n", st::SINTAXERROR}, {"x$=_$(1;0;'x')\n", st::SINTAXERROR},
      {"x$=_$(9;-1)\n", st::SINTAXERROR},     {"x$=_$(39)\n", st::DATAOUTBOUND},
      {"x$=_$(9;-1;'x')\n", st::SINTAXERROR},
  };
  for (const Case& c : refused) EXPECT_EQ(Run(c.text), c.code) << c.text;
  EXPECT_NE(Str("_$(12;0)").find("_AUXSTAT"), std::string::npos);  // reads stay open
}

// A pop of the argument stack takes what lies below the call's own
// arguments: the arguments of the statement or CALL that runs it.
TEST_F(DataBuiltinsTest, APopOfTheArgumentStackActsBelowTheCall) {
  ASSERT_EQ(DynStrPush(ArgStack, S("first")), 0);
  ASSERT_EQ(DynStrPush(ArgStack, S("second")), 0);
  const uint16_t mark = StrAreaMark(-1);
  EXPECT_EQ(BuiltinCallText(BuiltinCode(S("_$")), S("35;-1")), 0);
  StrAreaMark(mark);
  ASSERT_EQ(DynStrCount(ArgStack), 1u);
  EXPECT_EQ(DynStrGet(ArgStack, 0).Str(), "first");
  EXPECT_EQ(BuiltinCallText(BuiltinCode(S("_$")), S("35;-5")), 0);
  StrAreaMark(mark);
  EXPECT_EQ(DynStrCount(ArgStack), 0u);
}

TEST_F(DataBuiltinsTest, FileSelOpensReadsAndClosesStreams) {
  std::ofstream(dir_.File("in.txt"), std::ios::binary) << "one\r\ntwo\r\n";
  std::string q = Q("in.txt");
  ASSERT_EQ(Run("s=FILESEL(" + q + ";8)\na$=READ$(s;0;-1)\nb$=READ$(s;0;-1)\nc=FILESEL(s)\n"), 0) << Detail();
  EXPECT_GE(Int("s"), kStreamFirstFile);
  EXPECT_EQ(Str("a$+'|'+b$"), "one|two");
  EXPECT_EQ(Int("c"), 0);
  EXPECT_EQ(StreamGet(static_cast<uint16_t>(Int("s"))), -1);
  EXPECT_EQ(Call("FILESEL", std::to_string(Int("s"))).status, st::BADFILENUMBER);
  EXPECT_EQ(Call("FILESEL", "40").status, st::SINTAXERROR);
  EXPECT_EQ(Call("FILESEL", "-1").status, st::SINTAXERROR);
  EXPECT_EQ(Call("FILESEL", Q("none.txt") + ";8").status, st::FILENOTFOUND);
  EXPECT_EQ(Call("FILESEL", Q("none.txt") + ";136").text, "164.00");  // quiet: the code as the number
}

StrValue ValueHook(StrValue name, int mode) {
  if (name.View() != "zz") return StrErr(163);
  return StrFromView("hooked" + std::to_string(mode));
}

TEST_F(DataBuiltinsTest, RawFieldTextsOfVariablesArraysAndTheValueHook) {
  ASSERT_EQ(ExpEvalStatus(S("v$='abc',n#=2.5,k=3,x#=a#(3),a#(1)=4.5")), 0) << Detail();
  struct Case {
    const char* args;
    const char* want;
  } cases[] = {
      {"v$", "abc"}, {"n#", "2.50"}, {"k", "3.00"}, {"a#(1)", "4.50"}, {" v$ ;2", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(Call("FN$FLDS", c.args).text, c.want) << c.args;
  EXPECT_EQ(Call("FN$FLDS", "zz").status, st::SINTAXERROR);
  TaskHookSet(ValueHook, kHookValue);
  EXPECT_EQ(Call("FN$FLDS", "zz;1+1").text, "hooked2");
  EXPECT_EQ(Call("FN$FLDS", "zz").text, "hooked1");
  EXPECT_EQ(Call("FN$FLDS", "yy").status, st::SINTAXERROR);
  TaskHooksReset();
}

}  // namespace
