#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/strlist.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }
StrValue B(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

class StrListTest : public RuntimeTest {};

std::vector<std::string> Items(StrValue list, char sep) {
  std::vector<std::string> out;
  StrListIter it(list, sep);
  for (StrValue item; it.Next(&item);) out.push_back(item.Str());
  return out;
}

TEST_F(StrListTest, ItemRules) {
  using V = std::vector<std::string>;
  struct Case {
    const char* id;
    std::string text;
    char sep;
    V want;
  } cases[] = {
      {"quoted-sep", "a,'b,c',d", ',', {"a", "'b,c'", "d"}},
      {"trailing", "a,", ',', {"a", ""}},
      {"empty", "", ',', {}},
      {"inner-empty", ",,", ',', {"", "", ""}},
      {"unclosed", "a,'b,c", ',', {"a", "'b,c"}},
      {"double-quote", "\"x;y\";z", ';', {"\"x;y\"", "z"}},
      {"nul-is-plain", std::string("a\0'b\0c'", 7), '\0', {"a", "'b", "c'"}},
  };
  for (const auto& c : cases) {
    StrValue list = B(c.text);
    EXPECT_EQ(Items(list, c.sep), c.want) << c.id;
    ASSERT_EQ(StrListCount(list, c.sep), c.want.size()) << c.id;
    for (size_t k = 0; k < c.want.size(); ++k)
      EXPECT_EQ(StrListItem(list, c.sep, static_cast<uint32_t>(k + 1)).View(), c.want[k]) << c.id << k;
  }
  StrValue three = S("a,b,c");
  EXPECT_EQ(StrListItem(three, ',', 0).View(), "");
  EXPECT_EQ(StrListItem(three, ',', 4).View(), "");
  EXPECT_FALSE(StrListItem(three, ',', 4).IsError());
  EXPECT_EQ(StrListSpan(three, ',', 2), 2u | (1u << 16));
  EXPECT_EQ(StrListSpan(three, ',', 4) & 0xffff, 65535u);
  EXPECT_EQ(StrListSepPos(S("ab,c"), ','), 2);
  EXPECT_EQ(StrListSepPos(S("'a,b'"), ','), 5);
  EXPECT_EQ(StrListRest(three, ',').View(), "b,c");
  EXPECT_EQ(StrListRest(S("abc"), ',').View(), "");
}

TEST_F(StrListTest, FindLengthsAndIntegers) {
  EXPECT_EQ(StrListFind(S("a,bb,b"), ',', S("b")), 3u);
  EXPECT_EQ(StrListFind(S("a,bb"), ',', S("c")), 0u);
  EXPECT_EQ(StrListFind(S("a,,b"), ',', S("")), 2u);
  EXPECT_EQ(StrListMaxLen(S("a,'bcd',ef"), ',', 0), 3);  // quotes not counted
  EXPECT_EQ(StrListMaxLen(S("abc,d,ef"), ',', 1), 1);
  EXPECT_EQ(StrListMaxLen(S(""), ',', 1), 0);
  EXPECT_EQ(StrListItemInt(S("x, 12 ,'yes',Si"), ',', 2), 12);
  EXPECT_EQ(StrListItemInt(S("x, 12 ,'yes',Si"), ',', 3), 1);
  EXPECT_EQ(StrListItemInt(S("x, 12 ,'yes',Si"), ',', 4), 1);
  uint16_t m = StrAreaMark(-1);
  StrListItemInt(S("a,b"), ',', 2);
  EXPECT_EQ(StrAreaMark(-1), m);
}

TEST_F(StrListTest, UnionDiffAndJoinKeepOrder) {
  struct Case {
    const char* id;
    StrValue got;
    const char* want;
  } cases[] = {
      {"union", StrListUnion(S("a,b"), S("b,c,a,d"), ','), "a,b,c,d"},
      {"union-empty-a", StrListUnion(S(""), S("x,y"), ','), "x,y"},
      {"union-empty-item", StrListUnion(S("a"), S(",b"), ','), "a,,b"},
      {"diff", StrListDiff(S("a,b,c,b"), S("b"), ','), "a,c"},
      {"diff-all", StrListDiff(S("a,b"), S("b,a"), ','), ""},
      {"join", StrJoinSep(S("a"), ',', S("b")), "a,b"},
      {"join-left-empty", StrJoinSep(S(""), ',', S("b")), "b"},
      {"join-right-empty", StrJoinSep(S("a"), ',', S("")), "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.View(), c.want) << c.id;
  std::string half(40000, 'x');
  EXPECT_EQ(StrError(StrJoinSep(B(half), ',', B(half))), st::STRINGTOOLONG);
  EXPECT_EQ(StrError(StrListUnion(B(half), B(half + "y"), ',')), st::STRINGTOOLONG);
}

TEST_F(StrListTest, SetItemTable) {
  struct Case {
    const char* list;
    int32_t n;
    const char* want;
  } cases[] = {
      {"a,b", 5, "a,b,,,x"}, {"a,b", -1, "b"},     {"a,b", -2, "a"},      {"a,b,c", -2, "a,c"},
      {"a,b", -4, "a,b"},    {"", 0, "x"},         {"a", 0, "a,x"},       {"a,b,c", 2, "a,x,c"},
      {"", 1, "x"},          {"", 3, ",,x"},       {"a", -1, ""},         {"'a,b',c", -1, "c"},
      {"'a,b',c", 1, "x,c"},
  };
  for (const auto& c : cases) {
    uint16_t m = StrAreaMark(-1);
    ASSERT_EQ(StrListSetItem(S(c.list), ',', c.n, S("x")), 0) << c.list << " " << c.n;
    EXPECT_EQ(StrAreaTop().View(), c.want) << c.list << " " << c.n;
    EXPECT_EQ(StrAreaMark(-1), m + 1);
    StrAreaMark(m);
  }
  EXPECT_EQ(StrListSetItem(S("a"), ',', 70000, S("x")), st::STRINGTOOLONG);
  EXPECT_EQ(StrListSetItem(S("a"), ',', INT32_MIN, S("x")), 0);
  EXPECT_EQ(StrError(StrListSet(StrErr(st::FILENOTFOUND), ',', 1, S("x"))), st::FILENOTFOUND);
}

TEST_F(StrListTest, OptionTextLookups) {
  const std::string nulText("A=1\0B=x y\0C:'q'\0X=1 D=2", 23);
  struct Case {
    const char* id;
    StrValue text;
    const char* name;
    int flags;
    const char* want;
    bool found;
  } cases[] = {
      {"after-slash", S("/APNAME:CO /TRACE:1"), "TRACE", kKeyNormalised, "1", true},
      {"inside-name", S("/APNAME:CO /TRACE:1"), "NAME", kKeyNormalised, "", false},
      {"keeps-searching", S("APNAME:X /NAME:Y"), "NAME", kKeyNormalised, "Y", true},
      {"quoted-blank", S("/NAME='a b' /X:1"), "NAME", kKeyNormalised, "a b", true},
      {"upper-cased", S("/NAME:abc"), "NAME", kKeyNormalised, "ABC", true},
      {"colon-wins", S("N=1 /N:2"), "N", kKeyNormalised, "2", true},
      {"equals", S("/A=b&C=d"), "C", kKeyNormalised, "D", true},
      {"unclosed", S("/T:'abc /U:1"), "T", 0, "'abc /U:1", true},
      {"case-sensitive", S("/trace:1"), "TRACE", kKeyNormalised, "", false},
      {"unquoted", S("/N:'a'"), "N", kKeyUnquoted, "a", true},
      {"raw", S("/N:'a'"), "N", 0, "'a'", true},
      {"empty-value", S("/N: /M:2"), "N", kKeyNormalised, "", true},
      {"nul-blank-kept", B(nulText), "B", kKeyNulList | kKeyUnquoted, "x y", true},
      {"nul-colon", B(nulText), "C", kKeyNulList | kKeyNormalised, "q", true},
      {"nul-blank-not-sep", B(nulText), "D", kKeyNulList, "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StrKeyGet(c.text, S(c.name), c.flags).View(), c.want) << c.id;
    EXPECT_EQ((StrKeyLocate(c.text, S(c.name), c.flags) & 0xffff) != 65535, c.found) << c.id;
  }
  EXPECT_EQ(StrKeyLocate(S("/N:abc"), S("N"), 0), 3u | (3u << 16));
  EXPECT_EQ(StrKeyLocate(S("/N:abc"), S(""), 0) & 0xffff, 65535u);
}

TEST_F(StrListTest, KeyValuePush) {
  uint16_t m = StrAreaMark(-1);
  EXPECT_EQ(StrKeyValuePush(S("/N:'a b'"), S("N")), 0);
  EXPECT_EQ(StrAreaTop().View(), "a b");
  EXPECT_EQ(StrKeyValuePush(S("/%P%:'a'"), S("%P%")), 0);
  EXPECT_EQ(StrAreaTop().View(), "'a'");
  EXPECT_EQ(StrAreaMark(-1), m + 2);
  EXPECT_EQ(StrKeyValuePush(S("/N:1"), S("M")), 65535);
  EXPECT_EQ(StrAreaMark(-1), m + 2);
  EXPECT_EQ(StrKeyValuePush(StrErr(st::FILENOTFOUND), S("M")), st::FILENOTFOUND);
}

}  // namespace
