// Accept field lists: the form's screen built from its list, the places of
// fields and prompts, the starting values and the collection of answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/store/recbuf.h"
#include "runtime/format.h"
#include "screens/window/actions.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "form_fixture.h"

namespace {

class AcceptListTest : public FormTest {
 protected:
  // Opens the list's form on a plain window (no handlers).
  Status Open(const std::string& list, int flags = 0) {
    Window();
    return AcceptWinSelect(S(list), flags);
  }
  static std::string Name(int n) { return FieldName(n); }
};

TEST_F(AcceptListTest, CalculatorListGetsGeneratedNamesAndItsProperties) {
  ASSERT_EQ(Open("'Kgs:':'26','Tot:':'26' /ASSIGN$=\"0,_SCRF1#+_SCRF2#\""), 0);
  const ScreenDesc s = ScreenCurrent();
  EXPECT_EQ(std::string(s.name, s.nameLen), "Kgs:Tot:");
  ASSERT_EQ(s.fieldCount, 2);
  EXPECT_EQ(Name(1), "_SCRF1#");
  EXPECT_EQ(Name(2), "_SCRF2#");
  EXPECT_EQ(FieldGet(1).type, '2');
  EXPECT_EQ(FieldGet(1).length, 6);
  EXPECT_TRUE(FieldGet(2).flags & kFieldHasAssign);
  EXPECT_EQ(ScreenSliceText(s, FieldGet(2).assign).Str(), "_SCRF1#+_SCRF2#");
  EXPECT_EQ(DynStrCount(ObjParamsList), 0u);  // the properties were popped
  // The prompts are labels at the field's row, ending before it.
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(WinTop(), kIdLabelFirst + 80 + 1)), "Kgs:");
  EXPECT_EQ(SysText(kSysAcceptListItem), "'Kgs:':'26','Tot:':'26' /ASSIGN$=\"0,_SCRF1#+_SCRF2#\"");
}

TEST_F(AcceptListTest, OneSpecWithSemicolonsReadsAsWithColons) {
  for (const char* list : {"'Code:':'A6':c$:'X1'", "'Code:';'A6';c$;'X1'"}) {
    EXPECT_EQ(AcceptPrompt(S(list), 1).Str(), "Code:") << list;
    EXPECT_EQ(AcceptSpecPart(S(list), 1, 3).Str(), "c$") << list;
    EXPECT_EQ(AcceptSpecPart(S(list), 1, 4).Str(), "'X1'") << list;
    FieldDesc f = AcceptFieldSpec(S(list), 1, AcceptPos{1, 7});
    EXPECT_EQ(f.status, 0) << list;
    EXPECT_EQ(f.type, 'A');
    EXPECT_EQ(f.length, 6);
  }
  // Two specs keep ";" inside a part (a default's arguments).
  EXPECT_EQ(AcceptSpecPart(S("'A:':'A6':a$:FN$LEFT('xy';1),'B:':'A1':b$"), 1, 4).Str(), "FN$LEFT('xy';1)");
}

TEST_F(AcceptListTest, PlacesOfFieldsAndPrompts) {
  struct Case {
    const char* list;
    uint32_t i;
    AcceptPos field, label;
  } cases[] = {
      {"'{5,10}Name:':'A8':n$", 1, {5, 10}, {5, 5}},
      {"{5,10}'Name:':'A8':n$", 1, {5, 10}, {5, 5}},
      {"'Name:':'A8':n$ /ROW 5 /COL 10", 1, {5, 10}, {5, 5}},
      {"'Name:':'A8':n$/ROW=5/COL=10", 1, {5, 10}, {5, 5}},
      // Unplaced fields stand after the longest prompt, row by row.
      {"'A:':'A3':a$,'Long:':'A3':b$", 1, {1, 6}, {1, 4}},
      {"'A:':'A3':a$,'Long:':'A3':b$", 2, {2, 6}, {2, 1}},
      {"'A:':'A3':a$,'B:':'A3':b$ /ROW 4", 2, {4, 3}, {4, 1}},
  };
  for (const Case& c : cases) {
    uint16_t column = static_cast<uint16_t>(AcceptPromptWidth(S(c.list)) + 1);
    AcceptPos f = AcceptFieldPos(S(c.list), c.i, column);
    AcceptPos l = AcceptLabelPos(S(c.list), c.i);
    EXPECT_EQ(f.row, c.field.row) << c.list;
    EXPECT_EQ(f.col, c.field.col) << c.list;
    EXPECT_EQ(l.row, c.label.row) << c.list;
    EXPECT_EQ(l.col, c.label.col) << c.list;
  }
  // " /ROW" is an option, not the start of the properties.
  ASSERT_EQ(Open("'Name:':'A8':n$ /ROW 5 /COL 10 /HIDDEN$=\"x\""), 0);
  EXPECT_EQ(FieldGet(1).row, 5);
  EXPECT_EQ(FieldGet(1).col, 10);
  EXPECT_EQ(ScreenDefLookup(StrFromC("HIDDEN$")).Str(), "x");
}

TEST_F(AcceptListTest, FieldReferencesTakeTheDictionaryAndGetPrompts) {
  struct Case {
    const char* list;
    uint32_t i;
    const char* prompt;
  } cases[] = {
      {"CODE{}", 1, "CODE(From):"},            // no operator: ">=" for field 1
      {"CODE{},QTY{}", 2, "QTY(To)  :"},       // "<=" for field 2, the word's blanks kept
      {"CODE{},QTY{},CODE{}", 3, "CODE:"},     // no word after field 2
      {"CODE{}==", 1, "CODE(Equal to):"},
      {"CODE{}<>", 1, "CODE(No Equal to):"},
      {"QTY{3}>", 1, "QTY(Bigger than):"},
  };
  for (const Case& c : cases) EXPECT_EQ(AcceptPrompt(S(c.list), c.i).Str(), c.prompt) << c.list;
  FieldDesc f = AcceptFieldSpec(S("QTY{}<="), 1, AcceptPos{2, 12});
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.type, 'N');
  EXPECT_EQ(f.length, 6);
  EXPECT_EQ(f.keyFile, kStock);
  EXPECT_EQ(f.keyField, 2);
  EXPECT_EQ(f.row, 2);
  EXPECT_EQ(f.col, 12);
}

TEST_F(AcceptListTest, BadSpecsAnswerTheirCodes) {
  struct Case {
    const char* list;
    Status want;
  } cases[] = {
      {"'A:':'A0':a$", st::DATAOUTBOUND},       // no width
      {"'A:':'A70000':a$", st::DATAOUTBOUND},   // a width past 16 bits
      {"'A:':'X5':a$", st::BADINPUTDATA},       // no such type
      {":'A5'", st::BADINPUTDATA},              // no name
      {"'A:':'A5':a$,,'B:':'A1':b$", st::BADINPUTDATA},  // an empty spec
      {"NOPE{}", st::SINTAXERROR},              // no such field
      {"CODE{}=>", st::SINTAXERROR},            // no such operator
      {"'A:':'V5':a$", st::VARSCREENFIELD},     // _V1$ is not defined
      {"", st::BADINPUTDATA},
  };
  for (const Case& c : cases) {
    std::vector<FieldDesc> fields;
    EXPECT_EQ(AcceptFieldsParse(S(c.list), fields, 0), c.want) << c.list;
    ErrClear();
  }
  // A width sum past 65535 answers 168 and leaves nothing behind.
  std::string wide = "'A:':'A40000':a$,'B:':'A40000':b$";
  EXPECT_EQ(Open(wide), st::DATAOUTBOUND);
  EXPECT_EQ(ScreenStackIndex(1), 0);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(DynStrCount(ObjParamsList), 0u);
  // "V" takes type and width from its variable, and a "D" stores 8.
  ASSERT_EQ(VarAssign(S("_V2$"), S("N7")), 0);
  std::vector<FieldDesc> fields;
  ASSERT_EQ(AcceptFieldsParse(S("'D:':'D10':d$,'V:':'V':v#"), fields, 0), 0);
  EXPECT_EQ(fields[0].length, 8);
  EXPECT_EQ(fields[0].limit, 10);
  EXPECT_EQ(fields[1].type, 'N');
  EXPECT_EQ(fields[1].length, 7);
}

TEST_F(AcceptListTest, CollidingNamesGetScreensOfTheirOwn) {
  const std::string a = "'Abcd:':'A5':x$,'Efgh:':'A5':y$";
  const std::string b = "'Abcd:':'N3':p#,'Efgh:':'N4':q#";
  ASSERT_EQ(Open(a), 0);
  ASSERT_EQ(FieldPut(kCheckInput, 1, S("first")), 0);
  ASSERT_EQ(Open(b), 0);  // same derived name, another list
  EXPECT_EQ(ScreenStackIndex(1), 2);
  EXPECT_EQ(FieldGet(1).type, 'N');
  ASSERT_EQ(FieldPut(kCheckInput, 1, S("12")), 0);
  ASSERT_EQ(Open(a), 0);  // the same list shares its screen
  EXPECT_EQ(ScreenStackIndex(1), 2);
  EXPECT_EQ(ScreenCurrent().useCount, 2);
  WinSelect(0);
  EXPECT_EQ(FieldGet(1).type, 'A');
  EXPECT_EQ(FieldValue(1).Str(), "first");
  WinSelect(1);
  EXPECT_EQ(FieldValue(1).Str(), " 12");
}

// A form confirmed by the key its record was left with: the typed values,
// the targets, the condition.
class CollectTest : public AcceptListTest {
 protected:
  AcceptResult Collect(const std::string& list, const std::vector<std::string>& values, uint32_t key = kKeyEnter) {
    EXPECT_EQ(Open(list), 0);
    for (size_t n = 0; n < values.size(); ++n)
      EXPECT_EQ(FieldPut(kCheckInput, static_cast<uint16_t>(n + 1), S(values[n])), 0);
    AcceptResult r;
    r.lastKey = key;
    AcceptCollect(r, S(list));
    EXPECT_EQ(ScreenStackIndex(3), 0) << "the form's record is closed";
    return r;
  }
};

TEST_F(CollectTest, SearchConditionsAreWellFormedAndSelect) {
  AcceptResult r = Collect("CODE{}>=,QTY{}<=", {"A1", "10"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.condition, "CODE{}>='A1'&&QTY{}<=10");
  EXPECT_EQ(r.values, "'A1','    10'");
  EXPECT_EQ(SysText(kSysAcceptValuesItem), r.values);
  EXPECT_EQ(SysText(kSysLastCondItem), r.condition);

  // O'Brien: a condition that selects that record, with no evaluation error;
  // a value that would end the literal stays a text. (An equality compares
  // the field as stored, blank-padded: the fixture's codes fill it.)
  struct Case {
    const char* value;
    const char* record;
    int found;
  } cases[] = {{"O'Brien", "O'Brien", 1}, {"O'Brien", "Smith", 0}, {"x'||1||'", "Smith", 0}, {"Sm*", "Smith", 1}};
  for (const Case& c : cases) {
    r = Collect("'Code:':'A7':CODE{}==", {c.value});
    ASSERT_EQ(r.status, 0) << c.value;
    ASSERT_EQ(RecFieldSet(kStock, 1, S(c.record)), 0);
    EXPECT_EQ(ExpEvalCond(S(r.condition)), c.found) << r.condition << " on " << c.record;
    EXPECT_EQ(ErrGet(), 0u) << r.condition;
  }
  // An empty answer adds no term; a numeric name takes only a number.
  EXPECT_EQ(Collect("CODE{}>=,QTY{}<=", {"", "5"}).condition, "QTY{}<=5");
  r = Collect("'Q:':'A6':QTY{}>=", {"1||1"});
  EXPECT_EQ(r.status, st::BADINPUTDATA);
  EXPECT_EQ(r.condition, "");
}

TEST_F(CollectTest, TargetsTakeTheValues) {
  AcceptResult r = Collect("'Name:':'A10':n$,'Qty:':'26':q#,'Copy:':'A4':c$::k$", {"Ann", "12.5", "xy"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values, "'Ann',' 12.50','xy'");
  EXPECT_EQ(Str("n$"), "Ann");
  EXPECT_EQ(ExpEvalStr(S("q#")).Str(), "12.5");
  EXPECT_EQ(Str("k$"), "xy");  // part 5 names the target
}

TEST_F(CollectTest, BothQuotesFailNamingTheFieldAndKeepTheAnswers) {
  ASSERT_EQ(DynStrSet(SystemTextList, kSysAcceptValuesItem, S("'before'")), 0);
  AcceptResult r = Collect("'A:':'A8':a$,'B:':'A8':CODE{}==", {"x", "a'b\"c"});
  EXPECT_EQ(r.status, st::BADINPUTDATA);
  EXPECT_NE(ErrDetail().Str().find("field 2"), std::string::npos) << ErrDetail().Str();
  EXPECT_EQ(r.values, "");
  EXPECT_EQ(r.condition, "");
  EXPECT_EQ(SysText(kSysAcceptValuesItem), "");  // cleared by the new list, not set
}

TEST_F(CollectTest, EscCancelsAndRecordsOnlyTheCancelLine) {
  Output();
  ASSERT_EQ(DynStrSet(SystemTextList, kSysAcceptListItem, S("'A:':'A3':a$")), 0);
  ASSERT_EQ(DynStrSet(SystemTextList, kSysAcceptValuesItem, S("'old'")), 0);
  AcceptResult r = Collect("'A:':'A3':a$", {"new"}, kKeyEsc);
  EXPECT_EQ(r.status, st::USERCANCELED);
  EXPECT_EQ(r.values, "");
  EXPECT_EQ(SysText(kSysAcceptValuesItem), "'old'");
  EXPECT_EQ(OutputText(), "\x1B\r\n");
  r = Collect("'A:':'A3':a$", {"new"}, kKeyCtrlEnd);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.lastKey, 0u);  // 32 is reported as 0
  EXPECT_EQ(VarSysIntGet(kSysLastKey), 0);
  EXPECT_EQ(OutputText(), "\x1B\r\n'new'\r\n");
}

TEST_F(AcceptListTest, StartingValuesFromDefaultsOrTheLastAnswers) {
  const std::string list = "'From date:':'A8':d$:'X'+'Y','To:':'A8':t$";
  ASSERT_EQ(Open(list), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  ASSERT_EQ(FieldValidateAll(S(list)), 0);
  EXPECT_EQ(FieldValue(1).Str(), "XY      ");  // a prompt with a blank still gets its default
  EXPECT_EQ(FieldValue(2).Str(), std::string(8, ' '));
  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);
  // The same list again offers the last answers where it has no default.
  ASSERT_EQ(DynStrSet(SystemTextList, kSysAcceptValuesItem, S("'A','B,C'")), 0);
  ASSERT_EQ(Open(list), 0);
  ASSERT_EQ(FieldValidateAll(S(list)), 0);
  EXPECT_EQ(FieldValue(1).Str(), "XY      ");
  EXPECT_EQ(FieldValue(2).Str(), "B,C     ");
  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);
  // Another list forgets them.
  ASSERT_EQ(Open("'Other:':'A3':o$"), 0);
  EXPECT_EQ(SysText(kSysAcceptValuesItem), "");
}

TEST_F(AcceptListTest, GridPadsAndFittedGeometry) {
  ASSERT_EQ(Open("'Due:':'D8':d$,'Amount:':'28':a#", kAcceptGridPad), 0);
  ScreenDesc s = ScreenCurrent();
  EXPECT_EQ(s.linesFirst, 1);
  EXPECT_EQ(s.linesLast, 2);
  EXPECT_EQ(FieldGet(1).row, 1);
  EXPECT_EQ(FieldGet(2).row, 1);
  EXPECT_EQ(FieldGet(2).col, FieldGet(1).col + FieldGet(1).width + 1);
  EXPECT_TRUE(ui::children(WinTop()).empty());  // no labels
  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);

  ASSERT_EQ(Open("'Name:':'A30':n$,'Code:':'A3':c$", kAcceptFitGeometry), 0);
  TextWinGeom g = TextWinGeomGet();
  EXPECT_EQ(g.columns, 6 + 30);
  EXPECT_EQ(g.rows, 2);
  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);
  ASSERT_EQ(Open("'A:':'A3':a$ /SCREENSIZE$=\"40,6\"", kAcceptFitGeometry), 0);
  EXPECT_EQ(TextWinGeomGet().columns, 40);
  EXPECT_EQ(TextWinGeomGet().rows, 6);
  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);
  ASSERT_EQ(Open("'A:':'A3':a$", kAcceptFitGeometry), 0);
  EXPECT_EQ(TextWinGeomGet().columns, 25);  // at least 25
}

}  // namespace
