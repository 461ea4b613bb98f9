// Document windows driven headless: the mode words, loading and saving a
// document through the action chain (unchanged, changed, read only, too
// many lines, a failing save, a failing CHECK), deleting it, the events,
// the print after a save, the lines grid's events, the document-type
// chooser, the fast-find list and the import.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/scans/selection.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/forms/combo.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/grids/gridrowgo.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/documents/movsaction.h"
#include "screens/documents/movswin.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/forms/progress.h"
#include "screens/datascreens/reportcalls.h"
#include "doc_fixture.h"

namespace {

std::vector<std::string> g_events;
Status g_checkAnswer = 0;
std::vector<std::string> g_prints;

// The procedure of PRCNAME$: logs the current event's name.
Status LogPrc(StrValue, StrValue file, int) {
  const StrAreaScope scope;
  std::string name = StrListItem(StrFromC(kMovsEvents), ',', static_cast<uint32_t>(VarSysIntGet(kSysAux))).Str();
  g_events.push_back(name + "@" + file.Str());
  return name == "CHECK" ? g_checkAnswer : 0;
}
StrValue Device(StrValue sets) { return StrFromView("DEV:" + sets.Str()); }
Status Start(StrValue device, StrValue spec, StrValue limits, StrValue, StrValue range, int) {
  g_prints.push_back(device.Str() + "|" + spec.Str() + "|" + limits.Str() + "|" + range.Str());
  return 0;
}

class MovsTest : public DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    g_events.clear();
    g_prints.clear();
    g_checkAnswer = 0;
    TaskHookSet(&LogPrc, kHookPrcCall);
    ReportCalls calls;
    calls.start = Start;
    calls.devSelect = Device;
    ReportCallsSet(calls);
    Define("DOC", "PRCNAME$:LOG.PRC\nDOC$:INVPRINT,1,2\nDOCSETS$:SETS");
    // Documents A1 (3 lines) and B7 (7 lines).
    Add(kDocs, Doc("A1", 0, "", 0, "C1"));
    for (int i = 1; i <= 3; ++i) Add(kDocs, Doc("A1", i, "L" + std::to_string(i), i));
    Add(kDocs, Doc("B7", 0, "", 0, "C2"));
    for (int i = 1; i <= 7; ++i) Add(kDocs, Doc("B7", i, "M" + std::to_string(i), i));
    ASSERT_EQ(DataFileReopen(kDocs, 0), 0);
  }
  void TearDown() override {
    ReportCallsSet(ReportCalls{});
    DocTest::TearDown();
  }

  // The window as the File Maintenance window makes it: handlers, the
  // document bar and the bottom fields, key entry.
  void OpenDoc(const std::string& screen = "DOC", int16_t maxLines = 20) {
    TextWinGeomSetParts(1, 2, 2, kGeomKeep);
    ui::Hwnd w = Open(screen);
    VarSysIntSet(kSysLMax, maxLines);
    ScreenActionSet(MovsActionWin, NavNextAction, nullptr);
    ASSERT_EQ(MovsLinsSetControls(S(screen), uint16_t{kNavSetDocument} | uint16_t{kBarField1} | uint16_t{kBarField2}, MovsGridCallback), 0)
        << ErrDetail().Str();
    ui::set_focus(0);  // the first activation, as the window shows
    ui::set_focus(w);
    FieldKeyState(*ScreenGet(kCurrentIndex), *Rec(), kKeyStateSearch);
  }
  static WinRecord* Rec() { return WinGet(kCurrentIndex); }
  static GridBuffer& Buf() { return LinsGridGet(0)->buffer; }
  static std::string Status1481() { return CtlTextGet(WinTop(), kIdBottomField2, 0xFFFF).Str(); }
  static std::string Caption1480() { return CtlTextGet(WinTop(), kIdBottomField1, 0xFFFF).Str(); }
  static Status Act(ActionCode code) { return ScreenAction(code); }
  static Status Nav(uint8_t n) { return ScreenAction(ActionMake(kActNavigate, n)); }
  // Types a document key and looks it up as the chooser does after Enter.
  void Load(const std::string& key) {
    ASSERT_EQ(FieldPut(kCheckInput, 1, S(key)), 0);
    ASSERT_EQ(Act(ActionMake(kActKeyTyped, 0)), 0) << ErrDetail().Str();
  }
  // Into the line area on row 1.
  void EnterLines() {
    Rec()->state = kWinStateLineArea;
    Rec()->curField = ScreenGet(kCurrentIndex)->linesFirst;
    ASSERT_EQ(MovsLinsControlLine(kLineEvShow), 0) << ErrDetail().Str();
  }
  std::string Bytes() {
    std::ifstream in(dir.File("DOCS.FD"), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Lines(const std::string& doc) {
    std::vector<std::string> out;
    for (const std::string& r : Records(kDocs))
      if (r.substr(0, 6) == Doc(doc, 0, "", 0).substr(0, 6)) out.push_back(r.substr(6, 3) + ":" + r.substr(9, 10));
    return out;
  }
};

TEST_F(MovsTest, ModeWordsAndPrintSwitch) {
  OpenDoc();
  ASSERT_EQ(Nav(kNavPrn), 0);
  EXPECT_NE(Status1481().find("[New/Print Enabled]"), std::string::npos) << Status1481();
  ASSERT_EQ(Nav(kNavPrn), 0);
  EXPECT_NE(Status1481().find("[New/Print Disabled]"), std::string::npos) << Status1481();
  Load("A1");
  EXPECT_EQ(Rec()->flags & (kMovsExisting | kMovsMaintenance), kMovsExisting | kMovsMaintenance);
  EXPECT_NE(Status1481().find("[Modify/Print Disabled]"), std::string::npos) << Status1481();
  EXPECT_EQ(Rows(Buf()), (std::vector<std::string>{"L1|1|", "L2|2|", "L3|3|"}));
  EXPECT_EQ(Sys(kSysDocSt), kDocStHeader | kDocStLoaded);
  EXPECT_EQ(g_events, (std::vector<std::string>{"LOAD@LOG.PRC"}));
  // Mode words of the other buffer kinds.
  Rec()->flags |= kMovsReadOnly;
  EXPECT_EQ(MovsModeText().Str(), "Read Only/Print Disabled");
  Buf().mode = kGridNavigation;
  EXPECT_EQ(MovsModeText().Str(), "Maintenance Mode");
  Rec()->flags &= static_cast<uint16_t>(~kMovsMaintenance);
  EXPECT_EQ(MovsModeText().Str(), "Insert Mode");
  Buf().mode = kGridAlone;
  EXPECT_EQ(MovsModeText().Str(), "");
}

// A document stored as lines alone opens with its first line as header; a
// new key whose next record is another document stays new, as typed.
TEST_F(MovsTest, DocumentsWithoutHeader) {
  for (int i = 1; i <= 2; ++i) Add(kDocs, Doc("N1", i, "K" + std::to_string(i), i, "C9"));
  OpenDoc();
  Load("N1");
  EXPECT_EQ(Rec()->flags & kMovsExisting, kMovsExisting);
  EXPECT_EQ(Rows(Buf()), (std::vector<std::string>{"K1|1|", "K2|2|"}));
  EXPECT_EQ(FieldValue(2).Str(), "C9      ");
  MovsClear();
  Load("A0");
  EXPECT_EQ(Rec()->flags & kMovsExisting, 0);
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(FieldValue(1).Str(), "A0    ");
  EXPECT_EQ(FieldValue(2).Str(), std::string(8, ' '));
  EXPECT_EQ(DataFileCtrl(kDocs)->lastStatus, dfres::kNewRecord);  // so it may be saved
}

// Saving: unchanged writes nothing and clears; changed saves, runs SAVE and
// prints; a failing save or CHECK keeps everything.
TEST_F(MovsTest, SavePaths) {
  OpenDoc();
  std::string before = Bytes();
  Load("A1");
  ASSERT_EQ(Nav(kNavSve), 0) << ErrDetail().Str();
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(Sys(kSysDocSt), 0);
  EXPECT_EQ(FieldValue(1).Str(), std::string(6, ' '));
  EXPECT_EQ(Rec()->state, kKeyStateSearch);
  EXPECT_TRUE(g_prints.empty());

  // A changed document with printing on: saved, SAVE, printed, cleared.
  ASSERT_EQ(Nav(kNavPrn), 0);
  Load("A1");
  EnterLines();
  ASSERT_EQ(ui::set_text(ScreenGet(kCurrentIndex)->fields[2].control, "NEW"), true);
  ASSERT_EQ(FieldPut(kCheckInput, 3, S("NEW")), 0);
  g_events.clear();
  ASSERT_EQ(Nav(kNavSve), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("A1"), (std::vector<std::string>{"   :NEW       ", "  1:NEW       ", "  2:L2        ", "  3:L3        "}));
  EXPECT_EQ(g_events, (std::vector<std::string>{"CHECK@LOG.PRC", "SAVE@LOG.PRC"}));
  ASSERT_EQ(g_prints.size(), 1u);
  EXPECT_EQ(g_prints[0], "DEV:SETS|INVPRINT|1,2|A1    ,A1    ");
  EXPECT_EQ(Buf().rowCount, 0);

  // A line the relation refuses (168): nothing changes on disk, the screen
  // and the lines stay, nothing is printed.
  Load("A1");
  EnterLines();
  ASSERT_EQ(ui::set_text(ScreenGet(kCurrentIndex)->fields[2].control, "BAD"), true);
  ASSERT_EQ(FieldPut(kCheckInput, 3, S("BAD")), 0);
  before = Bytes();
  g_prints.clear();
  EXPECT_EQ(MovsSaveCmd(), st::DATAOUTBOUND);
  ErrClear();
  EXPECT_EQ(Lines("A1")[1], "  1:NEW       ");
  EXPECT_EQ(Buf().rowCount, 3);
  EXPECT_EQ(Rows(Buf())[0], "BAD|1|");
  EXPECT_TRUE(g_prints.empty());
  // A CHECK that answers non-zero stops before the save.
  ASSERT_EQ(ui::set_text(ScreenGet(kCurrentIndex)->fields[2].control, "OK"), true);
  ASSERT_EQ(FieldPut(kCheckInput, 3, S("OK")), 0);
  g_checkAnswer = st::BADUSERDATA;
  EXPECT_EQ(MovsSaveCmd(), st::BADUSERDATA);
  EXPECT_EQ(Lines("A1")[1], "  1:NEW       ");
  EXPECT_EQ(Rows(Buf())[0], "OK|1|");
  EXPECT_EQ(Check(kDocs), "");
}

// VOIDMODE% 0x400 and a document longer than the grid: read only; a changed
// save is refused with 0023 item 7 and loses nothing.
TEST_F(MovsTest, ReadOnlyDocuments) {
  struct Case {
    const char* name;
    std::string define, doc;
    int16_t maxLines;
    size_t stored;
  } cases[] = {{"void mode", "VOIDMODE%:1024", "A1", 20, 4}, {"too many lines", "", "B7", 5, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.define.empty()) Define("DOC", c.define);
    OpenDoc("DOC", c.maxLines);
    std::string before = Bytes();
    if (c.maxLines == 5) hl->answer(ui::IDOK, "B7");  // the error naming the document
    Load(c.doc);
    EXPECT_TRUE(Rec()->flags & kMovsReadOnly);
    EXPECT_NE(Status1481().find("[Read Only/"), std::string::npos) << Status1481();
    EnterLines();
    ASSERT_EQ(ui::set_text(ScreenGet(kCurrentIndex)->fields[2].control, "CHANGED"), true);
    ASSERT_EQ(FieldPut(kCheckInput, 3, S("CHANGED")), 0);
    hl->answer(ui::IDOK, "Concurrent Change. Update canceled");
    EXPECT_EQ(MovsSaveCmd(), dfres::kConcurrentChange);
    Drive();
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(Lines(c.doc).size(), c.stored);
    EXPECT_EQ(Rows(Buf())[0].substr(0, 7), "CHANGED");
    WinRecordClose(-1);
    LinsGridClose(0);
    WriteScreen("DOC", "FILEDEF$:,,,,,,1\nWRITECAB0$:HDR$='H'\nSAVED$:SAVES#=SAVES#+1", kDocLayout);
    Define("DOC", "PRCNAME$:LOG.PRC\nDOC$:INVPRINT,1,2\nDOCSETS$:SETS");
  }
}

TEST_F(MovsTest, DeleteDocument) {
  OpenDoc();
  // A new document: nothing to delete.
  ASSERT_EQ(FieldPut(kCheckInput, 1, S("Z9")), 0);
  ASSERT_EQ(Act(ActionMake(kActKeyTyped, 0)), 0);
  EnterLines();
  EXPECT_EQ(MovsDeleteCmd(), st::OUTOFDATA);
  MovsClear();
  Load("A1");
  EnterLines();
  // Outside the line area DDE does nothing.
  Rec()->state = kKeyStateEntry;
  EXPECT_EQ(Nav(kNavDde), 0);
  Rec()->state = kWinStateLineArea;
  hl->answer(ui::IDNO, "Delete Record(s)?");
  EXPECT_EQ(MovsDeleteCmd(), 0);
  EXPECT_EQ(Lines("A1").size(), 4u);
  g_events.clear();
  hl->answer(ui::IDYES, "Delete Record(s)?");
  EXPECT_EQ(MovsDeleteCmd(), 0) << ErrDetail().Str();
  EXPECT_TRUE(Lines("A1").empty());
  EXPECT_EQ(Lines("B7").size(), 8u);
  EXPECT_EQ(g_events, (std::vector<std::string>{"DELETE@LOG.PRC"}));
  EXPECT_EQ(Buf().rowCount, 0);
  EXPECT_EQ(Rec()->state, kKeyStateSearch);
  EXPECT_EQ(Check(kDocs), "");
}

// Clearing the document leaves the record a window below shows as it is.
TEST_F(MovsTest, ClearKeepsTheRecordsOfOtherWindows) {
  Open("DOC2");
  int below = ScreenStackIndex(2);
  ASSERT_EQ(RecBufSet(kDocs2, kRecCurrent, S(std::string("D1    KEEP      ") + std::string(5, ' '))), 0);
  ASSERT_EQ(RecBufSet(kNavs, kRecCurrent, S("G1  1X")), 0);
  OpenDoc();
  Load("A1");
  ASSERT_EQ(MovsClear(), 0);
  EXPECT_EQ(RecBuf(kDocs2, kRecCurrent).Str().substr(0, 10), "D1    KEEP");
  EXPECT_EQ(StrTrim(RecBuf(kDocs, kRecCurrent), 3).len, 0u);
  EXPECT_EQ(StrTrim(RecBuf(kNavs, kRecCurrent), 3).len, 0u);  // no window shows it
  WinRecordClose(-1);
  LinsGridClose(0);
  WinSelect(below);
}

// The grid's events: the popup, a double click, Up/Down and clicks.
TEST_F(MovsTest, GridEvents) {
  Define("DOC", "LNDEL$:1");
  OpenDoc();
  Load("B7");
  EnterLines();
  ui::Hwnd view = GridViewGet(LinsGridGet(0)->slot).view;
  // Right click, third item: DEL through the chain (0x0A19).
  hl->popup(3);
  EXPECT_EQ(MovsGridAction(view, 0, kGridEvAccept), 0);
  EXPECT_EQ(Buf().rowCount, 6);
  EXPECT_EQ(Rows(Buf())[0], "M2|2|");
  // Nothing chosen: nothing happens.
  hl->popup(0);
  EXPECT_EQ(MovsGridAction(view, 0, kGridEvAccept), 0);
  EXPECT_EQ(Buf().rowCount, 6);
  // Down and Up move through LinsGridRowGo, the caption follows.
  VarSysIntSet(kSysLastKey, kKeyDown);
  EXPECT_EQ(MovsGridAction(view, 0, kGridEvUpDown), 0);
  EXPECT_EQ(Buf().curRow, 2);
  EXPECT_EQ(Caption1480(), " 2 / 6");
  EXPECT_EQ(FieldValue(3).Str(), "M3        ");
  VarSysIntSet(kSysLastKey, kKeyUp);
  EXPECT_EQ(MovsGridAction(view, 1, kGridEvUpDown), 0);
  EXPECT_EQ(Buf().curRow, 1);
  // A click on row 5, a double click on row 4: the focus in its first field.
  EXPECT_EQ(MovsGridAction(view, 4, kGridEvClick), 0);
  EXPECT_EQ(Buf().curRow, 5);
  EXPECT_EQ(Caption1480(), " 5 / 6");
  EXPECT_EQ(MovsGridAction(view, 3, kGridEvEnter), 0);
  EXPECT_EQ(Buf().curRow, 4);
  EXPECT_EQ(ui::get_focus(), ScreenGet(kCurrentIndex)->fields[2].control);
  EXPECT_EQ(FieldValue(3).Str(), "M5        ");
  // Rows outside the grid do nothing.
  EXPECT_EQ(LinsGridRowGo(0, 9), 0);
  EXPECT_EQ(Buf().curRow, 4);
  // Down through the window's chain leaves nothing in the string area.
  uint32_t mark = StrAreaMark(-1);
  for (int i = 0; i < 2; ++i) ASSERT_EQ(Act(ActionMake(kActLineDown, 0)), 0) << ErrDetail().Str();
  EXPECT_EQ(Buf().curRow, 6);
  EXPECT_EQ(StrAreaMark(-1), mark);
}

TEST_F(MovsTest, DocumentTypeChooser) {
  Define("DOC", "DOCTYPETXT$:\"Invoice,Credit note\"\nBEGINFLD%:3");
  MovsDocTypeIndexSet(0);
  OpenDoc();
  WinRecord* r = Rec();
  ASSERT_EQ(ScreenGet(kCurrentIndex)->beginField, 2);
  MovsDocTypeCombo(1, r);
  ASSERT_NE(r->reserved, 0xFFFF) ;
  ui::Hwnd combo = ComboHandle(r->reserved);
  ASSERT_TRUE(combo);
  VarSysIntSet(kSysLastKey, kKeyDown);
  MovsDocTypeCombo(1, r);
  EXPECT_EQ(FieldValue(2).Str(), "Credit n");
  EXPECT_EQ(MovsDocTypeIndex(), 1);
  VarSysIntSet(kSysLastKey, kKeyDown);  // past the last stays
  MovsDocTypeCombo(1, r);
  EXPECT_EQ(MovsDocTypeIndex(), 1);
  MovsDocTypeCombo(0, r);
  EXPECT_EQ(r->reserved, 0xFFFF);
  EXPECT_FALSE(ui::is_window(combo));
  // The next window starts on the type chosen.
  WinRecordClose(-1);
  LinsGridClose(0);
  OpenDoc();
  MovsDocTypeCombo(1, Rec());
  EXPECT_EQ(ComboGetSel(Rec()->reserved), 1);
}

// The fast-find list: each NXT in key entry shows the next document of the
// range; past the last the list starts again.
TEST_F(MovsTest, FastFindList) {
  Define("DOC", "FASTFIND$:FIND,1");
  Add(kDocs, Doc("C3", 0, "", 0, "C3"));
  Add(kDocs, Doc("C3", 1, "N1", 1));
  OpenDoc();
  ASSERT_EQ(DynStrSet(SystemTextList, 6, S("FIND,1")), 0);
  ASSERT_EQ(DynStrSet(SystemTextList, 7, S("1,,C,,A")), 0);
  std::vector<std::string> shown;
  for (int i = 0; i < 4; ++i) {
    Rec()->state = kKeyStateSearch;
    ASSERT_EQ(Nav(kNavNxt), 0) << ErrDetail().Str();
    shown.push_back(FieldValue(1).Str().substr(0, 2) + ":" + std::to_string(Buf().rowCount));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"A1:3", "B7:7", "C3:1", "A1:3"}));
  EXPECT_EQ(SelCount(kDocs), 0);
  // Another form accepted last: NXT does nothing.
  ASSERT_EQ(DynStrSet(SystemTextList, 6, S("OTHER,1")), 0);
  Rec()->state = kKeyStateSearch;
  ASSERT_EQ(Nav(kNavNxt), 0);
  EXPECT_EQ(FieldValue(1).Str().substr(0, 2), "A1");
  // Without FASTFIND$ FND says "Not defined".
  WriteScreen("DOC", "FILEDEF$:,,,,,,1", kDocLayout);
  WinRecordClose(-1);
  LinsGridClose(0);
  OpenDoc();
  hl->answer(ui::IDOK, "Not defined");
  EXPECT_EQ(MovsFastFind(), 0);
  Drive();
}

// The import: the menu of MNU_IMPORT$, the chosen import definition's lines
// appended, the progress closed, the grid repainted, the import definition
// popped.
TEST_F(MovsTest, ImportLines) {
  WriteFile("IMPA.PPN", "01 SET$:N#=0\n");
  WriteFile("IMPB.PPN",
            "01 SET$:N#=0\n01 WR_EXP$:\"N#=N#+1,ITEM{1}=CHK$(N#==1;'IMP1';'IMP2'),QTY{1}=N#,1\"\n01 EOT_EXP$:N#>=2\n");
  Define("DOC", "LOAD_IMPORT$:IMPA,IMPB\nMNU_IMPORT$:\"'First,Second'\"");
  OpenDoc();
  Load("A1");
  EXPECT_EQ(MovsImport(), st::OUTOFDATA);  // not in the line area
  EnterLines();
  uint32_t params = DynStrCount(ObjParamsList);
  hl->popup(2);
  EXPECT_EQ(MovsImport(), 1) << ErrDetail().Str();
  EXPECT_EQ(Rows(Buf()), (std::vector<std::string>{"L1|1|", "L2|2|", "L3|3|", "IMP1|1|", "IMP2|2|"}));
  EXPECT_EQ(DynStrCount(ObjParamsList), params);
  EXPECT_FALSE(ProgressIsOpen());
  EXPECT_EQ(ui::lv_item_text(GridViewGet(LinsGridGet(0)->slot).view, 4, 0), "IMP2");
  EXPECT_TRUE(Buf().flags & kGridLinesChanged);
  EXPECT_EQ(FieldValue(1).Str().substr(0, 2), "A1");  // the header is back
  EXPECT_EQ(Rec()->state, kWinStateLineArea);
  hl->popup(0);
  EXPECT_EQ(MovsImport(), 0);
  EXPECT_EQ(Buf().rowCount, 5);
}

}  // namespace
