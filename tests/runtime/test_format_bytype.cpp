// Fitting values to a field's stored form by type letter.
#include <gtest/gtest.h>

#include <string>

#include "runtime/format.h"
#include "support/runtime_fixture.h"

namespace {

TEST_F(RuntimeTest, FmtByTypeTable) {
  struct Row {
    const char* id;
    char type;
    const char* value;
    int width;
    const char* out;  // nullptr: the error string 168
  } rows[] = {
      {"text padded", 'A', "ab", 4, "ab  "},
      {"text cut", 'P', "abcdef", 3, "abc"},
      {"unknown letter is text", 'E', "ab", 3, "ab "},
      {"no value", 'T', "ab", 3, "   "},
      {"blank value", 'V', "ab", 2, "  "},
      {"date", 'D', "20240305", 8, "20240305"},
      {"date in 6 drops the century", 'F', "20240305", 6, "240305"},
      {"short date padded", 'D', "2024", 6, "2024  "},
      {"number trimmed and right-aligned", 'N', " 42 ", 5, "   42"},
      {"digit type 0 is a number", '0', "7", 3, "  7"},
      {"logical", 'L', "1", 1, "1"},
      {"more decimals kept when they fit", '2', "1.2345", 6, "1.2345"},
      {"rounded half away from zero", '2', "1.2345", 5, "1.235"},
      {"rounding carries", '1', "99.96", 4, " 100"},
      {"negative rounds away", '2', "-0.005", 5, "-0.01"},
      {"integer part too wide", 'N', "123456", 5, nullptr},
      {"integer part fills the field", '2', "12345.6", 5, "12346"},
      {"text in a number field is cut", 'N', "ab.cdef", 4, "ab.c"},
  };
  for (const Row& r : rows) {
    StrValue got = FmtByType(r.type, StrFromC(r.value), r.width);
    if (r.out) EXPECT_EQ(got.Str(), r.out) << r.id;
    else EXPECT_EQ(StrError(got), st::DATAOUTBOUND) << r.id;
  }
  EXPECT_EQ(StrError(FmtByType('A', StrErr(st::FILENOTINIT), 3)), st::FILENOTINIT);
}

}  // namespace
