// Field values: stepping in edit order, putting values with their checks and
// dependants, stores and whole-screen snapshots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/sysvars.h"
#include "screens/actions.h"
#include "screens/fieldctl.h"
#include "screens/fieldvalues.h"
#include "screens/winrecord.h"
#include "script/evaluator.h"
#include "screen_fixture.h"

namespace {

class FieldValuesTest : public ScreenUiTest {
 protected:
  // A screen of the definition over `count` text fields of width 6 in rows 1..count.
  ui::Hwnd Open(const std::string& def, int count, const char* name = "FV") {
    std::vector<std::string> layout;
    for (int n = 1; n <= count; ++n) layout.push_back("1" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "05000006A");
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

}  // namespace
