// Shared set-up of the data-screen and maintenance-window tests: the
// headless window system of ScreenUiTest, an application "TT" in the test's
// directory with one data file of three keys,
//   1 ITEMS  CODE A2, NAME A10, CITY A8, AMOUNT N6
//            key 1 CODE, key 2 NAME, key 3 CITY + CODE
//   records  A1 EVA PARIS 10, A2 DAN LYON 20, B1 CAT ROME 30, B2 BEN OSLO 40,
//            C1 ALF BERN 50
// (key 2 order C1, B2, B1, A2, A1), a file 2 NOTES of one field, relation 0 of ITEMS counting the runs of
// its statement in W#, and the screen ITM (fields CODE, NAME, CITY, AMOUNT
// bound to ITEMS; OPEN$ "1"; SET$ item 1 counting the opens in OPENS#, item
// 2 giving a new record the city NEWC; SAVED$ counting the saves in SAVES#),
// and the same screen as PRE with the key prefix IK$(1) = PFX$. The file is
// closed after it is written, so a screen opening it finds it as a program
// would. The test works in its own directory: the run journal, the run
// status file and the lock markers of exclusive opens live in the current
// directory, and tests running side by side must not see each other's.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "data/store/reccheck.h"
#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "screen_fixture.h"
#include "screens/window/actions.h"
#include "screens/window/fieldvalues.h"
#include "script/builtins.h"
#include "script/evaluator.h"

class DataScreenTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    oldDir = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DicTruncate(0), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("TT:Test")), 0);
    WriteFile("TTDICC.DAT",
              "01 Items**01ITEMS\n01 CODE  002 ACODE\n01 NAME  010 ANAME\n01 CITY  008 ACITY\n"
              "01 AMOUN 006 NAMOUNT\n02 Notes**01NOTES\n02 CODE  002 ACODE\n31 <0001002\n31 <0003010\n"
              "31 <00130080001002\n");
    WriteFile("TTRELUP.DAT", "0100 W#=W#+1\n");
    ASSERT_EQ(DicLoad(S(dir.path()), S("TT"), S(dir.path())), 0) << ErrDetail().Str();
    TaskHookSet(&ScreenFieldHook, kHookValue);  // as start-up does
    const std::string common = "OPEN$:1\nSET$:\"OPENS#=OPENS#+1,CITY{1}='NEWC'\"\nSAVED$:SAVES#=SAVES#+1\n";
    WriteScreen("ITM", common);
    WriteScreen("PRE", common + "IK$(1):PFX$\n");
    ASSERT_EQ(Eval("PFX$='',OPENS#=0,SAVES#=0,W#=0"), 0);
    ASSERT_LT(DataFileOpen(1, 0), 128);
    for (const char* r : {"A1EVA       PARIS   10", "A2DAN       LYON    20", "B1CAT       ROME    30",
                          "B2BEN       OSLO    40", "C1ALF       BERN    50"})
      Add(r);
    ASSERT_EQ(DataFileClose(1), 0);
  }
  void TearDown() override {
    DataFileCloseAll();
    std::filesystem::current_path(oldDir);
    ScreenUiTest::TearDown();
  }
  std::filesystem::path oldDir;

  void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(dir.File(name), std::ios::binary) << text;
  }
  // A screen over ITEMS: the given definition lines (tag 1) after the
  // fields' names and binding, and a layout of the four fields.
  void WriteScreen(const std::string& name, const std::string& lines) {
    std::string def = "01 FD$:CODE,NAME,CITY,AMOUNT\n01 FILEDEF$:,,,,1\n";
    for (size_t at = 0; at < lines.size();) {
      size_t end = lines.find('\n', at);
      def += "01 " + lines.substr(at, end - at) + "\n";
      at = end + 1;
    }
    WriteFile(name + ".PPN", def);
    WriteFile(name + ".PAN",
              "01 00302Code\n01 10316010102A\n01 00502Name\n01 10516010210A\n"
              "01 00702City\n01 10716010308A\n01 00802Amount\n01 10816010406N\n");
  }
  // Inserts a record given as its 26 bytes (shorter: blank-filled) into
  // file 1, open.
  void Add(std::string image) {
    image.resize(26, ' ');
    ASSERT_EQ(DataFileMove(1, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(RecBufSet(1, kRecCurrent, S(image)), 0);
    ASSERT_EQ(DataFileInsert(1), 0) << image;
  }
  Status Eval(const std::string& text) { return ExpEvalStatus(S(text)); }
  int64_t Num(const std::string& name) { return ExpEvalNum(S(name)) / 100; }
  // The current record of file 1, right-trimmed.
  std::string Cur() {
    std::string r = RecBuf(1, kRecCurrent).Str();
    return r.substr(0, r.find_last_not_of(' ') + 1);
  }
  std::string Code() { return RecBuf(1, kRecCurrent).Str().substr(0, 2); }
  // The live records in key-1 order as their codes, read from a second,
  // independent look at the file: the index as last saved and the data.
  std::string Codes() {
    DataStoreState state;
    EXPECT_EQ(DataFileCtrlSave(&state, 1, nullptr), 0);
    uint16_t key = DataFileKeyGet(1);
    DataFileKeySet(1, 1);
    std::string out;
    for (Status s = DataFileMove(1, dfmove::kFirst); s == 0; s = DataFileMove(1, dfmove::kNext))
      out += (out.empty() ? "" : ",") + RecBuf(1, kRecCurrent).Str().substr(0, 2);
    DataFileKeySet(1, key);
    EXPECT_EQ(DataFileCtrlSave(nullptr, 1, &state), 0);
    return out;
  }
  // The record-file checker over ITEMS (its index written out first).
  std::string Check() {
    DataStore* store = DataFileStore(1);
    RecCheckSpec spec{store->File().Spec().dataPath, store->File().Spec().indexPath, store->File().RecLen(),
                      store->File().Spec().keys};
    EXPECT_EQ(store->Save(), 0);
    return RecFileCheck(spec);
  }
  // The enabled flags of navigation buttons 3000 + position of the commands,
  // "1" enabled, "0" disabled, "-" missing.
  std::string Enabled(ui::Hwnd w, const std::string& commands) {
    std::string out;
    size_t at = 0;
    while (at <= commands.size()) {
      size_t end = commands.find(',', at);
      if (end == std::string::npos) end = commands.size();
      int pos = NavCmdIndex(S(commands.substr(at, end - at)), StrFromC(kNavCommands));
      ui::Hwnd b = ui::get_dlg_item(w, static_cast<int>(kIdNavFirst + pos));
      out += !b ? '-' : ui::is_enabled(b) ? '1' : '0';
      at = end + 1;
    }
    return out;
  }
};
