#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/textbuf.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }

class TextBufTest : public RuntimeTest {};

TEST_F(TextBufTest, WritesAppendPlaceAndStickOnOverflow) {
  char mem[8];
  TextBuf b{0, mem, 0, sizeof mem};
  EXPECT_EQ(BufWrite(b, kBufAtEnd, S("ab")).View(), "ab");
  EXPECT_EQ(BufWrite(b, 4, S("cd")).View(), "cd");  // the gap becomes blanks
  EXPECT_EQ(BufText(b).View(), "ab  cd");
  EXPECT_EQ(BufWrite(b, 1, S("X")).View(), "X");  // inside: used length kept
  EXPECT_EQ(BufText(b).View(), "aX  cd");
  EXPECT_EQ(StrError(BufWrite(b, 0, StrErr(st::FILENOTFOUND))), st::FILENOTFOUND);
  EXPECT_EQ(b.status, 0);
  EXPECT_EQ(BufWrite(b, kBufAtEnd, S("xyz")).View(), "");  // 6 + 3 > 8
  EXPECT_EQ(b.status, st::STRCONCATERR);
  EXPECT_EQ(BufWrite(b, 0, S("z")).View(), "");  // sticky: nothing more
  EXPECT_EQ(BufText(b).View(), "aX  cd");
  TextBuf none;
  EXPECT_EQ(BufWrite(none, kBufAtEnd, S("")).View(), "");
  EXPECT_EQ(none.status, 0);
  BufWrite(none, kBufAtEnd, S("a"));
  EXPECT_EQ(none.status, st::STRCONCATERR);
}

TEST_F(TextBufTest, ItemArrays) {
  uint16_t a16[3] = {5, 0, 7};
  EXPECT_EQ(ArrCheckIndex(6, 2, 2), 0);
  EXPECT_EQ(ArrCheckIndex(6, 2, 3), 65535);
  EXPECT_EQ(ArrCheckIndex(5, 2, 0), 65535);  // not a multiple of the width
  EXPECT_EQ(ArrCheckIndex(6, 0, 0), 65535);
  EXPECT_EQ(ArrGet16(a16, 6, 2), 7);
  EXPECT_EQ(ArrGet16(a16, 6, 3), 0);
  ArrSet16(a16, 6, 1, 9);
  ArrSet16(a16, 4, 2, 1);  // outside the 4-byte view: no write
  EXPECT_EQ(a16[1], 9);
  EXPECT_EQ(a16[2], 7);
  uint64_t a64[2] = {1, 0x1122334455667788ull};
  EXPECT_EQ(ArrGet64(a64, 16, 1), 0x1122334455667788ull);
  EXPECT_EQ(ArrGet64(a64, 12, 1), 0u);
  EXPECT_EQ(ArrFind("abcdef", 6, 2, "ef"), 2);
  EXPECT_EQ(ArrFind("abcdef", 6, 2, "bc"), 65535);  // items are aligned
  EXPECT_EQ(ArrFindZero16(a16, 6), 65535);
  uint32_t a32[3] = {1, 2, 0};
  EXPECT_EQ(ArrFindZero32(a32, 12), 2);
  EXPECT_EQ(ArrFindZero16(a32, 12), 1);  // the high half of item 0
}

TEST_F(TextBufTest, SortFixedItems) {
  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(SortFixedItems(nullptr, 0, 3).len, 0);
  EXPECT_EQ(SortFixedItems("abc", 3, 3).View(), "abc");
  EXPECT_EQ(SortFixedItems("b\xe9" "a1b\x01", 6, 2).View(), "a1b\x01" "b\xe9");
  std::string reversed;
  for (int i = 99; i >= 0; --i) reversed += {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10), '|'};
  StrAreaMark(m);
  StrValue sorted = SortFixedItems(reversed.data(), 300, 3);
  EXPECT_EQ(StrAreaMark(-1), m + 1);
  ASSERT_EQ(sorted.len, 300);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(std::string(sorted.ptr + i * 3, 2), reversed.substr((99 - i) * 3, 2)) << i;
  EXPECT_EQ(StrError(SortFixedItems("abc", 3, 0)), st::BADINPUTDATA);
  EXPECT_EQ(StrError(SortFixedItems("abcd", 4, 3)), st::BADINPUTDATA);
}

}  // namespace
