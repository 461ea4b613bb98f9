// Barcode scanners on a screen window opened directly: the scan reaches the
// current field by SCANWIN$ and SCANSET$, through the serial poll and the
// keyboard wedge, as the maintenance windows' handler will route it
// (action 23 reads the port of its parameter, 24 the wedge buffer).
#include <string>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "devices/scanner.h"
#include "devices/serial.h"
#include "runtime/dynstrings.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/datascreens/scanhook.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screens/screen_fixture.h"
#include "script/evaluator.h"
#include "support/pty_pair.h"

namespace {

std::vector<uint16_t> g_codes;

// What the maintenance window does with the scanner's actions; the rest
// goes to the shared defaults.
Status ScanningHandler(uint16_t code) {
  g_codes.push_back(code);
  if (ActionKindOf(code) == kActDeviceData) return ScreenScanPoll(ActionParamOf(code));
  if (ActionKindOf(code) == kActWedgeEnd) return ScreenScanPoll(kScanWedge);
  Status s = ScreenActionWinDefault(code);
  return s != st::BADINPUTDATA ? s : ScreenActionDefault(code);
}

// Six fields; the scanner lists reach five of them:
//   1 put 'X' + the scan    2 no SCANSET$ item     3 the field's window
//   4 no SCANWIN$ item      5 the window unless the scan is ABC
constexpr const char* kScanWin = "SCANWIN$:0,0,1,,_SCAN$<>'ABC'";
constexpr const char* kScanSet = "SCANSET$:'X'+_SCAN$,,_SCAN$,_SCAN$,_SCAN$";

class ScannerTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    ASSERT_TRUE(pty.ok());
    setenv("KX_COM1", pty.slave().c_str(), 1);
    WinProcReset();
    CtlSubclassHookSet(CtlSubclass);
    ScanHooksSet(ScanHooks{ScanStart, ScanStop, ScanPoll});
    g_codes.clear();
  }
  void TearDown() override {
    ComCloseAll();
    ScanHooksSet(ScanHooks{});
    CtlSubclassHookSet(nullptr);
    unsetenv("KX_COM1");
    ScreenUiTest::TearDown();
  }
  ui::Hwnd Open(const std::string& scanDef = "SCANDEF$:'COM1:9600,N,8,1'") {
    WriteTagged("SC.PPN", {"FD$:A,B,C,D,E,F", scanDef, kScanWin, kScanSet});
    std::vector<std::string> layout;
    for (int row = 1; row <= 6; ++row) layout.push_back("10" + std::to_string(row) + "05000008A");
    WriteTagged("SC.PAN", layout);
    ui::Hwnd w = WinClassCreate(S("TstScan"), S("scan"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, ScreenWndProc);
    EXPECT_EQ(ScreenCreate(StrFromC("SC"), StrFromC("SC"), 1, 0, StrFromC("")), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    ScreenActionSet(ScanningHandler, nullptr, nullptr);
    return w;
  }
  std::string Value(uint16_t n) {
    const StrAreaScope scope;
    std::string v = FieldValue(n).Str();
    return v.substr(0, v.find_last_not_of(' ') + 1);
  }
  std::string Scanned() {
    const StrAreaScope scope;
    return ExpEvalStr(StrFromC("_SCAN$")).Str();
  }
  void ScanOn() { ASSERT_EQ(VarAssignInt(StrFromC("CHKSCAN"), 1), 0); }
  // The poll's time passes and what it posts is handled.
  void Poll() {
    hl->advance(kComPollMs);
    Drive();
  }
  PtyPair pty;
};

TEST_F(ScannerTest, AScanGoesToTheCurrentFieldByItsItems) {
  struct Case {
    const char* id;
    uint16_t field;
    const char* scan;
    std::string value;         // of the field afterwards
    std::vector<uint16_t> codes;  // the actions it raised
  } cases[] = {
      {"put and Enter", 1, "ABC", "XABC", {kActNextField}},
      {"no SCANSET$ item", 2, "ABC", "old", {}},
      {"the field's window", 3, "ABC", "", {kActScanField}},
      {"no SCANWIN$ item: put", 4, "ABC", "ABC", {kActNextField}},
      {"a condition false", 5, "ABC", "ABC", {kActNextField}},
      {"a condition true", 5, "ABD", "", {kActScanField}},
      {"past the lists", 6, "ABC", "old", {}},
  };
  Open();
  for (const Case& c : cases) {
    ASSERT_EQ(FieldPut(0, c.field, StrFromC("old")), 0);
    ASSERT_EQ(FieldSetCurrent(c.field), 0);
    Drive();
    g_codes.clear();
    EXPECT_EQ(ScanDeliver(StrFromC(c.scan)), 0) << c.id;
    Drive();  // the field's window message arrives posted
    EXPECT_EQ(Value(c.field), c.value) << c.id;
    EXPECT_EQ(g_codes, c.codes) << c.id;
    EXPECT_EQ(Scanned(), c.scan) << c.id;
  }
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(WinTop(), FieldCtlId(3))), "");
}

TEST_F(ScannerTest, OnlyScansOfOneToTwentyCharactersAreDelivered) {
  Open();
  struct Case {
    std::string wedge;  // the wedge buffer's top item
    std::string value;  // field 1 afterwards
  } cases[] = {
      {"12345678901234567890", "X1234567"},  // 20: delivered (the field keeps 8)
      {"123456789012345678901", "old"},      // 21: dropped
      {"", "old"},
      {"AB\r\n", "XAB"},  // line ends are no part of the scan
      {"\r", "old"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(FieldPut(0, 1, StrFromC("old")), 0);
    ASSERT_EQ(FieldSetCurrent(1), 0);
    uint32_t count = DynStrCount(ResultsStack);
    ASSERT_EQ(DynStrPush(ResultsStack, S(c.wedge)), 0);
    EXPECT_EQ(ScanPoll(kScanWedge), 0);
    EXPECT_EQ(DynStrCount(ResultsStack), count) << c.wedge;  // taken off either way
    EXPECT_EQ(Value(1), c.value) << c.wedge;
  }
  EXPECT_EQ(ScanPoll(kScanWedge), 0);  // an empty buffer
}

TEST_F(ScannerTest, StartAndStop) {
  EXPECT_EQ(ScreenScanStart(), 0);  // no screen: nothing to start
  Open();
  EXPECT_EQ(ScanStart(), 0);  // CHKSCAN not set: off
  EXPECT_EQ(VarSysIntGet(kSysSerial), 0);
  EXPECT_EQ(ComQueued(0), 0xFFFF);

  ScanOn();
  EXPECT_EQ(ScreenScanStart(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSerial), kSerialActive | 0);
  EXPECT_EQ(ComOpenSpec(StrFromC("COM1:9600,N,8,1"), false), st::DEVICETIMEOUT);  // the scanner holds it
  EXPECT_EQ(ScanStart(), 0);  // a second start stops the first
  EXPECT_EQ(VarSysIntGet(kSysSerial), kSerialActive | 0);
  EXPECT_EQ(ComQueued(1), 0xFFFF);

  EXPECT_EQ(ScreenScanStop(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSerial), 0);
  EXPECT_EQ(ComQueued(0), 0xFFFF);
  EXPECT_EQ(ScreenScanStop(), 0);  // none active

  // A port that cannot be had: 172 with SCANDEF$, nothing left open.
  setenv("KX_COM1", "/no/such/tty", 1);
  ErrClear();
  EXPECT_EQ(ScanStart(), st::DEVICEIOERROR);
  EXPECT_EQ(ErrGet(), st::DEVICEIOERROR | (MOD_DEVICES << 16));
  EXPECT_EQ(ErrDetail().Str(), "COM1:9600,N,8,1");
  EXPECT_EQ(VarSysIntGet(kSysSerial), 0);
  EXPECT_EQ(ComQueued(0), 0xFFFF);
  ErrClear();

  // Without the devices layer's hooks the screens get 148 and the name.
  ScanHooksSet(ScanHooks{});
  EXPECT_EQ(ScreenScanStart(), st::FEATUREREMOVED);
  EXPECT_EQ(ErrDetail().Str(), "ScanStart");
  ErrClear();
}

TEST_F(ScannerTest, AScreenWithoutScanDefStartsNothing) {
  Open("HELP$:none");
  ScanOn();
  EXPECT_EQ(ScanStart(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSerial), 0);
  EXPECT_EQ(ComQueued(0), 0xFFFF);
}

TEST_F(ScannerTest, ScansReachTheFieldFromThePortAndTheWedge) {
  Open();
  ScanOn();
  ASSERT_EQ(ScreenScanStart(), 0);
  ASSERT_EQ(FieldSetCurrent(4), 0);
  Drive();
  g_codes.clear();

  pty.Send("A1234\r");
  ASSERT_TRUE(WaitUntil([] { return ComQueued(0) == 6; }));
  Poll();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActDeviceData, 0), kActNextField}));
  EXPECT_EQ(Value(4), "A1234");
  EXPECT_EQ(WinCurrent().curField, 5);  // Enter moved on
  EXPECT_EQ(Scanned(), "A1234");

  // A scan too long for the scanner is dropped whole.
  g_codes.clear();
  pty.Send(std::string(21, '9') + "\r");
  ASSERT_TRUE(WaitUntil([] { return ComQueued(0) == 22; }));
  Poll();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActDeviceData, 0)}));
  EXPECT_EQ(Value(5), "");
  EXPECT_EQ(ComQueued(0), 0);

  // The keyboard wedge: GS, the code, Enter typed into the field.
  ASSERT_EQ(FieldSetCurrent(4), 0);
  Drive();
  g_codes.clear();
  hl->scan("W77");
  Drive();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActWedgeEnd, kActNextField}));
  EXPECT_EQ(Value(4), "W77");

  ASSERT_EQ(ScreenScanStop(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSerial), 0);
  pty.Send("B5\r");
  Poll();  // the poll went with the port
  EXPECT_EQ(Value(5), "");
}

// A burst longer than the port holds is dropped whole, to its line end,
// and a scan with a character no field can hold (ESC, the delete mark of a
// record) is refused with a box naming the field and the value; neither
// reaches the field, and the next scan does.
TEST_F(ScannerTest, OverLongAndUnholdableScansReachNoField) {
  Open();
  ScanOn();
  ASSERT_EQ(ScreenScanStart(), 0);
  ASSERT_EQ(FieldPut(0, 4, StrFromC("old")), 0);
  ASSERT_EQ(FieldSetCurrent(4), 0);
  Drive();
  g_codes.clear();

  pty.Send(std::string(1030, '9') + "\r");
  ASSERT_TRUE(WaitUntil([] { return ComQueued(0) == 1031; }));
  Poll();
  Poll();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActDeviceData, 0)}));
  EXPECT_EQ(Value(4), "old");
  EXPECT_EQ(ComQueued(0), 0);

  size_t boxes = hl->boxes().size();
  hl->answer(ui::IDOK);
  pty.Send("\x1b" "4300\r");
  ASSERT_TRUE(WaitUntil([] { return ComQueued(0) == 6; }));
  Poll();
  EXPECT_EQ(Value(4), "old");
  EXPECT_EQ(Scanned(), "\x1b" "4300");
  ASSERT_EQ(hl->boxes().size(), boxes + 1);
  EXPECT_EQ(hl->boxes().back().text, "Bad params for screen field D\r\n (^[4300)");
  EXPECT_EQ(hl->boxes().back().caption, "Information Message");
  EXPECT_EQ(ErrDetail().len, 0);

  pty.Send("4300\r");
  ASSERT_TRUE(WaitUntil([] { return ComQueued(0) == 5; }));
  Poll();
  EXPECT_EQ(Value(4), "4300");
}

// The demo's accounts screen: scanning is off in the demo's configuration;
// switched on, a scanned code goes into the account code field with Enter.
TEST_F(ScannerTest, TheDemoAccountsScreenTakesAScannedCode) {
  ASSERT_EQ(DicTruncate(0), 0);
  std::string folder = std::string(KX_SOURCE_DIR) + "/apps/accounting/demo";
  ASSERT_EQ(DicLoad(S(folder), StrFromC("CO"), StrFromC("")), 0);
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(folder)), 0);
  ASSERT_EQ(RecBufAlloc(8), 0);
  WinClassCreate(S("TstScan"), S("Accounts"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, ScreenWndProc);
  ASSERT_EQ(ScreenCreate(StrFromC("COACC"), StrFromC("COACC"), 1, 0, StrFromC("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  ScreenActionSet(ScanningHandler, nullptr, nullptr);
  ASSERT_EQ(FieldSetCurrent(1), 0);
  Drive();

  EXPECT_EQ(ScreenScanStart(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSerial), 0);  // CHKSCAN is not set
  ScanOn();
  ASSERT_EQ(ScreenScanStart(), 0);
  EXPECT_EQ(VarSysIntGet(kSysSerial), kSerialActive | 0);
  g_codes.clear();
  pty.Send("4300\r");
  ASSERT_TRUE(WaitUntil([] { return ComQueued(0) == 5; }));
  Poll();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{ActionMake(kActDeviceData, 0), kActNextField}));
  EXPECT_EQ(Value(1), "4300");
  EXPECT_EQ(WinCurrent().curField, 2);
  EXPECT_EQ(ScreenScanStop(), 0);
  EXPECT_EQ(ComQueued(0), 0xFFFF);
}

}  // namespace
