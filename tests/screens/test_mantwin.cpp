// Record-maintenance windows, headless over the fixture file of three keys
// and five records: the key button, saving a changed record and refusing a
// changed key, deleting with its question, abandoning a record, stepping
// past the end, the field search form, the title parts, the trace line and
// the layout file of mode 0x08.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/log.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/datascreens/datascreen.h"
#include "screens/window/fieldctl.h"
#include "screens/datascreens/mantwin.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "data_fixture.h"

namespace {

// The id of the navigation button of command n.
int Nav(int n) { return kIdNavFirst + n; }

class MantWinTest : public DataScreenTest {
 protected:
  void SetUp() override {
    DataScreenTest::SetUp();
    WinProcReset();
    CtlSubclassHookSet(CtlSubclass);
  }
  void TearDown() override {
    while (WinTop()) ui::destroy_window(WinTop());
    CtlSubclassHookSet(nullptr);
    DataScreenTest::TearDown();
  }
  // Opens the window as the menu's MantMain does (mode 86) and lets it take
  // its first focus.
  ui::Hwnd Open(const std::string& command = "ITM", int mode = 86) {
    EXPECT_EQ(MantWindow(S(command), mode), 0) << ErrDetail().Str();
    Pump();
    return WinTop();
  }
  // Takes the scripted steps as the program's message loop would.
  void Pump() {
    for (int i = 0; i < 100000 && hl->steps_left(); ++i) PumpMessages(0);
    PumpMessages(0);
    EXPECT_EQ(hl->steps_left(), 0u) << "steps left: a box or form that did not come";
  }
  std::string Text(int id) { return ui::get_text(ui::get_dlg_item(WinTop(), id)); }
  std::string Field(uint16_t n) {
    const StrAreaScope scope;
    return FieldValue(n).Str();
  }
  uint8_t State() { return WinCurrent().state; }
  // The data file's records as written on disk, each trimmed, "|" between;
  // deleted records left out.
  std::string Disk() {
    std::ifstream in(DataFileStore(1)->File().Spec().dataPath, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    for (size_t at = 0; at + 26 <= all.size(); at += 26) {
      std::string r = all.substr(at, 26);
      if (r[0] == 27) continue;
      out += (out.empty() ? "" : "|") + r.substr(0, r.find_last_not_of(' ') + 1);
    }
    return out;
  }
  // Home, Shift+End, the text: what the field showed is replaced.
  ui::Headless& Replace(const std::string& text) {
    return hl->key(ui::VK_HOME).key(ui::VK_END, ui::KEY_SHIFT).type(text);
  }
  static constexpr const char* kAll =
      "A1EVA       PARIS   10|A2DAN       LYON    20|B1CAT       ROME    30|B2BEN       OSLO    40|"
      "C1ALF       BERN    50";
};

// The key button in key search: the key runs 1, 2, 3, 1, the file's key and
// the button's text follow, and the key's first field takes the focus.
TEST_F(MantWinTest, KeyButtonCyclesTheKeys) {
  ui::Hwnd w = Open();
  EXPECT_EQ(State(), kKeyStateSearch);
  EXPECT_EQ(Text(kIdOk2), "[ 1 ]");
  EXPECT_EQ(Text(kIdBottomField2), "Index search [PgDn/PgUp]");
  EXPECT_EQ(Field(1), "A1");  // opened on the first record
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(1)));
  EXPECT_EQ(Enabled(w, "NEW,TOP,PRV,NXT,BOT,FND,SVE,DEL"), "11111001");
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(w, FieldCtlId(2))));  // only the key in key search
  const struct {
    uint16_t key;
    uint16_t field;
  } turns[] = {{2, 2}, {3, 1}, {1, 1}};  // key 3 is CITY + CODE: its fields in field order
  for (const auto& t : turns) {
    hl->click(kIdOk2);
    Pump();
    EXPECT_EQ(WinCurrent().keyNum, t.key);
    EXPECT_EQ(DataFileKeyGet(1), t.key);
    EXPECT_EQ(Text(kIdOk2), "[ " + std::to_string(t.key) + " ]");
    EXPECT_EQ(WinCurrent().curField, t.field);
    EXPECT_EQ(State(), kKeyStateSearch);
  }
  EXPECT_EQ(Field(1), "A1");
  // A key typed all blank moves to the next key, without a box.
  hl->key(ui::VK_HOME).key(ui::VK_END, ui::KEY_SHIFT).key(ui::VK_BACK).key(ui::VK_TAB);
  Pump();
  EXPECT_EQ(WinCurrent().keyNum, 2);
  EXPECT_EQ(State(), kKeyStateSearch);
  EXPECT_EQ(Text(kIdOk2), "[ 2 ]");
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(2)));
}

// Mode 0x20 opens in entry: state 3, the fields off the key, the record the
// file is on.
TEST_F(MantWinTest, EntryModeOpensOffTheKey) {
  ui::Hwnd w = Open("ITM,,,,,,118");
  EXPECT_EQ(State(), kKeyStateEntry);
  EXPECT_EQ(Text(kIdBottomField2), "Editing [PgDn/PgUp]");
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(2)));
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(w, FieldCtlId(1))));
  EXPECT_EQ(Field(1), "A1");
}

// Tab leaves the key: the record is looked up (state 3); a changed name is
// saved by SVE (state 2 again). A changed key is refused with 0024, nothing
// written, the key put back.
TEST_F(MantWinTest, SavesAChangeAndRefusesAChangedKey) {
  ui::Hwnd w = Open();
  hl->key(ui::VK_TAB);
  Pump();
  EXPECT_EQ(State(), kKeyStateEntry);
  EXPECT_EQ(Text(kIdBottomField2), "Editing [PgDn/PgUp]");
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(2)));
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(w, FieldCtlId(1))));
  EXPECT_EQ(Enabled(w, "NEW,TOP,PRV,NXT,BOT,FND,SVE,DEL"), "11111111");
  Replace("ANNA");
  hl->click(Nav(kNavSve));
  Pump();
  EXPECT_EQ(Disk(), std::string(kAll).replace(2, 10, "ANNA      "));
  EXPECT_EQ(Num("W#"), 2);
  EXPECT_EQ(Num("SAVES#"), 1);
  EXPECT_EQ(State(), kKeyStateSearch);
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(1)));

  hl->key(ui::VK_TAB);
  Pump();
  ASSERT_EQ(State(), kKeyStateEntry);
  ASSERT_EQ(Eval("CODE{1}='Z9',NAME{1}='ZED'"), 0);  // a check or procedure changed the key
  hl->click(Nav(kNavSve)).answer(ui::IDOK, "Key Updated Canceled");
  Pump();
  EXPECT_EQ(Disk(), std::string(kAll).replace(2, 10, "ANNA      "));
  EXPECT_EQ(Num("W#"), 2);
  EXPECT_EQ(Code(), "A1");
  EXPECT_EQ(Field(1), "A1");
  EXPECT_EQ(Check(), "");
}

// DEL asks 0025: No writes nothing (MantDeleteConfirm answers 122), Yes
// deletes the record and shows the next. With VOIDMODE% 0x600 the delete
// bits are gone: no question, nothing deleted.
TEST_F(MantWinTest, DeletesAfterTheQuestion) {
  Open();
  hl->click(Nav(kNavDel)).answer(ui::IDNO, "Delete Record(s)?");
  Pump();
  EXPECT_EQ(Disk(), kAll);
  EXPECT_EQ(Field(1), "A1");
  hl->click(Nav(kNavDel)).answer(ui::IDYES, "Delete Record(s)?");
  Pump();
  EXPECT_EQ(Disk(), std::string(kAll).substr(23));
  EXPECT_EQ(Field(1), "A2");
  EXPECT_EQ(Field(2), "DAN       ");
  EXPECT_EQ(Num("W#"), 1);
  EXPECT_EQ(State(), kKeyStateSearch);
  EXPECT_EQ(Check(), "");

  hl->answer(ui::IDNO, "Delete Record(s)?");
  EXPECT_EQ(MantDeleteConfirm(0x642), st::USERCANCELED);
  EXPECT_EQ(Disk(), std::string(kAll).substr(23));

  ui::destroy_window(WinTop());
  WriteScreen("VOID", "OPEN$:1\nVOIDMODE%:1536\n");
  Open("VOID");
  hl->click(Nav(kNavDel));
  Pump();
  EXPECT_EQ(Disk(), std::string(kAll).substr(23));
  EXPECT_EQ(Field(1), "A2");
}

// Esc abandons a changed record after 0018: No keeps it (1), Yes clears it
// for a new one (state 3 -> 2); in key search Esc arms the close and closes
// the window the second time, giving back the files.
TEST_F(MantWinTest, EscAbandonsTheRecordThenCloses) {
  ui::Hwnd w = Open();
  hl->key(ui::VK_TAB);
  Replace("ZED").key(ui::VK_TAB);  // the name is taken into the record
  hl->key(ui::VK_ESCAPE).answer(ui::IDNO, "Posible loss of data");
  Pump();
  EXPECT_EQ(State(), kKeyStateEntry);
  EXPECT_EQ(RecBuf(1, kRecCurrent).Str().substr(2, 3), "ZED");
  hl->answer(ui::IDNO, "Posible loss of data");
  EXPECT_EQ(MantNewRecord(nullptr), 1);  // No, once more, directly
  hl->key(ui::VK_ESCAPE).answer(ui::IDYES, "Posible loss of data");
  Pump();
  EXPECT_EQ(State(), kKeyStateSearch);
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, dfres::kNewRecord);
  EXPECT_EQ(Field(1), "  ");
  EXPECT_EQ(Field(3), "NEWC    ");  // SET$ item 2 of a new record
  EXPECT_EQ(Disk(), kAll);
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(1)));

  hl->key(ui::VK_ESCAPE).key(ui::VK_ESCAPE);
  Pump();
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_FALSE(DataFileStore(1)->IsOpen());
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
}

// A new record typed in state 8 and Enter past the last field: inserted,
// and the next new record waits. Past the end of the file SVE runs as NEW.
TEST_F(MantWinTest, NewRecordsAndSaveAfterAFailedRead) {
  ui::Hwnd w = Open();
  hl->click(Nav(kNavNew));
  Pump();
  EXPECT_EQ(State(), kKeyStateNoRecord);
  EXPECT_EQ(Text(kIdBottomField2), "Modify");
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(1)));
  hl->type("D1").key(ui::VK_TAB).type("DORA").key(ui::VK_TAB).key(ui::VK_TAB).type("7").key(ui::VK_RETURN);
  Pump();
  EXPECT_EQ(Disk(), std::string(kAll) + "|D1DORA      NEWC         7");
  EXPECT_EQ(State(), kKeyStateNoRecord);
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, dfres::kNewRecord);
  EXPECT_EQ(Field(1), "  ");

  // BOT, then NXT past the end: "End of file", key search, no record.
  hl->click(Nav(kNavBot));
  hl->click(Nav(kNavNxt)).answer(ui::IDOK, "End of file");
  Pump();
  EXPECT_EQ(State(), kKeyStateSearch);
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, dfres::kEnd);
  EXPECT_EQ(ScreenAction(ActionMake(kActNavigate, kNavSve)), 0);
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, dfres::kNewRecord);
  EXPECT_EQ(State(), kKeyStateNoRecord);
  EXPECT_EQ(Check(), "");
}

// FND (in entry) asks the "Fields Selection" form and reads on to the first
// record meeting it; a search that finds nothing says so and keeps the
// record.
TEST_F(MantWinTest, FieldSearchForm) {
  Open();
  hl->key(ui::VK_TAB);
  hl->click(Nav(kNavFnd)).wait_top("Dialogx", "Fields Selection");
  hl->key(ui::VK_TAB).key(ui::VK_TAB).type("ROME*").key(ui::VK_RETURN).key(ui::VK_RETURN);
  Pump();
  EXPECT_EQ(Code(), "B1");
  EXPECT_EQ(Field(1), "B1");
  EXPECT_EQ(Field(3), "ROME    ");
  EXPECT_EQ(State(), kKeyStateEntry);
  // The form starts empty (never "ROME*BERN"); a whole value shorter than
  // the field finds the record holding it.
  hl->click(Nav(kNavFnd)).wait_top("Dialogx", "Fields Selection");
  hl->key(ui::VK_TAB).key(ui::VK_TAB).type("BERN").key(ui::VK_RETURN).key(ui::VK_RETURN);
  Pump();
  EXPECT_EQ(Code(), "C1");
  hl->click(Nav(kNavFnd)).wait_top("Dialogx", "Fields Selection");
  hl->key(ui::VK_TAB).type("O'BRIEN").key(ui::VK_RETURN).key(ui::VK_RETURN).key(ui::VK_RETURN);
  hl->answer(ui::IDOK, "End of file");
  Pump();
  EXPECT_EQ(Code(), "C1");
  EXPECT_EQ(DataFileCtrl(1)->lastStatus, 0);
  EXPECT_EQ(Field(1), "C1");
}

// The status text: item min(state, 8) + 1 of message 0027, then the extra
// text and STATMSG$ (here the script variable of that name), each a
// message number or a text with [expressions] expanded once, wrapped in
// " [...]"; a failing expression gives nothing.
TEST_F(MantWinTest, TitleTextTable) {
  Open();
  ASSERT_EQ(Eval("INNER$='in',DEEP$='[INNER$]'"), 0);
  struct Row {
    uint8_t state;
    const char* extra;
    const char* statmsg;
    const char* text;
  } rows[] = {
      {0, "", "", "Header Capture"},
      {2, "", "", "Index search [PgDn/PgUp]"},
      {7, "  ", "", "New"},
      {8, "", "", "Modify"},
      {14, "", "", "Modify"},
      {3, "0024", "", "Editing [PgDn/PgUp] [Key Updated Canceled]"},
      {3, "x[INNER$]y", "0025", "Editing [PgDn/PgUp] [xiny] [Delete Record(s)?]"},
      {3, "['a'*2]", "Hello [INNER$]", "Editing [PgDn/PgUp] [Hello in]"},
      {3, "[DEEP$]", "", "Editing [PgDn/PgUp] [[INNER$]]"},  // no rescan
      {3, "002", "12345", "Editing [PgDn/PgUp] [002] [12345]"},
  };
  for (const Row& r : rows) {
    ASSERT_EQ(Eval(std::string("STATMSG$='") + r.statmsg + "'"), 0);
    EXPECT_EQ(MantTitleText(r.state, S(r.extra)).Str(), r.text) << r.extra;
    ErrClear();
  }
  ASSERT_EQ(Eval("STATMSG$=''"), 0);
  EXPECT_EQ(MantTitleSet(kKeyStateEntry, S("0024")), 0);
  EXPECT_EQ(Text(kIdBottomField2), "Editing [PgDn/PgUp] [Key Updated Canceled]");
}

// The trace line holds a user name of any length; without bit 64 of
// `_TRACE` nothing is written.
TEST_F(MantWinTest, TraceLineOfANavigationCommand) {
  Open();
  ASSERT_EQ(LogSetName(S(dir.File("trace.log"))), 0);
  std::string user(3000, 'u');
  ASSERT_EQ(DynStrSet(SettingsList, SetDatabaseItem, S("host,db,'" + user + "'")), 0);
  EXPECT_EQ(MantTraceLine(1, kNavNxt), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("trace.log")));
  VarSysIntSet(kSysTrace, 64);
  EXPECT_EQ(MantTraceLine(1, kNavNxt), 0);
  std::ifstream in(dir.File("trace.log"), std::ios::binary);
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("User:" + user + " Cmd:NXT IER:0 IER():0 Key:<A1> Keyr:<A1> Data:<A1EVA       PARIS   10"),
            std::string::npos);
}

// Mode 0x08 deletes the layout the screen was read from; a screen named
// with a directory keeps its file.
TEST_F(MantWinTest, Mode8DeletesOnlyThePlainLayout) {
  WriteScreen("TMP", "OPEN$:1\n");
  Open(dir.File("TMP") + ",,,,,,94");
  EXPECT_TRUE(std::filesystem::exists(dir.File("TMP.PAN")));
  ui::destroy_window(WinTop());
  Open("TMP,,,,,,94");
  EXPECT_FALSE(std::filesystem::exists(dir.File("TMP.PAN")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("TMP.PPN")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("ITM.PAN")));
}

}  // namespace
