// Shared set-up of the rebuild, run-status and copy tests: the process works
// in a private directory (lock markers and the run status file live in the
// current directory), the identity "ZZ" and a dictionary of three files:
//   1 CUST  16-byte records, CODE A6 at 0 and NAME A10 at 6; key 1 CODE,
//           key 2 NAME
//   2 NOTE  8-byte records, TEXT A8; its default key
//   3 WIDE  40-byte records, A A20 and B A20; key 1 A and B (40 bytes),
//           key 2 B
// Data files are written byte by byte where a test needs a fixture.
#pragma once
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/bridges/dataui.h"
#include "data/store/datafile.h"
#include "data/store/reccheck.h"
#include "data/store/recio.h"
#include "dic_fixture.h"
#include "store_fixture.h"
#include "runtime/dynstrings.h"

// A CUST record.
inline std::string Rec(const std::string& code, const std::string& name) { return Img(code, name); }

inline std::string Deleted(std::string rec) {
  rec[0] = 27;
  return rec;
}

class PackTest : public DicTest {
 protected:
  void SetUp() override {
    DicTest::SetUp();
    recio::FaultReset();
    ASSERT_EQ(getcwd(oldDir, sizeof oldDir), oldDir);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("ZZXX:Test")), 0);
    Write("ZZDICC.DAT", {"01 Customers*" + dir.path() + "*01CUST", "01 CODE  006 ACODE", "01 NAME  010 ANAME",
                         "31 code <0001006", "31 name <0007010", "02 Notes*" + dir.path() + "*01NOTE",
                         "02 TEXT  008 ATEXT", "03 Wide*" + dir.path() + "*01WIDE",
                         "03 A     020 AA", "03 B     020 AB", "33 ab <00010200021020", "33 b  <0021020"});
    ASSERT_EQ(DicLoad(S(dir.path()), S("ZZ"), S("")), 0);
    savedUi = DataUiSet(DataUi());
  }
  void TearDown() override {
    DataFileCloseAll();
    DataUiSet(savedUi);
    recio::FaultReset();
    EXPECT_EQ(chdir(oldDir), 0);
    DicTest::TearDown();
  }

  std::string Path(const std::string& name) const { return dir.File(name); }
  std::string Bytes(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << bytes;
  }
  bool Exists(const std::string& name) const { return access(Path(name).c_str(), F_OK) == 0; }
  static std::string Join(const std::vector<std::string>& recs) {
    std::string out;
    for (const std::string& r : recs) out += r;
    return out;
  }
  // The index bytes: F, N, the free list, then each key's array.
  static std::string Index(uint32_t f, uint32_t n, const std::vector<std::vector<uint32_t>>& arrays) {
    std::string b;
    auto put = [&b](uint32_t v) {
      for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    put(f);
    put(n);
    for (const auto& a : arrays)
      for (uint32_t v : a) put(v);
    return b;
  }
  std::string Check() const {
    return RecFileCheck(RecCheckSpec{Path("CUST.FD"), Path("CUST.DIR"), 16,
                                     {RecKey{{KeySeg{0, 6}}}, RecKey{{KeySeg{6, 10}}}}});
  }
  Status Insert(const std::string& rec, int file = 1) {
    RecBufClear(file, 0);
    RecBufSet(file, kRecCurrent, S(rec));
    return DataFileInsert(file);
  }

  // Records what the data layer shows in its boxes (ErrShow), last in `shown`.
  static inline int shown = -1;
  static void CatchBoxes() {
    DataUi ui = DataUiGet();
    ui.show = [](Status code) {
      shown = code;
      return code;
    };
    DataUiSet(ui);
    shown = -1;
  }

  char oldDir[4096] = {};
  DataUi savedUi;
};
