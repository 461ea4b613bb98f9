#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "support/runtime_fixture.h"

namespace {

class MemTest : public RuntimeTest {};

uint16_t SlotOf(void* p) {
  for (uint16_t i = 0; i < MemSlotCount(); ++i)
    if (MemSlotAt(i)->ptr == p) return i;
  return 65535;
}

TEST_F(MemTest, FreedSlotIsReusedLowestFirst) {
  void* a = MemAlloc(MOD_SORT, 10);
  uint16_t slot = SlotOf(a);
  ASSERT_EQ(MemFree(MOD_SORT, a), 0);
  void* b = MemAlloc(MOD_SORT, 20);
  EXPECT_EQ(SlotOf(b), slot);
  EXPECT_EQ(MemFree(MOD_SORT, b), 0);
}

TEST_F(MemTest, FreeFailuresAreNamedAndKeepTheBlock) {
  auto* p = static_cast<unsigned char*>(MemAlloc(MOD_SORT, 8));
  EXPECT_EQ(MemFree(MOD_DATAFILE, p), st::INTERNALERROR);
  int bogus = 0;
  EXPECT_EQ(MemFree(MOD_SORT, &bogus), st::MEMORYALLOCERR);
  EXPECT_EQ(MemFree(MOD_SORT, nullptr), st::MEMORYALLOCERR);
  p[8] = 'X';  // one byte past the end breaks the guard
  EXPECT_EQ(MemFree(MOD_SORT, p), st::MEMORYOVERFLOW);
  EXPECT_NE(SlotOf(p), 65535);
  p[8] = 0;
  EXPECT_EQ(MemFree(MOD_SORT, p), 0);
}

TEST_F(MemTest, WriteAtAndBufferBounds) {
  void* p = MemAlloc(MOD_SORT, 8);
  EXPECT_EQ(MemWriteAt(p, 4, "abcd", 4), 0);
  EXPECT_EQ(MemWriteAt(p, 5, "abcd", 4), st::DATAOUTBOUND);
  EXPECT_EQ(MemWriteAt(nullptr, 0, "a", 1), st::DATAOUTBOUND);
  MemBuf buf;
  ASSERT_EQ(MemBufAlloc(buf, MOD_SORT, 8), 0);
  EXPECT_NE(MemBufAppend(MOD_SORT, buf, "abc", 3, false), nullptr);
  EXPECT_NE(MemBufAppend(MOD_SORT, buf, "d", 1, true), nullptr);  // padded to 4
  EXPECT_EQ(buf.used, 5);
  EXPECT_EQ(MemBufAppend(MOD_SORT, buf, nullptr, 4, false), nullptr);  // reservation checked too
  EXPECT_EQ(buf.status, st::DATAOUTBOUND);
  EXPECT_EQ(MemBufAppend(MOD_SORT, buf, "x", 1, false), nullptr);  // sticky
  MemFree(MOD_SORT, buf.ptr);
  MemFree(MOD_SORT, p);
}

TEST_F(MemTest, ResizeKeepsContentsAndFailureKeepsOldBlock) {
  auto* p = static_cast<char*>(MemAlloc(MOD_SORT, 4));
  std::memcpy(p, "abcd", 4);
  auto* q = static_cast<char*>(MemResize(MOD_SORT, p, 100, 16));  // wrong old length is capped
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(std::string(q, 4), "abcd");
  EXPECT_EQ(SlotOf(p) == 65535 || p == q, true);
  // Fill every slot, then a resize cannot allocate: the old block survives.
  std::vector<void*> hold;
  while (void* x = MemAlloc(MOD_SORT, 1)) hold.push_back(x);
  EXPECT_EQ(MemResize(MOD_SORT, q, 16, 32), nullptr);
  EXPECT_NE(SlotOf(q), 65535);
  EXPECT_EQ(std::string(q, 4), "abcd");
  for (void* x : hold) MemFree(MOD_SORT, x);
  MemFree(MOD_SORT, q);
}

TEST_F(MemTest, Align4Table) {
  const uint32_t in[] = {0, 1, 4, 5};
  const uint32_t want[] = {0, 4, 4, 8};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(MemAlign4(in[i]), want[i]) << in[i];
}

TEST_F(MemTest, InitTwiceAnswers124) { EXPECT_EQ(MemInit(), st::UNDEFWARNING); }

TEST_F(MemTest, ShutdownReportsALeakedOwnerAndFreesNothing) {
  static Status (*release)() = [] { return Status(0); };
  void* store = MemAlloc(MOD_STRINGINIT, 64);  // the string-list store, last at start-up
  void* leak = MemAlloc(MOD_SORT, 8);
  MemSetStoreRelease(nullptr);
  EXPECT_EQ(RuntimeMemFree(), MOD_SORT);
  EXPECT_TRUE(MemTableActive());
  MemFree(MOD_SORT, leak);
  // Without leaks the store, the area and the table go; result 0.
  MemSetStoreRelease(+[]() -> Status { return 0; });
  (void)release;
  MemFree(MOD_STRINGINIT, store);
  store = MemAlloc(MOD_STRINGINIT, 64);
  static void* s_store;
  s_store = store;
  MemSetStoreRelease(+[]() -> Status { return MemFree(MOD_STRINGINIT, s_store); });
  EXPECT_EQ(RuntimeMemFree(), 0);
  EXPECT_FALSE(MemTableActive());
  MemSetStoreRelease(nullptr);
}

}  // namespace
