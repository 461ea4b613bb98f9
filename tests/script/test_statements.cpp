// The framework's statement handlers: the chain of six slots, the statements
// that answer 148 until their layer registers them, and KILL, SYSTEM and
// FILESELECT's file dialog.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "prc_fixture.h"
#include "script/statements.h"
#include "support/headless_fixture.h"

namespace {

class StmtTest : public PrcTest {
 protected:
  void SetUp() override {
    PrcTest::SetUp();
    hl = HeadlessInstall(&reports);
    ExecRunUtilsInit();
  }
  void TearDown() override {
    ui::shutdown();
    PrcTest::TearDown();
  }
  int Stat() { return VarSysIntGet(kSysStat); }
  std::vector<std::string> Results() {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < DynStrCount(ResultsStack); ++i) out.push_back(DynStrGet(ResultsStack, i).Str());
    return out;
  }

  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(StmtTest, EveryCodeReachesTheHandlerOfItsSlot) {
  const ExecHandler bySlot[] = {ExecRunDevices, ExecRunStruct, ExecRunScreen,
                                ExecRunReport,  ExecRunTrans,  ExecRunUtils};
  for (uint16_t slot = 0; slot < 6; ++slot) EXPECT_EQ(ExecHandlerFind(slot), bySlot[slot]) << slot;
  EXPECT_EQ(ExecHandlerFind(6), nullptr);
  // Each code without its implementation names the handler that owns it.
  const char* const owner[] = {
      "ExecRunScreen ACCEPT",     "ExecRunScreen BOUNDS",    "ExecRunScreen COLOR",
      "ExecRunTrans CONNECT",     "ExecRunDevices DEVICE",   "ExecRunDevices DLOCATE",
      "ExecRunDevices DPRINT",    "ExecRunDevices ENDDEVICE", "ExecRunTrans EXPORT",
      "ExecRunUtils FILESELECT",  "ExecRunTrans IMPORT",     "ExecRunDevices KILL",
      "ExecRunStruct LOADSTRUCT", "ExecRunScreen LOCATE",    "ExecRunScreen MESSAGE",
      "ExecRunScreen PRINT",      "ExecRunUtils SHELL",      "ExecRunScreen READ",
      "ExecRunTrans REMOTE",      "ExecRunReport REPORT",    "ExecRunReport DOCPRINT",
      "ExecRunScreen WAIT",       "ExecRunScreen WINMENU",   "ExecRunScreen WINOPEN",
      "ExecRunScreen WINCLOSE",   "ExecRunScreen WINSELECT", "ExecRunScreen WINPROG",
      "ExecRunStruct RC_DELETE",  "ExecRunStruct RC_INSERT", "ExecRunStruct RC_UPDATE",
      "ExecRunStruct RC_WRITE",   "ExecRunStruct FILESTRUCT", "ExecRunUtils FILESCAN",
      "ExecRunUtils STATSTEPS",   "ExecRunDevices SYSTEM",
  };
  static_assert(sizeof owner / sizeof owner[0] == kPrcLastHandler - kPrcFirstHandler + 1);
  for (uint16_t code = kPrcFirstHandler; code <= kPrcLastHandler; ++code) {
    ExecStatement kept = ExecStatementFind(code);
    ExecStatementSet(code, nullptr);
    ErrClear();
    EXPECT_EQ(ExecHandlerCall(code, ExecArgs{}), st::FEATUREREMOVED) << code;
    EXPECT_EQ(Detail(), owner[code - kPrcFirstHandler]) << code;
    ExecStatementSet(code, kept);
  }
  EXPECT_EQ(ExecHandlerCall(kPrcLastHandler + 1, ExecArgs{}), st::SINTAXERROR);  // past the chain
  EXPECT_EQ(ExecStatementSet(kPrcLastHandler + 1, nullptr), st::SINTAXERROR);
  ExpectBalanced();
}

TEST_F(StmtTest, RemovedAndWaitingStatementsStopTheRunWithTheirDetail) {
  struct Case {
    const char* source;
    const char* detail;
  } cases[] = {
      {"CONNECT 'db'\n", "ExecRunTrans CONNECT\r\nLine: 1 (+ remmarks):\r\nCONNECT 'db'"},
      {"i=1\nREMOTE\n", "ExecRunTrans REMOTE\r\nLine: 2 (+ remmarks):\r\nREMOTE "},
      {"SHELL 'ls'\n", "ExecRunUtils SHELL\r\nLine: 1 (+ remmarks):\r\nSHELL 'ls'"},
      {"WINSELECT 1\n", "ExecRunScreen WINSELECT\r\nLine: 1 (+ remmarks):\r\nWINSELECT 1"},
  };
  // A statement whose implementation is not registered waits like the
  // removed ones.
  ExecStatement kept = ExecStatementFind(kStmtWinSelect);
  ExecStatementSet(kStmtWinSelect, nullptr);
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.source), st::FEATUREREMOVED) << c.source;
    EXPECT_EQ(Detail(), c.detail) << c.source;
  }
  ExecStatementSet(kStmtWinSelect, kept);
  EXPECT_EQ(Run("KILL\n"), st::SINTAXERROR);  // too few arguments
}

TEST_F(StmtTest, KillDeletesTheExpandedNameAndSystemReportsTheExitStatus) {
  const char* old = std::getenv("TEMP");
  std::string saved = old ? old : "";
  setenv("TEMP", dir_.path().c_str(), 1);
  std::ofstream(dir_.File("Gone.txt")) << "x";
  struct Case {
    std::string source;
    int stat;
  } cases[] = {
      {"KILL '%TEMP%\\GONE.TXT'\n", 0},
      {"KILL '%TEMP%\\GONE.TXT'\n", 65535},  // already gone
      {"SYSTEM 'exit 3'\n", st::SYSTEMCMDERROR},
      {"SYSTEM 'cat; echo \"a  b\" > ' + '" + dir_.File("out.txt") + "'\n", 0},
      {"SYSTEM 'no-such-command-here'\n", st::SYSTEMCMDERROR},  // the shell's 127
      {"SYSTEM 3,'%TEMP%\\report.pdf'\n", 0},  // a headless run records the viewer
  };
  for (const Case& c : cases) {
    VarSysIntSet(kSysStat, -1);
    EXPECT_EQ(Run(c.source), 0) << c.source << Detail();
    EXPECT_EQ(static_cast<uint16_t>(Stat()), c.stat) << c.source;
  }
  if (old) setenv("TEMP", saved.c_str(), 1);
  else unsetenv("TEMP");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Gone.txt")));
  std::ifstream in(dir_.File("out.txt"));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "a  b");
  ASSERT_EQ(hl->viewers().size(), 1u);
  EXPECT_NE(hl->viewers()[0].find(dir_.path() + "\\\\report.pdf"), std::string::npos) << hl->viewers()[0];
  EXPECT_TRUE(reports.empty());
}

// SYSTEM returns when the shell does: a job it left in the background
// does not hold the procedure; it costs no more than 100 ms over a plain
// command (the best of three runs each, so that a busy machine does not
// decide).
TEST_F(StmtTest, SystemDoesNotWaitForABackgroundJob) {
  auto best = [&](const std::string& source) {
    auto least = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < 3; ++i) {
      auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(Run(source), 0) << Detail();
      least = std::min(least, std::chrono::steady_clock::now() - start);
      EXPECT_EQ(Stat(), 0) << source;
    }
    return least;
  };
  auto plain = best("SYSTEM 'true'\n");
  EXPECT_LT(best("SYSTEM 'sleep 4 &'\n"), plain + std::chrono::milliseconds(100));
}

TEST_F(StmtTest, FileSelectKeepsTheChosenNameOnTheResultsStack) {
  hl->dialog("first.pan").dialog("second.pan").dialog("");
  ASSERT_EQ(Run("FILESELECT 2\n"), 0) << Detail();
  EXPECT_EQ(Results(), std::vector<std::string>{"first.pan"});  // pushed on the empty stack
  DynStrPush(ResultsStack, StrFromC("placeholder"));
  ASSERT_EQ(Run("FILESELECT '8',0\n"), 0) << Detail();
  EXPECT_EQ(Results(), (std::vector<std::string>{"first.pan", "second.pan"}));  // in place of the top
  ASSERT_EQ(Run("FILESELECT 2\n"), 0);  // cancelled: nothing changes
  EXPECT_EQ(Results(), (std::vector<std::string>{"first.pan", "second.pan"}));
  ASSERT_EQ(hl->dialogs().size(), 3u);
  EXPECT_EQ(hl->dialogs()[1].request.filters[0].caption, "Text Files (*.TXT)");
  EXPECT_TRUE(reports.empty());
  DynStrClear(ResultsStack);
  ExpectBalanced();
}

}  // namespace
