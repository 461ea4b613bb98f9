#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "script/arrays.h"
#include "var_helpers.h"

namespace {

// Script indexes are numbers with 2 decimals.
std::vector<FixedNum> Idx(std::initializer_list<double> v) {
  std::vector<FixedNum> r;
  for (double d : v) r.push_back(static_cast<FixedNum>(d * 100));
  return r;
}

Status Read(const char* name, std::initializer_list<double> idx, const std::string& pattern = "") {
  auto i = Idx(idx);
  return ArrElemRead(StrFromC(name), static_cast<int>(i.size()), i.data(), S(pattern));
}

Status Assign(const char* name, std::initializer_list<double> idx, StrValue value) {
  auto i = Idx(idx);
  return ArrElemAssign(StrFromC(name), static_cast<int>(i.size()), i.data(), value);
}

using ArrTest = VarTest;

TEST_F(ArrTest, FirstReadCreatesTheArrayAndPositionsAreRowMajor) {
  ASSERT_EQ(Read("a(", {2, 3}), 0);
  EXPECT_EQ(TopNum(), 0);
  const ArrDesc* a = ArrLookup(StrFromC("a("));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->type, kVarInt);
  EXPECT_EQ(a->count, 12);
  EXPECT_EQ(a->dims[0], 3);
  EXPECT_EQ(a->dims[1], 4);

  // a(1;4) is position 1 x 4 + 4 = 8, the same element as a(2;0).
  ASSERT_EQ(Assign("a(", {1, 4}, Num(700)), 0);
  ASSERT_EQ(Read("a(", {2, 0}), 0);
  EXPECT_EQ(TopNum(), 700);
  ASSERT_EQ(Read("a(", {1.9, 0.5}), 0);  // fractions are cut off: a(1;0)
  EXPECT_EQ(TopNum(), 0);

  const struct {
    std::initializer_list<double> idx;
    Status want;
  } bad[] = {{{2, 4}, st::DATAOUTBOUND}, {{-1, 0}, st::DATAOUTBOUND}, {{0, -0.5}, st::DATAOUTBOUND},
             {{0, 0, 0}, st::DIMSTRUCERROR}, {{40000}, st::DATAOUTBOUND}};
  for (const auto& c : bad) {
    EXPECT_EQ(Read("a(", c.idx), c.want);
    EXPECT_EQ(Assign("a(", c.idx, Num(1)), c.want);
  }
}

TEST_F(ArrTest, ShapesThatCannotBeMadeAreRefusedWithoutDefiningTheName) {
  const struct {
    const char* name;
    std::vector<int32_t> sizes;
    std::string pattern;
    Status want;
  } cases[] = {
      {"big(", {300, 300}, "", st::DIMSTRUCERROR},          // 90601 elements
      {"wrap(", {255, 255}, "", st::DIMSTRUCERROR},         // 65536 would wrap to 0
      {"five(", {1, 1, 1, 1, 1}, "", st::DIMSTRUCERROR},
      {"neg(", {-2}, "", st::DIMSTRUCERROR},
      {"one(", {0}, "", st::SINTAXERROR},                   // a single element
      {"s$(", {3}, "", st::SINTAXERROR},                    // empty pattern: width 0
      {"huge$(", {256}, std::string(65535, '.'), st::OUTOFMEMORY},
      {"bad@(", {3}, "", st::VARNAMEERROR},
      {"plain", {3}, "", st::VARNAMEERROR},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ArrDim(StrFromC(c.name), static_cast<int>(c.sizes.size()), c.sizes.data(), S(c.pattern)), c.want)
        << c.name;
    EXPECT_EQ(ArrLookup(StrFromC(c.name)), nullptr) << c.name;
  }
  EXPECT_EQ(Read("big(", {300, 300}), st::DIMSTRUCERROR);
  EXPECT_EQ(VarLookup(StrFromC("big(")).slot, kVarUndefined);
  EXPECT_EQ(LiveBlocksOf(MOD_VARSTRUCT), 0);

  ASSERT_EQ(ArrDim(StrFromC("d("), 1, std::array<int32_t, 1>{5}.data(), S("")), 0);
  EXPECT_EQ(ArrDim(StrFromC("d("), 1, std::array<int32_t, 1>{5}.data(), S("")), st::VARNAMEERROR);
}

TEST_F(ArrTest, ElementsStoreByTheirType) {
  ASSERT_EQ(Read("t$(", {3}, "---"), 0);
  EXPECT_EQ(TopText(), "---");
  ASSERT_EQ(Assign("t$(", {1}, S("ab")), 0);
  ASSERT_EQ(Assign("t$(", {2}, S("abcdef")), 0);
  const char* want[] = {"---", "ab ", "abc", "---"};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(Read("t$(", {static_cast<double>(i)}), 0);
    EXPECT_EQ(TopText(), want[i]) << i;
  }

  // Integer elements keep the integer part of the number.
  ASSERT_EQ(Read("i(", {3}), 0);
  const struct {
    int64_t raw;
    int64_t readRaw;
  } ints[] = {{790, 700}, {-790, -700}, {7000000, 446400}};
  for (const auto& c : ints) {
    ASSERT_EQ(Assign("i(", {1}, Num(c.raw)), 0);
    ASSERT_EQ(Read("i(", {1}), 0);
    EXPECT_EQ(TopNum(), c.readRaw) << c.raw;
  }
  ASSERT_EQ(Read("n#(", {3}), 0);
  ASSERT_EQ(Assign("n#(", {2}, Num(-123456)), 0);
  ASSERT_EQ(Read("n#(", {2}), 0);
  EXPECT_EQ(TopNum(), -123456);

  EXPECT_EQ(Assign("n#(", {2}, S("text")), st::TYPEMISMATCH);
  EXPECT_EQ(Assign("missing(", {1}, Num(1)), st::DIMSTRUCERROR);
}

TEST_F(ArrTest, AccumulatorsAddSetAndFill) {
  ASSERT_EQ(ArrDim(StrFromC("acc#("), 1, std::array<int32_t, 1>{4}.data(), S("")), 0);
  const int32_t at2[] = {2};
  ASSERT_EQ(ArrAddNum(StrFromC("acc#("), 150, 1, at2), 0);
  ASSERT_EQ(ArrAddNum(StrFromC("acc#("), 250, 1, at2), 0);
  ASSERT_EQ(Read("acc#(", {2}), 0);
  EXPECT_EQ(TopNum(), 400);

  ASSERT_EQ(ArrSetNum(StrFromC("acc#("), INT64_MAX, 1, at2), 0);
  EXPECT_EQ(ArrAddNum(StrFromC("acc#("), 1, 1, at2), st::DATAOUTBOUND);
  ASSERT_EQ(Read("acc#(", {2}), 0);
  EXPECT_EQ(TopNum(), INT64_MAX);

  const int32_t at9[] = {9};
  EXPECT_EQ(ArrAddNum(StrFromC("acc#("), 1, 1, at9), st::DIMSTRUCERROR);
  EXPECT_EQ(ArrAddNum(StrFromC("nope#("), 1, 1, at2), st::DIMSTRUCERROR);

  // Fill 1..3, never past the count.
  ASSERT_EQ(ArrFill(StrFromC("acc#("), Num(5), 1, 99), 0);
  const int64_t want[] = {0, 5, 5, 5, 5};
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(Read("acc#(", {static_cast<double>(i)}), 0);
    EXPECT_EQ(TopNum(), want[i]) << i;
  }
  EXPECT_EQ(ArrFill(StrFromC("nope#("), Num(0), 0, 1), st::DATAOUTBOUND);
}

TEST_F(ArrTest, LabelArrayIsCreatedOnceByTheBuiltinCheck) {
  EXPECT_EQ(BuiltinCheckName(StrFromC("_#(")), 1);
  const ArrDesc* a = ArrLookup(StrFromC("_#("));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->type, kVarNum);
  EXPECT_EQ(a->count, 257);
  const unsigned char* data = a->data;
  EXPECT_EQ(BuiltinCheckName(StrFromC("_#(5)")), 1);
  EXPECT_EQ(ArrLookup(StrFromC("_#("))->data, data);
  // Other built-in names are known to the registry; array names are not.
  EXPECT_EQ(BuiltinCheckName(StrFromC("FN$MIDS(")), 1);
  EXPECT_EQ(BuiltinCheckName(StrFromC("fn$mids(1)")), 1);
  EXPECT_EQ(BuiltinCheckName(StrFromC("a(")), 0);
}

TEST_F(ArrTest, FreeingAllArraysReleasesTheirData) {
  ASSERT_EQ(Read("a(", {3}), 0);
  ASSERT_EQ(Read("b$(", {2, 2}, "xy"), 0);
  EXPECT_EQ(LiveBlocksOf(MOD_VARSTRUCT), 2);
  ArrFreeAll();
  EXPECT_EQ(LiveBlocksOf(MOD_VARSTRUCT), 0);
  EXPECT_EQ(ArrLookup(StrFromC("a(")), nullptr);
  EXPECT_EQ(VarLookup(StrFromC("b$(")).slot, kVarUndefined);
  ASSERT_EQ(Read("a(", {4}), 0);  // the name can be used again
  EXPECT_EQ(ArrLookup(StrFromC("a("))->count, 5);
}

// An array found by its name is found again after other arrays, and not
// after its runtime ended: a new runtime's slot of the same number may be
// another array's or none.
TEST_F(ArrTest, LookUpsFollowTheNamesAndANewRuntime) {
  ASSERT_EQ(ArrDim(StrFromC("a("), 1, std::array<int32_t, 1>{3}.data(), S("")), 0);
  ASSERT_EQ(ArrDim(StrFromC("b("), 1, std::array<int32_t, 1>{7}.data(), S("")), 0);
  for (int k = 0; k < 2; ++k) {
    ASSERT_NE(ArrLookup(StrFromC("a(")), nullptr);
    EXPECT_EQ(ArrLookup(StrFromC("a("))->count, 4);
    EXPECT_EQ(ArrLookup(StrFromC("b("))->count, 8);
  }
  EXPECT_EQ(ArrLookup(StrFromC("c(")), nullptr);
  ASSERT_NE(ArrLookup(StrFromC("a(")), nullptr);  // found last, in slot 0
  ASSERT_EQ(VarsFreeAll(), 0);
  ASSERT_EQ(VarSysInit(), 0);
  EXPECT_EQ(ArrLookup(StrFromC("b(")), nullptr);
  ASSERT_EQ(ArrDim(StrFromC("c("), 1, std::array<int32_t, 1>{2}.data(), S("")), 0);  // the first slot again
  EXPECT_EQ(ArrLookup(StrFromC("a(")), nullptr);
  EXPECT_EQ(ArrLookup(StrFromC("c("))->count, 3);
}

}  // namespace
