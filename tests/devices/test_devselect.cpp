// The device selection: the Device Selection window driven like a person,
// its batch answers from the INPUT file and the `_SYSCOMPAT` bit it sets.
#include <algorithm>
#include <string>
#include <vector>

#include "devices/launch_fixture.h"
#include "devices/lptconfig.h"
#include "devices/reportlaunch.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "screens/forms/acceptlist.h"
#include "screens/forms/combo.h"
#include "screens/window/winlist.h"

namespace {

class DevSelectTest : public LaunchTest {
 protected:
  std::string Select(const std::string& current = "") {
    const StrAreaScope scope;
    StrValue chosen = DevSelect(S(current));
    EXPECT_EQ(StrError(chosen), 0);
    return chosen.Str();
  }
  ui::Hwnd Item(ui::Hwnd window, int id) { return ui::get_dlg_item(window, id); }
};

TEST_F(DevSelectTest, TheWindowBuildsTheDeviceStringOfTheChoice) {
  struct Case {
    const char* name;
    const char* current;
    const char* script;
    std::string want;
  } cases[] = {
      {"serial", "",
       "combo-select 3500 10\ncombo-select 3501 2\ncombo-select 3502 7\nclick 2500\ntype \"60\"\nclick \"Ok\"\n",
       "COM2:2400,O,7,2 /LP:60"},
      {"console", "", "click \"Ok\"\n", "CON"},
      // The options of the current device string fill the edits; the view
      // edit is not the console's.
      {"prefilled", "out.txt /LP:20 /WD:100 /ST:2", "key Enter\n", "CON /LP:20 /WD:100 /ST:2"},
      {"text, view no", "",
       "combo-select 3500 8\nclick 2503\nkey End\nkey Back\ntype \"N\"\nclick \"Ok\"\ndialog \"chosen.txt\"\n",
       "chosen.txt /VW:N"},
      {"port, double click", "", "list-dblclick 3500 4\n", "LPT3"},
      // DEV asks for a device string in a form, long enough for a path.
      {"free device", "",
       "combo-select 3500 11\nclick \"Ok\"\nwait-top class=Dialogx title=\"Device Selection\"\n"
       "type \"/srv/print/spool/reports/2025/first-quarter/all-accounts.txt /LP:5\"\nclick \"Ok\"\n",
       "/srv/print/spool/reports/2025/first-quarter/all-accounts.txt /LP:5"},
  };
  for (const Case& c : cases) {
    Script(c.script);
    EXPECT_EQ(Select(c.current), c.want) << c.name;
    EXPECT_EQ(hl->steps_left(), 0u) << c.name;
    EXPECT_EQ(WinCount(), 0) << c.name;
  }
  // A text file shown when done: a fresh temporary name.
  Script("combo-select 3500 8\nclick \"Ok\"\n");
  std::string chosen = Select();
  std::replace(chosen.begin(), chosen.end(), '\\', '/');
  EXPECT_TRUE(chosen.starts_with(dir_.path() + "/")) << chosen;
  EXPECT_TRUE(chosen.ends_with(".TXT /VW:Y")) << chosen;
  // Esc and the close box cancel.
  for (const char* cancel : {"key Esc\n", "click 2500\nkey Esc\n", "close\n"}) {
    Script(cancel);
    EXPECT_EQ(Select(), "") << cancel;
    EXPECT_EQ(WinCount(), 0) << cancel;
  }
  // Over a screen with a combo box of its own the window's take the next
  // slots of the combo table, and their ids with them.
  ui::Hwnd below = WinClassCreate(S("TstShown"), S("shown"), ui::WS_VISIBLE, 0, 0, 600, 400, 0, nullptr);
  ASSERT_EQ(ComboCreate(below, 0, 0, S("A,B"), 1), 0);
  Script("combo-select 3501 9\ncombo-select 3502 0\ncombo-select 3503 3\nclick \"Ok\"\n");
  EXPECT_EQ(Select(), "COM1:9600,O,7,1");
  EXPECT_EQ(hl->steps_left(), 0u);
}

TEST_F(DevSelectTest, EachDeviceEnablesItsFieldsAndOkNeedsAChoice) {
  ui::Hwnd window = DevSelectWinDraw(S(""));
  ASSERT_NE(window, 0u);
  EXPECT_EQ(ui::get_text(window), "Device Selection");
  ui::Hwnd devices = Item(window, 3500);
  // Speed, parity, lines, width, step, view, Lpt Config.
  const int ids[] = {3501, 3502, 2500, 2501, 2502, 2503, kIdLptConfig};
  struct Row {
    int row;
    const char* device;
    const char* enabled;
  } rows[] = {
      {0, "CON", "0011100"},   {1, "LPT1", "0011101"}, {6, "LPT6", "0011101"},  {7, "PDF", "0011110"},
      {8, "TXT", "0011110"},   {9, "COM1:", "1111100"}, {10, "COM2:", "1111100"}, {11, "DEV", "0000000"},
      {12, "WINPRN", "0000000"},
  };
  for (const Row& r : rows) {
    ui::combo_set_sel(devices, r.row);
    ui::send(window, ui::WM_COMMAND, ui::MakeLong(3500, ui::CBN_SELCHANGE), static_cast<ui::LParam>(devices));
    EXPECT_EQ(ui::combo_text(devices, r.row), r.device);
    std::string got;
    for (int id : ids) got += ui::is_enabled(Item(window, id)) ? '1' : '0';
    EXPECT_EQ(got, r.enabled) << r.device;
  }
  EXPECT_EQ(ui::get_text(Item(window, 2503)), "Y");
  // The lines, width and step take digits only.
  ui::combo_set_sel(devices, 0);
  ui::send(window, ui::WM_COMMAND, ui::MakeLong(3500, ui::CBN_SELCHANGE), static_cast<ui::LParam>(devices));
  WinShowState(kWinShowNow);
  ui::set_focus(Item(window, 2500));
  hl->type("6a/0");
  while (hl->steps_left()) PumpMessages(0);
  EXPECT_EQ(ui::get_text(Item(window, 2500)), "60");
  // Ok without a device chosen says so and keeps the window.
  ui::combo_set_sel(devices, -1);
  hl->answer(ui::IDOK, "No Selection done");
  ui::send(window, ui::WM_COMMAND, 3100);
  EXPECT_EQ(hl->boxes().size(), 1u);
  EXPECT_TRUE(ui::is_window(window));
  ui::send(window, ui::WM_CLOSE);
  EXPECT_FALSE(ui::is_window(window));
  EXPECT_EQ(DynStrGet(SystemTextList, kDevSelAnswerItem).Str(), "");
}

TEST_F(DevSelectTest, LptConfigOpensThePortFormsOverTheWindow) {
  Table({TestPort()});
  const std::string before = Read(kPrnTableFile);
  Script("combo-select 3500 1\nexpect-enabled 3102 1\nclick \"Lpt Config\"\n"
         "wait-top class=Dialogx title=\"   Lpt1 Config\"\nexpect-text 2000 \"132\"\nkey Esc\n"
         "wait-top class=DevSel\nkey Esc\n");
  EXPECT_EQ(Select(), "");
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(Read(kPrnTableFile), before);
}

TEST_F(DevSelectTest, InBatchTheInputLineIsTheAnswerAndNoWindowOpens) {
  Output();
  // The DEV form takes device strings of long paths.
  const std::string longPath = "/srv/print/spool/" + std::string(60, 'x') + ".txt /LP:5";
  Input({"out.txt /LP:20", "\x1B", "", "DEV", "'" + longPath + "'", "DEV", "\x1B", "LPT2"});
  VarSysIntSet(kSysSysCompat, 4);
  const std::vector<std::string> want = {"out.txt /LP:20", "", "", longPath, "", "LPT2", ""};
  for (const std::string& w : want) {
    SysCompatKeep keep;
    EXPECT_EQ(Select(), w);
    EXPECT_EQ(VarSysIntGet(kSysSysCompat), 4 | kSysCompatPrinters);
  }
  EXPECT_EQ(VarSysIntGet(kSysSysCompat), 4);
  EXPECT_EQ(InputRest(), "<end>");
  EXPECT_FALSE(Shown("DevSel"));
  EXPECT_FALSE(Shown("Dialogx"));
  // One line per answer, a cancel as the ESC line, the DEV form's own line.
  EXPECT_EQ(ReadFile(Path("output.txt")),
            "out.txt /LP:20\r\n\x1B\r\n\x1B\r\nDEV\r\n'" + longPath + "'\r\nDEV\r\n\x1B\r\nLPT2\r\n\x1B\r\n");
}

}  // namespace
