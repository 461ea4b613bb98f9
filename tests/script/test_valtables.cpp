#include <gtest/gtest.h>

#include <cstring>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/valtables.h"
#include "var_helpers.h"

namespace {

class ValTablesTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(ValTablesInit(), 0);
  }
};

TEST_F(ValTablesTest, FirstSetFixesTheSizeAndGrowsWithZeroedElements) {
  const uint32_t v = 0xA1B2C3D4;
  ASSERT_EQ(ValTableSet(12, 3, &v, 4), 0);
  EXPECT_EQ(ValTableInfo(12, 0), 4u);
  EXPECT_EQ(ValTableInfo(12, 1), 4u);
  for (uint32_t i = 0; i < 3; ++i) {
    uint32_t got;
    std::memcpy(&got, ValTableGet(12, i), 4);
    EXPECT_EQ(got, 0u) << i;
  }
  EXPECT_EQ(std::memcmp(ValTableGet(12, 3), &v, 4), 0);
  EXPECT_EQ(ValTableGet(12, 4), nullptr);
  EXPECT_EQ(ValTableGet(13, 0), nullptr);

  // Another element size is refused and changes nothing.
  const uint64_t w = 1;
  EXPECT_EQ(ValTableSet(12, 4, &w, 8), st::INTERNALERROR);
  EXPECT_EQ(ValTableInfo(12, 0), 4u);
  EXPECT_EQ(ErrGet(), st::INTERNALERROR | (uint32_t{MOD_STRUCTFUNCS} << 16));
}

TEST_F(ValTablesTest, DeleteShiftsDownAndTheLastDeletionFreesTheTable) {
  for (uint16_t i = 0; i < 4; ++i) ASSERT_EQ(ValTableSet(9, i, &i, 2), 0);
  uint16_t blocks = LiveBlocksOf(MOD_STRUCTFUNCS);
  ASSERT_EQ(ValTableDelete(9, 1), 0);
  uint16_t got[3];
  for (uint32_t i = 0; i < 3; ++i) std::memcpy(&got[i], ValTableGet(9, i), 2);
  EXPECT_EQ(got[0], 0);
  EXPECT_EQ(got[1], 2);
  EXPECT_EQ(got[2], 3);
  EXPECT_EQ(ValTableDelete(9, 3), st::DATAOUTBOUND);

  // Deleting the highest index keeps the others; only a count of 0 frees.
  ASSERT_EQ(ValTableDelete(9, 2), 0);
  EXPECT_EQ(ValTableInfo(9, 0), 2u);
  ASSERT_EQ(ValTableDelete(9, 0), 0);
  ASSERT_EQ(ValTableDelete(9, 0), 0);
  EXPECT_EQ(ValTableInfo(9, 0), 0u);
  EXPECT_EQ(LiveBlocksOf(MOD_STRUCTFUNCS), blocks - 1);

  // Regrowing after a deletion gives zeroed elements, and an empty table
  // takes a new element size.
  ASSERT_EQ(ValTableSet(9, 0, nullptr, 6), 0);
  ASSERT_EQ(ValTableSet(9, 1, "abcdef", 6), 0);
  ASSERT_EQ(ValTableDelete(9, 1), 0);
  ASSERT_EQ(ValTableSet(9, 1, nullptr, 6), 0);
  EXPECT_EQ(std::memcmp(ValTableGet(9, 1), "\0\0\0\0\0\0", 6), 0);
}

TEST_F(ValTablesTest, GrowthPast65535BytesIsRefusedAndLeavesTheTable) {
  const struct {
    uint16_t size;
    uint32_t lastGood;
  } cases[] = {{2, 32766}, {8, 8190}, {24, 2729}, {65535, 0}};
  for (const auto& c : cases) {
    uint16_t t = 20;
    ASSERT_EQ(ValTableSet(t, c.lastGood, nullptr, c.size), 0) << c.size;
    EXPECT_EQ(ValTableSet(t, c.lastGood + 1, nullptr, c.size), st::DATAOUTBOUND) << c.size;
    EXPECT_EQ(ValTableInfo(t, 0), c.lastGood + 1) << c.size;
    ASSERT_EQ(ValTableTruncate(t, 0), 0);
  }
  EXPECT_EQ(ValTableSet(kValTables, 0, nullptr, 2), st::DATAOUTBOUND);
  EXPECT_EQ(ValTableGet(kValTables, 0), nullptr);
}

// A caller holding an element address while the same table grows (a window
// record while another window opens) must still address live memory.
TEST_F(ValTablesTest, ElementAddressesSurviveGrowth) {
  const uint64_t first = 42;
  ASSERT_EQ(ValTableSet(VtWindows, 0, &first, 8), 0);
  auto* held = static_cast<uint64_t*>(ValTableGet(VtWindows, 0));
  for (uint64_t i = 1; i < 8000; ++i) ASSERT_EQ(ValTableSet(VtWindows, static_cast<uint32_t>(i), &i, 8), 0);
  EXPECT_EQ(*held, 42u);
  *held = 43;
  EXPECT_EQ(*static_cast<uint64_t*>(ValTableGet(VtWindows, 0)), 43u);
}

TEST_F(ValTablesTest, FreeReleasesEveryBlockAndInitStartsEmpty) {
  ASSERT_EQ(ValTableSet(0, 5, nullptr, 16), 0);
  ASSERT_EQ(ValTableSet(7, 5, nullptr, 2), 0);
  ASSERT_EQ(ValTablesInit(), 0);  // a second start frees the first
  EXPECT_EQ(ValTableInfo(0, 0), 0u);
  EXPECT_EQ(LiveBlocksOf(MOD_STRUCTFUNCS), 1);
  ASSERT_EQ(ValTablesFree(), 0);
  EXPECT_EQ(LiveBlocksOf(MOD_STRUCTFUNCS), 0);
  EXPECT_FALSE(ValTablesReady());
  EXPECT_EQ(ValTableGet(0, 0), nullptr);
}

// Both stores remember that their block was found alive; any block freed
// since (another module's or theirs) makes them look again, and a table
// shut down behind their back is never read.
TEST_F(ValTablesTest, BlocksFreedBehindTheStoresBackAreNeverRead) {
  const uint16_t v = 4321;
  ASSERT_EQ(ValTableSet(7, 2, &v, 2), 0);
  ASSERT_EQ(DynStrInit(), 0);
  ASSERT_EQ(DynStrPush(SettingsList, StrFromC("kept")), 0);
  ASSERT_NE(ValTableGet(7, 2), nullptr);
  EXPECT_EQ(DynStrGet(SettingsList, 0).View(), "kept");
  // An unrelated block freed: both still answer.
  void* other = MemAlloc(MOD_EXECRUNTIME, 16);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(MemFree(MOD_EXECRUNTIME, other), 0);
  ASSERT_NE(ValTableGet(7, 2), nullptr);
  EXPECT_EQ(std::memcmp(ValTableGet(7, 2), &v, 2), 0);
  EXPECT_EQ(DynStrGet(SettingsList, 0).View(), "kept");
  // Their own blocks freed by a forced shutdown of the table.
  MemShutdown(true);
  EXPECT_FALSE(ValTablesReady());
  EXPECT_EQ(ValTableGet(7, 2), nullptr);
  EXPECT_EQ(ValTableInfo(7, 0), 0u);
  EXPECT_FALSE(DynStrReady());
  EXPECT_EQ(DynStrGet(SettingsList, 0).View(), "");
  EXPECT_EQ(DynStrCount(SettingsList), 0u);
  // A new table holding blocks at the old slots is not taken for the old one.
  ASSERT_EQ(MemInit(), 0);
  ASSERT_NE(MemAlloc(MOD_STRUCTFUNCS, kValTables * sizeof(ValTable)), nullptr);
  EXPECT_FALSE(ValTablesReady());
  EXPECT_FALSE(DynStrReady());
}

}  // namespace
