// Shared set-up of the selection, scan and data built-in tests: an
// application "TT" in a private directory with five data files, all open
// read-write and ITEMS current,
//   1 ITEMS   CODE A4, NAME A6, AMOUNT N6   key 1 CODE, key 2 NAME
//             40 records: A001-A033 (amount = number) and B001-B007
//   2 GROUPS  GRP A2, SEQ A2, VAL A8        key 1 GRP + SEQ (two parts)
//   3 OTHER, 4 FOUR, 5 FIVE  CODE A4        the default key
#pragma once
#include <cstdio>
#include <string>

#include "data/store/reccheck.h"
#include "data/store/recio.h"
#include "relation_fixture.h"

class SelTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    App("TT:Test", dir.path());
    Write("TTDICC.DAT",
          "01 Items**01ITEMS\n01       004 ACODE\n01       006 ANAME\n01       006 NAMOUNT\n"
          "02 Groups**01GROUPS\n02       002 AGRP\n02       002 ASEQ\n02       008 AVAL\n"
          "03 Other**01OTHER\n03       004 ACODE\n"
          "04 Four**01FOUR\n04       004 ACODE\n"
          "05 Five**01FIVE\n05       004 ACODE\n"
          "31 <0001004\n31 <0005006\n32 <00010020003002\n");
    ASSERT_EQ(DicLoad(Sv(dir.path()), Sv("TT"), Sv(dir.path())), 0) << ErrDetail().Str();
    for (int n = 5; n >= 1; --n) ASSERT_LT(DataFileOpen(n, n == 1 ? dfopen::kMakeCurrent : 0), 128) << n;
    for (int i = 1; i <= 40; ++i) {
      char code[8];
      std::snprintf(code, sizeof code, "%c%03d", i <= 33 ? 'A' : 'B', i <= 33 ? i : i - 33);
      Add(1, "CODE{1}='" + std::string(code) + "',NAME{1}='n" + code + "',AMOUNT{1}=" + std::to_string(i));
    }
  }

  // Inserts a new record of file n made by the field assignments.
  void Add(int n, const std::string& assignments) {
    ASSERT_EQ(DataFileMove(n, dfmove::kNew), dfres::kNewRecord);
    ASSERT_EQ(Eval(assignments), 0) << assignments;
    ASSERT_LT(DataFileInsert(n), 128) << assignments;
  }
  std::string Cur(int n) { return RecBuf(n, 1).Str(); }
  std::string Code() { return Cur(1).substr(0, 4); }
  // The files of n as the checker reads them (the index as last saved).
  RecCheckSpec Spec(int n) {
    DataStore* store = DataFileStore(n);
    return RecCheckSpec{store->File().Spec().dataPath, store->File().Spec().indexPath, store->File().RecLen(),
                        store->File().Spec().keys};
  }
  // Saves the index and checks both files.
  std::string Check(int n) {
    RecCheckSpec spec = Spec(n);
    EXPECT_EQ(DataFileClose(n), 0);
    std::string problems = RecFileCheck(spec);
    EXPECT_LT(DataFileOpen(n, 0), 128);
    return problems;
  }
};
