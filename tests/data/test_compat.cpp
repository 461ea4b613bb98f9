// The compatibility switches of _COMPAT, read through their accessors, and
// what they change on disk.
#include <gtest/gtest.h>

#include "data/dictionary/compat.h"
#include "data/store/datafile.h"
#include "dic_fixture.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "script/objparams.h"

namespace {

class CompatTest : public DicTest {
 protected:
  void TearDown() override {
    DataFileCloseAll();
    DicTest::TearDown();
  }
  static void SetCompat(int bits) { ASSERT_EQ(VarSysIntSet(kSysCompat, static_cast<int16_t>(bits)), 0); }
};

// One row per switch: each accessor answers the old behaviour only under its
// own bit.
TEST_F(CompatTest, EachAccessorFollowsItsOwnBit) {
  ASSERT_EQ(DynStrPush(kParmStack, S("MODULOS$:M1,M2:MODULO$:A1:OPTIONS$:O1")), 0);
  struct Row {
    const char* id;
    int bits;
    int32_t width;        // CompatRangeWidth(3, 7)
    bool bit4;            // CompatBit4
    const char* name;     // CompatName8("CUSTOMERS1")
    const char* ext;      // CompatIndexExt
    uint16_t numLen;      // CompatFieldLen('2', 10)
    uint16_t textLen;     // CompatFieldLen('A', 10)
    const char* menu2;    // CompatMenuParm(2)
    const char* menu3;    // CompatMenuParm(3)
  } rows[] = {
      {"none", 0, 7, false, "CUSTOMERS1", "DIR", 10, 10, "", ""},
      {"inclusive ranges", 1, 5, false, "CUSTOMERS1", "DIR", 10, 10, "", ""},
      {"NDX index", 2, 7, false, "CUSTOMERS1", "NDX", 10, 10, "", ""},
      {"compact dates", 4, 7, true, "CUSTOMERS1", "DIR", 10, 10, "", ""},
      {"names cut to 8", 8, 7, false, "CUSTOMER", "DIR", 10, 10, "", ""},
      {"old menu parameters", 16, 7, false, "CUSTOMERS1", "DIR", 10, 10, "A1,O1", "M1,M2"},
      {"display widths", 64, 7, false, "CUSTOMERS1", "DIR", 13, 10, "", ""},
      {"all of them", 0x5f, 5, true, "CUSTOMER", "NDX", 13, 10, "A1,O1", "M1,M2"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    SetCompat(r.bits);
    EXPECT_EQ(CompatRangeWidth(3, 7), r.width);
    EXPECT_EQ(CompatBit4(), r.bit4);
    EXPECT_EQ(CompatName8("CUSTOMERS1"), r.name);
    EXPECT_STREQ(CompatIndexExt(), r.ext);
    EXPECT_EQ(CompatFieldLen('2', 10), r.numLen);
    EXPECT_EQ(CompatFieldLen('A', 10), r.textLen);
    EXPECT_EQ(CompatMenuParm(2).Str(), r.menu2);
    EXPECT_EQ(CompatMenuParm(3).Str(), r.menu3);
  }
  // SUBMENU$, when the definition has one, wins over MODULO$ and OPTIONS$.
  ASSERT_EQ(DynStrPush(kParmStack, S("SUBMENU$:S1:MODULO$:A1")), 0);
  SetCompat(16);
  EXPECT_EQ(CompatMenuParm(2).Str(), "S1");
  EXPECT_EQ(CompatMenuParm(4).Str(), "");
}

// Under bits 8 and 2 a file named CUSTOMERS1 lives on disk as CUSTOMER.FD
// with the index CUSTOMER.NDX, and a second file whose name differs only
// after the 8th character is refused as the same file.
TEST_F(CompatTest, ShortNamesAndNdxIndexOnDisk) {
  SetCompat(8 | 2);
  Write("ZZDICC.DAT", {"01 Long name*" + dir.path() + "*01CUSTOMERS1", "01 CODE  004 ACODE"});
  ASSERT_EQ(DicLoad(S(dir.path()), S("ZZ"), S("")), 0);
  ASSERT_LE(DataFileOpen(1, 0), 2);
  ASSERT_EQ(DataFileClose(1), 0);
  EXPECT_TRUE(host::Exists(dir.File("CUSTOMER.FD")));
  EXPECT_TRUE(host::Exists(dir.File("CUSTOMER.NDX")));
  EXPECT_FALSE(host::Exists(dir.File("CUSTOMERS1.FD")));
  EXPECT_EQ(DicDefineFile(1, S("CUSTOMERS2"), S(dir.path())), st::BADINPUTDATA);
}

}  // namespace
