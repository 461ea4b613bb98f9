#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/startup.h"
#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "screens/menus/menuevent.h"
#include "screens/window/winlist.h"
#include "script/taskhooks.h"
#include "runtime/dynstrings.h"
#include "support/bmp_fixture.h"
#include "support/runtime_fixture.h"

namespace {

TEST(ExitCode, FinalCodeBelow128GivesZeroAboveGivesTheCode) {
  const struct {
    unsigned code;
    int want;
  } cases[] = {{0, 0}, {1, 0}, {122, 0}, {127, 0}, {128, 128}, {164, 164}, {255, 255}, {65535, 255}};
  for (const auto& c : cases) EXPECT_EQ(ExitCodeOf(c.code), c.want) << c.code;
}

TEST(TaskStubs, AnswerFeatureRemoved) {
  EXPECT_EQ(TaskStub(25), st::FEATUREREMOVED);
  EXPECT_EQ(TaskClose(25), st::FEATUREREMOVED);
  EXPECT_EQ(TaskLowLevel(25), st::FEATUREREMOVED);
}

// AppMain makes the program's default directory (its /DPATH) the current
// one; a test puts the folder it started in back when it ends, before its
// temporary folders go, so the tests after it do not run in a deleted folder.
class KeepCurrentPath {
 public:
  ~KeepCurrentPath() {
    std::error_code ec;
    std::filesystem::current_path(at_, ec);
    EXPECT_FALSE(ec) << at_;
  }

 private:
  std::filesystem::path at_ = std::filesystem::current_path();
};

}  // namespace

// The whole life of a program: a data file its application left open is
// closed, its index saved, before the shutdown (the run is marked closed
// and phase 3 runs after that).
namespace {

std::string g_dataDir;
bool g_openAtPhase3 = true;
std::string g_indexAtPhase3;

int PhaseOpensAFile(int phase) {
  if ((phase & 15) == 2) {
    if (DataFileOpen(1, 0) >= 128) return 141;
    if (DataFileMove(1, dfmove::kNew) != dfres::kNewRecord) return 141;
    if (RecFieldSet(1, 1, StrFromC("K1")) != 0 || DataFileInsert(1) != 0) return 141;
  }
  if (phase == 3) {
    DataStore* store = DataFileStore(1);
    g_openAtPhase3 = store && store->IsOpen();
    std::ifstream in(g_dataDir + "/ITEMS.DIR", std::ios::binary);
    g_indexAtPhase3.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return 0;
}

Status DispatchAll(int code, StrValue rest) { return MenuCmdDispatch(code, rest); }

TEST(AppMainShutdown, ClosesDataFilesBeforeTheEnd) {
  TempDir dir;
  KeepCurrentPath keep;
  g_dataDir = dir.path();
  std::ofstream(dir.File("TTDICC.DAT")) << "01 Items*" << dir.path() << "*01ITEMS\n01       004 ACODE\n";
  const AppConstants app = {"TTXX:Test", "Test", "", kStartLoadDictionary, PhaseOpensAFile, DispatchAll};
  std::string line = "test /DPATH:\"" + dir.path() + "\" /RUN:\"ExpEval 1\"";
  EXPECT_EQ(AppMain(nullptr, app, line.c_str()), 0);
  AppSignalsRestore();
  EXPECT_FALSE(g_openAtPhase3);
  const char one[] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};  // F 0, N 1, key 1: record 0
  EXPECT_EQ(g_indexAtPhase3, std::string(one, sizeof one));
  RuntimeReset();
}

}  // namespace

// The main window of a whole start-up, headless under a UI script: its
// background picture is the program's bitmap 102 when the program carries
// one, else "logo_partner.bmp" of the application folder at its one size,
// else the start ends with 174 naming that file, leaving no window behind.
namespace {

std::vector<int> g_phases;
std::string g_defaultDir;

int PhaseSpy(int phase) {
  g_phases.push_back(phase);
  if ((phase & 15) == 2) g_defaultDir = DynStrGet(SettingsList, SetDefaultDirItem).Str();
  return 0;
}

class MainWindowStart : public ::testing::Test {
 protected:
  void SetUp() override {
    g_phases.clear();
    g_defaultDir.clear();
    std::filesystem::current_path(dir.path());
    std::ofstream(dir.File("TTDICC.DAT")) << "01 Items*" << dir.path() << "*01ITEMS\n01       004 ACODE\n";
    std::ofstream(dir.File("T2MENU.PMT"), std::ios::binary) << "File\r\n\tRun,ExpEval a=1\r\n";
    std::ofstream(dir.File("T2MENU.PAN"), std::ios::binary) << "00 00101<?>\r\n";
  }
  void TearDown() override {
    for (const char* name : {"KX_UI", "KX_UI_STALL", "KX_UI_SCRIPT", "KX_UI_TRANSCRIPT"}) unsetenv(name);
    ui::set_bitmap_resources(nullptr, 0);
    RuntimeReset();
  }
  // Runs the program with the UI steps and the options; answers the exit code.
  int Run(const std::string& steps, const ui::BitmapResource* bitmaps, const std::string& options = "") {
    std::ofstream(dir.File("ui.txt")) << steps;
    setenv("KX_UI", "headless", 1);
    setenv("KX_UI_STALL", "fail", 1);
    setenv("KX_UI_SCRIPT", dir.File("ui.txt").c_str(), 1);
    setenv("KX_UI_TRANSCRIPT", dir.File("transcript.txt").c_str(), 1);
    const AppConstants app = {"TTXX:Test", "Test", "T2MENU", kStartLoadDictionary, PhaseSpy, DispatchAll,
                              bitmaps, bitmaps ? 1u : 0u};
    std::string line = "test /DPATH:\"" + dir.path() + "\" " + options;
    int code = AppMain(nullptr, app, line.c_str());
    AppSignalsRestore();
    std::ifstream in(dir.File("transcript.txt"));
    transcript.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return code;
  }
  bool Shows(const std::string& text) const { return transcript.find(text) != std::string::npos; }
  TempDir dir;
  KeepCurrentPath keep;  // after dir: the folder is left before it goes
  std::string transcript;
};

const std::string kCloseYes = "wait-top class=TTXX\nclose\nanswer Yes match \"Close Program?\"\n";
const std::string kPicture = BmpBytes(4, 2);
const ui::BitmapResource kLogo[] = {{102, "Test logo", reinterpret_cast<const unsigned char*>(kPicture.data()),
                                     kPicture.size()}};

TEST_F(MainWindowStart, TheProgramsOwnPictureNeedsNoFile) {
  EXPECT_EQ(Run(kCloseYes, kLogo), 0);
  EXPECT_TRUE(Shows("create #1 class=\"TTXX\" title=\" Test  |")) << transcript;
  EXPECT_TRUE(Shows("menu=\"File\"")) << transcript;
  EXPECT_TRUE(Shows("show #1 max")) << transcript;
  EXPECT_TRUE(Shows("image #2 resource=102 name=\"Test logo\" size=4x2")) << transcript;
  EXPECT_EQ(g_phases, (std::vector<int>{33, 34, 3}));
}

TEST_F(MainWindowStart, WithoutItThePictureFileOfItsOneSizeOrElse174) {
  const struct {
    const char* id;
    std::string file;  // logo_partner.bmp, none when empty
    int exit;
  } cases[] = {
      {"exact size", BmpBytes(1422, 64), 0},
      {"no file", "", 174},
      {"another size", BmpBytes(1422, 65), 174},
      {"no picture at that size", std::string(273206, 'B'), 174},
  };
  ASSERT_EQ(cases[0].file.size(), 273206u);
  for (const auto& c : cases) {
    std::filesystem::remove(dir.File("logo_partner.bmp"));
    if (!c.file.empty()) std::ofstream(dir.File("logo_partner.bmp"), std::ios::binary) << c.file;
    g_phases.clear();
    std::string steps = c.exit ? "answer OK match \"logo_partner.bmp\"\n" : kCloseYes;
    EXPECT_EQ(Run(steps, nullptr), c.exit) << c.id << "\n" << transcript;
    if (c.exit == 0) {
      EXPECT_TRUE(Shows("image #2 file=\"" + dir.File("logo_partner.bmp") + "\" name=\"logo_partner.bmp\" size=1422x64"))
          << c.id << "\n" << transcript;
    } else {
      EXPECT_TRUE(Shows("text=\"Error User Check Fail(Screens): logo_partner.bmp\" -> OK")) << c.id << "\n" << transcript;
      EXPECT_FALSE(Shows("image #")) << c.id;
      EXPECT_TRUE(Shows("destroy #1")) << c.id;  // the window made is taken down again
    }
    EXPECT_EQ(g_phases, (std::vector<int>{33, 34, 3})) << c.id;
  }
}

TEST_F(MainWindowStart, AGivenDpathIsTheDefaultDirectoryEvenWithTheDictionaryAtHand) {
  // The dictionary lies in the current directory as well as in DPATH's
  // folder, so it loads at the first try: DPATH is still the default folder.
  TempDir other;
  std::filesystem::copy_file(dir.File("TTDICC.DAT"), other.File("TTDICC.DAT"));
  const AppConstants app = {"TTXX:Test", "Test", "", kStartLoadDictionary, PhaseSpy, DispatchAll};
  std::string line = "test /DPATH:\"" + other.path() + "\" /RUN:\"ExpEval 1\"";
  setenv("KX_UI", "headless", 1);
  EXPECT_EQ(AppMain(nullptr, app, line.c_str()), 0);
  AppSignalsRestore();
  EXPECT_EQ(g_defaultDir, other.path());
}

}  // namespace
