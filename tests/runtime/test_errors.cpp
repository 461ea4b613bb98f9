// The recorded error, its detail, and the names and texts of codes.
#include <gtest/gtest.h>

#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "support/runtime_fixture.h"

namespace {

class ErrorsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    MsgCatalogReset();
    ErrDetailSet(0, StrFromC(""), false);
  }
};

std::string S(StrValue s) { return s.Str(); }

TEST_F(ErrorsTest, CodeNames) {
  const struct {
    Status code;
    const char* name;
  } cases[] = {{0, "Undefined"},           {121, "Undefined"},         {122, "User Canceled"},
               {127, "Out of Data"},       {148, "FEATUREREMOVED"},    {164, "File Not Found"},
               {181, "Variable ScreenField"}, {182, "Undefined"},      {183, "Data Already exist"},
               {185, "Graphic Support Low"}, {186, "Undefined"},       {200, "Undefined"}};
  for (const auto& c : cases) EXPECT_EQ(S(ErrCodeName(c.code)), c.name) << c.code;
  // The comma list has one field per code: a missing comma would shift every
  // later name onto the wrong code.
  for (Status c = 122; c <= 185; ++c) {
    if (c != 182) {
      EXPECT_NE(S(ErrCodeName(c)), "Undefined") << c;
    }
  }
  EXPECT_EQ(S(ErrModuleName(1)), "STRINGINIT");
  EXPECT_EQ(S(ErrModuleName(18)), "DataFile");
  EXPECT_EQ(S(ErrModuleName(22)), "HtmlScan");
  EXPECT_EQ(S(ErrModuleName(0)), "");
  EXPECT_EQ(S(ErrModuleName(23)), "");
}

TEST_F(ErrorsTest, CodeTextsAndFullTexts) {
  EXPECT_EQ(S(ErrText(0)), "Process Completed Succesfully");
  EXPECT_EQ(S(ErrText(50)), "Warning ");
  EXPECT_EQ(S(ErrText(120)), "Warning ");
  EXPECT_EQ(S(ErrText(121)), "Undefined");  // no detail: the name
  EXPECT_EQ(S(ErrText(122)), "User Canceled");
  EXPECT_EQ(S(ErrText(164)), "Error File Not Found");

  ErrDetailSet(0, StrFromC("bad value"), false);
  EXPECT_EQ(S(ErrCodeText(126)), "bad value");
  EXPECT_EQ(S(ErrCodeText(121)), "bad value");
  EXPECT_EQ(S(ErrCodeText(125)), "Type Warning");

  ErrSet(1, MOD_DATAFILE, 164, 164);
  ErrDetailSet(164, StrFromC("CUST.FD"), false);
  EXPECT_EQ(S(ErrText(164)), "Error File Not Found(DataFile): CUST.FD");
  EXPECT_EQ(S(ErrText(-1)), "Error File Not Found(DataFile): CUST.FD");
  EXPECT_EQ(S(ErrCodeText(-1)), "File Not Found");
  ErrClear();
  EXPECT_EQ(S(ErrCodeText(-1)), "Undefined");  // nothing recorded
}

TEST_F(ErrorsTest, FirstErrorWinsUntilCleared) {
  EXPECT_EQ(ErrSet(0, MOD_STREAMS, 164, 164), 0);  // condition 0 records nothing
  EXPECT_EQ(ErrGet(), 0u);
  EXPECT_EQ(ErrSet(1, MOD_STREAMS, 100, 7), 7);  // soft codes are never recorded
  EXPECT_EQ(ErrGet(), 0u);
  ErrSet(1, MOD_DATAFILE, 164, 164);
  ErrSet(1, MOD_STREAMS, 131, 131);
  EXPECT_EQ(ErrGet(), 164u | (uint32_t{MOD_DATAFILE} << 16));
  ErrSet(2, MOD_STREAMS, 0, 0);
  ErrSet(1, MOD_STREAMS, 131, 131);
  EXPECT_EQ(ErrGet(), 131u | (uint32_t{MOD_STREAMS} << 16));
  ErrSet(2, MOD_SCREENS, 100, 0);  // condition 2 records anything
  EXPECT_EQ(ErrGet(), 100u | (uint32_t{MOD_SCREENS} << 16));
  StrValue s = ErrSetStr(1, MOD_SCREENS, 145, StrFromC("x"));
  EXPECT_EQ(StrError(s), 145);
}

// A long detail is cut back before the next line is joined: at a line end
// when it has lines, flatly when it has none; a set detail is capped.
TEST_F(ErrorsTest, DetailIsCutBackAndCapped) {
  std::string lines;
  for (int i = 0; i < 15; ++i) lines += std::string(98, 'a' + i) + "\r\n";  // 1500 bytes
  ErrDetailSet(0, StrMake(lines.data(), 1000), false);
  ErrDetailSet(0, StrMake(lines.data() + 1000, 500), true);
  std::string grown = S(ErrDetail());
  ASSERT_GT(grown.size(), 1024u);
  ErrDetailSet(0, StrFromC("X"), true);
  std::string d = S(ErrDetail());
  ASSERT_GE(d.size(), 3u);
  EXPECT_EQ(d.substr(d.size() - 3), "\r\nX");
  std::string kept = d.substr(0, d.size() - 3);
  EXPECT_LE(kept.size(), 1024u);
  EXPECT_EQ(kept, grown.substr(0, kept.size()));
  EXPECT_EQ(grown[kept.size()], '\r');  // the cut fell on a line end

  std::string flat(5000, 'z');
  ErrDetailSet(0, StrMake(flat.data(), 5000), false);
  EXPECT_EQ(ErrDetail().len, kErrDetailPieceMax);  // a set detail is capped
  // A kept detail over the bound without any CR (written to the store by
  // other means) is cut flatly, so the cut ends.
  ASSERT_EQ(DynStrSet(SystemTextList, SysErrDetailItem, StrMake(flat.data(), 1500)), 0);
  ErrDetailSet(0, StrFromC("Y"), true);
  EXPECT_EQ(S(ErrDetail()), std::string(1024, 'z') + "\r\nY");
}

}  // namespace
