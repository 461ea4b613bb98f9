// Data screens: opening and closing with their files, relations and SET$;
// stepping inside the key-prefix range; the write of a step; finding by
// key; the key-position states and the navigation buttons they enable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/dictionary/relations.h"
#include "runtime/errors.h"
#include "screens/datascreens/datascreen.h"
#include "screens/window/controls.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/datascreens/scanhook.h"
#include "screens/window/winrecord.h"
#include "data_fixture.h"

namespace {

class DataScreenOpenTest : public DataScreenTest {
 protected:
  // Opens the screen on a window of its own with the mode.
  Status Open(const std::string& screen = "ITM", uint16_t mode = kDataModeOpenFiles | kDataModeMaintenance) {
    window = Window();
    return DataScreenOpen(S(screen), mode);
  }
  void Close() {
    EXPECT_EQ(DataScreenClose(kCurrentIndex), 0);
    ui::destroy_window(window);
  }
  std::string Field(uint16_t n) {
    const StrAreaScope scope;
    return FieldValue(n).Str();
  }
  ui::Hwnd window = 0;
};

// Every set by every state 0-14: buttons enabled where the state's bit is
// clear in their mask; a mask of 0 leaves a button alone. The document set
// runs without FASTFIND$, LOAD_IMPORT$ and DOC$ and with its file at the
// end (last status 2), so FND, IMP, PRN, SVE and DDE are off in states 0-7.
TEST_F(DataScreenOpenTest, ButtonsFollowTheStateByTheirMasks) {
  ASSERT_EQ(Open(), 0);
  ASSERT_EQ(DataFileMove(1, dfmove::kLast), 0);
  ASSERT_EQ(DataFileMove(1, dfmove::kNext), dfres::kEnd);
  struct Set {
    uint8_t set;
    const char* commands;
    std::vector<std::string> byState;  // states 0-14
  };
  const std::vector<std::string> allOn(3, "11111111");
  const Set sets[] = {
      {kNavSetMaintenance, "NEW,TOP,PRV,NXT,BOT,FND,SVE,DEL",
       {"11111111", "11111111", "11111001", "11111111", "11111101", "11111101", "11111101", "11111101",
        "11111101", "11111101", "11111101", "11111101", "11111111", "11111111", "11111111"}},
      {kNavSetDocument, "NEW,FND,SVE,INS,DEL,IMP,DDE,PRN",
       {"10000000", "10000000", "10000000", "10000000", "10011000", "10000000", "10011000", "10011000",
        "11111111", "11111111", "11111111", "11111111", "11111111", "11111111", "11111111"}},
      {kNavSetLines, "NEW,NLS,BLS,SVE,INS,DEL,IMP,MDE",
       {"10000001", "10000001", "10000001", "10000011", "11101111", "10000011", "11101111", "11101111",
        "11111111", "11111111", "11111111", "11111111", "11111111", "11111111", "11111111"}},
  };
  for (const Set& set : sets) {
    ui::Hwnd bar = Window();
    ASSERT_EQ(NavSetCommands(set.set).Str(), set.commands);
    ASSERT_EQ(NavBarCreate(bar, 0, NavSetCommands(set.set), NavButtonCaptions(set.set), 20, S("")), 0);
    for (uint8_t state = 0; state <= 14; ++state) {
      NavButtonsEnable(state, set.set);
      EXPECT_EQ(Enabled(bar, set.commands), set.byState[state]) << "set " << int(set.set) << " state " << int(state);
    }
    // NEW's mask is 0: a button disabled by someone else stays so.
    ui::enable_window(ui::get_dlg_item(bar, int{kIdNavFirst} + int{kNavNew}), false);
    NavButtonsEnable(0, set.set);
    EXPECT_EQ(Enabled(bar, set.commands)[0], '0');
    NavButtonsEnable(0, 3);  // no such set: nothing changes
    ui::destroy_window(bar);
  }
  Close();

  // With FASTFIND$, LOAD_IMPORT$ and DOC$ and a current record the document
  // set keeps its own masks: state 3 disables FND, INS, DEL and IMP; state 4
  // only FND.
  WriteScreen("DOC", "OPEN$:1\nFASTFIND$:'x'\nLOAD_IMPORT$:'x'\nDOC$:'x'\n");
  ASSERT_EQ(Open("DOC"), 0);
  ui::Hwnd bar = Window();
  ASSERT_EQ(NavBarCreate(bar, 0, NavSetCommands(kNavSetDocument), S(""), 20, S("")), 0);
  NavButtonsEnable(kKeyStateEntry, kNavSetDocument);
  EXPECT_EQ(Enabled(bar, "NEW,FND,SVE,INS,DEL,IMP,DDE,PRN"), "10100011");
  NavButtonsEnable(kKeyStateLines, kNavSetDocument);
  EXPECT_EQ(Enabled(bar, "NEW,FND,SVE,INS,DEL,IMP,DDE,PRN"), "10111111");
  ui::destroy_window(bar);
  Close();
}

TEST_F(DataScreenOpenTest, CaptionsFromTheSettingsTheCatalogueOrSymbols) {
  EXPECT_EQ(NavButtonCaptions(kNavSetMaintenance).Str(), "New,Top,Prev.,Next,Bottom,Search,Save,Delete");
  EXPECT_EQ(NavButtonCaptions(kNavSetLines).Str(), "Cancel,PgUp.,PgDn.,Save,Insert,Delete,Import,Mode");
  EXPECT_EQ(NavButtonCaptions(kNavSetDocument).Str(), "Cancel,Find,Save,Insert,Del.Line,Import,Del.Doc.,Print mode");
  TextWinGeomSet(30, 10, false);
  EXPECT_EQ(NavButtonCaptions(kNavSetMaintenance).Str(), "/ / /,<<,<,>,>>,?,[x],X");
  EXPECT_EQ(NavButtonCaptions(kNavSetLines).Str(), "Cancel,PgUp.,PgDn.,Save,Insert,Delete,Import,Mode");
  TextWinGeomSet(31, 10, false);
  EXPECT_EQ(NavButtonCaptions(kNavSetMaintenance).Str(), "New,Top,Prev.,Next,Bottom,Search,Save,Delete");
  ASSERT_EQ(DynStrSet(SettingsList, 9, S("A,B,C")), 0);
  TextWinGeomSet(30, 10, false);
  EXPECT_EQ(NavButtonCaptions(kNavSetMaintenance).Str(), "A,B,C");
  EXPECT_EQ(NavButtonCaptions(kNavSetDocument).Str(), "A,B,C");
}

TEST(MantNextActionTest, ChoosesByTheStatesAndTheCode) {
  struct Row {
    uint8_t before, after;
    ActionCode code, next;
  } rows[] = {
      {2, 2, kActPrevField, kActNextKey},          // Shift+Tab in key search: the next key
      {3, 2, kActPrevField, kActNextKey},
      {2, 2, kActNextField, kNoAction},
      {2, 3, kActNextField, kActKeyTyped},        // left the key: look it up
      {2, 3, kActLineDown, kActKeyTyped},
      {2, 3, ActionMake(kActNavigate, kNavNxt), kNoAction},  // a command has a parameter
      {8, 3, kActNextField, kNoAction},
      {2, 11, kActNextField, kNoAction},
      {2, 3, kActKeyTyped, kNoAction},            // the code just handled: stop
      {3, 6, kActNextField, kActSaveOrNew},       // past the last field
      {11, 14, kActNextField, kActSaveOrNew},
      {3, 6, kActSaveOrNew, kNoAction},
      {3, 3, kActNextField, kNoAction},
      {3, 5, kActNextField, kNoAction},
  };
  for (const Row& r : rows)
    EXPECT_EQ(MantNextAction(r.before, r.after, r.code), r.next)
        << int(r.before) << "->" << int(r.after) << " code " << r.code;
}

// IK$(1) = "B" over A1, A2, B1, B2, C1: the ends of the range are found by
// key, steps out of it answer 2 and leave the file on the record it was on;
// on key 2 the walk passes the records outside.
TEST_F(DataScreenOpenTest, StepsStayInsideTheKeyPrefix) {
  ASSERT_EQ(Eval("PFX$='B'"), 0);
  ASSERT_EQ(Open("PRE"), 0);
  EXPECT_EQ(Code(), "B1");  // the open's first record
  EXPECT_EQ(Field(1), "B1");
  EXPECT_EQ(Field(2), "CAT       ");
  struct Step {
    uint16_t flags;
    Status answer;
    const char* code;
  };
  const Step key1[] = {
      {dstep::kFirst, 0, "B1"},  {0x20, 0, "B2"}, {dstep::kNext, dfres::kEnd, "B2"}, {0x14, 0, "B1"},
      {0x14, dfres::kEnd, "B1"}, {0x16, dfres::kEnd, "B1"}, {0x20, 0, "B2"},
  };
  for (const Step& s : key1) {
    EXPECT_EQ(DataScreenStep(1, s.flags), s.answer) << std::hex << s.flags;
    EXPECT_EQ(Code(), s.code) << std::hex << s.flags;
    EXPECT_EQ(VarSysIntGet(kSysIer), s.answer);
  }
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, 0);  // still on B2: a record the screen may write

  ASSERT_EQ(Eval("PFX$='D'"), 0);
  EXPECT_EQ(DataScreenStep(1, dstep::kFirst), dfres::kEnd);
  EXPECT_EQ(DataScreenStep(1, 0x20), dfres::kEnd);
  EXPECT_EQ(Code(), "B2");
  ASSERT_EQ(Eval("PFX$='BB'"), 0);  // between B2 and C1
  EXPECT_EQ(DataScreenStep(1, dstep::kFirst), dfres::kEnd);

  // Key 2 order: C1 ALF, B2 BEN, B1 CAT, A2 DAN, A1 EVA.
  ASSERT_EQ(Eval("PFX$='B'"), 0);
  ASSERT_EQ(DataFileKeySet(1, 2), 0);
  const Step key2[] = {
      {dstep::kFirst, 0, "B2"}, {dstep::kNext, 0, "B1"}, {0x20, 0, "B1"}, {0x14, 0, "B2"},
  };
  for (const Step& s : key2) {
    EXPECT_EQ(DataScreenStep(1, s.flags), s.answer) << std::hex << s.flags;
    EXPECT_EQ(Code(), s.code) << std::hex << s.flags;
  }
  EXPECT_EQ(DataScreenStep(1, dstep::kNext), 0);
  // Past A2 and A1 to the end of the file: 2, back on B1.
  EXPECT_EQ(DataScreenStep(1, dstep::kNext), dfres::kEnd);
  EXPECT_EQ(Code(), "B1");

  // Without flags a record outside is "not found"; a record inside passes.
  ASSERT_EQ(DataFileKeySet(1, 1), 0);
  ASSERT_EQ(DataFileMove(1, dfmove::kFirst), 0);
  EXPECT_EQ(KeyPrefixCheck(1, 0, nullptr), dfres::kNotFound);
  EXPECT_EQ(KeyPrefixCheck(1, 7, nullptr), 7);
  ASSERT_EQ(Eval("PFX$=''"), 0);
  EXPECT_EQ(DataScreenStep(1, dstep::kFirst), 0);
  EXPECT_EQ(Code(), "A1");
  Close();
}

// The write of a step: the demand for a current record, updates of
// unchanged records, blank keys, and SAVED$ after a write.
TEST_F(DataScreenOpenTest, WritesOnlyWhatAStepAsksFor) {
  ASSERT_EQ(Open(), 0);
  const std::string all = "A1,A2,B1,B2,C1";
  // At the end of the file a delete wants a record: 5, nothing written or moved.
  ASSERT_EQ(DataFileMove(1, dfmove::kLast), 0);
  ASSERT_EQ(DataFileMove(1, dfmove::kNext), dfres::kEnd);
  EXPECT_EQ(DataScreenStep(1, 0x642), dfres::kBadKey);
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, dfres::kEnd);
  EXPECT_EQ(Codes(), all);
  EXPECT_EQ(Num("W#"), 0);

  // An update of an unchanged record writes nothing and runs no SAVED$.
  ASSERT_EQ(DataScreenStep(1, dstep::kFirst), 0);
  EXPECT_EQ(DataScreenStep(1, 0xF00), 0);
  EXPECT_EQ(Num("W#") + Num("SAVES#"), 0);
  // A changed non-key field is written (relation 0 over the old and the
  // new image), SAVED$ runs, the record counts as saved.
  ASSERT_EQ(Eval("NAME{1}='ANNA'"), 0);
  EXPECT_EQ(DataScreenStep(1, 0xF00), 0);
  EXPECT_EQ(Num("W#"), 2);
  EXPECT_EQ(Num("SAVES#"), 1);
  EXPECT_EQ(RecBufChanged(1), 0);
  EXPECT_EQ(Check(), "");

  // A new record without a key: 5, nothing written; the new-record move
  // then gives a fresh one with SET$ item 2's city.
  ASSERT_EQ(DataScreenStep(1, dstep::kNewRecord), 0);
  EXPECT_EQ(Cur(), "            NEWC");
  ASSERT_EQ(Eval("NAME{1}='NOKEY'"), 0);
  EXPECT_EQ(DataScreenStep(1, 0xF01), dfres::kBadKey);
  EXPECT_EQ(Codes(), all);
  EXPECT_EQ(Cur(), "            NEWC");
  // The update of a new record (last status 3: the demand lifted by 0x100)
  // inserts it.
  ASSERT_EQ(Eval("CODE{1}='D1',NAME{1}='DORA'"), 0);
  EXPECT_EQ(ScreenRecordWrite(1, 0x600, dfres::kNewRecord), dfres::kBadKey);
  EXPECT_EQ(ScreenRecordWrite(1, 0xF00, dfres::kNewRecord), 0);
  EXPECT_EQ(Codes(), all + ",D1");
  EXPECT_EQ(Num("W#"), 4);  // an update: over the old and the new image
  EXPECT_EQ(Num("SAVES#"), 2);
  // Its key again: repeated key 1 answers 5 and writes nothing.
  ASSERT_EQ(DataScreenStep(1, dstep::kNewRecord), 0);
  ASSERT_EQ(Eval("CODE{1}='D1',NAME{1}='AGAIN'"), 0);
  EXPECT_EQ(DataScreenStep(1, 0xF00), dfres::kBadKey);
  EXPECT_EQ(Codes(), all + ",D1");
  EXPECT_EQ(Check(), "");
  Close();
}

// With OPEN$ the screen opens its files for its lifetime, loads the
// relations of its file and runs SET$ item 1; the close gives back the open
// state and the relation list. A failing open undoes all of it.
TEST_F(DataScreenOpenTest, OpenAndCloseRestoreWhatTheyChanged) {
  uint32_t states = DynStrCount(OpenFileStatesList);
  uint32_t relations = DynStrCount(RelationStmtList);
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states + 1);
  EXPECT_GT(DynStrCount(RelationStmtList), relations);
  EXPECT_TRUE(DataFileStore(1)->IsOpen());
  EXPECT_EQ(Num("OPENS#"), 1);
  EXPECT_EQ(WinCurrent().state, kKeyStateSearch);
  EXPECT_EQ(VarSysIntGet(kSysIer), 0);
  EXPECT_EQ(ErrGet(), 0u);  // no scanner configured is no error
  Close();
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  EXPECT_EQ(DynStrCount(RelationStmtList), relations);
  EXPECT_FALSE(DataFileStore(1)->IsOpen());
  EXPECT_EQ(ScreenStackIndex(3), 0);

  // SET$ item 1 cancelled: 122 answered, record closed, state and relations back.
  ASSERT_EQ(BuiltinRegister(S("CANCELIT"),
                            [](const uint16_t*, uint16_t) -> Status {
                              ExpPushInt(0);
                              return st::USERCANCELED;
                            }),
            0);
  WriteScreen("STOP", "OPEN$:1\nSET$:CANCELIT()\n");
  EXPECT_EQ(Open("STOP"), st::USERCANCELED);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  EXPECT_EQ(DynStrCount(RelationStmtList), relations);
  EXPECT_FALSE(DataFileStore(1)->IsOpen());
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
  ui::destroy_window(window);

  // A scanner that cannot start: the screen opens to be kept by keyboard,
  // the error box tells it once, and nothing stays recorded.
  ScanHooks failing;
  failing.start = [] {
    ErrDetailSet(st::DEVICEIOERROR, StrFromC("COM1:9600,N,8,1"), false);
    return ErrSet(1, MOD_DEVICES, st::DEVICEIOERROR, st::DEVICEIOERROR);
  };
  ScanHooksSet(failing);
  size_t boxes = hl->boxes().size();
  std::string detail = ErrDetail().Str();
  hl->answer(ui::IDOK);
  EXPECT_EQ(Open(), 0);
  ASSERT_EQ(hl->boxes().size(), boxes + 1);
  EXPECT_EQ(hl->boxes().back().text, "Error DEVICEIOERROR(Devices): COM1:9600,N,8,1");
  EXPECT_EQ(ErrGet(), 0u);
  EXPECT_EQ(ErrDetail().Str(), detail);
  EXPECT_EQ(Field(1), "A1");
  EXPECT_TRUE(DataFileStore(1)->IsOpen());
  Close();
  EXPECT_EQ(hl->boxes().size(), boxes + 1);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  ScanHooksSet(ScanHooks{});

  // An OPEN$ naming no file: 166 in _IER's place, nothing left pushed.
  WriteScreen("BAD", "OPEN$:NOSUCH\n");
  EXPECT_EQ(Open("BAD"), st::FILEOPENING);
  EXPECT_EQ(DynStrCount(OpenFileStatesList), states);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  ui::destroy_window(window);

  // Entry mode: state 3, the fields show the record the file is on.
  ASSERT_EQ(Open("ITM", kDataModeOpenFiles | kDataModeEntry), 0);
  EXPECT_EQ(WinCurrent().state, kKeyStateEntry);
  EXPECT_EQ(Field(1), "A1");
  // The open list: OPEN$, item 5 of the spec when it names another file.
  EXPECT_EQ(DataScreenOpenText(S("ITM,1,2,3,NOTES")).Str(), "1,2;2");
  EXPECT_EQ(DataScreenOpenText(S("ITM,1,2,3,ITEMS")).Str(), "1");
  EXPECT_EQ(DataScreenOpenText(S("ITM,1,2,3,40")).Str(), "1");  // a width
  Close();
  WriteScreen("BARE", "");
  ASSERT_EQ(Open("BARE", kDataModeOpenFiles), 0);
  EXPECT_EQ(DataScreenOpenText(S("BARE")).Str(), "1");  // no OPEN$: the screen's file
  EXPECT_TRUE(DataFileStore(1)->IsOpen());
  Close();

  // An empty file, or an empty prefix range, opens on a new record.
  ASSERT_EQ(Eval("PFX$='Z'"), 0);
  ASSERT_EQ(Open("PRE"), 0);
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, dfres::kNewRecord);
  EXPECT_EQ(Cur(), "            NEWC");
  Close();
}

// The key-position states by field on a screen with a header, a begin
// field, a key, a lines block and a summary; and the fields each state
// allows.
TEST_F(DataScreenOpenTest, KeyStatesAndTheFieldsTheyAllow) {
  WriteFile("LNS.PPN", "01 FD$:H1,H2,CODE,L1,L2,S1\n01 FILEDEF$:,,,,,,1\n01 BEGINFLD%:3\n01 BOUNDS$:L1,L2\n");
  WriteFile("LNS.PAN",
            "01 10102000002A\n01 10202000002A\n01 10302010102A\n01 10402000002A\n01 10502000002A\n"
            "01 10602000002A\n");
  ASSERT_EQ(Open("LNS", 0), 0);
  WinRecord* r = WinGet(kCurrentIndex);
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  const uint8_t expected[] = {kKeyStateNoField, kKeyStateHeader, kKeyStateBegin, kKeyStateSearch,
                              kKeyStateLines,   kKeyStateLines,  kKeyStateSummary};
  for (uint16_t c = 0; c <= 6; ++c) {
    r->curField = c;
    r->state = 0;
    EXPECT_EQ(KeyFieldState(*s, *r), expected[c]) << c;
    r->state = kKeyStateNoRecord;
    EXPECT_EQ(KeyFieldState(*s, *r), expected[c] + 8) << c;
  }
  Close();

  ASSERT_EQ(Open(), 0);
  r = WinGet(kCurrentIndex);
  s = ScreenGet(kCurrentIndex);
  r->curField = 2;
  EXPECT_FALSE(FieldKeyState(*s, *r, kKeyStateSearch));  // 2 stays 2; the field moves to the key
  EXPECT_EQ(r->curField, 1);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 1);
  EXPECT_TRUE(FieldKeyState(*s, *r, kKeyStateEntry));
  EXPECT_EQ(r->curField, 2);                              // the first field off the key
  EXPECT_FALSE(FieldKeyState(*s, *r, kKeyStateHeader));  // 0 counts as 3 in state 3
  EXPECT_EQ(r->state, kKeyStateEntry);
  r->curField = 4;
  EXPECT_TRUE(FieldKeyState(*s, *r, kKeyStateNoRecord));
  EXPECT_EQ(r->curField, 1);
  r->curField = 3;
  EXPECT_TRUE(FieldKeyState(*s, *r, kKeyStateKeep));
  EXPECT_EQ(r->state, kKeyStateEntry + kKeyStateNoRecord);
  EXPECT_EQ(r->curField, 3);  // every field in state 11
  // On key 2 (NAME) the other fields are CITY and AMOUNT.
  r->keyNum = 2;
  r->state = 0;
  EXPECT_EQ(ScreenKeyFieldList(2), std::vector<uint16_t>{2});
  EXPECT_EQ(ScreenKeyFieldList(3), (std::vector<uint16_t>{3, 1}));
  EXPECT_EQ(NonKeyFieldList(2), (std::vector<uint16_t>{3, 4}));
  r->curField = 1;
  FieldKeyState(*s, *r, kKeyStateSearch);
  EXPECT_EQ(r->curField, 2);
  FieldKeyState(*s, *r, kKeyStateEntry);
  EXPECT_EQ(r->curField, 3);
  Close();
}

// Finding by key: the key cut to its length, the next greater record when
// none has it, the prefix range, `_IER`; the screen's key texts.
TEST_F(DataScreenOpenTest, FindsByKeyAndMakesKeyTexts) {
  ASSERT_EQ(Open("PRE"), 0);
  EXPECT_EQ(DataScreenFind(S("B2 and more"), 1), 0);
  EXPECT_EQ(Code(), "B2");
  EXPECT_EQ(DataScreenFind(S("B3"), 1), dfres::kNotFound);
  EXPECT_EQ(Code(), "C1");
  EXPECT_EQ(VarSysIntGet(kSysIer), dfres::kNotFound);
  EXPECT_EQ(DataScreenFind(S("CA"), 2), 0);
  EXPECT_EQ(Code(), "B1");
  EXPECT_EQ(DataScreenFind(S("ZZ"), 1), dfres::kEnd);
  ASSERT_EQ(Eval("PFX$='A'"), 0);
  EXPECT_EQ(DataScreenFind(S("B1"), 1), dfres::kNotFound);  // outside the range

  ASSERT_EQ(FieldsRefresh(kRefreshRecord, 1, -1), 0);  // B1 CAT ROME
  EXPECT_EQ(DataScreenKeyText(1).Str(), "A");           // IK$(1) itself
  ASSERT_EQ(Eval("PFX$=''"), 0);
  EXPECT_EQ(DataScreenKeyText(1).Str(), "B1");
  EXPECT_EQ(DataScreenKeyText(2).Str(), "CAT");          // one field: trimmed
  EXPECT_EQ(DataScreenKeyText(3).Str(), "ROME    B1");  // two fields at full length
  Close();
}

}  // namespace
