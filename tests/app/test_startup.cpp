#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/startup.h"
#include "data/datafile.h"
#include "data/recbuf.h"
#include "screens/menuevent.h"
#include "screens/winlist.h"
#include "script/taskhooks.h"
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
