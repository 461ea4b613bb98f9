// Field values: stepping in edit order, putting values with their checks and
// dependants, stores and whole-screen snapshots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "screen_fixture.h"

namespace {

class FieldValuesTest : public ScreenUiTest {
 protected:
  // A screen of the definition over `count` text fields of width 6 in rows 1..count.
  ui::Hwnd Open(const std::string& def, int count, const char* name = "FV") {
    std::vector<std::string> layout;
    for (int n = 1; n <= count; ++n)
      layout.push_back("1" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "05000006A");
    WriteTagged(std::string(name) + ".PPN", {def});
    WriteTagged(std::string(name) + ".PAN", layout);
    ui::Hwnd w = Window();
    EXPECT_EQ(ScreenCreate(StrFromC(name), StrFromC(name), 1, 0, StrFromC("")), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    return w;
  }
  static std::string Var(const char* name) {
    const StrAreaScope scope;
    return ExpEvalStr(StrFromC(name)).Str();
  }
  static void Exec(const char* text) { ASSERT_LT(ExpExecText(StrFromC(text)), 128) << text; }
};

TEST_F(FieldValuesTest, StepTable) {
  Open("FD$:A,B,C,D,E,F:BOUNDS$:C,E:NOEDIT$:B", 6);
  struct Case {
    int field, step, want;
    bool wraps;
  } cases[] = {
      {0, 1, 1, false},   // before the first
      {1, 1, 3, false},   // B is not editable
      {4, 1, 5, false},   // inside the block
      {5, 1, 3, true},    // the block's last wraps to its first
      {3, -1, 5, true},   // and its first back to its last
      {6, 1, -1, false},  // the last field outside the block
      {1, -1, -1, false},
      {2, 1, -1, false},  // not a candidate
  };
  for (const Case& c : cases) {
    VarSysIntSet(kSysScrStat, 0);
    EXPECT_EQ(FieldStep(c.field, c.step), c.want) << c.field << "," << c.step;
    EXPECT_EQ(VarIntTestBits(kSysScrStat, kScrStatWrapped), c.wraps) << c.field << "," << c.step;
  }
  EXPECT_EQ(FieldList(kListEditOrder, 1, -1), (std::vector<uint16_t>{1, 3, 4, 5, 6}));
}

TEST_F(FieldValuesTest, EditOrderAndHiddenFields) {
  ui::Hwnd w = Open("FD$:A,B,C,H:EDIT$:C,A,B:HIDDEN$:H", 4);
  EXPECT_EQ(FieldList(kListEditOrder, 1, -1), (std::vector<uint16_t>{3, 1, 2}));  // H is in no tab order
  EXPECT_EQ(FieldStep(3, 1), 1);
  EXPECT_EQ(FieldStep(2, 1), -1);
  EXPECT_EQ(FieldStep(4, -1), -1);

  // A hidden field is stored but has nothing to show.
  size_t from = hl->transcript().size();
  ASSERT_EQ(FieldPut(0, 4, StrFromC("secret")), 0);
  EXPECT_EQ(FieldValue(4).Str(), "secret");
  EXPECT_EQ(ui::get_dlg_item(w, FieldCtlId(4)), 0u);
  EXPECT_EQ(hl->transcript().size(), from);
  // A visible one shows its value.
  ASSERT_EQ(FieldPut(0, 1, StrFromC("abc")), 0);
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, FieldCtlId(1))), "abc");
  EXPECT_EQ(FieldValue(1).Str(), "abc   ");

  EXPECT_EQ(FieldStore(4 + 5, StrFromC("x")), st::DATAOUTBOUND);
  EXPECT_EQ(FieldStore(0, StrFromC("x")), st::DATAOUTBOUND);
  EXPECT_EQ(FieldPut(0, 9, StrFromC("x")), st::DATAOUTBOUND);
}

TEST_F(FieldValuesTest, ACycleOfDependantsRefreshesEachFieldOnce) {
  // B shows the log; putting A runs A's check, which changes B, whose check
  // runs once; each field's UPDFIELDS$ names the other.
  Open("FD$:A,B:UPDFIELDS$:B,A:PERFORM$:\"LOG$=LOG$+'A',LOG$=LOG$+'B'\":ASSIGN$:\",LOG$\"", 2);
  Exec("LOG$=''");
  ASSERT_EQ(FieldPut(kCheckInput, 1, StrFromC("x")), 0);
  EXPECT_EQ(Var("LOG$"), "AB");
  EXPECT_EQ(FieldValue(2).Str(), "AB    ");
  // Unchanged: nothing runs.
  ASSERT_EQ(FieldPut(kCheckInput, 1, StrFromC("x")), 0);
  EXPECT_EQ(Var("LOG$"), "AB");
  // kPutAlways stores and checks even so.
  ASSERT_EQ(FieldPut(kCheckInput | kPutAlways, 1, StrFromC("x")), 0);
  EXPECT_EQ(Var("LOG$"), "ABAB");
}

TEST_F(FieldValuesTest, ScrBackSavesAndRestoresTheValues) {
  Open("FD$:A,B", 2);
  ASSERT_EQ(FieldStore(1, StrFromC("one")), 0);
  ASSERT_EQ(FieldStore(2, StrFromC("two")), 0);
  ASSERT_EQ(FieldAssignRun(StrFromC("SCRBACK=V$"), true), 0);
  EXPECT_EQ(Var("V$"), "one   two   ");

  WinRecord* w = WinGet(kCurrentIndex);
  ASSERT_EQ(FieldAssignRun(StrFromC("'SCRBACK'+'=V$'"), false), 0);  // the text's value counts
  EXPECT_EQ(std::string(reinterpret_cast<char*>(w->saved), 12), "one   two   ");

  Exec("V$='a value wider than the buffer'");
  EXPECT_EQ(FieldAssignRun(StrFromC("scrback = V$"), false), st::DATAOUTBOUND);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(w->saved), 12), "one   two   ");
  EXPECT_EQ(FieldAssignRun(StrFromC("'no snapshot'"), true), 0);
  EXPECT_EQ(FieldAssignRun(StrFromC("1+"), true), st::SINTAXERROR);
}

TEST_F(FieldValuesTest, ScriptsReadAndAssignFieldsByName) {
  ASSERT_EQ(TaskHookSet(&ScreenFieldHook, kHookValue), kHookValue);
  WriteTagged("NAMED.PPN", {"FD$:_NAME$,_QTY#,_OK"});
  WriteTagged("NAMED.PAN", {"10105000008A", "10205000008" "2", "10305000001L", "10405000004A"});
  ui::Hwnd w = Window();
  ASSERT_EQ(ScreenCreate(StrFromC("NAMED"), StrFromC("NAMED"), 1, 0, StrFromC("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);

  EXPECT_EQ(ExpEvalInt(StrFromC("_OK")), 0);  // a blank logical field reads "0"
  Exec("_QTY#=12.5");
  EXPECT_EQ(FieldValue(2).Str(), "   12.50");
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, FieldCtlId(2))), "   12.50");  // right-aligned
  EXPECT_EQ(ExpEvalNum(StrFromC("_QTY#*2")), 2500);
  Exec("_NAME$='Ann'");
  EXPECT_EQ(FieldValue(1).Str(), "Ann     ");
  Exec("_SCRF4$='ab'");  // the name FD$ does not give
  EXPECT_EQ(FieldValue(4).Str(), "ab  ");
  // A name that is no field is an ordinary variable.
  Exec("_OTHER$='free'");
  EXPECT_EQ(Var("_OTHER$"), "free");
  EXPECT_EQ(StrError(ScreenFieldHook(StrFromC("_OTHER$"), 1)), st::BADINPUTDATA);
  // Mode 2 reads the saved values.
  ASSERT_EQ(FieldsSaveRestore(kPutSetFile, 1, -1), 0);
  Exec("_NAME$='Bob'");
  EXPECT_EQ(ScreenFieldHook(StrFromC("_NAME$"), 2).Str(), "Ann     ");
  ASSERT_EQ(FieldsSaveRestore(0, 1, 1), 0);
  EXPECT_EQ(FieldValue(1).Str(), "Ann     ");
  EXPECT_EQ(FieldNamesJoin({3, 1, 9}).Str(), "_OK,_NAME$");
  EXPECT_EQ(FieldsConcat({1, 4}).Str(), "Ann     ab  ");
}

// A value put as stored (the fields shown again after a save) keeps its
// stored form and is shown as a person reads it: a yes/no field as its
// word, a date with its separators.
TEST_F(FieldValuesTest, AStoredValueIsShownInItsDisplayForm) {
  WriteTagged("RAW.PPN", {"FD$:OK,DAY,NAME"});
  WriteTagged("RAW.PAN", {"10105000001L", "10205000008D", "10305000004A"});
  ui::Hwnd w = Window();
  ASSERT_EQ(ScreenCreate(StrFromC("RAW"), StrFromC("RAW"), 1, 0, StrFromC("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  struct Case {
    uint16_t field;
    const char* stored;
    const char* shown;
  } cases[] = {{1, "1", "Y"}, {2, "20250220", "02-20-25"}, {3, "ab  ", "ab"}};
  for (const Case& c : cases) {
    ASSERT_EQ(FieldPut(kPutRaw | kPutAlways, c.field, StrFromC(c.stored)), 0) << c.stored;
    EXPECT_EQ(FieldValue(c.field).Str(), c.stored);
    EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, FieldCtlId(c.field))), c.shown);
  }
}

TEST_F(FieldValuesTest, ExpressionJoinsSkipBlankFields) {
  Open("FD$:A,B,C", 3);
  ASSERT_EQ(FieldStore(1, StrFromC("1")), 0);
  ASSERT_EQ(FieldStore(3, StrFromC("3")), 0);
  struct Case {
    const char* items;
    int op;
    const char* want;
  } cases[] = {
      {"F1,F2,F3", 6, "F1+F3"},
      {"F1,F2,F3", 5, "F1\xF7" "F3"},
      {"F1,F2,F3", 18, "F1&&F3"},
      {"[1+1],F2", 7, "2.00"},
      {"F1,F2,F3", 99, "F1F3"},
  };
  for (const Case& c : cases) EXPECT_EQ(FieldExprJoin(StrFromC(c.items), c.op).Str(), c.want) << c.items << c.op;
}

TEST_F(FieldValuesTest, SourcesOfAFieldValue) {
  // CODE is bound to the screen's file (CUST), ZONE to field 2 of file 2,
  // SUM has an ASSIGN$.
  ASSERT_EQ(RecBufAlloc(1), 0);
  ASSERT_EQ(RecBufAlloc(2), 0);
  ASSERT_EQ(RecFieldSet(1, 1, S("C42")), 0);
  ASSERT_EQ(RecFieldSet(2, 2, S("North")), 0);
  WriteTagged("SRC.PPN", {"FD$:CODE,ZONE,SUM:ASSIGN$:\",,1+[2*3]\""});
  WriteTagged("SRC.PAN", {"10105010106A", "10205020206A", "10305000004N"});
  Window();
  ASSERT_EQ(ScreenCreate(StrFromC("SRC"), StrFromC("SRC"), 1, 1, StrFromC("")), 0);
  ASSERT_EQ(FieldsRefresh(kCheckRefresh | kPutFromFile, 1, -1), 0);
  EXPECT_EQ(FieldValue(1).Str(), "C42   ");
  EXPECT_EQ(FieldValue(2).Str(), "North ");
  EXPECT_EQ(FieldValue(3).Str(), "   7");
  EXPECT_EQ(FieldValueGet(kPutRaw | kPutAssign, 2).Str(), "North ");  // raw: its own value

  // The record image goes to the window and back.
  WinRecord* w = WinGet(kCurrentIndex);
  ASSERT_EQ(ScreenBufStack(kBufImagePush), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(w->image), 3), "C42");
  w->image[0] = 'X';
  ASSERT_EQ(ScreenBufStack(kBufImagePop), 0);
  EXPECT_EQ(RecFieldGet(1, 1).Str().substr(0, 3), "X42");
  EXPECT_EQ(ScreenBufStack(0x1E), st::BADINPUTDATA);
  Open("FD$:A", 1, "NOFILE");
  EXPECT_EQ(ScreenBufStack(kBufImagePush), st::DATAOUTBOUND);

  // A failing source names the field and its text in the detail.
  Open("FD$:A,B:ASSIGN$:\",1+\"", 2, "BAD");
  ErrClear();
  EXPECT_EQ(StrError(FieldValueGet(kPutAssign, 2)), st::SINTAXERROR);
  EXPECT_NE(ErrDetail().Str().find("Bad params for screen field 2\r\n (1+)"), std::string::npos) << ErrDetail().Str();
  ErrClear();
}

TEST_F(FieldValuesTest, PendingSelectionsAreAppliedAndPopped) {
  Open("FD$:A,B,C:ASSIGN$:\",PICK$,PICK$\"", 3);
  Exec("PICK$='zz'");
  ASSERT_EQ(SelectionPush(StrFromC("'K1':B;C")), 0);
  ASSERT_EQ(SelectionPush(StrFromC("1+:B")), 0);
  EXPECT_EQ(SelectionApply(1), st::SINTAXERROR);  // popped all the same
  EXPECT_EQ(DynStrCount(SelectionList), 1u);
  ASSERT_EQ(SelectionApply(1), 0);
  EXPECT_EQ(FieldValue(1).Str(), "K1    ");
  EXPECT_EQ(FieldValue(2).Str(), "zz    ");  // refetched from its ASSIGN$
  EXPECT_EQ(FieldValue(3).Str(), "zz    ");
  EXPECT_EQ(DynStrCount(SelectionList), 0u);
  EXPECT_EQ(SelectionApply(1), 0);  // nothing pending
}

}  // namespace
