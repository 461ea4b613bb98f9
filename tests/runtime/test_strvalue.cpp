#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "runtime/strvalue.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }

class StrAreaTest : public RuntimeTest {};

TEST_F(StrAreaTest, MarkTwiceChangesNothing) {
  ASSERT_EQ(StrAreaAlloc(3, 'x'), 0);
  uint16_t a = StrAreaMark(-1);
  uint16_t b = StrAreaMark(-1);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, 1);
}

TEST_F(StrAreaTest, ReturnLeavesOneSlotAboveMarkHoldingACopy) {
  uint16_t m = StrAreaMark(-1);
  StrValue t = StrDup(S("hello"));
  StrValue u = StrCat(t, S(" world"));
  StrValue r = StrAreaReturn(m, u);
  EXPECT_EQ(StrAreaMark(-1), m + 1);
  EXPECT_EQ(r.View(), "hello world");
  EXPECT_EQ(StrAreaTop().View(), "hello world");
}

TEST_F(StrAreaTest, ZeroLengthAllocationTakesASlotButNoBytes) {
  uint32_t before = StrAreaFreeBytes();
  ASSERT_EQ(StrAreaAlloc(0, 0), 0);
  EXPECT_EQ(StrAreaMark(-1), 1);
  EXPECT_EQ(StrAreaFreeBytes(), before);
}

TEST_F(StrAreaTest, At511LiveSlotsTheNextAllocationFails) {
  for (int i = 0; i < 511; ++i) ASSERT_EQ(StrAreaAlloc(1, 'a'), 0) << i;
  EXPECT_EQ(StrAreaAlloc(1, 'a'), st::OUTOFMEMORY);
  EXPECT_EQ(StrAreaMark(-1), 511);
}

TEST_F(StrAreaTest, ByteBlockCannotBeFilledToItsLastByte) {
  // 8 slots of 65532 bytes = 524256; 32 bytes remain, an allocation that
  // would reach the block's end fails while a smaller one fits.
  for (int i = 0; i < 8; ++i) ASSERT_EQ(StrAreaAlloc(65532, 255), 0);
  EXPECT_EQ(StrAreaAlloc(32, 0), st::OUTOFMEMORY);
  EXPECT_EQ(StrAreaAlloc(28, 0), 0);
  EXPECT_EQ(StrAreaFreeBytes(), 0u);
}

TEST_F(StrAreaTest, MarkAboveTopChangesNothing) {
  uint16_t m = StrAreaMark(-1);
  StrAreaAlloc(4, 'a');
  StrAreaAlloc(4, 'b');
  StrAreaMark(m);
  EXPECT_EQ(StrAreaMark(m + 2), m);  // dead slots stay dead
}

TEST_F(StrAreaTest, KeepMovesVariablesDownInOrder) {
  uint16_t m = StrAreaMark(-1);
  StrValue junk = StrDup(S("junk-junk"));
  (void)junk;
  StrValue a = StrDup(S("first"));
  StrDup(S("more junk"));
  StrValue b = StrDup(S("second"));
  StrValue* vars[] = {&b, &a, nullptr};
  ASSERT_EQ(StrAreaKeep(m, vars), 0);
  EXPECT_EQ(StrAreaMark(-1), m + 2);
  EXPECT_EQ(a.View(), "first");
  EXPECT_EQ(b.View(), "second");
}

TEST_F(StrAreaTest, ErrorStringsPassThroughWithoutTouchingMemory) {
  StrValue e = StrErr(st::FILENOTFOUND);
  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(StrError(StrDup(e)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrCat(S("a"), e)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrCat(e, StrErr(st::OUTOFMEMORY))), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrMid(e, 1, 2)), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrQuote(e, '"')), st::FILENOTFOUND);
  EXPECT_EQ(StrFindCharAt(e, 0, 'a', true), 65535);
  EXPECT_EQ(StrError(StrAreaReturn(m, e)), st::FILENOTFOUND);
  EXPECT_EQ(StrAreaMark(-1), m);
  EXPECT_EQ(StrError(StrErr(0)), 65535);
}

TEST_F(StrAreaTest, LongResultsAnswer146InsteadOfWrapping) {
  std::string big(40000, 'x');
  StrValue b = StrFromView(big);
  ASSERT_FALSE(b.IsError());
  EXPECT_EQ(StrError(StrCat(b, b)), st::STRINGTOOLONG);
  EXPECT_EQ(StrError(StrRepeat(S("ab"), 40000)), st::STRINGTOOLONG);
  std::string max(65535, 'y');
  EXPECT_EQ(StrError(StrEnclose(StrMake(max.data(), 65535), '(')), st::STRINGTOOLONG);
  EXPECT_EQ(StrError(StrFromC(std::string(70000, 'z').c_str())), st::STRINGTOOLONG);
  EXPECT_EQ(StrError(StrFromC(nullptr)), st::BADINPUTDATA);
}

struct MidCase {
  const char* id;
  const char* text;
  int32_t start;
  uint32_t len;
  const char* want;
};

TEST_F(StrAreaTest, MidTable) {
  const MidCase cases[] = {
      {"neg-start", "abcdef", -2, 65535, "ef"},
      {"past-end", "abc", 5, 2, ""},
      {"to-end", "abc", 1, 65535, "bc"},
      {"neg-ignores-len", "abc", -2, 1, "bc"},
      {"neg-floored", "abc", -10, 65535, "abc"},
      {"cut", "abcdef", 4, 10, "ef"},
      {"inner", "abcdef", 1, 2, "bc"},
  };
  for (const auto& c : cases) EXPECT_EQ(StrMid(S(c.text), c.start, c.len).View(), c.want) << c.id;
}

TEST_F(StrAreaTest, QuoteAwareSearchSkipsQuotedParts) {
  EXPECT_EQ(StrFindCharAt(S("a'x'x"), 0, 'x', false), 4);
  EXPECT_EQ(StrFindCharAt(S("a'x'x"), 0, 'x', true), 2);
  EXPECT_EQ(StrFindCharAt(S("a'x"), 0, 'x', false), 65535);  // unclosed
  EXPECT_EQ(StrFindCharAt(S("a\"'\"'"), 0, '\'', false), 65535);
  EXPECT_EQ(StrFindSetAt(S("ab\"c,\";d"), 0, S(",;"), false), 6);
}

TEST_F(StrAreaTest, QuoteEncloseAndBetween) {
  EXPECT_EQ(StrQuote(S("it's"), '\'').View(), "\"it's\"");
  EXPECT_EQ(StrQuote(S("plain"), '\'').View(), "'plain'");
  EXPECT_EQ(StrError(StrQuote(S("a'b\"c"), '\'')), st::BADINPUTDATA);
  EXPECT_EQ(StrEnclose(S("x"), '[').View(), "[x]");
  EXPECT_EQ(StrEnclose(S("x"), '%').View(), "%x%");
  EXPECT_EQ(StrBetween(S("(a(b)c)"), '(', true).View(), "a(b)c");
  EXPECT_EQ(StrBetween(S("(a(b)c"), '(', true).View(), "");
  EXPECT_EQ(StrBetween(S("x%NAME%y"), '%', true).View(), "NAME");
  uint32_t pair = StrFindPair(S("f(a(bc)d)"), ')', '(', true);
  EXPECT_EQ(pair & 0xffff, 4u);
  EXPECT_EQ(pair >> 16, 2u);
  EXPECT_EQ(StrFindPair(S("abc"), ')', '(', true) & 0xffff, 65535u);
}

// Balancing a pair must cost time in proportion to the text: a recount of
// the whole enclosed part at every extension took half a minute on one
// deeply nested 64 KiB text.
TEST_F(StrAreaTest, BetweenBalancesDeepNestingInLinearTime) {
  EXPECT_EQ(StrBetween(S("(a')'(b)c)d"), '(', false).View(), "a')'(b)c");
  EXPECT_EQ(StrBetween(S("(a')'(b)c)d"), '(', true).View(), "a'");
  EXPECT_EQ(StrBetween(S("x((a)(b))y)"), '(', false).View(), "(a)(b)");
  const std::string deep = std::string(32767, '(') + std::string(32767, ')');
  for (bool plain : {true, false}) {
    auto start = std::chrono::steady_clock::now();
    StrValue inner = StrBetween(StrMake(deep.data(), static_cast<uint32_t>(deep.size())), '(', plain);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(inner.len, deep.size() - 2) << plain;
    EXPECT_LT(seconds, 2.0) << plain;
  }
}

TEST_F(StrAreaTest, SplitFollowsListRules) {
  StrArray a = StrSplit(S("a,'b,c',d,"), ',');
  ASSERT_EQ(a.count, 4);
  EXPECT_EQ(StrArrayItem(a, 1).View(), "a");
  EXPECT_EQ(StrArrayItem(a, 2).View(), "'b,c'");
  EXPECT_EQ(StrArrayItem(a, 3).View(), "d");
  EXPECT_EQ(StrArrayItem(a, 4).View(), "");
  EXPECT_EQ(StrArrayItem(a, 0).View(), "");
  EXPECT_EQ(StrArrayItem(a, 9).View(), "");
  EXPECT_EQ(StrSplit(S(""), ',').count, 0);
}

TEST_F(StrAreaTest, OverwriteCopyAtAndToC) {
  EXPECT_EQ(StrOverwrite(S("abcdef"), -2, S("XYZ")).View(), "abcdXY");
  char buf[5] = {'.', '.', '.', '.', '.'};
  EXPECT_EQ(StrCopyAt(buf, 5, 3, S("abc")), 0);
  EXPECT_EQ(std::string(buf, 5), "...ab");
  EXPECT_EQ(StrCopyAt(buf, 5, 9, S("abc")), 0);
  EXPECT_STREQ(StrToC(S("xyz")), "xyz");
  EXPECT_STREQ(StrToC(StrErr(145)), "");
  char raw[4] = {'a', 'b'};
  EXPECT_EQ(StrError(StrAppendRaw(S("cde"), raw, 2, 4)), st::STRINGTOOLONG);
  EXPECT_EQ(StrAppendRaw(S("cd"), raw, 2, 4).View(), "abcd");
  EXPECT_EQ(StrCLenAdd("ab", -5), 0u);
}

}  // namespace
