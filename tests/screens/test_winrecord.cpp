// Layout files, window records and screens made from their files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/dictionary/compat.h"
#include "data/store/recbuf.h"
#include "platform/ui/ui.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/window/layout.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "screen_fixture.h"

namespace {

using LayoutTest = ScreenUiTest;

std::vector<std::string> g_other;
uint16_t Collect(int flag, StrValue line) {
  g_other.push_back(std::to_string(flag) + ":" + line.Str());
  return 0;
}

TEST_F(LayoutTest, FieldLinesFillRecordsAndOtherLinesGoToTheCallback) {
  WriteTagged("LAY.PAN", {"10503120008N", "00101<?>Title", "10710000010D", "20304extra", "11002000301V"});
  ASSERT_EQ(DynStrPush(FileLinesQueue, S("queued before")), 0);
  g_other.clear();
  FieldDesc f[4];
  LayoutResult r = FieldLayoutLoad(StrFromC("LAY"), 1, 0, f, 4, Collect);
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(r.fields, 3);
  EXPECT_EQ(f[0].row, 5);
  EXPECT_EQ(f[0].col, 3);
  EXPECT_EQ(f[0].keyFile, 12);
  EXPECT_EQ(f[0].keyField, 0);
  EXPECT_EQ(f[0].length, 8);
  EXPECT_EQ(f[0].limit, 8);
  EXPECT_EQ(f[0].width, 8);
  EXPECT_EQ(f[0].type, 'N');
  EXPECT_EQ(f[1].length, 8);  // a date of width 10 is stored in 8
  EXPECT_EQ(f[1].limit, 10);
  EXPECT_EQ(f[2].status, st::VARSCREENFIELD);  // "V" without its variable _V3$
  EXPECT_EQ(g_other, (std::vector<std::string>{"0:00101<?>Title", "2:20304extra"}));
  EXPECT_EQ(DynStrCount(FileLinesQueue), 1u);  // only the layout's lines left the queue
  EXPECT_EQ(DynStrGet(FileLinesQueue, 0).Str(), "queued before");

  ASSERT_LT(ExpExecText(StrFromC("_V3$='A5'")), 128);
  EXPECT_EQ(FieldLayoutLoad(StrFromC("LAY"), 1, 0, f, 4, Collect).fields, 3);
  EXPECT_EQ(f[2].status, 0);
  VarSysIntSet(kSysCompat, compat::kDisplayWidths);  // lengths become display widths
  FieldLayoutLoad(StrFromC("LAY"), 1, 0, f, 4, Collect);
  EXPECT_EQ(f[0].length, DicFieldWidth('N', 8));
  VarSysIntSet(kSysCompat, 0);
}

TEST_F(LayoutTest, BadLayoutsAreRefusedWithTheLine) {
  WriteTagged("SHORT.PAN", {"10503120008N", "10503", "10510000010A"});
  WriteTagged("ALPHA.PAN", {"1a503120008N"});
  WriteTagged("MANY.PAN", {"10101000001A", "10201000001A", "10301000001A"});
  struct Case {
    const char* name;
    int flags;
    uint16_t capacity;
    Status status;
    const char* detail;
  } cases[] = {
      {"SHORT", 0, 8, st::BADINPUTDATA, "10503"},
      {"ALPHA", 0, 8, st::BADINPUTDATA, "1a503120008N"},
      {"MANY", 0, 2, st::DATAOUTBOUND, "10301000001A"},
      {"NONE", 0, 8, st::FILENOTFOUND, "NONE.PAN"},
      {"NONE", kLayoutMissingOk, 8, 0, nullptr},
  };
  for (const Case& c : cases) {
    ErrClear();
    FieldDesc f[8];
    LayoutResult r = FieldLayoutLoad(StrFromC(c.name), 1, c.flags, f, c.capacity, nullptr);
    EXPECT_EQ(r.status, c.status) << c.name;
    if (c.detail) {
      EXPECT_EQ(ErrDetail().Str(), c.detail) << c.name;
    }
    EXPECT_EQ(DynStrCount(FileLinesQueue), 0u) << c.name;
  }
}

using RecordTest = ScreenUiTest;

TEST_F(RecordTest, ScreenSizesAreCheckedAndApplied) {
  struct Case {
    const char* size;
    TextWinGeom want;
  } cases[] = {
      {"0,30", {80, 30, 0, 0, 0, 0}},
      {"100,30,2", {100, 30, 2, 0, 0, 0}},
      {"100,30,2,-1,-1,50", {100, 30, 2, 0, 0, 50}},
      {"300,30,999,1", {80, 30, 0, 1, 0, 0}},  // out-of-range items are ignored
      {"0,0,,3", {80, 25, 0, 3, 0, 0}},
  };
  for (const Case& c : cases) {
    TextWinGeomReset();
    ASSERT_EQ(DynStrPush(ObjParamsList, S(std::string("SCREENSIZE$:'") + c.size + "'")), 0);
    ScreenSizeApply(kGeomKeep, kGeomKeep);
    ParmStrPop();
    EXPECT_EQ(TextWinGeomGet(), c.want) << c.size;
  }
  TextWinGeomReset();
  ScreenSizeApply(kGeomKeep, kGeomKeep);  // no SCREENSIZE$ (and no variable): unchanged
  EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 25, 0, 0, 0, 0}));
}

TEST_F(RecordTest, OneScreenTwoRecordsIndependentBuffers) {
  WriteTagged("TWO.PPN", {"FD$:A,B:SCREENSIZE$:'60,20':KEYMAP%:1"});
  WriteTagged("TWO.PAN", {"10203000004A", "10303000006N", "00201Label"});
  Window();
  ASSERT_EQ(ScreenCreate(StrFromC("TWO"), StrFromC("TWO"), 1, 0, StrFromC("")), 0);
  Window();
  ASSERT_EQ(ScreenCreate(StrFromC("TWO"), StrFromC("TWO"), 1, 0, StrFromC("X:A")), 0);
  EXPECT_EQ(ScreenStackIndex(1), 1);
  EXPECT_EQ(ScreenStackIndex(3), 2);
  EXPECT_EQ(ScreenCurrent().useCount, 2);
  EXPECT_EQ(DynStrTop(SelectionList).Str(), "X:A");
  WinRecord* first = WinGet(0);
  WinRecord* second = WinGet(1);
  EXPECT_EQ(first->bufferLen, 2u * 10);  // no data file: twice the total width
  EXPECT_NE(first->buffer, second->buffer);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(first->values), 20), std::string(20, ' '));
  first->values[0] = 'x';
  EXPECT_EQ(second->values[0], ' ');
  EXPECT_EQ(first->keyNum, 1);
  EXPECT_EQ(first->reserved, 0xFFFF);
  EXPECT_EQ(first->cellHeight, 16);

  ASSERT_EQ(WinClose(kCurrentIndex), 0);
  EXPECT_EQ(ScreenStackIndex(1), 1);  // the screen stays for the other record
  EXPECT_EQ(ScreenCurrent().useCount, 1);
  EXPECT_EQ(ScreenStackIndex(2), 0);
  EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 25, 0, 0, 0, 0}));  // the geometry is unset
  ASSERT_EQ(WinClose(kCurrentIndex), 0);
  EXPECT_EQ(ScreenStackIndex(1), 0);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
  EXPECT_EQ(WinClose(kCurrentIndex), st::SCREENSTRUCTERR);  // nothing left to close
}

// The key shown with a navigation button is the one the key map of its
// window's screen gives its command (the newest record on the window), not
// the current screen's; a window without a record follows `_KEYMAP`.
TEST_F(RecordTest, ANavigationButtonShowsTheKeyOfItsWindowsKeyMap) {
  WriteTagged("CUSTS.PPN", {"FD$:CODE,NAME:FILEDEF$:,,1:KEYMAP%:1"});
  WriteTagged("CUSTS.PAN", {"10203010106A", "10303010230A"});
  WriteTagged("ZONES.PPN", {"FD$:Z:KEYMAP%:0"});
  WriteTagged("ZONES.PAN", {"10203020104A"});
  ASSERT_EQ(RecBufAlloc(1), 0);
  ui::Hwnd lines = Window();
  ASSERT_EQ(ScreenCreate(StrFromC("CUSTS"), StrFromC("CUSTS"), 1, 0, StrFromC("")), 0);
  ui::Hwnd header = Window();
  ASSERT_EQ(ScreenCreate(StrFromC("ZONES"), StrFromC("ZONES"), 1, 2, StrFromC("")), 0);
  ui::Hwnd loose = Window();
  VarSysIntSet(kSysKeyMap, 1);
  struct Case {
    const char* id;
    ui::Hwnd window;
    uint16_t command;
    const char* key;
  } cases[] = {
      {"find", header, 3007, "F6"},
      {"next", header, 3005, "PgDn"},
      {"previous", header, 3003, "PgUp"},
      {"new has no key", header, 3001, ""},
      {"ok is no navigation command", header, 3100, ""},
      {"delete-lines in mode 0", header, 3013, "F3"},
      {"delete-lines has no key in mode 1", lines, 3013, ""},
      {"mode in mode 1", lines, 3015, "F3"},
      {"delete-document in mode 0", header, 3016, "F10"},
      {"no record: the current key map", loose, 3015, "F3"},
  };
  for (const Case& c : cases) {
    ui::Hwnd b = ChildCreate(c.window, "BUTTON", "x", ui::WS_CHILD | ui::WS_VISIBLE, 0, 0, 0, 10, 10, c.command);
    EXPECT_EQ(NavButtonKeyName(b), c.key) << c.id;
    ui::destroy_window(b);
  }
  // F10 opens a menu bar: the command's next key is shown.
  ui::Hmenu bar = ui::menu_create_bar();
  ui::menu_append_item(bar, 1500, "File");
  ui::set_menu(header, bar);
  ui::Hwnd b = ChildCreate(header, "BUTTON", "x", ui::WS_CHILD | ui::WS_VISIBLE, 0, 0, 0, 10, 10, 3016);
  EXPECT_EQ(NavButtonKeyName(b), "F11");
}

TEST_F(RecordTest, SelectingRecordsSavesTheImagesOfTheRecordLeft) {
  WriteTagged("CUSTS.PPN", {"FD$:CODE,NAME:FILEDEF$:,,1:KEYMAP%:1"});
  WriteTagged("CUSTS.PAN", {"10203010106A", "10303010230A"});
  WriteTagged("ZONES.PPN", {"FD$:Z:KEYMAP%:0"});
  WriteTagged("ZONES.PAN", {"10203020104A"});
  ASSERT_EQ(RecBufAlloc(1), 0);
  Window();
  ASSERT_EQ(ScreenCreate(StrFromC("CUSTS"), StrFromC("CUSTS"), 1, 0, StrFromC("")), 0);
  EXPECT_EQ(WinCurrent().dataFile, 1);
  EXPECT_EQ(WinCurrent().bufferLen, 2u * 36 + 2u * DicRecLen(1));
  Window();
  ASSERT_EQ(ScreenCreate(StrFromC("ZONES"), StrFromC("ZONES"), 1, 2, StrFromC("")), 0);
  EXPECT_EQ(ScreenCurrent().dataFile, 2);  // from the caller
  EXPECT_EQ(VarSysIntGet(kSysKeyMap), 0);

  ASSERT_EQ(WinSelect(0), 0);  // to the customers' record
  EXPECT_EQ(ScreenStackIndex(0), 0);
  EXPECT_EQ(VarSysIntGet(kSysKeyMap), 1);
  ASSERT_EQ(RecFieldSet(1, 1, S("C42")), 0);
  std::string record = RecBuf(1, kRecBoth).Str();
  struct Case {
    int n;
    int answer;
    bool saved;
  } cases[] = {
      {-1, 0, false},  // a query
      {0, 0, false},   // the current one: nothing changes
      {5, 0, false},   // not below the count: nothing changes
      {1, 1, true},    // the customers' record is left: its images are saved
  };
  for (const Case& c : cases) {
    std::memset(WinGet(0)->image, '.', 2 * DicRecLen(1));
    EXPECT_EQ(WinSelect(c.n), c.answer) << c.n;
    std::string image(reinterpret_cast<char*>(WinGet(0)->image), 2 * DicRecLen(1));
    EXPECT_EQ(image == record, c.saved) << c.n;
  }
  EXPECT_EQ(VarSysIntGet(kSysKeyMap), 0);
  ASSERT_EQ(RecBufClear(1, 0), 0);
  EXPECT_EQ(WinSelect(0), 0);
  EXPECT_NE(RecBuf(1, kRecBoth).Str(), record);  // the file's buffer is not restored

  WinGet(0)->flags = kWinHandlersLocked;  // a locked record left saves nothing
  std::memset(WinGet(0)->image, '.', 2 * DicRecLen(1));
  EXPECT_EQ(WinSelect(1), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(WinGet(0)->image), 2 * DicRecLen(1)),
            std::string(2 * DicRecLen(1), '.'));
}

TEST_F(RecordTest, ClosingAnOlderRecordKeepsTheCurrentOne) {
  WriteTagged("A.PPN", {"FD$:A"});
  WriteTagged("B.PPN", {"FD$:B,C"});
  WriteTagged("C.PPN", {"FD$:D,E,F"});
  for (const char* name : {"A", "B", "C"}) {
    Window();
    ASSERT_EQ(ScreenCreate(StrFromC(name), StrFromC(name), 1, 0, StrFromC("")), 0) << name;
  }
  ASSERT_EQ(WinSelect(1), 1);
  ASSERT_EQ(WinClose(0), 0);  // record A goes; B stays current, its screen too
  EXPECT_EQ(ScreenStackIndex(2), 0);
  EXPECT_EQ(ScreenCurrent().fieldCount, 2);
  EXPECT_EQ(WinGet(1)->screen, 1);  // C's record follows its screen down
  EXPECT_EQ(ScreenGet(WinGet(1)->screen)->fieldCount, 3);
}

TEST_F(RecordTest, CloseEveryRecordWithItsWindowNewestFirst) {
  WriteTagged("A.PPN", {"FD$:A"});
  ui::Hwnd w1 = Window();
  ASSERT_EQ(ScreenCreate(StrFromC("A"), StrFromC("A1"), 1, 0, StrFromC("")), 0);
  ui::Hwnd w2 = Window();
  ASSERT_EQ(ScreenCreate(StrFromC("A"), StrFromC("A2"), 1, 0, StrFromC("")), 0);
  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(ScreenStackIndex(1), 0);
  EXPECT_FALSE(ui::is_window(w1));
  EXPECT_FALSE(ui::is_window(w2));
  EXPECT_EQ(WinCount(), 0);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
  ui::Message m;
  EXPECT_TRUE(ui::peek(m) && m.msg == ui::WM_QUIT);  // the last window posts the quit
}

TEST_F(RecordTest, MissingFilesAndBadDefinitionsMakeNoScreen) {
  Window();
  ErrClear();
  EXPECT_EQ(ScreenCreate(StrFromC("NOTHING"), StrFromC("N"), 1, 0, StrFromC("")), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "NOTHING.PAN");
  WriteTagged("ONLYDEF.PPN", {"FD$:A,B"});  // a definition without a layout is a screen
  EXPECT_EQ(ScreenCreate(StrFromC("ONLYDEF"), StrFromC("O"), 1, 0, StrFromC("")), 0);
  EXPECT_EQ(ScreenCurrent().fieldCount, 2);
  WriteTagged("BAD.PPN", {"FD$:A"});
  WriteTagged("BAD.PAN", {"10203"});
  EXPECT_EQ(ScreenCreate(StrFromC("BAD"), StrFromC("BAD"), 1, 0, StrFromC("")), st::BADINPUTDATA);
  EXPECT_EQ(ScreenStackIndex(1), 1);
  EXPECT_EQ(ScreenStackIndex(3), 1);
  EXPECT_EQ(DynStrCount(ObjParamsList), 0u);
  EXPECT_EQ(VarSysIntGet(kSysScrStat) & 7, 0);
}

}  // namespace
