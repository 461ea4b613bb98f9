// Screen definitions: parsing into a descriptor, key binding, edit orders,
// flags, limits and the stacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/window/fieldvalues.h"
#include "screens/window/screenprops.h"
#include "screen_fixture.h"

namespace {

// Every property the parse reads. Fields: 1 CODE, 2 NAME, 3 ZONE (bound to
// the foreign file 2), 4 NOTE, 5 SECRET (hidden and in EDIT$), 6 BEGIN (the
// begin field, also in NOEDIT$), 7 QTY, 8 FLAG. The data file is item 9 of
// FILEDEF$; the lines block runs from NOTE to BEGIN.
const std::string kFixture =
    "FD$:CODE,NAME,ZONE,NOTE,SECRET,BEGIN,QTY,FLAG:EDIT$:NAME,SECRET,QTY,CODE:"
    "NOEDIT$:NOTE,BEGIN:HIDDEN$:SECRET:BEGINFLD%:7:"
    "FILEDEF$:CODE{CUST},NAME{1},2;1,,,,,,1:WIDTHS$:,,,,,,3:TYPES$:,,,,,,N,l:"
    "ALARM$:',,,,,,QTY>0':ASSIGN$:,,,,,,'5':UPDFIELDS$:,,,,,,NAME:"
    "WINDOWS$:\"CUST;1;NAME,LIST;'X'\":CLEAR$:0,1:BOUNDS$:NOTE,BEGIN:KEYMAP%:1:"
    "SET$:'A=1':IK$(1):CODE,NAME:RELOPT%:2:UNICNDX%:1:MAX_IDS_ATTR%:10:QTY$:'X=1'";

std::vector<FieldDesc> FixtureLayout() {
  std::vector<FieldDesc> l;
  const char types[] = "AAAAAAAA";
  for (uint16_t n = 1; n <= 8; ++n) l.push_back(LayoutField(n + 1, 10, 6, types[n - 1]));
  l[1].length = l[1].limit = l[1].width = 30;
  return l;
}

TEST_F(ScreenTest, FixtureParsesIntoOneDescriptor) {
  ASSERT_EQ(Parse(kFixture, FixtureLayout(), "CUSTSCR"), 0);
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->fieldCount, 8);
  EXPECT_EQ(s->linesFirst, 4);
  EXPECT_EQ(s->linesLast, 6);
  EXPECT_EQ(s->beginField, 6);
  EXPECT_EQ(s->dataFile, 1);
  EXPECT_EQ(s->indexFlag, 2);
  EXPECT_EQ(s->keyMap, 1);
  EXPECT_EQ(VarSysIntGet(kSysKeyMap), 1);
  EXPECT_EQ(s->maxIdsAttr, 10);
  EXPECT_EQ(s->totalWidth, 7 * 6 + 30);
  EXPECT_EQ(ScreenSliceText(*s, s->set).Str(), "A=1");
  EXPECT_EQ(ScreenSliceText(*s, s->ik1).Str(), "CODE");
  EXPECT_EQ(ScreenSliceText(*s, s->relOpt).Str(), "2");
  EXPECT_EQ(std::string(s->name, s->nameLen), "CUSTSCR");
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 1);

  struct Row {
    int n;
    const char* name;
    uint16_t flags;
    uint8_t keyFile;
    uint16_t keyField;
    uint16_t width;
    uint16_t offset;
    char type;
  } rows[] = {
      {1, "CODE", kFieldUpdatable | kFieldKeyBound | kFieldOwnFile | kFieldSelectWin | kFieldEditable, 1, 1, 6, 0, 'A'},
      {2, "NAME", kFieldKeyBound | kFieldOwnFile | kFieldEditable, 1, 2, 30, 6, 'A'},
      {3, "ZONE", kFieldUpdatable | kFieldKeyBound, 2, 1, 6, 36, 'A'},
      {4, "NOTE", kFieldUpdatable, 0, 0, 6, 42, 'A'},
      {5, "SECRET", kFieldUpdatable | kFieldHidden | kFieldEditable, 0, 0, 6, 48, 'A'},
      {6, "BEGIN", kFieldUpdatable | kFieldEditable, 0, 0, 6, 54, 'A'},
      {7, "QTY", kFieldUpdatable | kFieldHasAssign | kFieldHasPerform | kFieldHasUpdFields | kFieldHasAlarm |
                     kFieldEditable, 0, 0, 3, 60, 'N'},
      {8, "FLAG", kFieldUpdatable | kFieldEditable, 0, 0, 6, 66, 'L'},
  };
  for (const Row& r : rows) {
    const FieldDesc& f = s->fields[r.n - 1];
    SCOPED_TRACE(r.name);
    EXPECT_EQ(FieldName(r.n), r.name);
    EXPECT_EQ(f.flags, r.flags);
    EXPECT_EQ(f.keyFile, r.keyFile);
    EXPECT_EQ(f.keyField, r.keyField);
    EXPECT_EQ(f.width, r.width);
    EXPECT_EQ(f.valueOffset, r.offset);
    EXPECT_EQ(f.type, r.type);
  }
  const FieldDesc& qty = s->fields[6];
  EXPECT_EQ(ScreenSliceText(*s, qty.alarm).Str(), "QTY>0");
  EXPECT_EQ(ScreenSliceText(*s, qty.assign).Str(), "'5'");
  EXPECT_EQ(ScreenSliceText(*s, qty.perform).Str(), "'X=1'");  // from QTY$
  EXPECT_EQ(ScreenSliceText(*s, qty.updFields).Str(), "NAME");
}

TEST_F(ScreenTest, EditOrdersOfTheFixture) {
  ASSERT_EQ(Parse(kFixture, FixtureLayout()), 0);
  struct Case {
    int n;
    uint16_t order;
    bool hidden;
    const char* why;
  } cases[] = {
      {5, kEditHidden, true, "in HIDDEN$ and EDIT$"},
      {4, 0, false, "in NOEDIT$"},
      {6, 6, false, "in NOEDIT$ but the begin field"},
      {3, 0, false, "bound to a foreign key file"},
      {8, 8, false, "not in EDIT$"},
      {7, 3, false, "third in EDIT$"},
      {2, 1, false, "first in EDIT$"},
  };
  for (const Case& c : cases) {
    FieldDesc f = FieldGet(c.n);
    EXPECT_EQ(f.editOrder, c.order) << c.why;
    EXPECT_EQ(FieldIsHidden(f), c.hidden) << c.why;
  }
}

TEST_F(ScreenTest, FieldsPastEightyStayVisibleAndInTheTabOrder) {
  std::vector<FieldDesc> layout;
  for (uint16_t n = 1; n <= 85; ++n) layout.push_back(LayoutField(n % 20 + 1, n % 3 * 20 + 1, 4, 'A'));
  ASSERT_EQ(Parse("HIDDEN$:_SCRF2$", layout), 0);
  for (int n = 80; n <= 85; ++n) {
    FieldDesc f = FieldGet(n);
    EXPECT_EQ(f.editOrder, n);
    EXPECT_FALSE(FieldIsHidden(f)) << n;
    EXPECT_TRUE(f.flags & kFieldEditable) << n;
    EXPECT_EQ(FieldName(n), "_SCRF" + std::to_string(n) + "$");
  }
  EXPECT_TRUE(FieldIsHidden(FieldGet(2)));  // generated names can be hidden too
  EXPECT_EQ(FieldGet(81).valueOffset, 80 * 4);
}

TEST_F(ScreenTest, BoundsAndFieldNumbersOutsideTheScreen) {
  ASSERT_EQ(Parse("FD$:A,B,C:BOUNDS$:X,Y"), 0);
  EXPECT_EQ(ScreenCurrent().fieldCount, 3);
  EXPECT_EQ(ScreenCurrent().linesFirst, 0);
  EXPECT_EQ(ScreenCurrent().linesLast, 0);
  EXPECT_EQ(FieldGet(0).status, st::DATAOUTBOUND);
  EXPECT_EQ(FieldGet(4).status, st::DATAOUTBOUND);
  EXPECT_EQ(FieldGet(3).status, 0);

  ScreenDesc soft;
  soft.createFlags = kCreateSoftFieldNum;
  ASSERT_EQ(Parse("FD$:A", {}, "SOFT", soft), 0);
  EXPECT_EQ(FieldGet(0).status, st::UNDEFWARNING);

  ASSERT_EQ(Parse("TITLE$:nothing"), 0);  // neither FD$ nor layout fields
  EXPECT_EQ(ScreenCurrent().fieldCount, 0);
}

TEST_F(ScreenTest, FieldsBindByNameUnderCreationFlag4) {
  ScreenDesc d;
  d.dataFile = 1;
  d.createFlags = kCreateBindByName;
  ASSERT_EQ(Parse("FD$:CODE,CITY,OTHER", {}, "BYNAME", d), 0);
  FieldDesc city = FieldGet(2);
  EXPECT_EQ(city.keyFile, 1);
  EXPECT_EQ(city.keyField, 3);
  EXPECT_EQ(city.length, 20);
  EXPECT_EQ(city.limit, 20);
  EXPECT_EQ(city.type, 'A');
  EXPECT_EQ(FieldGet(3).keyFile, 0);
  EXPECT_EQ(ScreenCurrent().totalWidth, 26);

  d.createFlags = 0;  // without the flag nothing binds
  ASSERT_EQ(Parse("FD$:CODE,CITY", {}, "PLAIN", d), 0);
  EXPECT_EQ(FieldGet(2).keyFile, 0);
}

TEST_F(ScreenTest, BadDefinitionsAreRefusedWithoutLeavingAScreen) {
  std::vector<FieldDesc> wide(3, LayoutField(1, 1, 30000, 'A'));
  std::vector<FieldDesc> many(1001, LayoutField(1, 1, 1, 'A'));
  struct Case {
    std::string text;
    std::vector<FieldDesc> layout;
    Status want;
    const char* detail;
  } cases[] = {
      {"FD$:A", wide, st::DATAOUTBOUND, "value width"},
      {"", many, st::DATAOUTBOUND, "1000 fields"},
      {"FD$:A:MAX_IDS_ATTR%:2000", {}, st::DATAOUTBOUND, "MAX_IDS_ATTR%"},
      {"FD$:A:TITLE$:'open", {}, st::BADINPUTDATA, "'open"},
      {"FD$:A,B:FILEDEF$:x;y", {}, st::BADINPUTDATA, "x;y"},
      {"FD$:A,B:FILEDEF$:NAME{9}", {}, st::BADINPUTDATA, "NAME{9}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    ErrClear();
    EXPECT_EQ(Parse(c.text, c.layout, "BAD"), c.want);
    EXPECT_NE(ErrDetail().Str().find(c.detail), std::string::npos) << ErrDetail().Str();
    EXPECT_EQ(ScreenStackIndex(1), 0);
    EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
  }
  EXPECT_EQ(DynStrCount(ObjParamsList), 0u);
}

TEST_F(ScreenTest, StacksFindScreensByNameFromTheTop) {
  EXPECT_EQ(ScreenStackIndex(0), 0xFFFF);
  EXPECT_EQ(ScreenStackIndex(2), 0xFFFF);
  EXPECT_EQ(WinCurrent().flags, kWinHandlersLocked);
  EXPECT_EQ(ScreenGet(kCurrentIndex), nullptr);
  ASSERT_EQ(Parse("FD$:A", {}, "ONE"), 0);
  ASSERT_EQ(Parse("FD$:A,B", {}, "TWO"), 0);
  ASSERT_EQ(Parse("FD$:A,B,C", {}, "ONE"), 0);
  EXPECT_EQ(ScreenStackIndex(0), 2);
  EXPECT_EQ(ScreenStackIndex(1), 3);
  EXPECT_EQ(ScreenFind(S("ONE")), 2);
  EXPECT_EQ(ScreenFind(S("TWO")), 1);
  EXPECT_EQ(ScreenFind(S("THREE")), 0xFFFF);
  ScreenStackSetCurrent(1);
  EXPECT_EQ(ScreenCurrent().fieldCount, 2);
  ScreenStackSetCurrent(7);  // not below the count: nothing changes
  EXPECT_EQ(ScreenStackIndex(0), 1);
}

TEST_F(ScreenTest, MissingNamesAreGeneratedByType) {
  std::vector<FieldDesc> layout = {LayoutField(1, 1, 5, 'A'), LayoutField(2, 1, 5, 'N'),
                                   LayoutField(3, 1, 8, 'D'), LayoutField(4, 1, 1, 'L')};
  ASSERT_EQ(DynStrPush(ObjParamsList, S("FD$:FIRST:X$:1")), 0);
  EXPECT_EQ(ScreenFieldVars(layout.data(), 4).Str(), "FD$:\"FIRST,_SCRF2#,_SCRF3$,_SCRF4#\":FD$:FIRST:X$:1");
  EXPECT_EQ(ScreenFieldVars(layout.data(), 1).Str(), "FD$:FIRST:X$:1");  // enough names: unchanged
  ASSERT_EQ(DynStrSet(ObjParamsList, 0, S("X$:1")), 0);
  EXPECT_EQ(ScreenFieldVars(layout.data(), 2).Str(), "FD$:\"_SCRF1$,_SCRF2#\":X$:1");
}

}  // namespace
