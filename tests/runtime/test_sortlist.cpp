// Sorted lists: insertion order and refusals, the cursor, growth to the
// 64 KB bound, and sorting whole lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/sortlist.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const std::string& s) { return StrFromView(s); }

class SortListTest : public RuntimeTest {
 protected:
  void TearDown() override {
    SortListFree(&list);
    RuntimeTest::TearDown();
  }
  // The items in list order, right-trimmed.
  std::vector<std::string> Items() const {
    std::vector<std::string> out;
    for (uint16_t i = 0; i < list.count; ++i) {
      std::string item(reinterpret_cast<const char*>(list.items.ptr) + i * list.itemWidth, list.itemWidth);
      out.push_back(item.substr(0, item.find_last_not_of(' ') + 1));
    }
    return out;
  }
  SortList list;
};

TEST_F(SortListTest, InsertsKeepKeyOrderAndTheEqualKeyRule) {
  struct Case {
    const char* id;
    uint32_t key;
    uint8_t flags;
    std::vector<std::string> inserts;
    std::vector<Status> answers;
    std::vector<std::string> want;
  } cases[] = {
      {"ascending", 4, 0, {"c", "a", "b"}, {0, 0, 0}, {"a", "b", "c"}},
      {"descending", 4, kSortDescending, {"c", "a", "b"}, {0, 0, 0}, {"c", "b", "a"}},
      {"unique", 4, kSortUnique, {"a", "b", "a"}, {0, 0, 5}, {"a", "b"}},
      {"equal keys", 1, 0, {"a1", "a2", "a3"}, {0, 0, 0}, {"a1", "a3", "a2"}},
      {"equal keys descending", 1, kSortDescending, {"a1", "b1", "a2"}, {0, 0, 0}, {"b1", "a1", "a2"}},
      {"key 0: whole item", 0, kSortUnique, {"ab", "aa", "ab"}, {0, 0, 5}, {"aa", "ab"}},
      {"too long", 4, 0, {"abcde", "ab"}, {st::BADINPUTDATA, 0}, {"ab"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(SortListCreate(4, c.key, c.flags, &list), 0) << c.id;
    for (size_t i = 0; i < c.inserts.size(); ++i)
      EXPECT_EQ(SortListInsert(S(c.inserts[i]), &list), c.answers[i]) << c.id << " " << c.inserts[i];
    EXPECT_EQ(Items(), c.want) << c.id;
    EXPECT_EQ(list.count, c.want.size()) << c.id;
    SortListFree(&list);
  }
  EXPECT_EQ(SortListCreate(70000, 4, 0, &list), st::BADINPUTDATA);
  EXPECT_EQ(SortListCreate(0, 0, 0, &list), st::BADINPUTDATA);
}

TEST_F(SortListTest, TheCursorStopsAtBothEnds) {
  struct Step {
    uint16_t code;
    Status answer;
    const char* item;
  };
  ASSERT_EQ(SortListCreate(2, 2, 0, &list), 0);
  const Step empty[] = {{kSortFirst, 2, ""}, {kSortLast, 2, ""}, {kSortNext, 2, ""}, {kSortPrevious, 2, ""}};
  for (const Step& s : empty) {
    EXPECT_EQ(SortListMove(s.code, &list), s.answer) << s.code;
    EXPECT_EQ(list.current, 0) << s.code;
    EXPECT_EQ(SortListItem(list).Str(), s.item);
  }
  for (const char* t : {"b", "c", "a"}) ASSERT_EQ(SortListInsert(S(t), &list), 0);
  const Step walk[] = {{kSortFirst, 0, "a "}, {kSortNext, 0, "b "},     {kSortNext, 0, "c "},
                       {kSortNext, 2, "c "},  {kSortFirst, 0, "a "},    {kSortPrevious, 2, "c "},
                       {kSortLast, 0, "c "},  {kSortPrevious, 0, "b "}, {0x99, 0, "b "}};
  for (const Step& s : walk) {
    EXPECT_EQ(SortListMove(s.code, &list), s.answer) << s.code;
    EXPECT_EQ(SortListItem(list).Str(), s.item) << s.code;
  }
}

TEST_F(SortListTest, GrowthStopsAtTheBoundWithTheListUnchanged) {
  // 300 items of 5 bytes outgrow the first 256-item block and stay in order.
  ASSERT_EQ(SortListCreate(5, 5, 0, &list), 0);
  for (int i = 299; i >= 0; --i) ASSERT_EQ(SortListInsert(S(std::to_string(10000 + i)), &list), 0);
  ASSERT_EQ(list.count, 300);
  for (uint16_t i = 0; i < list.count; ++i)
    ASSERT_EQ(std::string(reinterpret_cast<char*>(list.items.ptr) + i * 5, 5), std::to_string(10000 + i));
  SortListFree(&list);

  // Items of 1000 bytes: 65 fit in 65535 bytes, the 66th is refused.
  ASSERT_EQ(SortListCreate(1000, 1000, 0, &list), 0);
  EXPECT_EQ(list.items.capacity, 65000);  // 256 x 1000 would not fit in 16 bits
  for (int i = 0; i < 65; ++i) ASSERT_EQ(SortListInsert(S(std::to_string(100 + i)), &list), 0) << i;
  std::vector<std::string> before = Items();
  ErrClear();
  EXPECT_EQ(SortListInsert(S("001"), &list), st::OUTOFMEMORY);
  EXPECT_EQ(ErrGet(), (uint32_t{MOD_SORT} << 16) | st::OUTOFMEMORY);
  EXPECT_EQ(list.count, 65);
  EXPECT_EQ(list.items.used, 65000);
  EXPECT_EQ(Items(), before);
}

TEST_F(SortListTest, WholeListsAreSortedInOneCall) {
  struct Case {
    std::string text;
    uint8_t flags;
    std::string want;
  } cases[] = {
      {"b,a,b", 0, "a,b,b"},
      {"b,a,b", kSortUnique, "a,b"},
      {"b,a,c", kSortDescending, "c,b,a"},
      {"ccc,a,bb", 0, "a  ,bb ,ccc"},
      {"ccc,a,bb", kSortTrim, "a,bb,ccc"},
      {"'x,y',b,a", kSortTrim, "'x,y',a,b"},  // the quoted item is kept whole
      {std::string("b\0a\0c", 5), kSortNulList | kSortTrim, std::string("a\0b\0c", 5)},
      {"", 0, ""},
      {",", 0, ","},
  };
  for (const Case& c : cases) EXPECT_EQ(SortListString(S(c.text), c.flags).Str(), c.want) << c.text;
  EXPECT_EQ(StrError(SortListString(StrErr(st::BADINPUTDATA), 0)), st::BADINPUTDATA);
  // 600 items of 1 byte and one of 200: the list would need 120,200 bytes.
  std::string big(200, 'z');
  for (int i = 0; i < 600; ++i) big += ",a";
  EXPECT_EQ(StrError(SortListString(S(big), 0)), st::OUTOFMEMORY);
}

}  // namespace
