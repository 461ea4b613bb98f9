// The menu bar from menu files and menu trees, and the main window's menu
// events on a window made the way the main window is made.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "screen_fixture.h"
#include "screens/menus/menubar.h"
#include "screens/menus/menucmd.h"
#include "screens/menus/menuevent.h"
#include "screens/menus/menufile.h"
#include "screens/menus/menutree.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldctl.h"
#include "screens/window/winproc.h"
#include "app/hooks.h"
#include "screens/window/winrecord.h"
#include "runtime/sysvars.h"
#include "script/evaluator.h"
#include "script/statements.h"

namespace {

std::string Fixture(const std::string& name) { return std::string(KX_FIXTURES_DIR) + "/menus/" + name; }

// The bar as text: "caption=id" for a command item, "caption{...}" for a popup.
std::string Dump(ui::Hmenu m) {
  std::string out;
  for (const ui::MenuItem& it : ui::menu_items(m)) {
    if (!out.empty()) out += ",";
    out += it.caption;
    out += it.popup ? "{" + Dump(it.popup) + "}" : "=" + std::to_string(it.id);
  }
  return out;
}

std::vector<std::string> ListText(uint16_t list) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < DynStrCount(list); ++i) out.push_back(DynStrGet(list, i).Str());
  return out;
}

void WriteFile(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  fputs(text.c_str(), f);
  fclose(f);
}

class MenuBarTest : public ScreenUiTest {
 protected:
  void UseFixtureDir() { ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(Fixture(""))), 0); }
  // The next box is answered with the button; its text must hold `contains`.
  void ExpectBox(const std::string& contains, int button = ui::IDOK) {
    hl->answer(button);
    boxesExpected.push_back(contains);
  }
  // Every box shown was expected, in order, each once.
  void TearDown() override {
    EXPECT_EQ(hl->boxes().size(), boxesExpected.size());
    for (size_t i = 0; i < boxesExpected.size() && i < hl->boxes().size(); ++i)
      EXPECT_NE(hl->boxes()[i].text.find(boxesExpected[i]), std::string::npos) << hl->boxes()[i].text;
    ScreenUiTest::TearDown();
  }
  std::vector<std::string> boxesExpected;
};

// ---- The reader and the builder ----------------------------------------------

TEST_F(MenuBarTest, ReaderGivesLevelStepsTextsAndCommandFlagsThenItsEndMarker) {
  ASSERT_EQ(MenuFileOpen(S(Fixture("T2MENU"))), 0);
  struct Want {
    int step;
    const char* text;
    int16_t flag;
  } const want[] = {
      {0, "File", 0},
      {1, "Open,ExpEval a=1", -1},
      {0, "More", 0},
      {1, "Deep,ExpEval a=2", -1},
      {-2, "\"Tools, extra\"", 0},  // two levels back at once; the comma is quoted
      {3, "Jump,ExpEval a=3", -1},   // a jump of three
      {-2, "\"Save, then close\",ExpEval a=4", -1},  // the blank line before it is skipped
      {-1, "Info", 0},  // a step of -1 is a step, not the end
  };
  MenuFileStep s = MenuFileItem();
  for (const Want& w : want) {
    EXPECT_EQ(s.end, 0) << w.text;
    EXPECT_EQ(s.levelStep, w.step) << w.text;
    EXPECT_EQ(s.item.text.View(), w.text);
    EXPECT_EQ(s.item.commandFlag, w.flag) << w.text;
    s = MenuFileNext();
  }
  EXPECT_EQ(s.end, -1);
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
}

TEST_F(MenuBarTest, BarFromAMenuFileHangsPopupsUnderTheirCaptionsAndKeepsTheCommandsById) {
  ui::Hmenu bar = AreaBalanced([] { return MenuLoad(S(Fixture("T2MENU") + ",ignored")); });
  ASSERT_NE(bar, 0u);
  // File: a popup closed with its inner popup by the return to level 0;
  // Tools: a jump of three counts as one level; Info: a caption alone.
  EXPECT_EQ(Dump(bar),
            "File{Open=1500,More{Deep=1501}},Tools, extra{Jump=1502,Save, then close=1503},Info{}");
  EXPECT_EQ(ListText(MenuCommandsList),
            (std::vector<std::string>{"ExpEval a=1", "ExpEval a=2", "ExpEval a=3", "ExpEval a=4"}));
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
  EXPECT_EQ(ErrGet(), 0u);
}

TEST_F(MenuBarTest, LoadLooksForTheMenuFileThenTheDefinitionsPlainNameFirst) {
  TempDir cwd;
  std::string old = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  WriteFile(cwd.File("M.PMT"), "Plain,ExpEval p=1\r\n");
  WriteFile(dir.File("M.PMT"), "Dir,ExpEval d=1\r\n");
  WriteFile(cwd.File("M.PPN"), "01 CALLER$:2\r\n02 MENU$:\"Tree,Leaf\":EXEC$:\"'ExpEval t=1'\"\r\n");
  EXPECT_EQ(Dump(MenuLoad(S("M"))), "Plain=1500");
  std::filesystem::remove(cwd.File("M.PMT"));
  EXPECT_EQ(Dump(MenuLoad(S("M"))), "Dir=1500");  // a menu file in the directories before definitions
  std::filesystem::remove(dir.File("M.PMT"));
  EXPECT_EQ(Dump(MenuLoad(S("M"))), "Tree{Leaf=1500}");
  EXPECT_EQ(ListText(MenuCommandsList), std::vector<std::string>{"ExpEval t=1"});
  std::filesystem::remove(cwd.File("M.PPN"));
  EXPECT_EQ(MenuLoad(S("M")), 0u);  // nothing found, nothing queued: no menu
  // Lines still queued from an earlier load make the bar.
  ASSERT_EQ(DynStrPush(FileLinesQueue, S("Queued")), 0);
  ASSERT_EQ(DynStrPush(FileLinesQueue, S("\tLine,ExpEval q=1")), 0);
  MenuReaderReset(FileLinesQueue, 2);
  EXPECT_EQ(Dump(MenuLoad(S("M"))), "Queued{Line=1500}");
  std::filesystem::current_path(old);
}

TEST_F(MenuBarTest, AtMost200CommandItemsTheRestAreLeftOutWithOneError) {
  std::string text = "Many\r\n";
  for (int i = 1; i <= 201; ++i) text += "\tItem " + std::to_string(i) + ",ExpEval a=" + std::to_string(i) + "\r\n";
  text += "Tail\r\n\tAfter,ExpEval b=1\r\n";
  WriteFile(dir.File("MANY.PMT"), text);
  ExpectBox("DATAOUTBOUND(Screens): MANY");
  ui::Hmenu bar = MenuLoad(S("MANY"));
  std::vector<ui::MenuItem> top = ui::menu_items(bar);
  ASSERT_EQ(top.size(), 2u);
  std::vector<ui::MenuItem> many = ui::menu_items(top[0].popup);
  ASSERT_EQ(many.size(), 200u);
  EXPECT_EQ(many.back().id, 1699);
  EXPECT_EQ(many.back().caption, "Item 200");
  EXPECT_EQ(Dump(top[1].popup), "");  // the popup stays, its command does not fit
  EXPECT_EQ(DynStrCount(MenuCommandsList), 200u);
  EXPECT_EQ(DynStrGet(MenuCommandsList, 199).Str(), "ExpEval a=200");
}

TEST_F(MenuBarTest, AMenuTooLargeForTheStoreGivesNoBar) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "Item,ExpEval a=1\r\n";
  WriteFile(dir.File("BIG.PMT"), text);
  ExpectBox("BIG.PMT");
  EXPECT_EQ(MenuLoad(S("BIG")), 0u);
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
}

TEST_F(MenuBarTest, AStringAreaRunningLowEndsTheBuildWithNothingLeftQueued) {
  uint16_t mark = StrAreaMark(-1);
  while (StrAreaRoom(14) == 0) ASSERT_EQ(StrAreaAlloc(1, ' '), 0);  // 13 slots left
  ExpectBox("OUTOFMEMORY");
  ui::Hmenu bar = MenuLoad(S(Fixture("T2MENU")));
  StrAreaMark(mark);
  EXPECT_EQ(Dump(bar), "File{}");  // what came before the end stays
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
  EXPECT_EQ(MenuReaderQueued(), 0u);
}

// ---- Menu trees ------------------------------------------------------------------

TEST_F(MenuBarTest, TreeExpandsCallersLoadsAndDefaultCommandsIntoMenuLines) {
  UseFixtureDir();
  EXPECT_EQ(AreaBalanced([] { return MenuTreeBuild(S(Fixture("MENUS"))); }), 9);
  EXPECT_EQ(ListText(SecondLinesQueue), (std::vector<std::string>{
                                            "Sales",
                                            "\t\"Customers, all\",PrcExec cust.prc",
                                            "\tInvoices,PRCEXEC INV.PRC",  // an unquoted item is upper-cased
                                            "\tStatistics",
                                            "\t\tBy month,Report SALES,11",
                                            "\t\tBy customer,Report SALES,12",
                                            "Reports",
                                            "\tDaily,,1",
                                            "\tMonthly,,2",
                                        }));
  EXPECT_EQ(ParmStrPop(), st::INTERNALERROR);  // every definition pushed was popped
}

TEST_F(MenuBarTest, BarFromATreeAndTheOldParameterNamesOnlyWhileItIsBuilt) {
  UseFixtureDir();
  EXPECT_EQ(Dump(MenuLoad(S("MENUS"))),
            "Sales{Customers, all=1500,Invoices=1501,Statistics{By month=1502,By customer=1503}},"
            "Reports{Daily=1504,Monthly=1505}");
  EXPECT_EQ(DynStrGet(MenuCommandsList, 3).Str(), "Report SALES,12");
  EXPECT_EQ(DynStrCount(SecondLinesQueue), 0u);

  WriteFile(dir.File("OLD.PPN"), "01 MODULOS$:2\r\n02 SUBMENU$:\"Old,Item\":EXEC$:\"'ExpEval o=1'\"\r\n");
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
  VarSysIntSet(kSysCompat, 1);
  EXPECT_EQ(MenuTreeBuild(S("OLD")), 0);  // without the switch the old names are not read
  EXPECT_EQ(Dump(MenuLoad(S("OLD"))), "Old{Item=1500}");
  EXPECT_EQ(VarSysIntGet(kSysCompat), 1);
}

TEST_F(MenuBarTest, ACycleOrAMissingTagEndsTheTreeWithNothingQueued) {
  UseFixtureDir();
  EXPECT_EQ(MenuTreeBuild(S(Fixture("LOOP"))), 0xFFFF);
  EXPECT_EQ(ErrGet() & 0xFFFF, st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "2");  // the tag met once too deep
  EXPECT_EQ(DynStrCount(SecondLinesQueue), 0u);
  EXPECT_EQ(ParmStrPop(), st::INTERNALERROR);
  ErrClear();
  WriteFile(dir.File("HOLE.PPN"), "01 CALLER$:\"2,9\"\r\n02 MENU$:\"Here,One\"\r\n");
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
  EXPECT_EQ(MenuTreeBuild(S("HOLE")), 0xFFFF);
  EXPECT_EQ(ErrGet() & 0xFFFF, st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "HOLE.PPN");
  EXPECT_EQ(DynStrCount(SecondLinesQueue), 0u);
  ErrClear();
  ExpectBox("HOLE.PPN");
  EXPECT_EQ(MenuLoad(S("HOLE")), 0u);  // no bar from a tree that failed
}

}  // namespace

namespace {

// ---- The main window ----------------------------------------------------------

class MainWindowTest : public MenuBarTest {
 protected:
  void SetUp() override {
    MenuBarTest::SetUp();
    WinProcReset();
    MenuAppTasksSet(nullptr, nullptr);
    MenuCmdHookSet(nullptr);
    WriteFile(dir.File("MAIN.PMT"),
              "File\r\n\tRun,ExpEval a=7\r\n\tChoose,PrcExec *.PRC\r\nHelp,Help\r\n");
    WriteTagged("MAIN.PPN", {"FD$:A"});
    WriteTagged("MAIN.PAN", {"10203000004A"});
  }
  void TearDown() override {
    MenuCmdHookSet(nullptr);
    MenuBarTest::TearDown();
  }
  // The main window as the start-up makes it: kind 11 with the bar of the
  // menu file, the screen of the same name, the menu event as the action
  // handler of its record.
  ui::Hwnd OpenMain() {
    ui::Hmenu bar = MenuLoad(S("MAIN"));
    EXPECT_NE(bar, 0u);
    ui::Hwnd main = WinCreateKind(kWinKindMain, 0, S("Main"), 0, -1, -1, MainWndProc, bar);
    EXPECT_NE(main, 0u);
    EXPECT_EQ(ScreenCreate(S("MAIN"), S("MAIN"), 1, 0, S("")), 0);
    ScreenActionSet(MenuEvent, nullptr, nullptr);
    WinShowState(kWinShowNow);
    return main;
  }
  void OpenSecondScreen() {
    WriteTagged("TWO.PPN", {"FD$:B"});
    Window();
    ASSERT_EQ(ScreenCreate(S("TWO"), S("TWO"), 1, 0, S("")), 0);
    WinShowState(kWinShowNow);  // shown and active
  }
};

TEST_F(MainWindowTest, AMenuStepRunsItsCommandAndAnsweredYesTheCloseEndsEveryWindow) {
  ui::Hwnd main = OpenMain();
  hl->menu("File>Run").close();
  ExpectBox("Close Program? (1 Screens, 1 Windows)", ui::IDYES);
  EXPECT_EQ(WinRunModal(0), 0);
  EXPECT_EQ(ExpEvalInt(S("a")), 7);
  EXPECT_FALSE(ui::is_window(main));
  EXPECT_EQ(ScreenStackIndex(3), 0);  // no window record left
  EXPECT_EQ(ScreenStackIndex(1), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
}

TEST_F(MainWindowTest, WithASecondScreenOpenTheCloseWarnsAndStays) {
  ui::Hwnd main = OpenMain();
  OpenSecondScreen();
  ExpectBox("There are windows open (2 Screens, 2 Windows)");
  ui::set_focus(main);  // the person goes back to the main window and closes it
  EXPECT_EQ(ScreenStackIndex(2), 0);
  ui::send(main, ui::WM_CLOSE);
  EXPECT_TRUE(ui::is_window(main));
  EXPECT_EQ(ScreenStackIndex(3), 2);
  EXPECT_EQ(hl->boxes().size(), 1u);
}

TEST_F(MainWindowTest, AuxStatBit32ClosesWithoutAsking) {
  ui::Hwnd main = OpenMain();
  VarSysIntSet(kSysAuxStat, 32);
  ui::send(main, ui::WM_CLOSE);
  EXPECT_FALSE(ui::is_window(main));
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_TRUE(hl->boxes().empty());
}

TEST_F(MainWindowTest, TheChooserOfAPatternRunsTheChosenOneAndHelpSaysThereIsNoPage) {
  WriteFile(dir.File("A.PRC"), "; TITLE$:'First'\r\nx=WRITE('" + dir.File("a.txt") + "';-3;'ran')\r\n");
  WriteFile(dir.File("B.PRC"), "; TITLE$:'Second'\r\nx=WRITE('" + dir.File("b.txt") + "';-3;'ran')\r\n");
  ui::Hwnd main = OpenMain();
  hl->menu("File>Choose");  // PrcExec *.PRC: the chooser, a choice window over the titles
  hl->wait_top("Target File").key(ui::VK_DOWN).key(ui::VK_RETURN);  // "Second"
  hl->wait_top("Target File").key(ui::VK_ESCAPE);                   // it comes back: nothing more
  hl->menu("Help");  // no identity with a family word, no local pages
  ExpectBox("Help Page not defined\r\nindex.html");
  hl->menu("File>Run").close();
  ExpectBox("Close Program?", ui::IDYES);
  EXPECT_EQ(WinRunModal(0), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.txt")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("b.txt")));
  EXPECT_EQ(ExpEvalInt(S("a")), 7);  // the item after Help still runs
  EXPECT_FALSE(ui::is_window(main));
}

class MainWindowSignalTest : public MainWindowTest {
 protected:
  void SetUp() override {
    setenv("KX_UI", "headless", 1);
    MainWindowTest::SetUp();
    ASSERT_EQ(AppInstanceInit(nullptr, nullptr, nullptr), 0);
    unsetenv("KX_UI");
    Backend();  // the test's own back end again
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
  }
  void TearDown() override {
    AppSignalsRestore();
    MainWindowTest::TearDown();
  }
};

TEST_F(MainWindowSignalTest, ANotedSigtermClosesUnaskedAndNeverOverOpenWork) {
  ui::Hwnd main = OpenMain();
  OpenSecondScreen();
  std::raise(SIGTERM);
  EXPECT_EQ(ExitConfirm(), 0);  // a second screen: stay, and ask nobody
  ASSERT_EQ(WinRecordClose(1), 0);
  EXPECT_EQ(WinRunModal(0), 0);  // the signal's close request reaches the main window
  EXPECT_FALSE(ui::is_window(main));
  EXPECT_TRUE(hl->boxes().empty());
}

// The application's open work: File>Run finishes it.
Status g_openWork = 0;
Status OpenWork() { return g_openWork; }

// The signal's close is refused while the application has work open, and
// nobody is asked. That ends the request: the person's own closes afterwards
// warn (0032) and, once the work is done, ask (0033).
TEST_F(MainWindowSignalTest, ARefusedSignalCloseLeavesLaterClosesToAsk) {
  ui::Hwnd main = OpenMain();
  g_openWork = 2;
  MenuAppTasksSet(nullptr, OpenWork);
  MenuCmdHookSet([](int, StrValue) -> Status { return g_openWork = 0; });
  std::raise(SIGTERM);
  hl->advance(1).close();  // the request has ended; the person closes the window
  ExpectBox("There are windows open (2 Screens, 2 Windows)");
  hl->menu("File>Run").close();
  ExpectBox("Close Program? (0 Screens, 0 Windows)", ui::IDYES);
  EXPECT_EQ(WinRunModal(0), 0);
  EXPECT_FALSE(ui::is_window(main));
  EXPECT_EQ(AppCloseSignalled(), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
}

}  // namespace

namespace {

// ---- The demo applications' start menus ------------------------------------------

struct DemoMenu {
  const char* folder;
  const char* menu;
  const char* bar;
  const char* second;  // what the second calculation writes
  int chooser, today, font;  // the ids of "Choose a calculation", "Date of today" and "Screen font"
  const char* identity;
  int about;           // the id of Help>About
};

void PrintTo(const DemoMenu& d, std::ostream* os) { *os << d.folder; }

class DemoMenuTest : public MenuBarTest, public ::testing::WithParamInterface<DemoMenu> {
 protected:
  void SetUp() override {
    MenuBarTest::SetUp();
    std::filesystem::copy(std::string(KX_SOURCE_DIR) + "/apps/" + GetParam().folder + "/demo", dir.path(),
                          std::filesystem::copy_options::recursive);
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    MenuAppTasksSet(nullptr, nullptr);
    MenuCmdHookSet(nullptr);
    ExecRunUtilsInit();
    LayerHooksRegister();  // the demo procedures show what they wrote in the report window
  }
  void TearDown() override {
    std::filesystem::current_path(old);
    MenuCmdHookSet(nullptr);
    MenuBarTest::TearDown();
  }
  // Runs the command item of the id as the main window's menu event does.
  Status Choose(int id) { return MenuEvent(static_cast<uint16_t>((id - kMenuFirstId) << 8 | kMenuActionItem)); }
  std::string old;
};

// (The Transfers entries work on the demo's records: tests/e2e/trans_demo.sh
// chooses them from the menu bar of the programs.)
TEST_P(DemoMenuTest, EveryEntryRunsOrShowsWhatItWaitsFor) {
  ui::Hmenu bar = MenuLoad(StrFromC(GetParam().menu));
  EXPECT_EQ(Dump(bar), GetParam().bar);
  hl->wait_top("Report").key(ui::VK_ESCAPE);  // the report window showing what was written
  EXPECT_EQ(Choose(1500), 0);  // the demo procedure
  EXPECT_TRUE(std::filesystem::exists(dir.File("demo.txt")));
  ExpectBox("(written to today.txt)");
  EXPECT_EQ(Choose(GetParam().today), 0);  // a procedure that says what it wrote
  EXPECT_TRUE(std::filesystem::exists(dir.File("today.txt")));
  // The chooser of the calculations: the second one, then nothing more.
  hl->key(ui::VK_DOWN).key(ui::VK_RETURN).wait_top("Target File").key(ui::VK_ESCAPE);
  EXPECT_EQ(Choose(GetParam().chooser), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.File(GetParam().second)));
  // The font list: the second font becomes the first.
  hl->key(ui::VK_DOWN).key(ui::VK_RETURN);
  EXPECT_EQ(Choose(GetParam().font), 0);
  std::ifstream in(dir.File("KXFONT.PPN"), std::ios::binary);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "16;8;;Courier New\r");
  // Help: the About box, then the maker's pages of the family word.
  ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S(GetParam().identity)), 0);
  ASSERT_EQ(DynStrSet(SettingsList, SetTitleItem, S("Demo")), 0);
  ExpectBox(std::string(GetParam().identity) + " (framework build 1.0)\r\n2");
  EXPECT_EQ(Choose(GetParam().about), 0);
  EXPECT_EQ(Choose(GetParam().about + 1), 0);
  ASSERT_EQ(hl->viewers().size(), 1u);
  EXPECT_NE(hl->viewers()[0].find("\"http://www.fenwold.example/Orbisquale\""), std::string::npos);
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(WinCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, DemoMenuTest,
    ::testing::Values(DemoMenu{"accounting", "C2MENU",
                               "Procedures{Loan schedule=1500,Totals by group=1501,Balances=1502,Account ledger=1503,"
                               "Progress window=1504,Calculations{Choose a calculation=1505,"
                               "Date of today=1506}},Options{Screen font=1507},Print{Test page=1508,"
                               "Trial balance=1509,Trial balance to file=1510,Trial balance to PDF=1511},"
                               "Tools{Account balance=1512,Balance period=1513,Balances of the period=1514,"
                               "Renumber entries=1515,Rebuild a file=1516},"
                               "Files{Accounts=1517,Entry lines=1518,Entries=1519},Transfers{Export accounts=1520,Import accounts=1521,Transactions{"
                               "Export Relative=1522,Export Secuential=1523,Export Delimited=1524,Export List=1525,Import Relative=1526,Import Secuential=1527,Import Delimited=1528,Counter=1529,Self Update=1530,Relational Update=1531,Deletion=1532},"
                               "Saved transactions=1533},"
                               "Year end{Close year=1534,Undo year close=1535,Regenerate balances=1536},"
                               "Help{About=1537,Help=1538}",
                               "interest.txt", 1505, 1506, 1507, "COVCQT24:Orbisquale", 1537},
                      DemoMenu{"administration", "G2MENU",
                               "Procedures{Invoice draft=1500,Sales by customer=1501,Progress window=1502,"
                               "Calculations{Choose a calculation=1503,Date of today=1504}},"
                               "Options{Screen font=1505},Print{Test page=1506,Print invoice=1507,Invoice 5=1508,"
                               "Invoice 5 to PDF=1509},Files{Customers=1510,Bank details=1511,Invoices=1512},"
                               "Documents{Invoices=1513,Delivery notes=1514,Collections=1515},"
                               "Tools{Amount in words=1516,Customer card=1517,Invoicing run=1518,"
                               "Payment schedule=1519,Rebuild a file=1520},"
                               "Transfers{Export customers=1521,Transactions{"
                               "Export Relative=1522,Export Secuential=1523,Export Delimited=1524,Export List=1525,Import Relative=1526,Import Secuential=1527,Import Delimited=1528,Counter=1529,Self Update=1530,Relational Update=1531,Deletion=1532},"
                               "Saved transactions=1533},Help{About=1534,Help=1535}",
                               "vat.txt", 1503, 1504, 1505, "GAVGQT24:Orbisquale", 1534}));

}  // namespace
