// Shared set-up of the relation and action tests. AppTest: a runtime with
// the system variables and a private directory. RelationTest: an
// application "TT" in that directory with two data files,
//   1 LINES   DOC A6, LIN A3, NOTE A5, AMOUNT N8   key 1 DOC+LIN
//   2 TOTALS  DOC A6, TOTAL N10                    key 1 DOC
// relation 1 of LINES reaching TOTALS by DOC{1} (2R1K1), and a relation file
// written by each test.
#pragma once
#include <cstring>
#include <fstream>
#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue Sv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
inline StrValue Sv(const char* s) { return StrMake(s, static_cast<uint32_t>(std::strlen(s))); }

// A runtime with the system variables, control blocks reset, and an
// application identity and data directory.
class AppTest : public RuntimeTest {
 protected:
  TempDir dir;

  void SetUp() override {
    RuntimeTest::SetUp();
    if (!DynStrReady()) {
      ASSERT_EQ(DynStrInit(), 0);
    }
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
  }
  void TearDown() override {
    DataFileCloseAll();
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
  void App(const std::string& identity, const std::string& dataDir) {
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, Sv(identity)), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, Sv(dataDir)), 0);
  }
  int64_t Units(const std::string& text) { return ExpEvalNum(Sv(text)) / 100; }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir.File(name), std::ios::binary) << text;
  }
  Status Eval(const std::string& text) { return ExpEvalStatus(Sv(text)); }
  std::string Str(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    std::string out = ExpEvalStr(Sv(text)).Str();
    StrAreaMark(m);
    return out;
  }
};

class RelationTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    App("TT:Test", dir.path());
    Write("TTDICC.DAT",
          "01 Lines**01LINES\n"
          "01       006 ADOC\n"
          "01       003 ALIN\n"
          "01       005 ANOTE\n"
          "01       008 NAMOUNT\n"
          "02 Totals**01TOTALS\n"
          "02       006 ADOC\n"
          "02       010 NTOTAL\n"
          "31 <00010060007003\n"
          "32 <0001006\n");
    Write("TTREL.DAT", "61 Lines:2R1K1=DOC{1}\n");
    ASSERT_EQ(DicLoad(Sv(dir.path()), Sv("TT"), Sv(dir.path())), 0) << ErrDetail().Str();
    ASSERT_EQ(DataFileOpen(2, 0), dfres::kEnd);
    ASSERT_EQ(DataFileOpen(1, 8), dfres::kEnd);
  }

  // A new record in file n from field assignments.
  void Fill(int n, const std::string& assignments) {
    ASSERT_EQ(DataFileMove(n, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(Eval(assignments), 0) << assignments;
  }
  // The live records of file n in key order, as their first `width` bytes;
  // the file's position and buffers are left as they were.
  std::string Keys(int n, size_t width) {
    DataStoreState state;
    EXPECT_EQ(DataFileCtrlSave(&state, n, nullptr), 0);
    std::string out;
    for (Status s = DataFileMove(n, dfmove::kFirst); s == 0; s = DataFileMove(n, dfmove::kNext)) {
      if (!out.empty()) out += ',';
      std::string rec = RecBuf(n, 1).Str().substr(0, width);
      out += rec.substr(0, rec.find_last_not_of(' ') + 1);
    }
    EXPECT_EQ(DataFileCtrlSave(nullptr, n, &state), 0);
    return out;
  }
};
