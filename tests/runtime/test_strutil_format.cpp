#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime/errors.h"
#include "runtime/strformat.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const char* c) { return StrFromC(c); }

class StrFormatTest : public RuntimeTest {};

TEST_F(StrFormatTest, FillsOnlyDeclaredPlaceholders) {
  struct Case {
    const char* id;
    StrValue got;
    const char* want;
  } cases[] = {
      {"text", StrFormat(100, S("Error %s."), "x"), "Error x."},
      {"int", StrFormat(100, S("%d records"), 42), "42 records"},
      {"int-i", StrFormat(100, S("(%i Screens, %i Windows)"), 2, 3), "(2 Screens, 3 Windows)"},
      {"negative", StrFormat(100, S("%d"), -7), "-7"},
      {"min", StrFormat(100, S("%d"), INT64_MIN), "-9223372036854775808"},
      {"unsigned", StrFormat(100, S("%d"), uint16_t{65535}), "65535"},
      {"strvalue", StrFormat(100, S("<%s>"), S("v")), "<v>"},
      {"left", StrFormat(100, S(";%-5s|"), "ab"), ";ab   |"},
      {"right", StrFormat(100, S("%4s "), "ab"), "  ab "},
      {"int-width", StrFormat(100, S("%3d|%-3d|"), 7, 8), "  7|8  |"},
      {"not-cut", StrFormat(100, S("%2s"), "abcd"), "abcd"},
      {"percent", StrFormat(100, S("100%% %s"), "x"), "100% x"},
      {"swapped-types", StrFormat(100, S("%d %s"), "a", 5), "a 5"},
      {"surplus-placeholders", StrFormat(100, S("%s-%s-%3s|"), "a"), "a--   |"},
      {"spare-args", StrFormat(100, S("%s"), "a", "b"), "a"},
      {"literal", StrFormat(100, S("%n %x %5.2f %05d %ls %"), "a"), "%n %x %5.2f %05d %ls %"},
      {"too-wide", StrFormat(100, S("%123456s"), "a"), "%123456s"},
      {"no-args", StrFormat(100, S("a %s b")), "a  b"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.View(), c.want) << c.id;
  EXPECT_EQ(FmtText("Line: %s (%d)", "x", 3), "Line: x (3)");
}

TEST_F(StrFormatTest, BoundIsEnforcedAndRecorded) {
  EXPECT_EQ(StrFormat(5, S("%s"), "12345").View(), "12345");
  EXPECT_EQ(ErrGet(), 0u);
  EXPECT_EQ(StrError(StrFormat(5, S("%s!"), "12345")), st::STRINGTOOLONG);
  EXPECT_EQ(ErrGet(), st::STRINGTOOLONG | (uint32_t{MOD_FORMATSTRINGS} << 16));
  EXPECT_EQ(ErrDetail().View(), "%s!");
  ErrClear();
  EXPECT_EQ(StrError(StrFormat(3, S("%10s"), "")), st::STRINGTOOLONG);
  ErrClear();
  std::string big(70000, 'x');
  EXPECT_EQ(StrError(StrFormat(100000, S("%s%s"), big, big)), st::STRINGTOOLONG);
  ErrClear();
  EXPECT_EQ(StrError(StrFormat(10, S("%s"), StrErr(st::FILENOTFOUND))), st::FILENOTFOUND);
  EXPECT_EQ(StrError(StrFormat(10, StrErr(st::FILENOTFOUND), "a")), st::FILENOTFOUND);
  EXPECT_EQ(ErrGet(), 0u);
}

}  // namespace
