// Shared set-up of the transaction tests: as the rebuild tests, the process
// works in a private directory (lock markers, the run status file and the
// run journal live in the current directory), with its own temporary
// directory, the identity "TT" and two data files:
//   1 CUST    CODE A6, NAME A30, CITY A20, BALANCE 2 (12), SINCE D8 (76
//             bytes); key 1 CODE, key 2 CITY
//   2 TOTALS  CITY A20, TOTAL 2 (14), N N6 (40 bytes); key 1 CITY
//   3 ARCHIVE CODE A6, NAME A30; its default key
// Relation 1 of CUST reaches TOTALS by CITY{1}; the relation statements
// keep each city's total balance and customer count (TOTALS must be open
// for them, as a procedure opens it).
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/bridges/dataui.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/journal.h"
#include "data/store/reccheck.h"
#include "data/store/recio.h"
#include "data/transactions/trans.h"
#include "pack_fixture.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"

constexpr uint32_t kCustLen = 76;
constexpr uint32_t kTotalsLen = 40;

// A CUST record as stored.
inline std::string Cust(const std::string& code, const std::string& name, const std::string& city,
                        const std::string& balance, const std::string& since) {
  auto pad = [](std::string s, size_t n, bool right = false) {
    if (s.size() >= n) return s.substr(0, n);
    return right ? std::string(n - s.size(), ' ') + s : s + std::string(n - s.size(), ' ');
  };
  return pad(code, 6) + pad(name, 30) + pad(city, 20) + pad(balance, 12, true) + pad(since, 8);
}

class TransTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    std::filesystem::create_directory(dir.File("tmp"));
    const char* t = std::getenv("TEMP");
    oldTemp = t ? t : "";
    hadTemp = t != nullptr;
    setenv("TEMP", dir.File("tmp").c_str(), 1);
    TaskHooksReset();
    ASSERT_EQ(DicTruncate(0), 0);
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("TTXX:Test")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
    Write("TTDICC.DAT", {"01 Customers*" + dir.path() + "*01CUST", "01 CODE  006 ACODE", "01 NAME  030 ANAME",
                         "01 CITY  020 ACITY", "01 BALAN 012 2BALANCE", "01 SINCE 008 DSINCE", "31 code <0001006",
                         "31 city <0037020", "02 Totals*" + dir.path() + "*01TOTALS", "02 CITY  020 ACITY",
                         "02 TOTAL 014 2TOTAL", "02 N     006 NN", "32 city <0001020",
                         "03 Archive*" + dir.path() + "*01ARCHIVE", "03 CODE  006 ACODE", "03 NAME  030 ANAME"});
    Write("TTREL.DAT", {"61 Customers:2R1K1=CITY{1}"});
    Write("TTRELUP.DAT", {"0100 FILEREL(1;2;1;4;TOTAL{2}=TOTAL{2}+_SGN*BALANCE{1},N{2}=N{2}+_SGN)"});
    ASSERT_EQ(DicLoad(S(dir.path()), S("TT"), S("")), 0) << ErrDetail().Str();
    VarSysIntSet(kSysUpStat, 1);
  }
  void TearDown() override {
    while (RunJournalActive()) RunJournalEnd(st::USERCANCELED);
    if (hadTemp) setenv("TEMP", oldTemp.c_str(), 1);
    else unsetenv("TEMP");
    PackTest::TearDown();
  }

  // A file's bytes in one read (large files too).
  std::string Bytes(const std::string& name) const { return ReadBytes(Path(name)); }
  // Files left in the temporary directory (work copies).
  size_t TempLeft() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.File("tmp"))) ++n;
    return n;
  }

  Status Eval(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    Status s = ExpEvalStatus(S(text));
    StrAreaMark(m);
    return s;
  }
  // Inserts CUST records (images as stored), with their relation statements.
  void Customers(const std::vector<std::string>& recs) {
    ASSERT_LE(DataFileOpen(2, 0), 2);
    ASSERT_LE(DataFileOpen(1, dfopen::kExclusive), 2);
    for (const std::string& r : recs) {
      ASSERT_EQ(RecBufClear(1, 0), 0);
      ASSERT_EQ(RecBufSet(1, kRecCurrent, S(r)), 0);
      ASSERT_EQ(DataFileAction(dfact::kInsert, 1, S(""), S("")), 0) << r;
    }
    ASSERT_EQ(DataFileClose(1), 0);
    DataFileClose(2);
  }
  // Sets parameter items before a run (the reset keeps them).
  void Parm(uint32_t item, const std::string& value) { ASSERT_EQ(TransParmSet(item, S(value)), 0); }
  // Runs a transaction over file 1 (made current).
  Status Run(const std::string& name, uint16_t mode) {
    DataFileSetCurrent(1);
    uint16_t m = StrAreaMark(-1);
    Status s = TransRun(S(name), mode, nullptr);
    StrAreaMark(m);
    return s;
  }
  std::string CustCheck() const {
    return RecFileCheck(RecCheckSpec{Path("CUST.FD"), Path("CUST.DIR"), kCustLen,
                                     {RecKey{{KeySeg{0, 6}}}, RecKey{{KeySeg{36, 20}}}}});
  }
  std::string TotalsCheck() const {
    return RecFileCheck(RecCheckSpec{Path("TOTALS.FD"), Path("TOTALS.DIR"), kTotalsLen, {RecKey{{KeySeg{0, 20}}}}});
  }

  std::string oldTemp;
  bool hadTemp = false;
};
